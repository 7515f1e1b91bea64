#pragma once

// KScnCharacterParameters: the per-character table of the character solver's
// settings, one entry {mode, value} per named parameter. It only stores: the
// character's property set reads its mirrored values from here and writes
// them back, and the file reader finds entries by name. Nothing is solved.
//
// Every entry starts from one process-wide description table (GetInfoTable),
// prepared on first use from constant rows. Fraction parameters (value kind 1)
// are held scaled by 100: their prepared maximum and default are the constant
// row's times 100, computed in single precision.
//
// Indexes are 0..kCount-1. An index outside that range is refused: getters
// give a neutral value (mode 0, value 0.0, type -1) and setters store
// nothing and return false. Not thread-safe per table; the shared description
// table is built once under the language's static-initialisation guard, so
// concurrent first use is safe.

#include <cstdint>

namespace scenesdk
{

// Kinds of the mode half of a parameter.
enum EKScnCharacterModeKind
{
    kCharacterModeNone = 0,        // no mode
    kCharacterModeOnOff = 1,       // 0 off, 1 on
    kCharacterModeOffAutoUser = 2, // 0 off, 1 auto, 2 user
    kCharacterModeAutoUser = 3     // 0 auto, 1 user
};

// Kinds of the value half. Only kCharacterValueFraction changes behaviour here
// (scaled by 100); the others describe the unit for the file writer and tools.
enum EKScnCharacterValueKind
{
    kCharacterValueNone = 0,
    kCharacterValueFraction = 1, // stored and shown as a percentage
    kCharacterValueTime = 2,     // damping and stabilisation times and dampings
    kCharacterValueLength = 3,   // lengths and offsets
    kCharacterValueAngle = 4,    // degrees
    kCharacterValueEnum = 5,     // maximum is the number of enumerators
    kCharacterValueNumber = 6
};

// One description row. dependsOn, minimum, maximum, flag1 and flag2 are data
// for the file writer and for tools; nothing in this class reads them.
struct KScnCharacterParameterInfo
{
    int32_t dependsOn;   // index of the parameter this one depends on; -1 none
    int32_t modeKind;    // EKScnCharacterModeKind
    int32_t valueKind;   // EKScnCharacterValueKind
    float minimum;       // lower bound of the value (never scaled)
    float maximum;       // upper bound of the value
    uint8_t flag1;       // set only for "AnkleStabilizationTime"
    uint8_t flag2;       // secondary setting
    int32_t defaultMode; // mode of a new entry
    float defaultValue;  // value of a new entry
    const char* name;    // the parameter's name (static text)
};

// One per-character entry.
struct KScnCharacterParameter
{
    int32_t mode;
    double value;
};

class KScnCharacterParameters
{
public:
    static constexpr int kCount = 177;

    // Allocates the kCount entries, each set to its row's default mode and
    // (prepared) default value. When the allocation fails the table holds no
    // entries: IsValid() is false and every operation acts as for a bad index.
    KScnCharacterParameters();
    ~KScnCharacterParameters();
    KScnCharacterParameters(const KScnCharacterParameters&) = delete;
    KScnCharacterParameters& operator=(const KScnCharacterParameters&) = delete;

    bool IsValid() const { return m_Entries != nullptr; }

    // The kCount prepared rows, in index order; the same array on every call.
    static const KScnCharacterParameterInfo* GetInfoTable();
    // Index of the row named exactly text (byte comparison, case counts);
    // -1 when there is none or text is null.
    static int FindIndex(const char* text);
    // The row's mode kind; -1 for an index out of range.
    static int GetType(int index);

    // Stores mode when the row's mode kind accepts it (on/off and auto/user:
    // 0 or 1; off/auto/user: 0, 1 or 2; rows without a mode accept nothing).
    // Returns whether it was stored; a refused mode leaves the entry as it was.
    bool SetInt(int index, int32_t mode);
    // The entry's mode; 0 for an index out of range.
    int32_t GetInt(int index) const;
    // Stores value as given: no check against the row's minimum and maximum.
    // False only for an index out of range.
    bool SetDouble(int index, double value);
    // The entry's value; 0.0 for an index out of range.
    double GetDouble(int index) const;

private:
    KScnCharacterParameter* Entry(int index) const;

    KScnCharacterParameter* m_Entries;
};

} // namespace scenesdk
