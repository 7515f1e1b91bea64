#include "scenesdk/fileio/KStreamOptionsScn.h"

namespace scenesdk
{

KStreamOptionsScn::KStreamOptionsScn()
{
    for (bool& option : mOptions)
        option = true;
}

KStreamOptionsScn::~KStreamOptionsScn() = default;

void KStreamOptionsScn::SetSceneMetaData(const KScnSceneMetaData* metaData)
{
    if (metaData == nullptr)
    {
        mMetaData.reset();
        return;
    }
    if (metaData == mMetaData.get())
    {
        return;
    }
    auto copy = std::make_unique<KScnSceneMetaData>();
    *copy = *metaData;
    mMetaData = std::move(copy);
}

bool KStreamOptionsScn::GetOption(int index) const
{
    return index >= 0 && index < kOptionCount && mOptions[index];
}

void KStreamOptionsScn::SetOption(int index, bool value)
{
    if (index >= 0 && index < kOptionCount)
        mOptions[index] = value;
}

void KStreamOptionsScn::ReportProgress(void* object, const char* message, double value) const
{
    if (mProgress != nullptr)
        mProgress(object, message, value);
}

void KStreamOptionsScn::Destroy(int)
{
    delete this;
}

} // namespace scenesdk
