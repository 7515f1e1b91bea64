#include "scenesdk/kernel/KScnReadMeter.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace scenesdk
{

namespace
{
thread_local KScnReadMeter* tCurrent = nullptr;
thread_local KScnReadMeter::SFigures tLast;

uint64_t SaturatingAdd(uint64_t a, uint64_t b)
{
    return b > UINT64_MAX - a ? UINT64_MAX : a + b;
}
} // namespace

const char* const KScnReadMeter::kNames[eKindCount] = {
    "objects",     "properties",  "user properties",   "take records",        "channels", "curves", "keys",
    "connections", "use records", "time-warp samples", "layer merge samples",
};

uint64_t KScnReadMeter::NameBytes(const char* text)
{
    return text != nullptr ? std::strlen(text) : 0;
}

uint64_t KScnReadMeter::Budget(uint64_t fileBytes, double scale, uint64_t perFileByte)
{
    if (!(scale > 0.0) || !std::isfinite(scale))
        scale = 1.0;
    const double bytes = (static_cast<double>(kBaseBytes) +
                          static_cast<double>(perFileByte) * static_cast<double>(fileBytes)) *
                         scale;
    return bytes >= 1.8e19 ? UINT64_MAX : static_cast<uint64_t>(bytes);
}

KScnReadMeter::KScnReadMeter(uint64_t fileBytes, double scale, const char* optionsClass, uint64_t perFileByte)
    : mFileBytes(fileBytes), mScale(scale), mPerFileByte(perFileByte),
      mBudget(Budget(fileBytes, scale, perFileByte)),
      mOptionsClass(optionsClass != nullptr ? optionsClass : "KStreamOptionsScn")
{
    if (tCurrent == nullptr)
    {
        tCurrent = this;
        mInstalled = true;
    }
}

KScnReadMeter::~KScnReadMeter()
{
    if (!mInstalled)
        return;
    tCurrent = nullptr;
    tLast.mBudget = mBudget;
    tLast.mUsed = mUsed;
    tLast.mPeak = mPeak;
    tLast.mCounted = mCounted;
    for (int kind = 0; kind < eKindCount; ++kind)
        tLast.mCharged[kind] = mCharged[kind];
}

const KScnReadMeter::SFigures& KScnReadMeter::Last()
{
    return tLast;
}

KScnReadMeter* KScnReadMeter::Current()
{
    return tCurrent;
}

void KScnReadMeter::Add(EKind kind, uint64_t bytes) noexcept
{
    mCharged[kind] = SaturatingAdd(mCharged[kind], bytes);
    const bool within = mPeak <= mBudget;
    mUsed = SaturatingAdd(mUsed, bytes);
    mPeak = std::max(mPeak, mUsed);
    if (within && mPeak > mBudget)
        mPassedBy = kind;
}

void KScnReadMeter::Charge(EKind kind, uint64_t bytes)
{
    if (KScnReadMeter* meter = tCurrent)
    {
        meter->Add(kind, bytes);
        if (meter->IsOver() && std::uncaught_exceptions() == 0)
            throw KScnReadOverBudget(meter->Reason());
    }
}

void KScnReadMeter::Count(EKind kind, uint64_t bytes) noexcept
{
    if (KScnReadMeter* meter = tCurrent)
        meter->Add(kind, bytes);
}

void KScnReadMeter::Credit(EKind kind, uint64_t bytes) noexcept
{
    if (KScnReadMeter* meter = tCurrent)
    {
        const uint64_t credited = std::min(bytes, meter->mCharged[kind]);
        meter->mCharged[kind] -= credited;
        meter->mUsed -= std::min(credited, meter->mUsed);
    }
}

void KScnReadMeter::Check()
{
    Charge(eObjects, 0);
}

void KScnReadMeter::SetOptionsClass(const char* optionsClass)
{
    if (tCurrent != nullptr && optionsClass != nullptr)
        tCurrent->mOptionsClass = optionsClass;
}

void KScnReadMeter::NoteCounted(uint64_t bytes)
{
    if (tCurrent != nullptr)
        tCurrent->mCounted = std::max(tCurrent->mCounted, bytes);
}

void KScnReadMeter::AllowCounted()
{
    KScnReadMeter* meter = tCurrent;
    if (meter == nullptr)
        return;
    const double room = kCountedRoom * static_cast<double>(meter->mCounted);
    const uint64_t most = Budget(meter->mFileBytes, meter->mScale, kCountedBytesPerFileByte);
    meter->mCountedFloor = room >= static_cast<double>(most) ? most : static_cast<uint64_t>(room);
    meter->mBudget = std::max(meter->mBudget, meter->mCountedFloor);
}

void KScnReadMeter::AddSideFile(const std::string& path, uint64_t bytes)
{
    KScnReadMeter* meter = tCurrent;
    if (meter == nullptr || !meter->mSideFiles.insert(path).second)
        return;
    meter->mFileBytes = SaturatingAdd(meter->mFileBytes, bytes);
    meter->mBudget =
        std::max(Budget(meter->mFileBytes, meter->mScale, meter->mPerFileByte), meter->mCountedFloor);
}

std::string KScnReadMeter::Megabytes(double bytes, bool roundUp)
{
    const double mb = bytes / 1048576.0;
    const double unit = mb < 10.0 ? 0.1 : 1.0;
    const double shown = (roundUp ? std::ceil(mb / unit - 1e-9) : std::floor(mb / unit + 1e-9)) * unit;
    char text[32];
    std::snprintf(text, sizeof text, unit < 1.0 ? "%.1f" : "%.0f", shown);
    return text;
}

std::string KScnReadMeter::Reason() const
{
    return "the read would make more than its budget of " + Megabytes(double(mBudget), false) +
           " MB allows for a file of this size: " + kNames[mPassedBy] + "; " + mOptionsClass +
           "::mBudgetScale raises it";
}

} // namespace scenesdk
