#include "scenesdk/importers/KScnReaderAcclaimAsf.h"

#include "scenesdk/fileio/KScnReadBudget.h"
#include "scenesdk/importers/KScnAcclaimData.h"
#include "scenesdk/importers/KScnAcclaimSceneBuilder.h"
#include "scenesdk/importers/KScnAsfParser.h"

namespace scenesdk
{

bool KScnReaderAcclaimAsf::Read(KScnImportBuilder& builder, const KStreamOptionsAcclaim& options)
{
    if (!CheckOption(options.mUnitScale, "unit scale"))
        return false;
    KScnAcclaimSkeleton skeleton;
    std::string why;
    if (!KScnAsfParser::Parse(GetBytes().data(), GetBytes().size(), skeleton, why))
        return Refuse(why);
    if (!CheckBudget(KScnReadBudget::kForeignNodes, KScnAcclaimSceneBuilder::NodeCount(skeleton), "nodes",
                     options, "KStreamOptionsAcclaim"))
        return false;
    std::string warnings;
    if (!KScnAcclaimSceneBuilder::Build(builder, skeleton, nullptr, nullptr, options, warnings, why))
        return Fail(eUnidentifiedError, why);
    mStatus = warnings.c_str();
    return true;
}

} // namespace scenesdk
