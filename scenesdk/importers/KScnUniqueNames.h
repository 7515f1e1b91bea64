#pragma once

// KScnUniqueNames: the names of the nodes one read makes, each handed out
// once. A name already given comes back with "_2", "_3" ... appended (the
// first free one), so two joints called "Hip" become "Hip" and "Hip_2". An
// empty name becomes the fallback given.
//
// Time: each base name keeps the last suffix it was given, so n requests
// cost O(n) hash look-ups overall, whatever the names (a file naming
// "A_2" .. "A_n" and then "A" n times does not go quadratic).

#include <string>
#include <unordered_map>
#include <unordered_set>

namespace scenesdk
{

class KScnUniqueNames
{
public:
    std::string Make(const std::string& name, const std::string& fallback);
    bool Has(const std::string& name) const { return mUsed.count(name) != 0; }

private:
    std::unordered_set<std::string> mUsed;
    std::unordered_map<std::string, long long> mNextSuffix;
};

} // namespace scenesdk
