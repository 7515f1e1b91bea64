#include "scenesdk/kernel/KErrorRecord.h"

namespace scenesdk
{

KErrorRecord::KErrorRecord(const char* const* table, int count)
    : m_LastId(-1), m_Count(table != nullptr && count > 0 ? count : 0), m_Table(table)
{
    ClearError();
}

void KErrorRecord::SetLastErrorID(int id)
{
    m_LastId = id;
    const char* text = (id >= 0 && id < m_Count) ? m_Table[id] : nullptr;
    m_Message.Set(text);
}

void KErrorRecord::SetLastError(int id, const char* text)
{
    SetLastErrorID(id);
    SetLastErrorString(text);
}

void KErrorRecord::SetLastErrorString(const char* text)
{
    m_Message.Set(text);
}

void KErrorRecord::ClearError()
{
    m_LastId = -1;
    m_Message.Set("");
}

} // namespace scenesdk
