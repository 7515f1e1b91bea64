#include "scenesdk/attributes/KScnCharacterProperties.h"

#include "scenesdk/attributes/KScnCharacter.h"
#include "scenesdk/attributes/KScnCharacterParameters.h"
#include "scenesdk/attributes/KScnControlSet.h"
#include "scenesdk/attributes/KScnControlSetPlug.h"
#include "scenesdk/kernel/KPlugFilter.h"
#include "scenesdk/kernel/KPropertyObjectList.h"
#include "scenesdk/kernel/KScnNode.h"
#include "scenesdk/kernel/KScnNodeProperties.h"

#include <string>
#include <type_traits>

namespace scenesdk
{

KCLASSID_DEFINE(KScnCharacterProperties, &KScnConstraintProperty::ClassRecord);

namespace
{
enum class EWrite
{
    Store,
    Forward,
    Clamp,
    Getter
};
enum class EHalf
{
    None,
    Value,
    Mode,
    Vector
};

struct RowInfo
{
    const char* name;
    EWrite write;
    int parameter;
    EHalf half;
    double lo;
    double hi;
    bool animatable;
};

enum ERow
{
#define KSCN_CHARACTER_ROW_ID(Name, Type, Write, Param, Half, Lo, Hi, Anim, Fn) eRow##Name,
    KSCN_CHARACTER_PROPERTY_ROWS(KSCN_CHARACTER_ROW_ID)
#undef KSCN_CHARACTER_ROW_ID
        eRowCount
};
static_assert(eRowCount == KScnCharacterProperties::kDeclaredCount, "one row per declared property");

const RowInfo kRows[eRowCount] = {
#define KSCN_CHARACTER_ROW_INFO(Name, Type, Write, Param, Half, Lo, Hi, Anim, Fn)                            \
    {#Name, EWrite::Write, Param, EHalf::Half, Lo, Hi, Anim},
    KSCN_CHARACTER_PROPERTY_ROWS(KSCN_CHARACTER_ROW_INFO)
#undef KSCN_CHARACTER_ROW_INFO
};

// Binding order by declaration number (1-based runs, inclusive): the order
// of the property list, and so of name lookups, channels and user
// properties.
const int kBindingRuns[][2] = {{1, 47},    {49, 64},  {48, 48}, {66, 75}, {79, 90}, {94, 95},
                               {121, 191}, {96, 120}, {76, 78}, {91, 93}, {65, 65}};

// What a getter reports: vectors always carry 1.0 as their fourth value.
template <class T> T Reported(const T& value)
{
    return value;
}
KgeTVector Reported(const KgeTVector& value)
{
    return KgeTVector(value.mData[0], value.mData[1], value.mData[2], 1.0);
}

template <class T> T FromParameters(const KScnCharacterParameters& table, const RowInfo& row)
{
    if constexpr (std::is_same<T, bool>::value)
    {
        return table.GetInt(row.parameter) != 0;
    }
    else if constexpr (std::is_same<T, double>::value)
    {
        return table.GetDouble(row.parameter);
    }
    else if constexpr (std::is_same<T, KgeTVector>::value)
    {
        return KgeTVector(table.GetDouble(row.parameter), table.GetDouble(row.parameter + 1),
                          table.GetDouble(row.parameter + 2), 1.0);
    }
    else
    {
        static_assert(std::is_enum<T>::value, "character properties are bool, double, vector or enum");
        return row.half == EHalf::Mode ? static_cast<T>(table.GetInt(row.parameter))
                                       : static_cast<T>(static_cast<int>(table.GetDouble(row.parameter)));
    }
}

template <size_t N> const char* NameAt(const char* const (&names)[N], int value)
{
    return value >= 0 && static_cast<size_t>(value) < N ? names[value] : nullptr;
}

} // namespace

// ---- Accessors -------------------------------------------------------------

// A setter called directly reaches the takes as a write into the property
// does (KScnPropertyHandler::NotifyEvent14): not when a linked curve of the
// default take writes the property through it. What that needs is taken
// before the value changes.
void KScnCharacterProperties::PushSetValue(KProperty& property)
{
    if (property.IsAnimatable() && !KScnTakeNodeContainer::IsWrittenByCurve(&property))
    {
        PushPropertyToTakes(property);
    }
}

#define KSCN_CHARACTER_SETTER_BODY(Name, Type)                                                               \
    auto KScnCharacterProperties::Set##Name(Type value)->Type                                                \
    {                                                                                                        \
        PreparePushToTakes(Name);                                                                            \
        m##Name = WriteRow(eRow##Name, value);                                                               \
        PushSetValue(Name);                                                                                  \
        return m##Name;                                                                                      \
    }
#define KSCN_CHARACTER_SETTER_Store(Name, Type) KSCN_CHARACTER_SETTER_BODY(Name, Type)
#define KSCN_CHARACTER_SETTER_Forward(Name, Type) KSCN_CHARACTER_SETTER_BODY(Name, Type)
#define KSCN_CHARACTER_SETTER_Clamp(Name, Type) KSCN_CHARACTER_SETTER_BODY(Name, Type)
#define KSCN_CHARACTER_SETTER_Getter(Name, Type)
#define KSCN_CHARACTER_ACCESSOR_BODIES(Name, Type, Write, Param, Half, Lo, Hi, Anim, Fn)                     \
    auto KScnCharacterProperties::Get##Name()->Type                                                          \
    {                                                                                                        \
        return Reported(kRows[eRow##Name].write == EWrite::Getter ? Type(Name.GetStoredValue()) : m##Name);  \
    }                                                                                                        \
    KSCN_CHARACTER_SETTER_##Write(Name, Type)
KSCN_CHARACTER_PROPERTY_ROWS(KSCN_CHARACTER_ACCESSOR_BODIES)
#undef KSCN_CHARACTER_ACCESSOR_BODIES
#undef KSCN_CHARACTER_SETTER_BODY
#undef KSCN_CHARACTER_SETTER_Store
#undef KSCN_CHARACTER_SETTER_Forward
#undef KSCN_CHARACTER_SETTER_Clamp
#undef KSCN_CHARACTER_SETTER_Getter

template <class T> T KScnCharacterProperties::WriteRow(int row, T value)
{
    const RowInfo& info = kRows[row];
    KScnCharacterParameters* table = mCharacter != nullptr ? mCharacter->GetParameters() : nullptr;
    if (info.write == EWrite::Clamp)
    {
        if constexpr (std::is_same<T, double>::value)
        {
            value = value < info.lo ? info.lo : (value > info.hi ? info.hi : value);
            if (table != nullptr)
            {
                table->SetDouble(info.parameter, value);
            }
        }
    }
    else if (info.write == EWrite::Forward && table != nullptr)
    {
        if constexpr (std::is_same<T, bool>::value)
        {
            table->SetInt(info.parameter, value ? 1 : 0);
        }
        else if constexpr (std::is_enum<T>::value)
        {
            if (info.half == EHalf::Mode)
            {
                table->SetInt(info.parameter, static_cast<int>(value));
            }
            else
            {
                table->SetDouble(info.parameter, static_cast<double>(static_cast<int>(value)));
            }
        }
    }
    return value;
}

// ---- Construction ----------------------------------------------------------

template <class T>
void KScnCharacterProperties::BindRow(int row, KPropertyTemplate<T>& property,
                                      T (KScnCharacterProperties::*get)(),
                                      typename NoDeduce<T (KScnCharacterProperties::*)(T)>::type set,
                                      KEnumNameFunction names)
{
    typename KPropertyTemplate<T>::Setter setter;
    if (set != nullptr)
    {
        setter = [this, set](const T& v) { (this->*set)(v); };
    }
    property.Initialize(
        kRows[row].name, this, [this, get]() { return (this->*get)(); }, std::move(setter));
    AddProperty(&property);
    if (set == nullptr)
    {
        property.SetFlag32(true);
    }
    property.GetAttributes().SetFlag(KPropertyAttributes::kAnimatable, kRows[row].animatable);
    if constexpr (std::is_enum<T>::value)
    {
        property.SetTypeCode(eKPropEnum);
        property.SetEnumNameFunction(names);
    }
}

KScnCharacterProperties::KScnCharacterProperties(KScnCharacter* owner)
    : KScnConstraintProperty(owner), mCharacter(owner)
{
    using Self = KScnCharacterProperties;
    using Binder = void (*)(Self&);
    // One binder per row, in declaration order. The lambdas live in this
    // member function so they reach the private binding helpers.
#define KSCN_CHARACTER_SETPTR_Store(Name) &Self::Set##Name
#define KSCN_CHARACTER_SETPTR_Forward(Name) &Self::Set##Name
#define KSCN_CHARACTER_SETPTR_Clamp(Name) &Self::Set##Name
#define KSCN_CHARACTER_SETPTR_Getter(Name) nullptr
#define KSCN_CHARACTER_BINDER(Name, Type, Write, Param, Half, Lo, Hi, Anim, Fn)                              \
    [](Self& s) { s.BindRow(eRow##Name, s.Name, &Self::Get##Name, KSCN_CHARACTER_SETPTR_##Write(Name), Fn); },
    static const Binder kBinders[eRowCount] = {KSCN_CHARACTER_PROPERTY_ROWS(KSCN_CHARACTER_BINDER)};
#undef KSCN_CHARACTER_BINDER
#undef KSCN_CHARACTER_SETPTR_Store
#undef KSCN_CHARACTER_SETPTR_Forward
#undef KSCN_CHARACTER_SETPTR_Clamp
#undef KSCN_CHARACTER_SETPTR_Getter

    for (const auto& run : kBindingRuns)
    {
        for (int number = run[0]; number <= run[1]; ++number)
        {
            kBinders[number - 1](*this);
        }
    }
    Active.SetValue(true);
    Lock.SetValue(false);
    Weight.SetValue(100.0);
    ReadParameters();
    CreateLinkProperties();
    BindObjectLists();
}

void KScnCharacterProperties::CreateLinkProperties()
{
    for (int id = 0; id < kDeclaredCount; ++id)
    {
        KScnCharacterNodeLink& slot = mCharacter->Slot(id);
        slot.linkProperty = nullptr;
        const char* name = nullptr;
        if (!KScnCharacter::GetLinkName(id, name))
        {
            continue;
        }
        const std::string linkName = std::string(name) + "Link";
        mLinkProperties[id] = KPropertyObjectList::Create(this, linkName.c_str(), 0, -1, 1, 3, 0);
        slot.linkProperty = mLinkProperties[id];
    }
}

void KScnCharacterProperties::BindObjectLists()
{
    // Only DestinationObject is made of destinations.
    BindObjectList(SourceObject, "SourceObject", "SourceObject", 1, false);
    BindObjectList(DestinationObject, "DestinationObject", "DestinationObject", 1, true);
    BindObjectList(Actor, "Actor", "Actor", 1, false);
    BindObjectList(Character, "Character", "Character", 1, false);
    BindObjectList(ControlSet, "ControlSet", "ControlSet", 1, false);
    // The source and destination lists are filtered sub-plugs of the set:
    // what connects to them connects to the set, and they show every source
    // (destination) of the set.
    SourceObject.SetConnectionFilter(KClassIdFilter::ForClassId(-1), KPlug::kFiltered);
    DestinationObject.SetConnectionFilter(KClassIdFilter::ForClassId(-1), KPlug::kFiltered);
}

// ---- Parameters ------------------------------------------------------------

template <class T> void KScnCharacterProperties::ReadRow(int row, KPropertyTemplate<T>& property, T& store)
{
    const RowInfo& info = kRows[row];
    KScnCharacterParameters* table = mCharacter != nullptr ? mCharacter->GetParameters() : nullptr;
    if (info.half == EHalf::None || table == nullptr)
    {
        return;
    }
    const T value = FromParameters<T>(*table, info);
    if (info.write == EWrite::Getter)
    {
        property.SetValue(value);
    }
    else
    {
        store = value;
    }
}

void KScnCharacterProperties::ReadParameters()
{
#define KSCN_CHARACTER_READ(Name, Type, Write, Param, Half, Lo, Hi, Anim, Fn)                                \
    ReadRow(eRow##Name, Name, m##Name);
    KSCN_CHARACTER_PROPERTY_ROWS(KSCN_CHARACTER_READ)
#undef KSCN_CHARACTER_READ
}

// ---- Links -----------------------------------------------------------------

KPropertyObjectList* KScnCharacterProperties::GetLinkProperty(int id) const
{
    return id >= 0 && id < kDeclaredCount ? mLinkProperties[id] : nullptr;
}

int KScnCharacterProperties::GetLinkPropertyNodeId(const KPlug* list) const
{
    for (int id = 0; list != nullptr && id < kDeclaredCount; ++id)
    {
        if (mLinkProperties[id] == list)
        {
            return id;
        }
    }
    return -1;
}

bool KScnCharacterProperties::ConnectionEvent(const KEventPath* path, int code, KPlug* emitter, int index,
                                              KPlug* other, uint32_t type, KPlug* extra)
{
    if (emitter == &ControlSet && code == eSrcAdded)
    {
        auto* handler = dynamic_cast<KScnControlSetPlugProperties*>(other);
        auto* plug = handler != nullptr ? static_cast<KScnControlSetPlug*>(handler->GetOwner()) : nullptr;
        if (plug != nullptr && mCharacter != nullptr)
        {
            mCharacter->GetControlSet()->CopyFromPlug(plug);
        }
        return false;
    }
    const int id = GetLinkPropertyNodeId(emitter);
    if (id < 0 || mCharacter == nullptr || (code != eSrcAdded && code != eSrcRemoving))
    {
        return KObject::HandleConnectionEvent(path, code, emitter, index, other, type, extra);
    }
    // Only a node's property set maps a node: a texture's or constraint's
    // set connected here changes nothing.
    KScnNode* node = KScnNodeProperties::NodeOfPlug(other);
    KScnCharacterNodeLink record;
    mCharacter->GetLink(id, record);
    if (code == eSrcAdded)
    {
        if (node == nullptr)
        {
            return false;
        }
        record.node = node;
    }
    else
    {
        // Only the source that the slot maps may clear it.
        if (node == nullptr || record.node != node)
        {
            return false;
        }
        record.node = nullptr;
    }
    mCharacter->SetLink(id, record, false);
    return false;
}

// ---- Enumeration names -----------------------------------------------------

const char* KScnCharacterProperties::PostureName(int value)
{
    static const char* const kNames[] = {"Biped", "Quadruped"};
    return NameAt(kNames, value);
}

const char* KScnCharacterProperties::OffAutoUserName(int value)
{
    static const char* const kNames[] = {"Off", "Auto", "User"};
    return NameAt(kNames, value);
}

const char* KScnCharacterProperties::AutoUserName(int value)
{
    static const char* const kNames[] = {"Auto", "User"};
    return NameAt(kNames, value);
}

const char* KScnCharacterProperties::RollExtractionModeName(int value)
{
    static const char* const kNames[] = {"Relative", "Absolute"};
    return NameAt(kNames, value);
}

const char* KScnCharacterProperties::FootFloorPivotName(int value)
{
    static const char* const kNames[] = {"Auto", "Ankle", "Toes"};
    return NameAt(kNames, value);
}

const char* KScnCharacterProperties::HandFloorPivotName(int value)
{
    static const char* const kNames[] = {"Auto", "Wrist", "Fingers"};
    return NameAt(kNames, value);
}

const char* KScnCharacterProperties::FootContactTypeName(int value)
{
    static const char* const kNames[] = {"Normal", "Ankle", "ToeBase", "Hoof"};
    return NameAt(kNames, value);
}

const char* KScnCharacterProperties::HandContactTypeName(int value)
{
    static const char* const kNames[] = {"Normal", "Wrist", "FingerBase", "Hoof"};
    return NameAt(kNames, value);
}

const char* KScnCharacterProperties::FingerContactModeName(int value)
{
    static const char* const kNames[] = {"Sticky", "Spread", "Sticky & Spread"};
    return NameAt(kNames, value);
}

const char* KScnCharacterProperties::HipsTranslationModeName(int value)
{
    static const char* const kNames[] = {"World Rigid", "Body Rigid"};
    return NameAt(kNames, value);
}

const char* KScnCharacterProperties::ContactBehaviourName(int value)
{
    static const char* const kNames[] = {"Never Sync", "Sync On Key", "Always Sync"};
    return NameAt(kNames, value);
}

} // namespace scenesdk
