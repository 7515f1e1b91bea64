#include "scenesdk/importers/KScnUniqueNames.h"

namespace scenesdk
{

std::string KScnUniqueNames::Make(const std::string& name, const std::string& fallback)
{
    const std::string base = name.empty() ? fallback : name;
    if (mUsed.insert(base).second)
        return base;
    long long& next = mNextSuffix.emplace(base, 2).first->second;
    for (;; ++next)
    {
        std::string candidate = base + "_" + std::to_string(next);
        if (mUsed.insert(candidate).second)
        {
            ++next;
            return candidate;
        }
    }
}

} // namespace scenesdk
