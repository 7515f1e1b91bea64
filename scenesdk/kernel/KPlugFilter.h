#pragma once

#include "scenesdk/kernel/KPlug.h"

namespace scenesdk
{

// Connection filter: a plug that decides which plugs may connect to the plug
// that installs it. The base accepts nothing and is the same as nothing.
class KPlugFilter : public KPlug
{
    KCLASSID_DECLARE(KPlugFilter)

public:
    virtual bool Accept(KPlug* plug) const;
    virtual bool IsSameAs(const KPlugFilter* other) const;
};

// Accepts the plugs of one class and its descendants; the filter of -1 ("None")
// accepts every plug, a null plug included.
class KClassIdFilter : public KPlugFilter
{
    KCLASSID_DECLARE(KClassIdFilter)

public:
    explicit KClassIdFilter(int number);

    bool Accept(KPlug* plug) const override;
    bool IsSameAs(const KPlugFilter* other) const override;
    int GetNumber() const { return m_Number; }

    // The registered filter of a class number; null for an unregistered number
    // and for every number after the last library stop.
    static KClassIdFilter* ForClassId(int number);

private:
    int m_Number;
};

} // namespace scenesdk
