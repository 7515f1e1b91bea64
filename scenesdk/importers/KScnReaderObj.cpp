#include "scenesdk/importers/KScnReaderObj.h"

#include "scenesdk/fileio/KScnReadBudget.h"
#include "scenesdk/importers/KScnMtlParser.h"
#include "scenesdk/importers/KScnObjData.h"
#include "scenesdk/importers/KScnObjParser.h"
#include "scenesdk/importers/KScnObjSceneBuilder.h"

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
    size_t libraryBytes = 0; // the libraries' size counts with the file's
    std::vector<std::string> warnings;
    const std::string folder = GetFolder();
    for (size_t i = 0; options.ReadsMaterials() && i < data.mLibraries.size(); ++i)
    {
        std::string name = data.mLibraries[i];
        for (char& c : name)
            c = c == '\\' ? '/' : c;
        if (options.mStayInModelFolder && !StaysInFolder(name.c_str()))
        {
            warnings.push_back("material library outside the model's folder skipped: " + name);
            continue;
        }
        const std::string path = folder + name;
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
        if (!KScnMtlParser::Parse(bytes.data(), bytes.size(), FolderOf(path), materials, skipped, reason))
            return Refuse(name + " " + reason);
    }
    // Every material of the libraries is made, with a texture per map named.
    cost.Add(KScnReadCost::eMaterials, materials.size());
    for (const KScnMtlMaterial& material : materials)
        for (const KScnMtlMap& map : material.mMaps)
            cost.Add(KScnReadCost::eTextures, options.ReadsTextures() && !map.mFile.empty() ? 1 : 0);
    if (!CheckCost(cost, options, "KStreamOptionsObj", libraryBytes))
        return false;
    if (!KScnObjSceneBuilder::Build(builder, data, materials, options, warnings, why))
        return Refuse(why);
    mStatus = Summary(data, warnings).c_str();
    return true;
}

} // namespace scenesdk
