#include "scenesdk/importers/KScnForeignReader.h"

#include "platform/sys/PathResolver.h"
#include "scenesdk/fileio/KScn.h"
#include "scenesdk/fileio/KScnReadBudget.h"
#include "scenesdk/fileio/KScnReadUndo.h"
#include "scenesdk/importers/KScnImportBuilder.h"
#include "scenesdk/importers/KStreamOptionsForeign.h"
#include "scenesdk/importers/KTextFile.h"
#include "scenesdk/kernel/KScnReadMeter.h"
#include "scenesdk/kernel/KScnSceneRoot.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <memory>

namespace scenesdk
{

KScnForeignReader::KScnForeignReader(KScnSdkManager* manager, const char* formatName)
    : mManager(manager), mFormatName(formatName != nullptr ? formatName : "")
{
}

KScnForeignReader::~KScnForeignReader() = default;

namespace
{

std::string UnreadableMessage(const char* format)
{
    return std::string(format) + " files cannot be read: their layout is not known to this build";
}

} // namespace

std::string KScnForeignReader::GetFolder() const
{
    const size_t slash = mFileName.find_last_of("/\\");
    std::string folder = slash == std::string::npos ? std::string() : mFileName.substr(0, slash + 1);
    std::replace(folder.begin(), folder.end(), '\\', '/');
    return folder;
}

std::string KScnForeignReader::GetFileStem() const
{
    const std::string name = mFileName.substr(GetFolder().size());
    const size_t dot = name.find_last_of('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

bool KScnForeignReader::ReadSideFile(const std::string& path, std::vector<char>& bytes, std::string& why)
{
    int id = KScn::eFileNotOpened;
    if (!KScn::ReadFileBytes(path.c_str(), bytes, id, why))
        return false;
    // The read's budget grows by the file, however often it is named.
    std::error_code ec;
    const std::filesystem::path real = std::filesystem::weakly_canonical(plat::ResolvePath(path), ec);
    KScnReadMeter::AddSideFile(ec ? path : real.string(), bytes.size());
    return true;
}

bool KScnForeignReader::StaysInFolder(const char* path)
{
    const std::string text = path != nullptr ? path : "";
    if (text.empty() || text[0] == '/' || text[0] == '\\' || (text.size() > 1 && text[1] == ':'))
        return false;
    size_t start = 0;
    while (start <= text.size())
    {
        const size_t end = std::min(text.find_first_of("/\\", start), text.size());
        if (end - start == 2 && text.compare(start, 2, "..") == 0)
            return false;
        start = end + 1;
    }
    return true;
}

bool KScnForeignReader::OpenFile(const char* fileName)
{
    try
    {
        return Open(fileName);
    }
    catch (const std::exception&)
    {
        char why[KScnReadUndo::kReasonSize];
        KScnReadUndo::Reason("opening the file", why);
        CloseFile();
        return Refuse(why);
    }
}

bool KScnForeignReader::Open(const char* fileName)
{
    CloseFile();
    mStatus = "";
    mError.ClearError();
    if (fileName == nullptr || fileName[0] == '\0')
        return Fail(eFileNotOpened, "no file name");
    int id = eFileNotOpened;
    std::string status;
    if (!KScn::ReadFileBytes(fileName, mBytes, id, status))
        return Fail(id, status);
    if (!IsReadable())
    {
        mBytes.clear();
        const std::string message = UnreadableMessage(mFormatName);
        mError.SetLastError(eUnidentifiedError, message.c_str());
        mStatus = message.c_str();
        return false;
    }
    mFileName = fileName;
    mOpen = true;
    if (OnOpen())
        return true;
    CloseFile();
    return false;
}

void KScnForeignReader::CloseFile()
{
    mBytes.clear();
    mBytes.shrink_to_fit();
    mFileName.clear();
    mOpen = false;
}

KStreamOptionsScn* KScnForeignReader::CreateOptions() const
{
    return new KStreamOptionsForeign();
}

KStreamOptionsScn* KScnForeignReader::CreateReadOptions(bool /*parse*/)
{
    if (!mOpen)
    {
        mError.SetLastErrorID(eFileNotOpened);
        return nullptr;
    }
    try
    {
        return CreateOptions();
    }
    catch (const std::exception&)
    {
        char why[KScnReadUndo::kReasonSize];
        Refuse(KScnReadUndo::Reason("making the read options", why));
        return nullptr;
    }
}

bool KScnForeignReader::ReadContent(KScnImportBuilder& /*builder*/, const KStreamOptionsScn& /*options*/)
{
    return Fail(eUnidentifiedError, UnreadableMessage(mFormatName));
}

bool KScnForeignReader::ReadScene(KScnSceneRoot* scene, KStreamOptionsScn* options)
{
    if (!mOpen)
        return Fail(eFileNotOpened, "no file open");
    if (options == nullptr)
        return Fail(eStreamOptionsNotSet, "no read options");
    if (scene == nullptr || scene->GetRootNode() == nullptr || mManager == nullptr)
        return Fail(eUnidentifiedError, "no scene to read into");
    mStatus = "";
    mError.ClearError();
    mFailed = false;
    if (!CheckOption(options->mBudgetScale, "mBudgetScale"))
        return false;
    std::unique_ptr<KScnReadUndo> undo;
    try
    {
        undo = std::make_unique<KScnReadUndo>(*mManager, *scene);
        const std::vector<std::string> takes = KScnReadUndo::TakeNames(*scene);
        mEarlierOwners = KScnReadUndo::TakeOwnerCount(*scene);
        mEarlierTakes = takes.size() - std::count(takes.begin(), takes.end(), "Default");
        const KScnReadMeter meter(mBytes.size(), options->mBudgetScale, "KStreamOptionsScn");
        return Read(*scene, *options);
    }
    catch (const std::exception&)
    {
        // The builder has destroyed what it held; the record takes back
        // what reached the scene.
        char why[KScnReadUndo::kReasonSize];
        KScnReadUndo::Reason("reading the file", why);
        if (undo != nullptr)
            undo->Restore();
        return Refuse(why);
    }
}

bool KScnForeignReader::Read(KScnSceneRoot& sceneRoot, KStreamOptionsScn& readOptions)
{
    KScnSceneRoot* scene = &sceneRoot;
    KStreamOptionsScn* options = &readOptions;
    KScnImportBuilder builder(mManager, scene);
    builder.SetKeepTakes(options->GetOption(KStreamOptionsScn::eTakes));
    if (!ReadContent(builder, *options))
    {
        builder.Rollback();
        if (!mFailed)
            Fail(eUnidentifiedError, std::string(mFormatName) + " file could not be read");
        return false;
    }
    // What the builder made is held to the budget before it reaches the
    // scene, and what reaching it made (takes given both ways) after.
    KScnReadMeter::Check();
    if (!builder.Commit())
        return Fail(eUnidentifiedError, "the scene refused the objects read");
    KScnReadMeter::Check();
    options->ReportProgress(this, "Scene read", 100.0);
    return true;
}

bool KScnForeignReader::Refuse(const std::string& reason)
{
    return Fail(eFileCorrupted, reason.c_str());
}

bool KScnForeignReader::Refuse(const char* reason)
{
    return Fail(eFileCorrupted, reason);
}

bool KScnForeignReader::RefuseAt(int line, const std::string& reason)
{
    return Fail(eFileCorrupted, KTextFile::AtLine(line, reason));
}

bool KScnForeignReader::CheckOption(double value, const char* name, double most)
{
    if (value > 0.0 && (most > 0.0 ? value <= most : std::isfinite(value)))
        return true;
    char limit[40] = "";
    if (most > 0.0)
        std::snprintf(limit, sizeof limit, ", at most %g", most);
    return Fail(eUnidentifiedError, std::string("the ") + name + " option must be a number above 0" + limit);
}

bool KScnForeignReader::CheckBudget(const KScnReadBudget& budget, uint64_t count, const char* what,
                                    const KStreamOptionsScn& options, const char* optionsClass,
                                    size_t sideBytes)
{
    std::string why;
    KScnReadMeter::SetOptionsClass(optionsClass);
    const std::string option = std::string(optionsClass) + "::mBudgetScale";
    if (!budget.Check(count, what, mBytes.size() + sideBytes, options.mBudgetScale, option.c_str(), why))
        return Refuse(why);
    if (mEarlierTakes == 0 || std::strcmp(what, "nodes") != 0)
        return true;
    // The nodes with the takes earlier reads brought, weighed.
    KScnReadCost cost;
    cost.Add(KScnReadCost::eNodes, count);
    return CheckCost(cost, options, optionsClass, sideBytes);
}

bool KScnForeignReader::CheckCost(const KScnReadCost& cost, const KStreamOptionsScn& options,
                                  const char* optionsClass, size_t sideBytes)
{
    std::string why;
    KScnReadMeter::SetOptionsClass(optionsClass);
    // What earlier reads brought: the scene's takes on the nodes this read
    // makes, and a take of this file on each take owner of the scene.
    KScnReadCost all = cost;
    all.AddProduct(KScnReadCost::eTakeRecords, mEarlierTakes, cost.mCounts[KScnReadCost::eNodes]);
    all.Add(KScnReadCost::eTakeRecords, mEarlierOwners);
    if (mEarlierTakes > 0)
        all.Add(KScnReadCost::eTakeTrees, cost.mCounts[KScnReadCost::eNodes]);
    return all.Check(mBytes.size() + sideBytes, options.mBudgetScale, optionsClass, why) || Refuse(why);
}

std::string KScnForeignReader::JoinWarnings(const std::vector<std::string>& warnings, size_t most)
{
    const size_t shown = most > 0 && most < warnings.size() ? most : warnings.size();
    std::string text;
    for (size_t i = 0; i < shown; ++i)
        text += (i > 0 ? "; " : "") + warnings[i];
    if (shown < warnings.size())
        text += "; " + std::to_string(warnings.size() - shown) + " more warnings";
    return text;
}

bool KScnForeignReader::Fail(int id, const std::string& status)
{
    return Fail(id, status.c_str());
}

bool KScnForeignReader::Fail(int id, const char* status)
{
    mError.SetLastErrorID(id);
    mStatus = status;
    mFailed = true;
    return false;
}

} // namespace scenesdk
