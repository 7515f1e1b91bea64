#include "scenesdk/importers/KScnReaderObj.h"

#include "platform/sys/PathResolver.h"

#include "scenesdk/fileio/KScnReadBudget.h"
#include "scenesdk/importers/KScnMtlParser.h"
#include "scenesdk/importers/KScnObjData.h"
#include "scenesdk/importers/KScnObjParser.h"
#include "scenesdk/importers/KScnObjSceneBuilder.h"

#include <filesystem>
#include <system_error>
#include <unordered_set>

namespace scenesdk
{

namespace
{

std::string FolderOf(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// The status text of a successful read: what was left out, briefly.
std::string Summary(const KScnObjData& data, const std::vector<std::string>& warnings)
{
    std::string text = KScnForeignReader::JoinWarnings(warnings, 3);
    if (data.mSkipped > 0)
        text += (text.empty() ? "" : "; ") + std::to_string(data.mSkipped) +
                " elements skipped (first: " + data.mFirstSkipped + ")";
    return text;
}

} // namespace

std::string KScnReaderObj::LibraryKey(const std::string& path)
{
    const std::string found = plat::ResolvePath(path);
    std::error_code ec;
    const std::filesystem::path real = std::filesystem::canonical(found, ec);
    return ec ? std::filesystem::path(found).lexically_normal().string() : real.string();
}

bool KScnReaderObj::ReadLibraries(const KScnObjData& data, const KStreamOptionsObj& options, KScnReadCost& cost,
                                  std::vector<KScnMtlMaterial>& materials, std::vector<std::string>& warnings)
{
    std::unordered_set<std::string> seen;
    size_t libraryBytes = 0; // the libraries' size counts with the file's, each library once
    const std::string folder = GetFolder();
    for (const std::string& named : data.mLibraries)
    {
        std::string name = named;
        for (char& c : name)
            c = c == '\\' ? '/' : c;
        if (options.mStayInModelFolder && !StaysInFolder(name.c_str()))
        {
            warnings.push_back("material library outside the model's folder skipped: " + name);
            continue;
        }
        const std::string path = folder + name;
        if (!seen.insert(LibraryKey(path)).second)
            continue; // the same file under another spelling
        std::vector<char> bytes;
        std::string reason;
        if (!ReadSideFile(path, bytes, reason))
        {
            warnings.push_back("material library not read: " + name);
            continue;
        }
        // Keywords a library has beyond what materials take here (Ni, Tf,
        // the physically based extensions) are common: not worth a warning.
        int skipped = 0;
        libraryBytes += bytes.size();
        const size_t first = materials.size();
        if (!KScnMtlParser::Parse(bytes.data(), bytes.size(), FolderOf(path), materials, skipped, reason))
            return Refuse(name + " " + reason);
        // Every material of the libraries is made, with a texture per map named.
        cost.Add(KScnReadCost::eMaterials, materials.size() - first);
        for (size_t m = first; m < materials.size(); ++m)
            for (const KScnMtlMap& map : materials[m].mMaps)
                cost.Add(KScnReadCost::eTextures, options.ReadsTextures() && !map.mFile.empty() ? 1 : 0);
        if (!CheckCost(cost, options, "KStreamOptionsObj", libraryBytes))
            return false;
    }
    return true;
}

bool KScnReaderObj::Read(KScnImportBuilder& builder, const KStreamOptionsObj& options)
{
    KScnObjData data;
    std::string why;
    if (!KScnObjParser::Parse(GetBytes().data(), GetBytes().size(), options, data, why))
        return Refuse(why);
    KScnReadCost cost;
    cost.Add(KScnReadCost::eNodes, KScnObjSceneBuilder::NodeCount(data, options));
    if (!CheckCost(cost, options, "KStreamOptionsObj"))
        return false;

    std::vector<KScnMtlMaterial> materials;
    std::vector<std::string> warnings;
    if (options.ReadsMaterials() && !ReadLibraries(data, options, cost, materials, warnings))
        return false;
    if (!KScnObjSceneBuilder::Build(builder, data, materials, options, warnings, why))
        return Refuse(why);
    mStatus = Summary(data, warnings).c_str();
    return true;
}

} // namespace scenesdk
