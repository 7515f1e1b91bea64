#include "scenesdk/importers/KScnReaderAcclaimAmc.h"

#include "scenesdk/fileio/KScnReadBudget.h"
#include "scenesdk/importers/KScnAcclaimData.h"
#include "scenesdk/importers/KScnAcclaimSceneBuilder.h"
#include "scenesdk/importers/KScnAmcParser.h"
#include "scenesdk/importers/KScnAsfParser.h"
#include "scenesdk/importers/KScnMotionBuilder.h"

namespace scenesdk
{

namespace
{

std::string BaseName(const std::string& path)
{
    const size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

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
    const std::string stem = GetFileStem();
    for (const char* extension : {".asf", ".ASF"})
    {
        name = GetFolder() + stem + extension;
        if (ReadSideFile(name, bytes, why))
            return true;
    }
    return Fail(eFileNotOpened,
                "no skeleton: " + stem + ".asf is not beside the motion and the options name none");
}

bool KScnReaderAcclaimAmc::Read(KScnImportBuilder& builder, const KStreamOptionsAcclaim& options)
{
    if (!CheckOption(options.mFrameRate, "frame rate", KScnMotionBuilder::kMaxFrameRate) ||
        !CheckOption(options.mUnitScale, "unit scale"))
        return false;
    std::vector<char> bytes;
    std::string name;
    if (!ReadSkeletonFile(options.mSkeletonFile, bytes, name))
        return false;
    KScnAcclaimSkeleton skeleton;
    std::string why;
    if (!KScnAsfParser::Parse(bytes.data(), bytes.size(), skeleton, why))
        return Refuse("skeleton " + BaseName(name) + ": " + why);
    if (!CheckBudget(KScnReadBudget::kForeignNodes, KScnAcclaimSceneBuilder::NodeCount(skeleton), "nodes",
                     options, "KStreamOptionsAcclaim", bytes.size()))
        return false;
    KScnAcclaimMotion motion;
    if (!KScnAmcParser::Parse(GetBytes().data(), GetBytes().size(), skeleton, motion, why))
        return Refuse(why);
    std::string warnings;
    if (!KScnAcclaimSceneBuilder::Build(builder, skeleton, &motion, GetFileStem().c_str(), options, warnings,
                                        why))
        return Refuse(why);
    mStatus = warnings.c_str();
    return true;
}

} // namespace scenesdk
