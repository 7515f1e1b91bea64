#include "scenesdk/importers/KScnReaderAcclaimAsf.h"

#include "scenesdk/importers/KScnAcclaimData.h"
#include "scenesdk/importers/KScnAcclaimSceneBuilder.h"
#include "scenesdk/importers/KScnAsfParser.h"
#include "scenesdk/importers/KStreamOptionsAcclaim.h"

#include <cmath>

namespace scenesdk
{

KStreamOptionsScn* KScnReaderAcclaimAsf::CreateOptions() const
{
    return new KStreamOptionsAcclaim();
}

bool KScnReaderAcclaimAsf::ReadContent(KScnImportBuilder& builder, const KStreamOptionsScn& given)
{
    const KStreamOptionsAcclaim defaults;
    const KStreamOptionsAcclaim& options = KStreamOptionsForeign::Of(&given, defaults);
    if (!(options.mUnitScale > 0.0) || !std::isfinite(options.mUnitScale))
        return Fail(eUnidentifiedError, "the unit scale option must be a number above 0");
    KScnAcclaimSkeleton skeleton;
    std::string why;
    if (!KScnAsfParser::Parse(GetBytes().data(), GetBytes().size(), skeleton, why))
        return Refuse(why);
    std::string warnings;
    if (!KScnAcclaimSceneBuilder::Build(builder, skeleton, nullptr, nullptr, options, warnings, why))
        return Fail(eUnidentifiedError, why);
    mStatus = warnings.c_str();
    return true;
}

} // namespace scenesdk
