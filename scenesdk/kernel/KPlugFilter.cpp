#include "scenesdk/kernel/KPlugFilter.h"

namespace scenesdk
{

KCLASSID_DEFINE(KPlugFilter, &KPlug::ClassRecord);
KCLASSID_DEFINE(KClassIdFilter, &KPlugFilter::ClassRecord);

bool KPlugFilter::Accept(KPlug*) const
{
    return false;
}

bool KPlugFilter::IsSameAs(const KPlugFilter*) const
{
    return false;
}

KClassIdFilter::KClassIdFilter(int number) : m_Number(number) {}

bool KClassIdFilter::Accept(KPlug* plug) const
{
    if (plug)
    {
        return m_Number == KClassIdRecord::kNone || plug->IsA(m_Number);
    }
    return m_Number == KClassIdRecord::kNone;
}

bool KClassIdFilter::IsSameAs(const KPlugFilter* other) const
{
    if (!other || !other->IsA(KClassIdFilter::ClassId))
    {
        return false;
    }
    return static_cast<const KClassIdFilter*>(other)->m_Number == m_Number;
}

KClassIdFilter* KClassIdFilter::ForClassId(int number)
{
    KClassIdRecord* r = KClassIdRecord::ForNumber(number);
    return r ? r->filter : nullptr;
}

} // namespace scenesdk
