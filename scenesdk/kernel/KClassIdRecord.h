#pragma once

#include <cstdint>

namespace scenesdk
{

class KClassIdFilter;

// Static registration record of one kernel class: its class number, name and
// parent. Numbers drive IsA and the class-filtered connection queries.
//
// Fixed numbers: KObject 1, KPlug 2 and the pseudo-class "None" -1 (whose
// filter accepts every plug). The kernel's table of known classes (the 46
// kernel, property-set and stream-option classes) is registered first, in one
// fixed order, so those numbers are the same on every build whatever the order
// of static initialisation; a class whose name is in that table takes over its
// number when its own record registers. Other classes take the next number.
// Files never store class numbers.
class KClassIdRecord
{
public:
    int* idWord = nullptr;
    KClassIdRecord* parent = nullptr;
    const char* name = nullptr;
    KClassIdFilter* filter = nullptr; // owned by the registry
    bool allocated = false;
    uint32_t flags = 0;

    static constexpr int kNone = -1;
    static constexpr int kObjectId = 1;
    static constexpr int kPlugId = 2;

    static void Init(KClassIdRecord* record, int* idWord, const char* name, KClassIdRecord* parent,
                     uint32_t flags = 0);
    // Registers the record under number (-1: the next free number, or the number
    // reserved for its name) and gives it its filter. Returns the number.
    static int Register(KClassIdRecord* record, int number);
    // Init followed by Register; the form the class macros use.
    static int Declare(KClassIdRecord* record, int* idWord, const char* name, KClassIdRecord* parent,
                       int number = -1);

    // The record registered under number, or null.
    static KClassIdRecord* ForNumber(int number);
    // The record registered under name (exact), or null.
    static KClassIdRecord* FindByName(const char* name);
    // True when number is the record's class, one of its ancestors, KPlug or None.
    static bool RecordIsA(const KClassIdRecord* record, int number);
    int GetNumber() const { return idWord ? *idWord : kNone; }
    int GetParentNumber() const { return parent ? parent->GetNumber() : kNone; }

    // Registry start and stop, called by the library start and stop.
    // Start re-creates the filters of every record that has none (after an
    // earlier last stop); the last stop retires every filter, so that
    // KClassIdFilter::ForClassId answers null until the next start.
    static void StartRegistry();
    static void StopRegistry();
    static int GetRegistryUserCount();
};

} // namespace scenesdk

// Class identity of a kernel class: its record, number and the four virtuals.
#define KCLASSID_DECLARE(Class)                                                                              \
public:                                                                                                      \
    static int ClassId;                                                                                      \
    static ::scenesdk::KClassIdRecord ClassRecord;                                                           \
    bool IsA(int classNumber) const override                                                                 \
    {                                                                                                        \
        return ::scenesdk::KClassIdRecord::RecordIsA(&ClassRecord, classNumber);                             \
    }                                                                                                        \
    int GetClassId() const override                                                                          \
    {                                                                                                        \
        return ClassId;                                                                                      \
    }                                                                                                        \
    const char* GetClassName() const override                                                                \
    {                                                                                                        \
        return ClassRecord.name;                                                                             \
    }                                                                                                        \
    ::scenesdk::KClassIdRecord* GetClassIdRecord() const override                                            \
    {                                                                                                        \
        return &ClassRecord;                                                                                 \
    }

#define KCLASSID_DEFINE(Class, ParentRecord)                                                                 \
    ::scenesdk::KClassIdRecord Class::ClassRecord;                                                           \
    int Class::ClassId =                                                                                     \
        ::scenesdk::KClassIdRecord::Declare(&Class::ClassRecord, &Class::ClassId, #Class, ParentRecord)
