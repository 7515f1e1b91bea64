#pragma once

// KErrorRecord: the last error of an SDK object, as an id into a message
// table owned by the reporting class (static data, not copied or freed) and
// the message text. Id -1 means no error.

#include "scenesdk/kernel/KCompactText.h"
#include "scenesdk/kernel/KString.h"

namespace scenesdk
{

class KErrorRecord
{
public:
    // table holds count texts (entries may be null for unused ids).
    KErrorRecord(const char* const* table, int count);

    // Stores id and copies the table's text for it. An id outside the table,
    // or one whose entry is null, is stored with an empty message.
    void SetLastErrorID(int id);
    // Stores id, then replaces the message by text (null reads as empty).
    void SetLastError(int id, const char* text);
    // Replaces the message only; the id is unchanged.
    void SetLastErrorString(const char* text);

    int GetLastErrorID() const { return m_LastId; }
    const char* GetLastErrorString() const { return m_Message.Get(); }

    // Id -1 and an empty message.
    void ClearError();

    int GetTableSize() const { return m_Count; }

private:
    int m_LastId;
    int m_Count;
    // Every node and take has a record: most messages are short table texts.
    KCompactText m_Message;
    const char* const* m_Table;
};

} // namespace scenesdk
