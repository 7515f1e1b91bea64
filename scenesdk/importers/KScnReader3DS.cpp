#include "scenesdk/importers/KScnReader3DS.h"

#include "scenesdk/fileio/KScnReadBudget.h"
#include "scenesdk/importers/KScn3DSData.h"
#include "scenesdk/importers/KScn3DSParser.h"
#include "scenesdk/importers/KScn3DSSceneBuilder.h"

namespace scenesdk
{

namespace
{

// The status text of a successful read: what was left out, briefly.
std::string Summary(const std::vector<std::string>& warnings, int skipped)
{
    std::string text = KScnForeignReader::JoinWarnings(warnings, 3);
    if (skipped > 0)
        text += (text.empty() ? "" : "; ") + std::to_string(skipped) + " chunks skipped";
    return text;
}

} // namespace

bool KScnReader3DS::Read(KScnImportBuilder& builder, const KStreamOptions3DS& options)
{
    KScn3DSData data;
    std::string why;
    if (!KScn3DSParser::Parse(GetBytes().data(), GetBytes().size(), data, why))
        return Refuse(why);
    KScnReadCost cost;
    cost.Add(KScnReadCost::eNodes, KScn3DSSceneBuilder::NodeCount(data, options));
    cost.Add(KScnReadCost::eMaterials, data.mMaterials.size());
    for (const KScn3DSMaterial& material : data.mMaterials)
        for (const KScn3DSMap& map : material.mMaps)
            cost.Add(KScnReadCost::eTextures, map.mFile.empty() ? 0 : 1);
    if (!CheckCost(cost, options, "KStreamOptions3DS"))
        return false;
    const std::string folder = GetFolder();
    std::vector<std::string> warnings = data.mWarnings;
    if (!KScn3DSSceneBuilder::Build(builder, data, options, folder, warnings, why))
        return Refuse(why);
    mStatus = Summary(warnings, data.mSkipped).c_str();
    return true;
}

} // namespace scenesdk
