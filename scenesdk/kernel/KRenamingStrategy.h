#pragma once

// Renaming strategies: an importer that creates objects whose names may
// repeat passes each new object through one, so that the objects end up with
// distinct current names.
//
// The strategy reads and changes only the object's current name
// (KScnObject::GetCurrentName, SetCurrentName), never its initial name.

#include "scenesdk/kernel/KBlockArray.h"
#include "scenesdk/kernel/KString.h"

#include <cstdint>
#include <string>
#include <unordered_map>

namespace scenesdk
{

class KScnObject;

class KRenamingStrategy
{
public:
    virtual ~KRenamingStrategy() = default;
    // Forgets every name seen so far.
    virtual void Clear() = 0;
    // Gives the object a name distinct from the names seen so far. True when
    // its current name was changed; false when the name was new (it is then
    // remembered) or the object is null. Exhausted memory throws
    // std::bad_alloc, the object's name as it was.
    virtual bool Rename(KScnObject* object) = 0;
    // A new strategy of the same kind with nothing seen; the caller owns it
    // (delete). Null when memory is exhausted.
    virtual KRenamingStrategy* Clone() = 0;
};

// Keeps every name it has seen and appends a running decimal number to a
// repetition: three objects named Box become Box, Box1 and Box2. Names compare
// exactly (case counts). The names it hands out are remembered as seen too, so
// a later object already named Box1 becomes Box11 rather than a second Box1,
// and numbering skips numbers whose name is already taken. When a name's
// counter reaches INT32_MAX, numbering goes on under the last name it made
// (Box2147483647 becomes the base), so renaming never runs out. A name is
// looked up through an index: renaming n objects costs O(n) look-ups.
class KNumberRenamingStrategy : public KRenamingStrategy
{
public:
    KNumberRenamingStrategy();
    ~KNumberRenamingStrategy() override;
    KNumberRenamingStrategy(const KNumberRenamingStrategy&) = delete;
    KNumberRenamingStrategy& operator=(const KNumberRenamingStrategy&) = delete;

    void Clear() override;
    bool Rename(KScnObject* object) override;
    KRenamingStrategy* Clone() override;

    // Number of names remembered (seen or handed out).
    int GetRecordCount() const { return m_Records.GetCount(); }

protected:
    struct Record
    {
        KString name;
        int32_t count; // last number handed out for this name; 0 before any
    };

    // First record named exactly text, or null.
    Record* FindRecord(const char* text) const;
    // Appends {text, 0}, listed and indexed; exhausted memory throws
    // std::bad_alloc with the records as they were (a name half remembered
    // would be handed out twice). Always true.
    bool AddRecord(const KString& text);

private:
    // The next name under rec that no record holds.
    KString NextFreeName(Record* rec);

    KPointerArray<Record> m_Records;
    // Every record by its name (names are unique among the records).
    std::unordered_map<std::string, Record*> m_Index;
};

} // namespace scenesdk
