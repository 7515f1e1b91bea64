#include "scenesdk/fileio/KStreamOptionsScn.h"

namespace scenesdk
{

KStreamOptionsScn::KStreamOptionsScn()
{
    for (bool& option : mOptions)
        option = true;
}

KStreamOptionsScn::~KStreamOptionsScn() = default;

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
