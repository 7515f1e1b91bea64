#include "platform/sys/PathResolver.h"

#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>

#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

namespace plat
{
namespace
{

std::mutex g_CacheLock;
// Folder path -> its entries, read once per folder.
std::unordered_map<std::string, std::vector<std::string>> g_Listings;

bool Exists(const std::string& path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

const std::vector<std::string>& Listing(const std::string& dir)
{
    auto it = g_Listings.find(dir);
    if (it != g_Listings.end())
        return it->second;
    std::vector<std::string> names;
    // The folder is closed however the listing ends (memory running out too).
    std::unique_ptr<DIR, int (*)(DIR*)> d(::opendir(dir.empty() ? "." : dir.c_str()), &::closedir);
    if (d != nullptr)
    {
        while (dirent* e = ::readdir(d.get()))
            names.emplace_back(e->d_name);
    }
    return g_Listings.emplace(dir, std::move(names)).first->second;
}

std::string FindCaseless(const std::string& dir, const std::string& part)
{
    for (const std::string& name : Listing(dir))
        if (::strcasecmp(name.c_str(), part.c_str()) == 0)
            return name;
    return std::string();
}

} // namespace

std::string ResolvePath(const std::string& path)
{
    std::string slashed = path;
    for (char& c : slashed)
        if (c == '\\')
            c = '/';
    if (slashed.empty() || Exists(slashed))
        return slashed;

    std::lock_guard<std::mutex> lock(g_CacheLock);
    std::string resolved;
    size_t pos = 0;
    if (slashed[0] == '/')
    {
        resolved = "/";
        pos = 1;
    }
    while (pos <= slashed.size())
    {
        size_t next = slashed.find('/', pos);
        if (next == std::string::npos)
            next = slashed.size();
        std::string part = slashed.substr(pos, next - pos);
        pos = next + 1;
        if (part.empty() || part == "." || part == "..")
        {
            if (!part.empty())
                resolved += part + "/";
            continue;
        }
        std::string dir = resolved.empty()
                              ? std::string()
                              : resolved.substr(0, resolved.size() - (resolved.size() > 1 ? 1 : 0));
        std::string candidate = resolved + part;
        if (!Exists(candidate))
        {
            std::string match = FindCaseless(dir, part);
            if (match.empty() || !Exists(resolved + match))
            {
                // The cached listing may predate the file, or name one that
                // has gone since (or, for a relative folder, belong to an
                // earlier working folder): read it again once.
                g_Listings.erase(dir);
                match = FindCaseless(dir, part);
            }
            if (match.empty())
                return slashed;
            candidate = resolved + match;
        }
        resolved = candidate;
        if (pos <= slashed.size())
            resolved += "/";
    }
    return resolved;
}

void ClearPathCache()
{
    std::lock_guard<std::mutex> lock(g_CacheLock);
    g_Listings.clear();
}

} // namespace plat
