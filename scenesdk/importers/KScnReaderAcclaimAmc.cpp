#include "scenesdk/importers/KScnReaderAcclaimAmc.h"

#include "scenesdk/importers/KScnAcclaimData.h"
#include "scenesdk/importers/KScnAcclaimSceneBuilder.h"
#include "scenesdk/importers/KScnAmcParser.h"
#include "scenesdk/importers/KScnAsfParser.h"
#include "scenesdk/importers/KStreamOptionsAcclaim.h"

#include <cmath>

namespace scenesdk
{

namespace
{

// The path without its extension (a dot after the last slash).
std::string Stem(const std::string& path)
{
    const size_t slash = path.find_last_of("/\\");
    const size_t dot = path.find_last_of('.');
    return dot != std::string::npos && (slash == std::string::npos || dot > slash) ? path.substr(0, dot)
                                                                                   : path;
}

std::string BaseName(const std::string& path)
{
    const size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

KStreamOptionsScn* KScnReaderAcclaimAmc::CreateOptions() const
{
    return new KStreamOptionsAcclaim();
}

bool KScnReaderAcclaimAmc::ReadSkeletonFile(const std::string& given, std::vector<char>& bytes,
                                            std::string& name)
{
    std::string why;
    if (!given.empty())
    {
        name = given;
        if (ReadSideFile(given, bytes, why))
            return true;
        return Fail(eFileNotOpened, "skeleton " + given + " not read: " + why);
    }
    const std::string stem = Stem(GetFileName());
    for (const char* extension : {".asf", ".ASF"})
    {
        name = stem + extension;
        if (ReadSideFile(name, bytes, why))
            return true;
    }
    return Fail(eFileNotOpened,
                "no skeleton: " + BaseName(stem) + ".asf is not beside the motion and the options name none");
}

bool KScnReaderAcclaimAmc::ReadContent(KScnImportBuilder& builder, const KStreamOptionsScn& given)
{
    const KStreamOptionsAcclaim defaults;
    const KStreamOptionsAcclaim& options = KStreamOptionsForeign::Of(&given, defaults);
    if (!(options.mFrameRate > 0.0) || !std::isfinite(options.mFrameRate))
        return Fail(eUnidentifiedError, "the frame rate option must be a number above 0");
    if (!(options.mUnitScale > 0.0) || !std::isfinite(options.mUnitScale))
        return Fail(eUnidentifiedError, "the unit scale option must be a number above 0");
    std::vector<char> bytes;
    std::string name;
    if (!ReadSkeletonFile(options.mSkeletonFile, bytes, name))
        return false;
    KScnAcclaimSkeleton skeleton;
    std::string why;
    if (!KScnAsfParser::Parse(bytes.data(), bytes.size(), skeleton, why))
        return Refuse("skeleton " + BaseName(name) + ": " + why);
    KScnAcclaimMotion motion;
    if (!KScnAmcParser::Parse(GetBytes().data(), GetBytes().size(), skeleton, motion, why))
        return Refuse(why);
    const std::string take = BaseName(Stem(GetFileName()));
    std::string warnings;
    if (!KScnAcclaimSceneBuilder::Build(builder, skeleton, &motion, take.empty() ? "Take 001" : take.c_str(),
                                        options, warnings, why))
        return Refuse(why);
    mStatus = warnings.c_str();
    return true;
}

} // namespace scenesdk
