#include "scenesdk/kernel/KClassIdRecord.h"

#include "scenesdk/kernel/KHandleTable.h"
#include "scenesdk/kernel/KPlugFilter.h"

#include <cstring>
#include <vector>

namespace scenesdk
{

namespace
{

// The kernel's known classes with their parents, in the order that fixes their
// numbers (KObject 1, KPlug 2 and None -1 are fixed; the others count from 3).
struct KnownClass
{
    const char* name;
    const char* parent;
};

const KnownClass kKnownClasses[] = {
    {"KPlug", nullptr},
    {"None", nullptr},
    {"KObject", "KPlug"},
    {"KPlugList", "KPlug"},
    {"KDataPlug", "KPlug"},
    {"KProperty", "KPlug"},
    {"KPlugFilter", "KPlug"},
    {"KClassIdFilter", "KPlugFilter"},
    {"KGenericObjectList", "KObject"},
    {"KScnPropertyHandler", "KObject"},
    {"KScnNullProperties", "KObject"},
    {"KScnMarkerProperties", "KObject"},
    {"KScnCameraProperties", "KObject"},
    {"KScnLightProperties", "KObject"},
    {"KScnSkeletonProperties", "KObject"},
    {"KStream", "KObject"},
    {"KStreamOptions", "KObject"},
    {"KScnAsfScene", "KObject"},
    {"KScnBaseObject", "KObject"},
    {"KObjectList", "KGenericObjectList"},
    {"KEntityList", "KGenericObjectList"},
    {"KScnNodeProperties", "KScnPropertyHandler"},
    {"KScnTextureProperties", "KScnPropertyHandler"},
    {"KScnMaterialProperties", "KScnPropertyHandler"},
    {"KScnDeformerProperties", "KScnPropertyHandler"},
    {"KScnVideoProperties", "KScnPropertyHandler"},
    {"KScnPoseProperties", "KScnPropertyHandler"},
    {"KScnGenericNodeProperties", "KScnPropertyHandler"},
    {"KScnConstraintProperty", "KScnPropertyHandler"},
    {"KScnControlSetPlugProperties", "KScnPropertyHandler"},
    {"KScnCharacterProperties", "KScnConstraintProperty"},
    {"KScnConstraintAimProperties", "KScnConstraintProperty"},
    {"KScnConstraintSingleChainIKProperties", "KScnConstraintProperty"},
    {"KScnConstraintParentProperties", "KScnConstraintProperty"},
    {"KScnConstraintScaleProperties", "KScnConstraintProperty"},
    {"KScnConstraintRotationProperties", "KScnConstraintProperty"},
    {"KScnConstraintPositionProperties", "KScnConstraintProperty"},
    {"KPropertyObjectList", "KProperty"},
    {"KStreamOptionsScn", "KStreamOptions"},
    {"KStreamOptionsBase", "KStreamOptions"},
    {"KStreamOptionsMotion", "KStreamOptions"},
    {"KStreamOptions3ds", "KStreamOptionsBase"},
    {"KStreamOptionsObj", "KStreamOptionsBase"},
    {"KStreamOptionsDxf", "KStreamOptionsBase"},
    {"KObjectSet", "KScnBaseObject"},
    {"KEntity", "KObjectSet"},
};
constexpr int kKnownCount = sizeof(kKnownClasses) / sizeof(kKnownClasses[0]);
static_assert(kKnownCount == 46, "the kernel knows 46 classes");

struct Registry
{
    std::vector<KClassIdRecord*> slots;   // slot of number n at n + 1
    std::vector<KClassIdFilter*> retired; // filters of the last stop, reused at the next start
    int counter = 3;
    int users = 0;
    bool stopped = false;
    KClassIdRecord known[kKnownCount];
    int knownIds[kKnownCount] = {};
    bool knownTaken[kKnownCount] = {};

    KClassIdRecord*& Slot(int number)
    {
        size_t i = static_cast<size_t>(number + 1);
        if (i >= slots.size())
        {
            slots.resize(i + 1, nullptr);
        }
        return slots[i];
    }

    KClassIdFilter* MakeFilter(int number)
    {
        size_t i = static_cast<size_t>(number + 1);
        if (i < retired.size() && retired[i])
        {
            KClassIdFilter* f = retired[i];
            retired[i] = nullptr;
            return f;
        }
        return new KClassIdFilter(number);
    }

    int Store(KClassIdRecord* record, int number)
    {
        KClassIdRecord*& slot = Slot(number);
        KClassIdFilter* filter = nullptr;
        if (slot && slot != record)
        {
            filter = slot->filter; // a known-class placeholder hands over its filter
            slot->filter = nullptr;
        }
        slot = record;
        if (record->idWord)
        {
            *record->idWord = number;
        }
        if (!filter && !stopped)
        {
            filter = record->filter ? record->filter : MakeFilter(number);
        }
        record->filter = filter;
        return number;
    }

    int KnownIndex(const char* name) const
    {
        for (int i = 0; i < kKnownCount && name; ++i)
        {
            if (std::strcmp(kKnownClasses[i].name, name) == 0)
            {
                return i;
            }
        }
        return -1;
    }

    Registry()
    {
        slots.reserve(128);
        for (int i = 0; i < kKnownCount; ++i)
        {
            KClassIdRecord& r = known[i];
            r.idWord = &knownIds[i];
            r.name = kKnownClasses[i].name;
            int p = KnownIndex(kKnownClasses[i].parent);
            r.parent = p >= 0 ? &known[p] : nullptr;
            const char* n = r.name;
            int number = std::strcmp(n, "None") == 0      ? KClassIdRecord::kNone
                         : std::strcmp(n, "KPlug") == 0   ? KClassIdRecord::kPlugId
                         : std::strcmp(n, "KObject") == 0 ? KClassIdRecord::kObjectId
                                                          : counter++;
            Store(&r, number);
        }
    }
};

Registry& Reg()
{
    // Never destroyed: records are read until the very end of the process.
    static Registry* r = new Registry;
    return *r;
}

} // namespace

void KClassIdRecord::Init(KClassIdRecord* record, int* idWord, const char* name, KClassIdRecord* parent,
                          uint32_t flags)
{
    record->idWord = idWord;
    record->name = name;
    record->parent = parent;
    record->allocated = false;
    record->flags = flags;
    if (!name || std::strcmp(name, "None") != 0)
    {
        record->filter = nullptr;
    }
}

int KClassIdRecord::Register(KClassIdRecord* record, int number)
{
    Registry& reg = Reg();
    if (number == kNone)
    {
        int k = reg.KnownIndex(record->name);
        if (k >= 0 && !reg.knownTaken[k] && std::strcmp(record->name, "None") != 0)
        {
            reg.knownTaken[k] = true;
            number = reg.knownIds[k];
        }
        else
        {
            number = reg.counter++;
        }
    }
    else
    {
        int k = reg.KnownIndex(record->name);
        if (k >= 0)
        {
            reg.knownTaken[k] = true;
        }
    }
    return reg.Store(record, number);
}

int KClassIdRecord::Declare(KClassIdRecord* record, int* idWord, const char* name, KClassIdRecord* parent,
                            int number)
{
    Init(record, idWord, name, parent);
    return Register(record, number);
}

KClassIdRecord* KClassIdRecord::ForNumber(int number)
{
    Registry& reg = Reg();
    size_t i = static_cast<size_t>(number + 1);
    if (number < kNone || i >= reg.slots.size())
    {
        return nullptr;
    }
    return reg.slots[i];
}

KClassIdRecord* KClassIdRecord::FindByName(const char* name)
{
    if (!name)
    {
        return nullptr;
    }
    for (KClassIdRecord* r : Reg().slots)
    {
        if (r && r->name && std::strcmp(r->name, name) == 0)
        {
            return r;
        }
    }
    return nullptr;
}

bool KClassIdRecord::RecordIsA(const KClassIdRecord* record, int number)
{
    if (number == kNone || number == kPlugId)
    {
        return true;
    }
    // Bounded walk: a mistaken parent cycle must not hang the process.
    for (int depth = 0; record && depth < 64; ++depth, record = record->parent)
    {
        if (record->GetNumber() == number)
        {
            return true;
        }
    }
    return false;
}

void KClassIdRecord::StartRegistry()
{
    Registry& reg = Reg();
    if (reg.users++ == 0)
    {
        KHandleTable::Acquire();
        if (reg.stopped)
        {
            reg.stopped = false;
            for (size_t i = 0; i < reg.slots.size(); ++i)
            {
                if (reg.slots[i] && !reg.slots[i]->filter)
                {
                    reg.slots[i]->filter = reg.MakeFilter(static_cast<int>(i) - 1);
                }
            }
        }
    }
}

void KClassIdRecord::StopRegistry()
{
    Registry& reg = Reg();
    if (reg.users == 0 || --reg.users > 0)
    {
        return;
    }
    // Filters are retired rather than freed: plugs made before the stop may
    // still point at them, and the next start hands the same objects out again.
    reg.retired.resize(reg.slots.size(), nullptr);
    for (size_t i = reg.slots.size(); i-- > 0;)
    {
        KClassIdRecord* r = reg.slots[i];
        if (r && r->filter)
        {
            reg.retired[i] = r->filter;
            r->filter = nullptr;
        }
        if (r && r->allocated)
        {
            reg.slots[i] = nullptr;
            delete r;
        }
    }
    reg.stopped = true;
    KHandleTable::Release();
}

int KClassIdRecord::GetRegistryUserCount()
{
    return Reg().users;
}

} // namespace scenesdk
