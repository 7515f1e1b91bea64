#pragma once

#include "scenesdk/animation/KTime.h"
#include "scenesdk/kernel/KProperty.h"
#include "scenesdk/kernel/KScnReadMeter.h"
#include "scenesdk/kernel/KSaturate.h"
#include "scenesdk/kernel/KgeRGBVector.h"
#include "scenesdk/kernel/KgeTVector.h"

#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <new>
#include <type_traits>

namespace scenesdk
{

class KObject;

// What the property layer knows of a value type T. The primary template
// covers arithmetic types, enums and pointers; text and four-double vector
// types specialise it (see the end of this file and the value headers).
template <class T, class Enable = void> struct KPropertyValueTraits
{
    static constexpr int kTypeCode = eKPropUnknown;
    static constexpr EPropertyStorage kStorage = eKStorageNone;
    static T Default() { return T(); }
};

template <> struct KPropertyValueTraits<bool>
{
    static constexpr int kTypeCode = eKPropBool;
    static constexpr EPropertyStorage kStorage = eKStorageBool;
    static bool Default() { return false; }
};
template <> struct KPropertyValueTraits<int>
{
    static constexpr int kTypeCode = eKPropInt;
    static constexpr EPropertyStorage kStorage = eKStorageInt;
    static int Default() { return 0; }
};
template <> struct KPropertyValueTraits<float>
{
    static constexpr int kTypeCode = eKPropFloat;
    static constexpr EPropertyStorage kStorage = eKStorageFloat;
    static float Default() { return 0.0f; }
};
template <> struct KPropertyValueTraits<double>
{
    static constexpr int kTypeCode = eKPropDouble;
    static constexpr EPropertyStorage kStorage = eKStorageDouble;
    static double Default() { return 0.0; }
};
template <class E> struct KPropertyValueTraits<E, std::enable_if_t<std::is_enum<E>::value>>
{
    static constexpr int kTypeCode = eKPropEnum;
    static constexpr EPropertyStorage kStorage = eKStorageInt;
    static E Default() { return static_cast<E>(0); }
};
template <> struct KPropertyValueTraits<KString>
{
    static constexpr int kTypeCode = eKPropString;
    static constexpr EPropertyStorage kStorage = eKStorageString;
    static KString Default() { return KString(""); }
};
template <> struct KPropertyValueTraits<const char*>
{
    static constexpr int kTypeCode = eKPropCharPtr;
    static constexpr EPropertyStorage kStorage = eKStorageCharPtr;
    static const char* Default() { return nullptr; }
};
template <> struct KPropertyValueTraits<char*>
{
    static constexpr int kTypeCode = eKPropCharPtr;
    static constexpr EPropertyStorage kStorage = eKStorageCharPtr;
    static char* Default() { return nullptr; }
};
template <> struct KPropertyValueTraits<KObject*>
{
    static constexpr int kTypeCode = eKPropObject;
    static constexpr EPropertyStorage kStorage = eKStorageObject;
    static KObject* Default() { return nullptr; }
};
template <> struct KPropertyValueTraits<KProperty*>
{
    static constexpr int kTypeCode = eKPropReference;
    static constexpr EPropertyStorage kStorage = eKStorageProperty;
    static KProperty* Default() { return nullptr; }
};

template <> struct KPropertyValueTraits<KTime>
{
    static constexpr int kTypeCode = eKPropTime;
    static constexpr EPropertyStorage kStorage = eKStorageTime;
    static KTime Default() { return KTime(0); }
};
template <> struct KPropertyValueTraits<KgeTVector>
{
    static constexpr int kTypeCode = eKPropVector3D;
    static constexpr EPropertyStorage kStorage = eKStorageVector;
    static KgeTVector Default() { return KgeTVector(0.0, 0.0, 0.0, 1.0); }
};
template <> struct KPropertyValueTraits<KgeRGBVector>
{
    static constexpr int kTypeCode = eKPropColorRGB;
    static constexpr EPropertyStorage kStorage = eKStorageVector;
    static KgeRGBVector Default() { return KgeRGBVector(0.0, 0.0, 0.0, 1.0); }
};
template <> struct KPropertyValueTraits<KgeRGBAVector>
{
    static constexpr int kTypeCode = eKPropColorRGBA;
    static constexpr EPropertyStorage kStorage = eKStorageVector;
    static KgeRGBAVector Default() { return KgeRGBAVector(0.0, 0.0, 0.0, 0.0); }
};

namespace detail
{
template <class T> const void* StorageTagOf()
{
    static const char tag = 0;
    return &tag;
}

template <class T> bool ScalarToDouble(const T& v, double& out)
{
    if constexpr (std::is_enum<T>::value)
    {
        out = static_cast<double>(static_cast<int32_t>(v));
        return true;
    }
    else if constexpr (std::is_arithmetic<T>::value)
    {
        out = static_cast<double>(v);
        return true;
    }
    else
    {
        (void)v;
        (void)out;
        return false;
    }
}

// Doubles to int32: the shared saturating conversion.
inline int32_t ClampToInt32(double d)
{
    return KSaturateToInt(d);
}

template <class T> bool DoubleToScalar(double d, T& out)
{
    if constexpr (std::is_same<T, bool>::value)
    {
        out = d != 0.0;
        return true;
    }
    else if constexpr (std::is_enum<T>::value)
    {
        out = static_cast<T>(ClampToInt32(d));
        return true;
    }
    else if constexpr (std::is_integral<T>::value)
    {
        out = static_cast<T>(ClampToInt32(d));
        return true;
    }
    else if constexpr (std::is_floating_point<T>::value)
    {
        out = static_cast<T>(d);
        return true;
    }
    else
    {
        (void)d;
        (void)out;
        return false;
    }
}

// Four-double access to vector values: every type derived from KgeTVector.
template <class T> struct KPropertyVectorAccess
{
    static constexpr bool kIsVector = std::is_base_of<KgeTVector, T>::value;
    static void Read(const T& v, double* out)
    {
        if constexpr (kIsVector)
        {
            for (int i = 0; i < 4; ++i)
            {
                out[i] = v.mData[i];
            }
        }
    }
    static void Write(T& v, const double* in)
    {
        if constexpr (kIsVector)
        {
            for (int i = 0; i < 4; ++i)
            {
                v.mData[i] = in[i];
            }
        }
    }
};
} // namespace detail

// A property whose value has type T. The value lives in the property unless a
// getter and setter of the owner are bound, in which case every read calls the
// getter (keeping the last value) and every write calls the setter.
//
// Text held as a pointer (T const char* or char*) is not owned when a caller
// writes it through SetValue, Set or SetString: the caller keeps it alive. Text
// that comes from anywhere else (another property through CopyValue or
// Assign, or SetStringCopy) is copied, and the property keeps that copy until
// its next copied write or its destruction, so it never points at text whose
// lifetime it does not know.
template <class T> class KPropertyTemplate : public KProperty
{
public:
    using Traits = KPropertyValueTraits<T>;
    static constexpr bool kTextPointer = std::is_same<T, const char*>::value || std::is_same<T, char*>::value;
    using Getter = std::function<T()>;
    using Setter = std::function<void(const T&)>;

    KPropertyTemplate() : m_Value(Traits::Default()) { SetTypeCode(Traits::kTypeCode); }

    // Binds a declared property to its owner with accessors (either may be null).
    void Initialize(const char* name, KObject* owner, Getter getter = nullptr, Setter setter = nullptr)
    {
        KProperty::Initialize(name, owner);
        if (getter || setter || SidePtr())
        {
            Side().get = std::move(getter);
            Side().set = std::move(setter);
        }
    }
    template <class O> void Initialize(const char* name, O* owner, T (O::*get)(), void (O::*set)(T))
    {
        Getter g = get ? Getter([owner, get]() { return (owner->*get)(); }) : Getter();
        Setter s = set ? Setter([owner, set](const T& v) { (owner->*set)(v); }) : Setter();
        Initialize(name, owner, std::move(g), std::move(s));
    }
    bool HasGetter() const
    {
        const SideBlock* side = SidePtr();
        return IsOwnerBound() || (side && side->get);
    }
    bool HasSetter() const
    {
        const SideBlock* side = SidePtr();
        return IsOwnerBound() || (side && side->set);
    }

    // Typed read: through the getter when bound (the result is kept), else the value.
    T GetValue()
    {
        if (IsOwnerBound())
        {
            GetThroughOwner(&m_Value);
        }
        else if (HasGetter())
        {
            m_Value = SidePtr()->get();
        }
        return m_Value;
    }
    // Typed write with events 20 and 21.
    bool SetValue(const T& value)
    {
        T incoming = value;    // the caller's value may alias the stored one
        DepthGuard keep(this); // handlers may ask to destroy this property
        RefreshTextFromGetter();
        NotifyEvent14(nullptr, eValueChanging, this, &incoming, &m_Value, nullptr);
        if (IsOwnerBound())
        {
            if (!SetThroughOwner(&incoming))
            {
                m_Value = incoming;
            }
        }
        else if (HasSetter())
        {
            SidePtr()->set(incoming);
            RefreshTextFromGetter();
        }
        else
        {
            m_Value = incoming;
        }
        NotifyEvent14(nullptr, eValueChanged, this, &incoming, nullptr, nullptr);
        return true;
    }
    // The stored value, without calling the getter.
    const T& GetStoredValue() const { return m_Value; }
    // Stores the value without events or setter: for an owner building its
    // properties, before anything can hear them, and for the owner's own
    // bound setter (KProperty::InitializeBound), which the events surround.
    void InitValue(const T& value) { m_Value = value; }

    EPropertyStorage GetStorage() const override { return Traits::kStorage; }
    bool Get(void* value) override
    {
        if (!value)
        {
            return false;
        }
        *static_cast<T*>(value) = GetValue();
        return true;
    }
    bool Set(const void* value) override { return value ? SetValue(*static_cast<const T*>(value)) : false; }

protected:
    bool ReadScalar(double& out) override { return detail::ScalarToDouble(GetValue(), out); }
    bool WriteScalar(double d) override
    {
        T v{};
        if (!detail::DoubleToScalar(d, v))
        {
            return false;
        }
        return SetValue(v);
    }
    bool ReadVector(double* out4) override
    {
        if constexpr (detail::KPropertyVectorAccess<T>::kIsVector)
        {
            detail::KPropertyVectorAccess<T>::Read(GetValue(), out4);
            return true;
        }
        (void)out4;
        return false;
    }
    bool WriteVector(const double* in4) override
    {
        if constexpr (detail::KPropertyVectorAccess<T>::kIsVector)
        {
            T v = m_Value;
            detail::KPropertyVectorAccess<T>::Write(v, in4);
            return SetValue(v);
        }
        (void)in4;
        return false;
    }
    bool ReadText(KString& out) override
    {
        if constexpr (std::is_same<T, KString>::value)
        {
            out = GetValue();
            return true;
        }
        else if constexpr (std::is_same<T, const char*>::value || std::is_same<T, char*>::value)
        {
            out = GetValue();
            return true;
        }
        (void)out;
        return false;
    }
    bool WriteText(const char* text, bool keepCopy) override
    {
        if constexpr (std::is_same<T, KString>::value)
        {
            (void)keepCopy;
            return SetValue(KString(text));
        }
        else if constexpr (kTextPointer)
        {
            // Without keepCopy the caller keeps the text alive.
            return keepCopy ? SetTextCopy(text) : SetValue(const_cast<T>(text));
        }
        (void)text;
        (void)keepCopy;
        return false;
    }
    bool CopySameStorage(KProperty* source) override
    {
        if (!source || source->GetStorage() != GetStorage() || source == this)
        {
            return false;
        }
        auto* typed = dynamic_cast<KPropertyTemplate<T>*>(source);
        if (!typed)
        {
            return false;
        }
        if constexpr (kTextPointer)
        {
            // The source may own the text, or hold a pointer it was lent.
            return SetTextCopy(typed->GetValue());
        }
        return SetValue(typed->GetValue());
    }
    const void* StorageTag() const override { return detail::StorageTagOf<T>(); }

private:
    // A getter may return text inside its owner that a later change of the
    // owner frees, so the kept value of a text pointer is read again before
    // it is handed out as the current value.
    void RefreshTextFromGetter()
    {
        if constexpr (kTextPointer)
        {
            if (HasGetter())
            {
                GetValue();
            }
        }
    }
    // Writes a copy of text that this property keeps. A bound setter receives
    // the text for the length of the call and keeps what it needs itself.
    bool SetTextCopy(const char* text)
    {
        if (HasSetter() || !text)
        {
            return SetValue(const_cast<T>(text));
        }
        size_t size = std::strlen(text) + 1;
        std::unique_ptr<char[]> copy(new (std::nothrow) char[size]);
        if (!copy)
        {
            return false;
        }
        std::memcpy(copy.get(), text, size);
        T stored = copy.get();
        // The previous copy lives until the write is over: event 20 hands it
        // to the handlers as the current value (and text may lie inside it).
        std::unique_ptr<char[]> previous = std::move(Side().ownedText);
        Side().ownedText = std::move(copy);
        return SetValue(stored);
    }

    // What few properties have, held apart: bound accessors, and the text a
    // text pointer holds when it was copied in (see the class comment).
    // Kept in the attribute record's extras: most properties have none, and
    // pay nothing for it.
    struct SideBlock : KPropertySide
    {
        Getter get;
        Setter set;
        std::unique_ptr<char[]> ownedText;
    };
    SideBlock* SidePtr() const { return static_cast<SideBlock*>(m_Attributes.GetSide()); }
    SideBlock& Side()
    {
        if (SideBlock* side = SidePtr())
        {
            return *side;
        }
        KScnReadMeter::Count(KScnReadMeter::eProperties, KScnReadMeter::kPropertySideBytes);
        auto made = std::make_unique<SideBlock>();
        SideBlock& side = *made;
        m_Attributes.SetSide(std::move(made));
        return side;
    }

    T m_Value;
};

} // namespace scenesdk
