#include "scenesdk/kernel/KProperty.h"

#include "scenesdk/kernel/KCompactText.h"
#include "scenesdk/kernel/KObject.h"
#include "scenesdk/kernel/KPropertyTemplate.h"
#include "scenesdk/kernel/KScnReadMeter.h"
#include "scenesdk/kernel/KStringList.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace scenesdk
{

KCLASSID_DEFINE(KProperty, &KPlug::ClassRecord);

namespace
{
const char* const kTypeNames[eKPropTypeCount] = {
    "unknown", "int",   "bool",       "float",    "double",   "charptr",  "enum",      "KTime",  "KString",
    "object",  "event", "stringlist", "Vector4D", "Vector3D", "ColorRGB", "ColorRGBA", "Action", "Reference"};

KProperty::DataTypeResolver gResolver = nullptr;

bool InGroup(int code, std::initializer_list<int> group)
{
    for (int c : group)
    {
        if (c == code)
        {
            return true;
        }
    }
    return false;
}
} // namespace

// ---------------------------------------------------------------------------
// Attributes

void KStringListDeleter::operator()(KStringList* list) const
{
    delete list;
}

struct KPropertyAttributes::Extras
{
    KCompactText label;
    double minimum = kDefaultMinimum;
    double maximum = kDefaultMaximum;
    std::unique_ptr<KStringList, KStringListDeleter> enumList;
    KEnumNameFunction enumFunction = nullptr;
    std::unique_ptr<KPropertySide> side;
};

void KPropertyAttributes::ExtrasDeleter::operator()(Extras* extras) const
{
    delete extras;
}

KPropertyAttributes::KPropertyAttributes() = default;

KPropertyAttributes::~KPropertyAttributes() = default;

KPropertySide* KPropertyAttributes::SideOfExtras() const
{
    return m_Extras->side.get();
}

void KPropertyAttributes::SetSide(std::unique_ptr<KPropertySide> side)
{
    if (side || m_Extras)
    {
        MakeExtras()->side = std::move(side);
    }
}

KPropertyAttributes::Extras* KPropertyAttributes::MakeExtras()
{
    if (!m_Extras)
    {
        m_Extras.reset(new Extras);
    }
    return m_Extras.get();
}

const char* KPropertyAttributes::GetLabel() const
{
    return m_Extras ? m_Extras->label.Get() : "";
}

void KPropertyAttributes::SetLabel(const char* text)
{
    if (!text || !*text)
    {
        if (m_Extras)
        {
            m_Extras->label = "";
        }
        return;
    }
    MakeExtras()->label = text;
}

double KPropertyAttributes::GetMinimum() const
{
    return m_Extras ? m_Extras->minimum : kDefaultMinimum;
}

double KPropertyAttributes::GetMaximum() const
{
    return m_Extras ? m_Extras->maximum : kDefaultMaximum;
}

void KPropertyAttributes::SetLimits(double minimum, double maximum)
{
    if (!m_Extras && minimum == kDefaultMinimum && maximum == kDefaultMaximum)
    {
        return;
    }
    Extras* extras = MakeExtras();
    extras->minimum = minimum;
    extras->maximum = maximum;
}

KStringList* KPropertyAttributes::GetEnumList(bool create)
{
    if (!create)
    {
        return m_Extras ? m_Extras->enumList.get() : nullptr;
    }
    Extras* extras = MakeExtras();
    if (!extras->enumList)
    {
        extras->enumList.reset(new KStringList);
    }
    return extras->enumList.get();
}

const KStringList* KPropertyAttributes::GetEnumList() const
{
    return m_Extras ? m_Extras->enumList.get() : nullptr;
}

void KPropertyAttributes::SetEnumNameFunction(KEnumNameFunction function)
{
    if (function || m_Extras)
    {
        MakeExtras()->enumFunction = function;
    }
    SetFlag(kEnumFunction, function != nullptr);
}

KEnumNameFunction KPropertyAttributes::GetEnumNameFunction() const
{
    return m_Extras ? m_Extras->enumFunction : nullptr;
}

void KProperty::HolderList::PopBack()
{
    if (std::vector<KObject*>* many = Many())
    {
        many->pop_back();
    }
    else
    {
        m_Bits = 0;
    }
}

void KProperty::HolderList::Push(KObject* holder)
{
    if (std::vector<KObject*>* many = Many())
    {
        many->push_back(holder);
    }
    else if (!One())
    {
        m_Bits = reinterpret_cast<uintptr_t>(holder);
    }
    else
    {
        auto* list = new std::vector<KObject*>{One(), holder};
        m_Bits = reinterpret_cast<uintptr_t>(list) | 1;
    }
}

void KProperty::HolderList::Remove(KObject* holder, bool all)
{
    std::vector<KObject*>* many = Many();
    if (!many)
    {
        if (One() == holder)
        {
            m_Bits = 0;
        }
        return;
    }
    if (all)
    {
        many->erase(std::remove(many->begin(), many->end(), holder), many->end());
        return;
    }
    auto it = std::find(many->rbegin(), many->rend(), holder);
    if (it != many->rend())
    {
        many->erase(std::next(it).base());
    }
}

// ---------------------------------------------------------------------------
// Construction and setup

KProperty::KProperty()
{
    KScnReadMeter::Count(KScnReadMeter::eProperties, KScnReadMeter::kPropertyBytes);
}

KProperty::~KProperty()
{
    // A declared property dies with its set's storage, not through Destroy:
    // any other object that still lists it drops it here.
    for (size_t i = 0; i < m_ListedIn.Size(); ++i)
    {
        m_ListedIn.At(i)->ForgetProperty(this);
    }
}

void KProperty::PrepareDestroy()
{
    while (!m_ListedIn.Empty())
    {
        KObject* holder = m_ListedIn.Back();
        size_t before = m_ListedIn.Size();
        int index = holder->GetPropertyIndex(this);
        if (index >= 0)
        {
            holder->RemovePropertyAt(index);
        }
        if (m_ListedIn.Size() == before)
        {
            m_ListedIn.PopBack(); // the holder refused: at least forget it
        }
    }
}

// The objects listing this property find it by name through an index.
void KProperty::NoteRenamedWhileListed()
{
    if (!m_ListedIn.Empty())
    {
        KObject::NotePropertyRenamed();
    }
}

void KProperty::Initialize(const char* name, KObject* owner)
{
    m_Attributes.name.SetShared(name); // first: a failure leaves the owner as it was
    if (owner)
    {
        owner->AdoptChild(this);
    }
    NoteRenamedWhileListed();
}

void KProperty::InitializeBound(const char* name, KObject* owner)
{
    Initialize(name, owner);
    m_Attributes.SetFlag(KPropertyAttributes::kOwnerAccessors, owner != nullptr);
}

bool KProperty::GetThroughOwner(void* value)
{
    KObject* owner = GetOwnerObject();
    return owner != nullptr && owner->GetBoundValue(*this, value);
}

bool KProperty::SetThroughOwner(const void* value)
{
    KObject* owner = GetOwnerObject();
    return owner != nullptr && owner->SetBoundValue(*this, value);
}

void KProperty::InitializeDynamic(KObject* owner, const char* name, KDataType* dataType, bool ownsEnumList,
                                  KPlug* connectTo, uint32_t state)
{
    m_Attributes.propertyState = state;
    m_Attributes.name.Set(name); // first: a failure leaves the owner as it was
    if (owner)
    {
        owner->AdoptChild(this);
    }
    NoteRenamedWhileListed();
    m_Attributes.SetFlag(KPropertyAttributes::kOwnedName, true);
    if (ownsEnumList)
    {
        m_Attributes.SetFlag(KPropertyAttributes::kOwnsEnumList, true);
    }
    m_Attributes.SetFlag(KPropertyAttributes::kDynamic, true);
    m_Attributes.dataType = dataType;
    if (connectTo)
    {
        ConnectSrc(connectTo);
    }
}

void KProperty::SetNameAndTypeCode(const char* name, int code)
{
    if (std::strcmp(m_Attributes.name.Get(), name ? name : "") != 0)
    {
        m_Attributes.name.Set(name);
        NoteRenamedWhileListed();
    }
    SetTypeCode(code);
}

void KProperty::SetLabel(const char* text)
{
    m_Attributes.SetLabel(text);
}

KDataType* KProperty::GetDataType() const
{
    if (m_Attributes.dataType)
    {
        return m_Attributes.dataType;
    }
    return gResolver ? gResolver(m_Attributes.typeCode) : nullptr;
}

void KProperty::SetDefaultDataTypeResolver(DataTypeResolver resolver)
{
    gResolver = resolver;
}

int KProperty::TypeCodeFromName(const char* name)
{
    if (!name)
    {
        return eKPropUnknown;
    }
    for (int i = 0; i < eKPropTypeCount; ++i)
    {
        if (std::strcmp(kTypeNames[i], name) == 0)
        {
            return i;
        }
    }
    return eKPropUnknown;
}

const char* KProperty::TypeCodeName(int code)
{
    return code >= 0 && code < eKPropTypeCount ? kTypeNames[code] : kTypeNames[0];
}

bool KProperty::IsScalarType(int code)
{
    return InGroup(code, {1, 2, 3, 4, 6, 16});
}

bool KProperty::IsIntegralType(int code)
{
    return InGroup(code, {1, 2, 6, 16});
}

bool KProperty::IsVectorType(int code)
{
    return InGroup(code, {12, 13, 14, 15});
}

KStringList* KProperty::GetEnumList(bool create)
{
    return m_Attributes.GetEnumList(create);
}

const char* KProperty::GetEnumName(int value) const
{
    KEnumNameFunction function = m_Attributes.GetEnumNameFunction();
    if (m_Attributes.HasFlag(KPropertyAttributes::kEnumFunction) && function)
    {
        return function(value);
    }
    const KStringList* list = m_Attributes.GetEnumList();
    if (list && value >= 0 && value < list->GetCount())
    {
        return list->GetStringAt(value);
    }
    return nullptr;
}

bool KProperty::IsEnumValue(int value) const
{
    return GetTypeCode() != eKPropEnum || GetEnumName(0) == nullptr || GetEnumName(value) != nullptr;
}

// ---------------------------------------------------------------------------
// Flags, limits, relations

void KProperty::SetFlagNotify(uint32_t bits, bool on)
{
    m_Attributes.propertyState =
        on ? (m_Attributes.propertyState | bits) : (m_Attributes.propertyState & ~bits);
    NotifyEvent15(nullptr, eFlagsChanged, this, nullptr, nullptr, nullptr);
}

bool KProperty::SetMinMax(double min, double max)
{
    if (GetMin() == min && GetMax() == max)
    {
        return true;
    }
    m_Attributes.SetLimits(min, max);
    NotifyEvent15(nullptr, eFlagsChanged, this, nullptr, nullptr, nullptr);
    return true;
}

bool KProperty::SetMin(double min)
{
    return SetMinMax(min, GetMax());
}

bool KProperty::SetMax(double max)
{
    return SetMinMax(GetMin(), max);
}

KObject* KProperty::GetOwnerObject()
{
    KPlug* owner = GetOwner();
    return owner ? static_cast<KObject*>(owner->QueryInterface(KObject::kInterfaceId)) : nullptr;
}

KProperty* KProperty::GetReferencedProperty()
{
    if (!IsReference())
    {
        return this;
    }
    for (int i = 0; i < GetSourceCount(); ++i)
    {
        KPlug* p = GetSource(i);
        if (p && p->IsA(KProperty::ClassId))
        {
            return static_cast<KProperty*>(p);
        }
    }
    return nullptr;
}

int KProperty::GetSourceCount() const
{
    return HasPlugFlag(kFiltered) ? 0 : GetSrcCount();
}

KPlug* KProperty::GetSource(int index) const
{
    return index >= 0 && index < GetSourceCount() ? GetSrc(index) : nullptr;
}

// ---------------------------------------------------------------------------
// Conversions

int KProperty::GetInt()
{
    double d = 0.0;
    int code = GetTypeCode();
    if ((code == eKPropInt || code == eKPropEnum) && ReadScalar(d))
    {
        return detail::ClampToInt32(d);
    }
    if ((code == eKPropBool || code == eKPropAction) && ReadScalar(d))
    {
        return d != 0.0 ? 1 : 0;
    }
    return 0;
}

bool KProperty::SetInt(int value)
{
    int code = GetTypeCode();
    // Every writer of a number (SetDouble, SetFromDoubles, handles, curves)
    // comes here: an enumeration with names keeps its value for a number it
    // has no name for.
    if (!IsEnumValue(value))
    {
        return false;
    }
    if (code == eKPropInt || code == eKPropEnum)
    {
        return WriteScalar(static_cast<double>(value));
    }
    if (code == eKPropBool || code == eKPropAction)
    {
        return WriteScalar(value != 0 ? 1.0 : 0.0);
    }
    return false;
}

double KProperty::GetDouble()
{
    int code = GetTypeCode();
    if (IsIntegralType(code))
    {
        return static_cast<double>(GetInt());
    }
    double d = 0.0;
    if ((code == eKPropFloat || code == eKPropDouble) && ReadScalar(d))
    {
        return d;
    }
    return 0.0;
}

bool KProperty::SetDouble(double value)
{
    int code = GetTypeCode();
    if (IsIntegralType(code))
    {
        return SetInt(detail::ClampToInt32(value));
    }
    if (code == eKPropFloat || code == eKPropDouble)
    {
        return WriteScalar(value);
    }
    return false;
}

bool KProperty::GetAsDoubles(double* buffer)
{
    if (!buffer)
    {
        return false;
    }
    // Scalars always convert, animatable or not, so channels see real values.
    if (IsScalar())
    {
        buffer[0] = GetDouble();
        return true;
    }
    if (IsVector())
    {
        return ReadVector(buffer);
    }
    return false;
}

bool KProperty::SetFromDoubles(const double* buffer)
{
    if (!buffer)
    {
        return false;
    }
    if (IsScalar())
    {
        return SetDouble(buffer[0]);
    }
    if (IsVector())
    {
        return WriteVector(buffer);
    }
    return false;
}

namespace
{
bool IsTextType(int code)
{
    return code == eKPropCharPtr || code == eKPropString;
}
} // namespace

bool KProperty::SetString(const char* text)
{
    // The storage decides: a type-5 property may hold a pointer or a KString.
    return IsTextType(GetTypeCode()) && WriteText(text, false);
}

bool KProperty::SetStringCopy(const char* text)
{
    return IsTextType(GetTypeCode()) && WriteText(text, true);
}

KString KProperty::GetString()
{
    KString s("");
    ReadText(s);
    return s;
}

// ---------------------------------------------------------------------------
// Names

namespace
{
KString StripQuotes(const char* text)
{
    KString out("");
    for (const char* p = text ? text : ""; *p; ++p)
    {
        if (*p != '"')
        {
            out += *p;
        }
    }
    return out;
}

// At most this many trailing digits count as a number, so the counter cannot overflow.
constexpr int kMaxCounterDigits = 9;
} // namespace

KString KProperty::MakeUniqueName(const char* name)
{
    KString trimmed = KString(name ? name : "").Trim(2);
    if (trimmed.IsEmpty())
    {
        trimmed = "1";
    }
    const char* t = trimmed.Buffer();
    int len = trimmed.GetLen();
    int digitsStart = len;
    while (digitsStart > 0 && len - digitsStart < kMaxCounterDigits &&
           std::isdigit(static_cast<unsigned char>(t[digitsStart - 1])))
    {
        --digitsStart;
    }
    KString base;
    long counter;
    if (digitsStart < len)
    {
        base = trimmed.Left(digitsStart);
        counter = std::atol(t + digitsStart) + 1;
    }
    else
    {
        base = trimmed + " ";
        counter = 1;
    }
    KObject* owner = GetOwnerObject();
    KString candidate = trimmed;
    if (!owner)
    {
        return candidate;
    }
    for (bool clash = true; clash;)
    {
        clash = false;
        for (int i = 0; i < owner->GetPropertyCount(); ++i)
        {
            KProperty* p = owner->GetProperty(i);
            if (p && p != this && candidate == p->GetName())
            {
                char digits[24];
                std::snprintf(digits, sizeof(digits), "%ld", counter++);
                candidate = base + digits;
                clash = true;
                break;
            }
        }
    }
    return candidate;
}

bool KProperty::SetName(const char* name, bool makeUnique)
{
    // Quotes go before the uniqueness test, so the stored name is the one tested.
    KString unquoted = StripQuotes(name);
    KString stored = makeUnique ? MakeUniqueName(unquoted.Buffer()) : unquoted;
    KString old(m_Attributes.name.Get());
    DepthGuard keep(this); // handlers may ask to destroy this property
    if (!NotifyEvent15(nullptr, eRenaming, this, stored.Buffer(), old.Buffer(), nullptr))
    {
        return false;
    }
    m_Attributes.name.Set(stored.Buffer());
    NoteRenamedWhileListed();
    m_Attributes.SetFlag(KPropertyAttributes::kOwnedName, true);
    NotifyEvent15(nullptr, eRenamed, this, stored.Buffer(), old.Buffer(), nullptr);
    return true;
}

// ---------------------------------------------------------------------------
// Typed access, cloning and copying

bool KProperty::Get(void*)
{
    return false;
}

bool KProperty::Set(const void*)
{
    return false;
}

KProperty* KProperty::Clone(KObject* owner)
{
    if (!owner || IsAnimatable())
    {
        return nullptr;
    }
    KProperty* named = IsReference() ? GetReferencedProperty() : this;
    KString candidate(named ? named->GetName() : GetName());
    // Each try appends to the one before: Weight, Weight 0, Weight 0 1 ...
    for (int n = 0; owner->FindProperty(candidate.Buffer()); ++n)
    {
        candidate += " ";
        candidate += n;
    }
    KProperty* p = NewForTypeCode(GetTypeCode(), true);
    if (!p)
    {
        return nullptr;
    }
    // The owner's handlers may ask to destroy it or the clone: both stay until
    // the clone is set up, and a clone that did not survive is answered by null.
    HdlKObject made = p->GetHandle();
    {
        DepthGuard keep(owner);
        DepthGuard keepNew(p);
        p->InitializeDynamic(owner, candidate.Buffer(), nullptr, OwnsEnumList(), nullptr, 0);
        p->SetTypeCode(GetTypeCode());
        owner->AddProperty(p);
        p->m_Attributes.SetLimits(GetMin(), GetMax());
    }
    return static_cast<KProperty*>(made.Get());
}

bool KProperty::CopyValue(KProperty* source)
{
    if (!source || source == this || source->GetTypeCode() != GetTypeCode())
    {
        return false;
    }
    if (source->StorageTag() && source->StorageTag() == StorageTag())
    {
        return CopySameStorage(source);
    }
    // Same type code, different storages: type 5 held as a pointer on one side
    // and as a KString on the other, or an int and an enum template. The text
    // read lives only in this call, so a pointer storage keeps a copy.
    KString text;
    if (source->ReadText(text))
    {
        return WriteText(text.Buffer(), true);
    }
    double d = 0.0;
    if (IsScalar() && source->ReadScalar(d))
    {
        return WriteScalar(d);
    }
    double v[4];
    if (IsVector() && source->ReadVector(v))
    {
        return WriteVector(v);
    }
    return false;
}

} // namespace scenesdk
