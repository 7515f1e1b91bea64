#include "scenesdk/kernel/KRenamingStrategy.h"

#include "scenesdk/kernel/KScnObject.h"

#include <limits>
#include <memory>
#include <new>

namespace scenesdk
{

KNumberRenamingStrategy::KNumberRenamingStrategy() : m_Records(16) {}

KNumberRenamingStrategy::~KNumberRenamingStrategy()
{
    Clear();
}

void KNumberRenamingStrategy::Clear()
{
    for (int i = m_Records.GetCount() - 1; i >= 0; --i)
        delete m_Records[i];
    m_Records.Clear();
    m_Index.clear();
}

KRenamingStrategy* KNumberRenamingStrategy::Clone()
{
    return new (std::nothrow) KNumberRenamingStrategy();
}

KNumberRenamingStrategy::Record* KNumberRenamingStrategy::FindRecord(const char* text) const
{
    const auto found = m_Index.find(text != nullptr ? text : "");
    return found != m_Index.end() ? found->second : nullptr;
}

bool KNumberRenamingStrategy::AddRecord(const KString& text)
{
    // Each step that can fail comes before the one after which nothing can.
    std::unique_ptr<Record> rec(new Record{text, 0});
    m_Records.Reserve(m_Records.GetCount() + 1);
    m_Index.emplace(rec->name.Buffer(), rec.get());
    m_Records.Add(rec.release());
    return true;
}

KString KNumberRenamingStrategy::NextFreeName(Record* rec)
{
    constexpr int32_t kLast = std::numeric_limits<int32_t>::max();
    for (;;)
    {
        if (rec->count == kLast)
        {
            // This name's numbers are used up: go on under the last name made
            // from it. Names only grow along this chain, so it ends.
            const KString base = rec->name + kLast;
            Record* next = FindRecord(base.Buffer());
            if (next == nullptr)
                return base;
            rec = next;
            continue;
        }
        ++rec->count;
        KString candidate = rec->name + rec->count;
        if (FindRecord(candidate.Buffer()) == nullptr)
            return candidate;
    }
}

bool KNumberRenamingStrategy::Rename(KScnObject* object)
{
    if (object == nullptr)
        return false;
    const KString name(object->GetCurrentName());
    Record* rec = FindRecord(name.Buffer());
    if (rec == nullptr)
    {
        AddRecord(name);
        return false;
    }
    const KString unique = NextFreeName(rec);
    AddRecord(unique); // first: a name handed out is always remembered
    object->SetCurrentName(unique.Buffer());
    return true;
}

} // namespace scenesdk
