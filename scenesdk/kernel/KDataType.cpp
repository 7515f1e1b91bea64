#include "scenesdk/kernel/KDataType.h"

#include "scenesdk/animation/KTime.h"
#include "scenesdk/fileio/KConfigFile.h"
#include "scenesdk/kernel/KProperty.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

namespace scenesdk
{

namespace
{

constexpr int kMaxDecimals = 17;
const char* const kDefaultDecimalsText = "2";
constexpr int kUnread = -1;
// Detail of the time text form: the whole form, with the mark for a part frame.
constexpr int kTimeDetail = 5;

std::atomic<int>& Decimals()
{
    static std::atomic<int> decimals{kUnread};
    return decimals;
}

// The registry: immortal, sorted by name (byte-wise) after every addition.
struct Registry
{
    std::mutex lock;
    std::vector<KDataType*> types;
};

Registry& TheRegistry()
{
    static Registry& r = *new Registry;
    return r;
}

void Register(KDataType* type)
{
    Registry& r = TheRegistry();
    std::lock_guard<std::mutex> guard(r.lock);
    r.types.push_back(type);
    std::sort(r.types.begin(), r.types.end(),
              [](const KDataType* a, const KDataType* b)
              { return std::strcmp(a->GetName(), b->GetName()) < 0; });
}

// Copies text into the caller's buffer, cut to size - 1 characters.
bool CopyOut(const std::string& text, char* buffer, int bufferSize)
{
    if (buffer == nullptr || bufferSize < 1)
    {
        return false;
    }
    const size_t n = std::min(text.size(), static_cast<size_t>(bufferSize) - 1);
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
    return true;
}

// A fixed-notation number with the configured decimals; any magnitude fits.
void AppendNumber(std::string& out, double v, int decimals)
{
    char small[64];
    const int n = std::snprintf(small, sizeof small, "%.*f", decimals, v);
    if (n < 0)
    {
        return;
    }
    if (static_cast<size_t>(n) < sizeof small)
    {
        out.append(small, static_cast<size_t>(n));
        return;
    }
    std::string big(static_cast<size_t>(n) + 1, '\0');
    std::snprintf(&big[0], big.size(), "%.*f", decimals, v);
    big.resize(static_cast<size_t>(n));
    out += big;
}

const char* const kXyz[] = {"x", "y", "z"};
const char* const kXyzw[] = {"x", "y", "z", "w"};
const char* const kRgb[] = {"r", "g", "b"};
const char* const kRgba[] = {"r", "g", "b", "a"};
const char* const kUv[] = {"U", "V"};
const char* const kHsb[] = {"H", "S", "B"};

} // namespace

// ---------------------------------------------------------------------------
// Base

KDataType::KDataType(const char* name, bool registerType)
    : m_Size(0), m_ComponentCount(0), m_Name(name != nullptr ? name : ""), m_Kind(this)
{
    if (registerType)
    {
        Register(this);
    }
}

KDataType::~KDataType() = default;

bool KDataType::SetDefault(void*) const
{
    return false;
}

bool KDataType::FromText(const char*, void*) const
{
    return false;
}

bool KDataType::ToText(char*, int, const void*) const
{
    return false;
}

const char* KDataType::GetComponentName(int) const
{
    return nullptr;
}

int KDataType::GetDecimals()
{
    int d = Decimals().load();
    if (d == kUnread)
    {
        KConfigFile settings("@Application.txt");
        const long v = std::atol(settings.GetValue("NumericField", "Decimal", kDefaultDecimalsText));
        d = static_cast<int>(std::clamp<long>(v, 0, kMaxDecimals));
        Decimals().store(d);
    }
    return d;
}

void KDataType::ReloadDecimals()
{
    Decimals().store(kUnread);
}

namespace
{

void CreateAll();

} // namespace

KDataType* KDataType::FindByName(const char* name)
{
    if (name == nullptr)
    {
        return nullptr;
    }
    static const bool created = (CreateAll(), true);
    (void)created;
    if (std::strcmp(name, "Trigger") == 0)
    {
        return KDataTypeAction::Get();
    }
    Registry& r = TheRegistry();
    std::lock_guard<std::mutex> guard(r.lock);
    const auto it =
        std::lower_bound(r.types.begin(), r.types.end(), name,
                         [](const KDataType* t, const char* n) { return std::strcmp(t->GetName(), n) < 0; });
    return it != r.types.end() && std::strcmp((*it)->GetName(), name) == 0 ? *it : nullptr;
}

int KDataType::GetRegisteredCount()
{
    static const bool created = (CreateAll(), true);
    (void)created;
    Registry& r = TheRegistry();
    std::lock_guard<std::mutex> guard(r.lock);
    return static_cast<int>(r.types.size());
}

int KDataType::ToTypeCode(const KDataType* type)
{
    if (type == nullptr)
    {
        return 0;
    }
    // Named types with a property type of their own, then the kinds.
    const struct
    {
        const KDataType* type;
        int code;
    } table[] = {
        {KDataTypeAction::Get(), eKPropAction},
        {KDataTypeBool::Get(), eKPropBool},
        {KDataTypeInteger::Get(), eKPropInt},
        {KDataTypeColor::Get(), eKPropColorRGB},
        {KDataTypeColorAndAlpha::Get(), eKPropColorRGBA},
        {KDataTypeEnum::Get(), eKPropEnum},
        // Kinds from here on.
        {KDataTypeTime::Get(), eKPropTime},
        {KDataTypeNumber::Get(), eKPropDouble},
        {KDataTypeVector::Get(), eKPropVector3D},
        {KDataTypeVector4::Get(), eKPropVector4D},
    };
    for (const auto& row : table)
    {
        if (row.type == type)
        {
            return row.code;
        }
    }
    for (size_t i = 6; i < sizeof table / sizeof table[0]; ++i)
    {
        if (table[i].type == type->GetKind())
        {
            return table[i].code;
        }
    }
    return eKPropUnknown;
}

KDataType* KDataType::FromTypeCode(int typeCode)
{
    switch (typeCode)
    {
    case eKPropDouble:
        return KDataTypeNumber::Get();
    case eKPropTime:
        return KDataTypeTime::Get();
    case eKPropVector4D:
        return KDataTypeVector4::Get();
    case eKPropVector3D:
        return KDataTypeVector::Get();
    case eKPropColorRGB:
        return KDataTypeColor::Get();
    case eKPropColorRGBA:
        return KDataTypeColorAndAlpha::Get();
    default:
        return nullptr;
    }
}

void KDataType::InstallPropertyResolver()
{
    KProperty::SetDefaultDataTypeResolver(&KDataType::FromTypeCode);
}

namespace
{

// The property layer sits below the data types and learns of them here.
const bool gResolverInstalled = (KDataType::InstallPropertyResolver(), true);

} // namespace

// ---------------------------------------------------------------------------
// Number kind

KDataTypeNumber::KDataTypeNumber(const char* name) : KDataType(name, true)
{
    m_Size = 8;
    m_ComponentCount = 1;
}

bool KDataTypeNumber::SetDefault(void* value) const
{
    if (value == nullptr)
    {
        return false;
    }
    *static_cast<double*>(value) = 0.0;
    return true;
}

bool KDataTypeNumber::FromText(const char* text, void* value) const
{
    if (text == nullptr || value == nullptr)
    {
        return false;
    }
    *static_cast<double*>(value) = std::atof(text);
    return true;
}

bool KDataTypeNumber::ToText(char* buffer, int bufferSize, const void* value) const
{
    if (value == nullptr)
    {
        return false;
    }
    std::string text;
    AppendNumber(text, *static_cast<const double*>(value), GetDecimals());
    return CopyOut(text, buffer, bufferSize);
}

const char* KDataTypeNumber::GetComponentName(int) const
{
    return nullptr;
}

// ---------------------------------------------------------------------------
// Array kinds

KDataTypeArray::KDataTypeArray(const char* name, uint32_t components, const char* const* componentNames,
                               int nameCount)
    : KDataType(name, true), m_ComponentNames(componentNames), m_NameCount(nameCount)
{
    m_Size = components * sizeof(double);
    m_ComponentCount = components;
}

bool KDataTypeArray::SetDefault(void* value) const
{
    if (value == nullptr)
    {
        return false;
    }
    std::fill_n(static_cast<double*>(value), m_ComponentCount, 0.0);
    return true;
}

// "{v,v,...}": each number read by strtod right after the '{' or ',' before
// it (so blanks before a number are accepted), ',' between numbers and '}'
// after the last.
bool KDataTypeArray::FromText(const char* text, void* value) const
{
    if (text == nullptr || value == nullptr || text[0] != '{')
    {
        return false;
    }
    double parsed[16];
    const char* p = text;
    for (uint32_t i = 0; i < m_ComponentCount; ++i)
    {
        char* end = nullptr;
        parsed[i] = std::strtod(p + 1, &end);
        if (end == p + 1)
        {
            return false;
        }
        p = end;
        if (*p != (i + 1 < m_ComponentCount ? ',' : '}'))
        {
            return false;
        }
    }
    std::copy_n(parsed, m_ComponentCount, static_cast<double*>(value));
    return true;
}

bool KDataTypeArray::ToText(char* buffer, int bufferSize, const void* value) const
{
    if (value == nullptr)
    {
        return false;
    }
    const int decimals = GetDecimals();
    const double* v = static_cast<const double*>(value);
    std::string text = "{";
    for (uint32_t i = 0; i < m_ComponentCount; ++i)
    {
        if (i > 0)
        {
            text += ',';
        }
        AppendNumber(text, v[i], decimals);
    }
    text += '}';
    return CopyOut(text, buffer, bufferSize);
}

const char* KDataTypeArray::GetComponentName(int i) const
{
    if (m_ComponentNames == nullptr)
    {
        return nullptr;
    }
    return i >= 0 && i < m_NameCount ? m_ComponentNames[i] : "?";
}

KDataTypeVector::KDataTypeVector(const char* name, const char* const* componentNames, int nameCount)
    : KDataTypeArray(name, 3, componentNames != nullptr ? componentNames : kXyz,
                     componentNames != nullptr ? nameCount : 3)
{
}

KDataTypeVector4::KDataTypeVector4(const char* name, const char* const* componentNames, int nameCount)
    : KDataTypeArray(name, 4, componentNames != nullptr ? componentNames : kXyzw,
                     componentNames != nullptr ? nameCount : 4)
{
}

KDataTypeMatrix::KDataTypeMatrix(const char* name) : KDataTypeArray(name, 16, nullptr, 0) {}

// ---------------------------------------------------------------------------
// Time kind

KDataTypeTime::KDataTypeTime() : KDataType("Time", true)
{
    m_Size = sizeof(KTime);
    m_ComponentCount = 0;
}

bool KDataTypeTime::SetDefault(void* value) const
{
    if (value == nullptr)
    {
        return false;
    }
    *static_cast<KTime*>(value) = KTime();
    return true;
}

bool KDataTypeTime::FromText(const char* text, void* value) const
{
    if (text == nullptr || value == nullptr)
    {
        return false;
    }
    return static_cast<KTime*>(value)->FromText(text, 0, KTime::eFormatDefault);
}

bool KDataTypeTime::ToText(char* buffer, int bufferSize, const void* value) const
{
    if (value == nullptr)
    {
        return false;
    }
    return CopyOut(static_cast<const KTime*>(value)->ToText(kTimeDetail, 0, KTime::eFormatDefault), buffer,
                   bufferSize);
}

const char* KDataTypeTime::GetComponentName(int) const
{
    return "?";
}

// ---------------------------------------------------------------------------
// Singletons: created on first use, never destroyed.

#define SCENESDK_KIND_GET(Class)                                                                             \
    Class* Class::Get()                                                                                      \
    {                                                                                                        \
        static Class* instance = new Class();                                                                \
        return instance;                                                                                     \
    }

SCENESDK_KIND_GET(KDataTypeNumber)
SCENESDK_KIND_GET(KDataTypeVector)
SCENESDK_KIND_GET(KDataTypeVector4)
SCENESDK_KIND_GET(KDataTypeMatrix)
SCENESDK_KIND_GET(KDataTypeTime)

#define SCENESDK_NAMED(Class, Kind, Name, ...)                                                               \
    Class::Class() : Kind(Name, ##__VA_ARGS__)                                                               \
    {                                                                                                        \
        m_Kind = Kind::Get();                                                                                \
    }                                                                                                        \
    SCENESDK_KIND_GET(Class)

SCENESDK_NAMED(KDataTypeReal, KDataTypeNumber, "Real")
SCENESDK_NAMED(KDataTypeInteger, KDataTypeNumber, "Integer")
SCENESDK_NAMED(KDataTypeAction, KDataTypeNumber, "Action")
SCENESDK_NAMED(KDataTypeIntensity, KDataTypeNumber, "Intensity")
SCENESDK_NAMED(KDataTypeConeAngle, KDataTypeNumber, "Cone angle")
SCENESDK_NAMED(KDataTypeFog, KDataTypeNumber, "Fog")
SCENESDK_NAMED(KDataTypeShape, KDataTypeNumber, "Shape")
SCENESDK_NAMED(KDataTypeFieldOfView, KDataTypeNumber, "FieldOfView")
SCENESDK_NAMED(KDataTypeFieldOfViewX, KDataTypeNumber, "FieldOfViewX")
SCENESDK_NAMED(KDataTypeFieldOfViewY, KDataTypeNumber, "FieldOfViewY")
SCENESDK_NAMED(KDataTypeOpticalCenterX, KDataTypeNumber, "OpticalCenterX")
SCENESDK_NAMED(KDataTypeOpticalCenterY, KDataTypeNumber, "OpticalCenterY")
SCENESDK_NAMED(KDataTypeRoll, KDataTypeNumber, "Roll")
SCENESDK_NAMED(KDataTypeCameraIndex, KDataTypeNumber, "Camera Index")
SCENESDK_NAMED(KDataTypeTimeWarp, KDataTypeNumber, "TimeWarp")
SCENESDK_NAMED(KDataTypeVisibility, KDataTypeNumber, "Visibility")
SCENESDK_NAMED(KDataTypeBool, KDataTypeNumber, "Bool")
SCENESDK_NAMED(KDataTypeEnum, KDataTypeNumber, "Enum")
SCENESDK_NAMED(KDataTypeOcclusion, KDataTypeNumber, "Occlusion")
SCENESDK_NAMED(KDataTypeWeight, KDataTypeNumber, "Weight")
SCENESDK_NAMED(KDataTypeIKReachTranslation, KDataTypeNumber, "IK Reach Translation")
SCENESDK_NAMED(KDataTypeIKReachRotation, KDataTypeNumber, "IK Reach Rotation")

SCENESDK_NAMED(KDataTypeColor, KDataTypeVector, "Color", kRgb, 3)
SCENESDK_NAMED(KDataTypeTranslationUV, KDataTypeVector, "Translation UV", kUv, 2)
SCENESDK_NAMED(KDataTypeScalingUV, KDataTypeVector, "Scaling UV", kUv, 2)
SCENESDK_NAMED(KDataTypeColorHSB, KDataTypeVector, "HSB", kHsb, 3)
SCENESDK_NAMED(KDataTypeTranslation, KDataTypeVector, "Translation")
SCENESDK_NAMED(KDataTypeScaling, KDataTypeVector, "Scaling")
SCENESDK_NAMED(KDataTypeRotation, KDataTypeVector, "Rotation")
SCENESDK_NAMED(KDataTypeLclTranslation, KDataTypeVector, "Lcl Translation")
SCENESDK_NAMED(KDataTypeLclScaling, KDataTypeVector, "Lcl Scaling")
SCENESDK_NAMED(KDataTypeLclRotation, KDataTypeVector, "Lcl Rotation")
SCENESDK_NAMED(KDataTypeOrientation, KDataTypeVector, "Orientation")
SCENESDK_NAMED(KDataTypeLookAt, KDataTypeVector, "Look at")

SCENESDK_NAMED(KDataTypeColorAndAlpha, KDataTypeVector4, "ColorAndAlpha", kRgba, 4)
SCENESDK_NAMED(KDataTypeQuaternion, KDataTypeVector4, "Quaternion")
SCENESDK_NAMED(KDataTypeLclQuaternion, KDataTypeVector4, "Lcl Quaternion")

SCENESDK_NAMED(KDataTypeMatrixTranslation, KDataTypeMatrix, "Matrix Translation")
SCENESDK_NAMED(KDataTypeMatrixScaling, KDataTypeMatrix, "Matrix Scaling")
SCENESDK_NAMED(KDataTypeMatrixRotation, KDataTypeMatrix, "Matrix Rotation")
SCENESDK_NAMED(KDataTypeMatrixTransformation, KDataTypeMatrix, "Matrix Transformation")

#undef SCENESDK_NAMED
#undef SCENESDK_KIND_GET

namespace
{

// Makes every singleton, so the registry holds all of them before a lookup.
void CreateAll()
{
    using Getter = KDataType* (*)();
    static const Getter getters[] = {
        [] { return static_cast<KDataType*>(KDataTypeNumber::Get()); },
        [] { return static_cast<KDataType*>(KDataTypeVector::Get()); },
        [] { return static_cast<KDataType*>(KDataTypeVector4::Get()); },
        [] { return static_cast<KDataType*>(KDataTypeMatrix::Get()); },
        [] { return static_cast<KDataType*>(KDataTypeTime::Get()); },
        [] { return static_cast<KDataType*>(KDataTypeReal::Get()); },
        [] { return static_cast<KDataType*>(KDataTypeInteger::Get()); },
        [] { return static_cast<KDataType*>(KDataTypeAction::Get()); },
        [] { return static_cast<KDataType*>(KDataTypeIntensity::Get()); },
        [] { return static_cast<KDataType*>(KDataTypeConeAngle::Get()); },
        [] { return static_cast<KDataType*>(KDataTypeFog::Get()); },
        [] { return static_cast<KDataType*>(KDataTypeShape::Get()); },
        [] { return static_cast<KDataType*>(KDataTypeFieldOfView::Get()); },
        [] { return static_cast<KDataType*>(KDataTypeFieldOfViewX::Get()); },
        [] { return static_cast<KDataType*>(KDataTypeFieldOfViewY::Get()); },
        [] { return static_cast<KDataType*>(KDataTypeOpticalCenterX::Get()); },
        [] { return static_cast<KDataType*>(KDataTypeOpticalCenterY::Get()); },
        [] { return static_cast<KDataType*>(KDataTypeRoll::Get()); },
        [] { return static_cast<KDataType*>(KDataTypeCameraIndex::Get()); },
        [] { return static_cast<KDataType*>(KDataTypeTimeWarp::Get()); },
        [] { return static_cast<KDataType*>(KDataTypeVisibility::Get()); },
        [] { return static_cast<KDataType*>(KDataTypeBool::Get()); },
        [] { return static_cast<KDataType*>(KDataTypeEnum::Get()); },
        [] { return static_cast<KDataType*>(KDataTypeOcclusion::Get()); },
        [] { return static_cast<KDataType*>(KDataTypeWeight::Get()); },
        [] { return static_cast<KDataType*>(KDataTypeIKReachTranslation::Get()); },
        [] { return static_cast<KDataType*>(KDataTypeIKReachRotation::Get()); },
        [] { return static_cast<KDataType*>(KDataTypeColor::Get()); },
        [] { return static_cast<KDataType*>(KDataTypeTranslationUV::Get()); },
        [] { return static_cast<KDataType*>(KDataTypeScalingUV::Get()); },
        [] { return static_cast<KDataType*>(KDataTypeColorHSB::Get()); },
        [] { return static_cast<KDataType*>(KDataTypeTranslation::Get()); },
        [] { return static_cast<KDataType*>(KDataTypeScaling::Get()); },
        [] { return static_cast<KDataType*>(KDataTypeRotation::Get()); },
        [] { return static_cast<KDataType*>(KDataTypeLclTranslation::Get()); },
        [] { return static_cast<KDataType*>(KDataTypeLclScaling::Get()); },
        [] { return static_cast<KDataType*>(KDataTypeLclRotation::Get()); },
        [] { return static_cast<KDataType*>(KDataTypeOrientation::Get()); },
        [] { return static_cast<KDataType*>(KDataTypeLookAt::Get()); },
        [] { return static_cast<KDataType*>(KDataTypeColorAndAlpha::Get()); },
        [] { return static_cast<KDataType*>(KDataTypeQuaternion::Get()); },
        [] { return static_cast<KDataType*>(KDataTypeLclQuaternion::Get()); },
        [] { return static_cast<KDataType*>(KDataTypeMatrixTranslation::Get()); },
        [] { return static_cast<KDataType*>(KDataTypeMatrixScaling::Get()); },
        [] { return static_cast<KDataType*>(KDataTypeMatrixRotation::Get()); },
        [] { return static_cast<KDataType*>(KDataTypeMatrixTransformation::Get()); },
    };
    for (Getter g : getters)
    {
        g();
    }
}

} // namespace

} // namespace scenesdk
