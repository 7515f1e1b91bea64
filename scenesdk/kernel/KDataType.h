#pragma once

// KDataType: what a property's or a channel's value means beyond its storage
// ("Number", "Intensity", "Vector", "Color", "Lcl Translation", ...). Each
// type is a process-wide singleton with a unique name, found by name through
// a name-sorted registry (so the file reader can turn a type name into the
// singleton). A type knows the size and component count of its value, a
// default value, and a text form.
//
// Values are handed over as untyped pointers to the caller's storage:
//   Number kind:  one double                  (size 8,   1 component)
//   Vector kind:  three doubles               (size 24,  3 components)
//   Vector4 kind: four doubles                (size 32,  4 components)
//   Time kind:    one KTime                   (size 8,   0 components)
//   Matrix kind:  sixteen doubles, row by row (size 128, 16 components)
//
// Written numbers have n decimals, n from the SDK settings file
// "@Application.txt", section "NumericField", key "Decimal" (default 2),
// clamped to 0..17; it is read once, on the first write.
//
// Lifetime: the singletons are created on first use and never destroyed, so
// properties inside static objects may use them during program exit.

#include <cstdint>

namespace scenesdk
{

class KDataType
{
public:
    // Stores the name (not copied: it must outlive the type), size and
    // component count 0, kind = this; registers the type when asked.
    KDataType(const char* name, bool registerType);
    virtual ~KDataType();
    KDataType(const KDataType&) = delete;
    KDataType& operator=(const KDataType&) = delete;

    // Writes the default value; false in the base.
    virtual bool SetDefault(void* value) const;
    // Parses text into value; false (value unchanged) on a syntax error or a
    // null pointer. False in the base.
    virtual bool FromText(const char* text, void* value) const;
    // Writes the value as text, cut to bufferSize - 1 characters and
    // terminated; false for a null buffer or a size below 1. False in the base.
    virtual bool ToText(char* buffer, int bufferSize, const void* value) const;
    // Name of component i; "?" outside the named ones, null for types
    // without component names.
    virtual const char* GetComponentName(int i) const;

    uint32_t GetSize() const { return m_Size; }
    uint32_t GetComponentCount() const { return m_ComponentCount; }
    const char* GetName() const { return m_Name; }
    const KDataType* GetKind() const { return m_Kind; }

    // The registered type of that exact name, or null ("Trigger" is "Action").
    static KDataType* FindByName(const char* name);
    // Property type code of a type (0 for null and the matrix types).
    static int ToTypeCode(const KDataType* type);
    // The data type of a property that stores none, by its type code:
    // 4 "Number", 7 "Time", 12 "Vector4", 13 "Vector", 14 "Color",
    // 15 "ColorAndAlpha"; null for every other code.
    static KDataType* FromTypeCode(int typeCode);
    // Makes FromTypeCode the default-type resolver of properties. The static
    // initialiser of KDataType.cpp does it at start-up, and KLibraryStart does
    // it again (which also keeps this file linked into every program that
    // starts the library); tests may call it too.
    static void InstallPropertyResolver();
    // Number of registered types.
    static int GetRegisteredCount();

    // Decimals of written numbers (0..17).
    static int GetDecimals();
    // Forgets the decimals read, so the next write reads the settings file
    // again (tests change it).
    static void ReloadDecimals();

protected:
    uint32_t m_Size;
    uint32_t m_ComponentCount;
    const char* m_Name;
    KDataType* m_Kind;
};

// Kinds. Component names come from a table set by the constructor.
class KDataTypeNumber : public KDataType
{
public:
    explicit KDataTypeNumber(const char* name = "Number");
    static KDataTypeNumber* Get();
    bool SetDefault(void* value) const override;
    bool FromText(const char* text, void* value) const override;
    bool ToText(char* buffer, int bufferSize, const void* value) const override;
    const char* GetComponentName(int i) const override;
};

// Vector, Vector4 and Matrix: fixed arrays of doubles in braces.
class KDataTypeArray : public KDataType
{
public:
    KDataTypeArray(const char* name, uint32_t components, const char* const* componentNames, int nameCount);
    bool SetDefault(void* value) const override;
    bool FromText(const char* text, void* value) const override;
    bool ToText(char* buffer, int bufferSize, const void* value) const override;
    const char* GetComponentName(int i) const override;

protected:
    const char* const* m_ComponentNames; // null: no names at all
    int m_NameCount;
};

class KDataTypeVector : public KDataTypeArray
{
public:
    explicit KDataTypeVector(const char* name = "Vector", const char* const* componentNames = nullptr,
                             int nameCount = 0);
    static KDataTypeVector* Get();
};

class KDataTypeVector4 : public KDataTypeArray
{
public:
    explicit KDataTypeVector4(const char* name = "Vector4", const char* const* componentNames = nullptr,
                              int nameCount = 0);
    static KDataTypeVector4* Get();
};

class KDataTypeMatrix : public KDataTypeArray
{
public:
    explicit KDataTypeMatrix(const char* name = "Matrix");
    static KDataTypeMatrix* Get();
};

class KDataTypeTime : public KDataType
{
public:
    KDataTypeTime();
    static KDataTypeTime* Get();
    bool SetDefault(void* value) const override;
    bool FromText(const char* text, void* value) const override;
    bool ToText(char* buffer, int bufferSize, const void* value) const override;
    const char* GetComponentName(int i) const override;
};

// Named types: a class each, deriving from its kind, reached by Get().
#define SCENESDK_NAMED_DATA_TYPE(Class, Kind)                                                                \
    class Class : public Kind                                                                                \
    {                                                                                                        \
    public:                                                                                                  \
        Class();                                                                                             \
        static Class* Get();                                                                                 \
    };

SCENESDK_NAMED_DATA_TYPE(KDataTypeReal, KDataTypeNumber)
SCENESDK_NAMED_DATA_TYPE(KDataTypeInteger, KDataTypeNumber)
SCENESDK_NAMED_DATA_TYPE(KDataTypeAction, KDataTypeNumber)
SCENESDK_NAMED_DATA_TYPE(KDataTypeIntensity, KDataTypeNumber)
SCENESDK_NAMED_DATA_TYPE(KDataTypeConeAngle, KDataTypeNumber)
SCENESDK_NAMED_DATA_TYPE(KDataTypeFog, KDataTypeNumber)
SCENESDK_NAMED_DATA_TYPE(KDataTypeShape, KDataTypeNumber)
SCENESDK_NAMED_DATA_TYPE(KDataTypeFieldOfView, KDataTypeNumber)
SCENESDK_NAMED_DATA_TYPE(KDataTypeFieldOfViewX, KDataTypeNumber)
SCENESDK_NAMED_DATA_TYPE(KDataTypeFieldOfViewY, KDataTypeNumber)
SCENESDK_NAMED_DATA_TYPE(KDataTypeOpticalCenterX, KDataTypeNumber)
SCENESDK_NAMED_DATA_TYPE(KDataTypeOpticalCenterY, KDataTypeNumber)
SCENESDK_NAMED_DATA_TYPE(KDataTypeRoll, KDataTypeNumber)
SCENESDK_NAMED_DATA_TYPE(KDataTypeCameraIndex, KDataTypeNumber)
SCENESDK_NAMED_DATA_TYPE(KDataTypeTimeWarp, KDataTypeNumber)
SCENESDK_NAMED_DATA_TYPE(KDataTypeVisibility, KDataTypeNumber)
SCENESDK_NAMED_DATA_TYPE(KDataTypeBool, KDataTypeNumber)
SCENESDK_NAMED_DATA_TYPE(KDataTypeEnum, KDataTypeNumber)
SCENESDK_NAMED_DATA_TYPE(KDataTypeOcclusion, KDataTypeNumber)
SCENESDK_NAMED_DATA_TYPE(KDataTypeWeight, KDataTypeNumber)
SCENESDK_NAMED_DATA_TYPE(KDataTypeIKReachTranslation, KDataTypeNumber)
SCENESDK_NAMED_DATA_TYPE(KDataTypeIKReachRotation, KDataTypeNumber)

SCENESDK_NAMED_DATA_TYPE(KDataTypeColor, KDataTypeVector)
SCENESDK_NAMED_DATA_TYPE(KDataTypeTranslationUV, KDataTypeVector)
SCENESDK_NAMED_DATA_TYPE(KDataTypeScalingUV, KDataTypeVector)
SCENESDK_NAMED_DATA_TYPE(KDataTypeColorHSB, KDataTypeVector)
SCENESDK_NAMED_DATA_TYPE(KDataTypeTranslation, KDataTypeVector)
SCENESDK_NAMED_DATA_TYPE(KDataTypeScaling, KDataTypeVector)
SCENESDK_NAMED_DATA_TYPE(KDataTypeRotation, KDataTypeVector)
SCENESDK_NAMED_DATA_TYPE(KDataTypeLclTranslation, KDataTypeVector)
SCENESDK_NAMED_DATA_TYPE(KDataTypeLclScaling, KDataTypeVector)
SCENESDK_NAMED_DATA_TYPE(KDataTypeLclRotation, KDataTypeVector)
SCENESDK_NAMED_DATA_TYPE(KDataTypeOrientation, KDataTypeVector)
SCENESDK_NAMED_DATA_TYPE(KDataTypeLookAt, KDataTypeVector)

SCENESDK_NAMED_DATA_TYPE(KDataTypeColorAndAlpha, KDataTypeVector4)
SCENESDK_NAMED_DATA_TYPE(KDataTypeQuaternion, KDataTypeVector4)
SCENESDK_NAMED_DATA_TYPE(KDataTypeLclQuaternion, KDataTypeVector4)

SCENESDK_NAMED_DATA_TYPE(KDataTypeMatrixTranslation, KDataTypeMatrix)
SCENESDK_NAMED_DATA_TYPE(KDataTypeMatrixScaling, KDataTypeMatrix)
SCENESDK_NAMED_DATA_TYPE(KDataTypeMatrixRotation, KDataTypeMatrix)
SCENESDK_NAMED_DATA_TYPE(KDataTypeMatrixTransformation, KDataTypeMatrix)

#undef SCENESDK_NAMED_DATA_TYPE

// The singletons the property code uses, as globals.
inline KDataType* DTNumber()
{
    return KDataTypeNumber::Get();
}
inline KDataType* DTTime()
{
    return KDataTypeTime::Get();
}
inline KDataType* DTVector()
{
    return KDataTypeVector::Get();
}
inline KDataType* DTVector4()
{
    return KDataTypeVector4::Get();
}
inline KDataType* DTColor()
{
    return KDataTypeColor::Get();
}
inline KDataType* DTColorAndAlpha()
{
    return KDataTypeColorAndAlpha::Get();
}
inline KDataType* DTInteger()
{
    return KDataTypeInteger::Get();
}
inline KDataType* DTBool()
{
    return KDataTypeBool::Get();
}
inline KDataType* DTEnum()
{
    return KDataTypeEnum::Get();
}
inline KDataType* DTAction()
{
    return KDataTypeAction::Get();
}

} // namespace scenesdk
