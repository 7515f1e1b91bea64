#include "scenesdk/kernel/KScnImporter.h"

#include "scenesdk/fileio/KScnExtractFileExtension.h"
#include "scenesdk/fileio/KScnReadUndo.h"
#include "scenesdk/fileio/KScnReaderScn.h"
#include "scenesdk/importers/KScnReader3DS.h"
#include "scenesdk/importers/KScnReaderAcclaimAmc.h"
#include "scenesdk/importers/KScnReaderAcclaimAsf.h"
#include "scenesdk/importers/KScnReaderAdaptiveOptics.h"
#include "scenesdk/importers/KScnReaderAscension.h"
#include "scenesdk/importers/KScnReaderBiovision.h"
#include "scenesdk/importers/KScnReaderDxf.h"
#include "scenesdk/importers/KScnReaderMotionAnalysisHtr.h"
#include "scenesdk/importers/KScnReaderMotionAnalysisTrc.h"
#include "scenesdk/importers/KScnReaderObj.h"
#include "scenesdk/importers/KScnReaderPuppeteer.h"
#include "scenesdk/importers/KScnReaderVicon.h"
#include "scenesdk/importers/KScnReaderWavefrontMov.h"
#include "scenesdk/kernel/KScnSceneMetaData.h"
#include "scenesdk/kernel/KScnSceneRoot.h"
#include "scenesdk/kernel/KScnSdkManager.h"

#include <cctype>
#include <cstring>
#include <exception>
#include <memory>
#include <string>

namespace scenesdk
{

namespace
{

const char* const kExtensions[] = {"scn", "scn", "scn", "dxf", "3ds", "obj",
                                   "bvh", "htr", "trc", "asf", "amc", "c3d"};

// Import state i maps onto read option kStateToOption[i].
const int kStateToOption[KScnImporter::kStateCount] = {0, 1, 2, 4, 5, 6, 7, 8, 9, 10, 13, 11};

bool IsScnFormat(int format)
{
    return format >= 0 && format <= 2;
}

// Options obtained from the reader for one call, released however it ends.
struct SObtainedOptions
{
    KStreamOptionsScn* options = nullptr;
    ~SObtainedOptions()
    {
        if (options != nullptr)
            options->Destroy(0);
    }
};

} // namespace

KScnImporter::KScnImporter(KScnSdkManager* manager) : KScnIO(manager)
{
    Reset();
}

KScnImporter::~KScnImporter()
{
    Reset();
}

void KScnImporter::CloseReader()
{
    delete mReader;
    mReader = nullptr;
    mOptionsRead = false;
    mUnsealTried = "";
}

void KScnImporter::DestroyMetaData()
{
    if (mMetaData != nullptr && m_Manager != nullptr)
    {
        m_Manager->DestroySceneMetaData(mMetaData);
    }
    else
    {
        delete mMetaData;
    }
    mMetaData = nullptr;
}

void KScnImporter::KeepMetaData(const KScnSceneMetaData* metaData)
{
    DestroyMetaData();
    if (metaData != nullptr)
    {
        mMetaData = m_Manager != nullptr ? m_Manager->CreateSceneMetaData() : new KScnSceneMetaData();
        *mMetaData = *metaData;
    }
}

void KScnImporter::Reset()
{
    CloseReader();
    mTakesSealed = false;
    mTakes.clear();
    DestroyMetaData();
    mCurrentTakeName = "";
    for (int i = 0; i < kStateCount; ++i)
    {
        mStates[i] = true;
        mStatesSet[i] = false;
    }
    mVersion[0] = mVersion[1] = mVersion[2] = 0;
    m_StatusText = "";
    mHeaderInfo = false;
    mHeaderTexts[0] = "";
    mHeaderTexts[1] = "";
    for (int32_t& v : mHeaderValues)
        v = 0;
}

void KScnImporter::FailWith(const char* reason)
{
    m_OptionsInUse = nullptr;
    m_Error.SetLastErrorID(eFileCorrupted);
    m_StatusText = reason;
}

bool KScnImporter::Initialize(const char* fileName)
{
    try
    {
        return Start(fileName);
    }
    catch (const std::exception&)
    {
        char why[KScnReadUndo::kReasonSize];
        FailWith(KScnReadUndo::Reason("opening the file", why));
        CloseReader();
        return false;
    }
}

bool KScnImporter::Start(const char* fileName)
{
    Reset();
    KScnIO::Initialize(fileName);
    std::string ext = KScnExtractFileExtension(m_FileName.Buffer()).Buffer();
    for (char& c : ext)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (ext.find("scn") != std::string::npos)
        return OpenReader();
    return true;
}

bool KScnImporter::OpenReader()
{
    if (m_FileName.Buffer()[0] == '\0')
    {
        m_Error.SetLastErrorID(eUninitializedFilename);
        return false;
    }
    CloseReader();
    mReader = CreateReader(m_Manager, this, mFormat);
    if (mReader == nullptr)
    {
        m_Error.SetLastErrorID(eUnidentifiedError);
        return false;
    }
    if (!IsScnFormat(mFormat))
    {
        if (mReader->OpenFile(m_FileName.Buffer()))
            return true;
        return FailOpen(-1);
    }
    auto* scn = static_cast<KScnReaderScn*>(mReader);
    if (scn->OpenFile(m_FileName.Buffer()))
    {
        static const int kKindToFormat[3] = {1, 0, 2};
        const int kind = scn->GetFileKind();
        mFormat = kind >= 0 && kind <= 2 ? kKindToFormat[kind] : mFormat;
        KScnReaderScn::SplitVersion(scn->GetFileVersion(), &mVersion[0], &mVersion[1], &mVersion[2]);
        mHeaderInfo = scn->HasHeaderInformation();
        for (int i = 0; i < 2; ++i)
            mHeaderTexts[i] = scn->GetHeaderText(i);
        for (int i = 0; i < 4; ++i)
            mHeaderValues[i] = scn->GetHeaderValue(i);
        return true;
    }
    const int id = scn->GetError().GetLastErrorID();
    if (id == KScnReader::eFileVersionNotSupportedYet || id == KScnReader::eFileVersionNotSupportedAnymore)
        KScnReaderScn::SplitVersion(scn->GetFileVersion(), &mVersion[0], &mVersion[1], &mVersion[2]);
    return FailOpen(id);
}

bool KScnImporter::FailOpen(int id)
{
    if (id < 0)
        id = mReader->GetError().GetLastErrorID();
    if (id < 0 || id > 3)
        id = eUnidentifiedError;
    m_Error.SetLastError(id, mReader->GetError().GetLastErrorString());
    m_StatusText = mReader->GetStatusText();
    CloseReader();
    return false;
}

KScnReader* KScnImporter::CreateReader(KScnSdkManager* manager, KScnImporter* importer, int format)
{
    switch (format)
    {
    case 0:
    case 1:
    case 2:
        return new KScnReaderScn(manager, importer);
    case 3:
        return new KScnReaderDxf(manager);
    case 4:
        return new KScnReader3DS(manager);
    case 5:
        return new KScnReaderObj(manager);
    case 6:
        return new KScnReaderBiovision(manager);
    case 7:
        return new KScnReaderMotionAnalysisHtr(manager);
    case 8:
        return new KScnReaderMotionAnalysisTrc(manager);
    case 9:
        return new KScnReaderAcclaimAsf(manager);
    case 10:
        return new KScnReaderAcclaimAmc(manager);
    case 11:
        return new KScnReaderVicon(manager);
    case 12:
    case 13:
        return new KScnReaderAdaptiveOptics(manager, format - 12);
    case 14:
        return new KScnReaderPuppeteer(manager);
    case 15:
        return new KScnReaderWavefrontMov(manager);
    case 16:
        return new KScnReaderAscension(manager);
    default:
        return nullptr;
    }
}

int KScnImporter::FindFileFormat(const char* extension)
{
    if (extension == nullptr || extension[0] == '\0')
        return -1;
    std::string lower = extension;
    for (char& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (int format = 0; format < static_cast<int>(sizeof kExtensions / sizeof kExtensions[0]); ++format)
        if (lower == kExtensions[format])
            return format;
    return -1;
}

void KScnImporter::SetState(int index, bool value)
{
    if (index >= 0 && index < kStateCount)
    {
        mStates[index] = value;
        mStatesSet[index] = true;
    }
}

bool KScnImporter::GetState(int index) const
{
    return index >= 0 && index < kStateCount && mStates[index];
}

void KScnImporter::GetFileVersion(int* major, int* minor, int* revision) const
{
    const bool old = mVersion[0] >= 1 && mVersion[0] <= 4;
    if (major != nullptr)
        *major = old ? 5 : mVersion[0];
    if (minor != nullptr)
        *minor = old ? 0 : mVersion[1];
    if (revision != nullptr)
        *revision = old ? 0 : mVersion[2];
}

const char* KScnImporter::GetFileExtension(int format)
{
    return format >= 0 && format < static_cast<int>(sizeof kExtensions / sizeof kExtensions[0])
               ? kExtensions[format]
               : "";
}

const char* KScnImporter::GetHeaderText(int i) const
{
    return i == 0 || i == 1 ? mHeaderTexts[i].Buffer() : "";
}

int32_t KScnImporter::GetHeaderValue(int i) const
{
    return i >= 0 && i < 4 ? mHeaderValues[i] : 0;
}

void KScnImporter::CopyFromOptions(KStreamOptionsScn& options)
{
    mTakes = options.GetTakes();
    KeepMetaData(options.GetSceneMetaData());
    mCurrentTakeName = options.mCurrentTakeName;
    mPassword = options.mPassword;
    // The caller's own choices stand (an import with a state off reads
    // without that kind of content, whatever the reader's defaults).
    for (int i = 0; i < kStateCount; ++i)
        if (i != 10 && !mStatesSet[i])
            mStates[i] = options.GetOption(kStateToOption[i]);
}

void KScnImporter::FillStates(KStreamOptionsScn& options) const
{
    for (int i = 0; i < kStateCount; ++i)
        options.SetOption(kStateToOption[i], mStates[i]);
}

void KScnImporter::FillOptions(KStreamOptionsScn& options) const
{
    options.GetTakes() = mTakes;
    options.mCurrentTakeName = mCurrentTakeName;
    options.mPassword = mPassword;
    FillStates(options);
}

KStreamOptionsScn* KScnImporter::GetImportOptions(bool keep)
{
    try
    {
        return ObtainOptions(keep);
    }
    catch (const std::exception&)
    {
        char why[KScnReadUndo::kReasonSize];
        FailWith(KScnReadUndo::Reason("reading the file's options", why));
        return nullptr;
    }
}

KStreamOptionsScn* KScnImporter::ObtainOptions(bool keep)
{
    if (mReader == nullptr && !OpenReader())
        return nullptr;
    KScnReaderScn* scn = IsScnFormat(mFormat) ? static_cast<KScnReaderScn*>(mReader) : nullptr;
    if (scn != nullptr)
        scn->SetPassword(mPassword.Buffer());
    KStreamOptionsScn* options = mReader->CreateReadOptions(!keep);
    // Without the right password a protected file's takes stay unknown
    // until an import opens it.
    mTakesSealed = scn != nullptr && scn->IsSealed();
    if (options != nullptr)
    {
        // Held until handed over: memory running out while they are copied frees them.
        SObtainedOptions held;
        held.options = options;
        // The password is the caller's unless the options carry one.
        if (options->mPassword.Buffer()[0] == '\0')
            options->mPassword = mPassword;
        CopyFromOptions(*options);
        held.options = nullptr;
        return options;
    }
    if (mReader->GetError().GetLastErrorID() == eFileCorrupted)
        FailWith(mReader->GetStatusText()); // the reader ran out of memory
    else if (!keep)
        m_Error.SetLastErrorID(eUnidentifiedError);
    return nullptr;
}

int KScnImporter::GetTakeCount()
{
    try
    {
        return CountTakes();
    }
    catch (const std::exception&)
    {
        char why[KScnReadUndo::kReasonSize];
        FailWith(KScnReadUndo::Reason("reading the file's takes", why));
        return 0;
    }
}

int KScnImporter::CountTakes()
{
    if (!IsScnFormat(mFormat))
        return 0;
    if (!mOptionsRead)
    {
        SObtainedOptions obtained;
        obtained.options = ObtainOptions(false);
        if (obtained.options == nullptr)
            return 0;
        mOptionsRead = true;
    }
    else if (mTakesSealed && !mPassword.IsEmpty() && mPassword != mUnsealTried)
    {
        // A password given after the takes were asked for (or after an
        // import refused for the lack of it) opens the file for them now.
        mUnsealTried = mPassword;
        static_cast<KScnReaderScn*>(mReader)->SetPassword(mPassword.Buffer());
        RefreshTakes();
    }
    return static_cast<int>(mTakes.size());
}

KScnTakeDescription* KScnImporter::GetTakeDescription(int index)
{
    const int count = GetTakeCount();
    return index >= 0 && index < count ? &mTakes[static_cast<size_t>(index)] : nullptr;
}

bool KScnImporter::Import(KScnSceneRoot* scene, KStreamOptionsScn* options)
{
    std::unique_ptr<KScnReadUndo> undo;
    try
    {
        if (scene != nullptr && m_Manager != nullptr)
            undo = std::make_unique<KScnReadUndo>(*m_Manager, *scene);
        const bool ok = ImportScene(scene, options);
        // What the read put in layers is known before anything is destroyed.
        if (m_Manager != nullptr)
            m_Manager->SettleAllLayerItems();
        return ok;
    }
    catch (const std::exception&)
    {
        char why[KScnReadUndo::kReasonSize];
        KScnReadUndo::Reason("importing the file", why);
        if (undo != nullptr)
            undo->Restore();
        FailWith(why);
        return false;
    }
}

bool KScnImporter::ImportScene(KScnSceneRoot* scene, KStreamOptionsScn* options)
{
    KStreamOptionsScn defaults;
    if (mReader == nullptr && !OpenReader())
        return false;
    KStreamOptionsScn* used = options;
    SObtainedOptions obtained;
    if (used == nullptr && IsScnFormat(mFormat) && mOptionsRead)
    {
        FillOptions(defaults);
        used = &defaults;
    }
    else if (used == nullptr)
    {
        obtained.options = ObtainOptions(false);
        if (obtained.options == nullptr)
            return false;
        mOptionsRead = true;
        used = obtained.options;
        FillStates(*used);
    }
    m_OptionsInUse = used;
    const bool ok = mReader->ReadScene(scene, used);
    // The reader leaves the metadata it read in the options: an encrypted
    // file shows it only once opened, and caller-made options carry none.
    if (ok && used->GetSceneMetaData() != nullptr)
    {
        KeepMetaData(used->GetSceneMetaData());
    }
    if (ok && scene != nullptr && mMetaData != nullptr && used->GetOption(KStreamOptionsScn::eSceneInfo))
    {
        if (scene->GetSceneMetaData() == nullptr && m_Manager != nullptr)
        {
            scene->SetSceneMetaData(m_Manager->CreateSceneMetaData());
        }
        if (scene->GetSceneMetaData() != nullptr)
        {
            *scene->GetSceneMetaData() = *mMetaData;
        }
    }
    m_StatusText = mReader->GetStatusText();
    m_OptionsInUse = nullptr;
    if (ok && mTakesSealed)
        RefreshTakes();
    if (!ok)
        SetReadError(mReader->GetError().GetLastErrorID());
    return ok;
}

void KScnImporter::SetReadError(int readerId)
{
    if (readerId == KScnReader::eWrongPassword)
        m_Error.SetLastError(ePasswordError,
                             "File is password protected and the provided password is wrong.");
    else if (readerId >= eFileCorrupted && readerId <= eFileNotCreated)
        m_Error.SetLastErrorID(readerId);
    else
        m_Error.SetLastErrorID(eUnidentifiedError);
}

// The takes and the current take name of a protected file read while it was
// sealed, from the reader once it has opened the file; the caller's states
// stay.
void KScnImporter::RefreshTakes()
{
    SObtainedOptions obtained;
    obtained.options = mReader->CreateReadOptions(true);
    KStreamOptionsScn* options = obtained.options;
    if (options == nullptr)
        return;
    mTakesSealed = static_cast<KScnReaderScn*>(mReader)->IsSealed();
    if (!mTakesSealed)
    {
        mTakes = options->GetTakes();
        mCurrentTakeName = options->mCurrentTakeName;
    }
}

KStreamOptionsScn* KScnImporter::GetFileReadOptions(KScn* file)
{
    if (file == nullptr)
    {
        m_Error.SetLastErrorID(eFileNotCreated);
        return nullptr;
    }
    // The reader catches what its reading throws; making it may throw too.
    std::unique_ptr<KScnReaderScn> made;
    try
    {
        made = std::make_unique<KScnReaderScn>(m_Manager, this);
    }
    catch (const std::exception&)
    {
        char why[KScnReadUndo::kReasonSize];
        FailWith(KScnReadUndo::Reason("reading the file's options", why));
        return nullptr;
    }
    KScnReaderScn& reader = *made;
    KStreamOptionsScn* options = reader.CreateReadOptionsOfFile(*file);
    if (options == nullptr)
        m_Error.SetLastErrorID(eUnidentifiedError);
    return options;
}

bool KScnImporter::ImportFromFile(KScnSceneRoot* scene, KStreamOptionsScn* options, KScn* file)
{
    if (options == nullptr)
    {
        m_Error.SetLastErrorID(eStreamOptionsNotSet);
        return false;
    }
    if (file == nullptr)
    {
        m_Error.SetLastErrorID(eFileNotCreated);
        return false;
    }
    try
    {
        KScnReaderScn reader(m_Manager, this);
        m_OptionsInUse = options;
        const bool ok = reader.ReadFromFile(scene, options, *file);
        m_OptionsInUse = nullptr;
        m_StatusText = reader.GetStatusText();
        if (!ok)
            SetReadError(reader.GetError().GetLastErrorID());
        return ok;
    }
    catch (const std::exception&)
    {
        // Only the reader's making and its status text may throw here: the
        // read itself takes back what it made.
        char why[KScnReadUndo::kReasonSize];
        FailWith(KScnReadUndo::Reason("importing the file", why));
        return false;
    }
}

} // namespace scenesdk
