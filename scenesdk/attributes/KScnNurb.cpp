#include "scenesdk/attributes/KScnNurb.h"

#include "scenesdk/attributes/KScnPatch.h"

#include <climits>
#include <cstring>
#include <new>

namespace scenesdk
{

KScnNurb::KScnNurb(KScnSdkManager* manager) : KScnGeometry(manager)
{
    Reset();
}

KScnNurb::~KScnNurb()
{
    Reset();
}

void KScnNurb::Reset()
{
    mUKnots.reset();
    mVKnots.reset();
    mUMultiplicity.reset();
    mVMultiplicity.reset();
    mUOrder = mVOrder = 0;
    mUCount = mVCount = 0;
    mUStep = mVStep = 0;
    mUType = mVType = eOpen;
    mSurfaceMode = 4;
}

KScnNurb::ENurbType KScnNurb::NurbTypeFromText(const char* text)
{
    static const char* const kNames[] = {"Periodic", "Closed", "Open"};
    if (text != nullptr)
    {
        for (int i = 0; i < 3; ++i)
        {
            if (std::strcmp(text, kNames[i]) == 0)
            {
                return static_cast<ENurbType>(i);
            }
        }
    }
    return eOpen;
}

int KScnNurb::KnotCount(int count, int order, int type)
{
    const bool wraps = type == ePeriodic || type == eClosed;
    const long long knots =
        wraps ? static_cast<long long>(count) + 2LL * order - 1 : static_cast<long long>(count) + order;
    return (knots < 0 || knots > INT_MAX) ? -1 : static_cast<int>(knots);
}

void KScnNurb::SetOrder(int uOrder, int vOrder)
{
    mUOrder = uOrder;
    mVOrder = vOrder;
}

namespace
{
template <class T> std::unique_ptr<T[]> FilledArray(int count, T value)
{
    std::unique_ptr<T[]> out(new (std::nothrow) T[count > 0 ? count : 1]);
    if (out)
    {
        for (int i = 0; i < count; ++i)
        {
            out[i] = value;
        }
    }
    return out;
}
} // namespace

bool KScnNurb::InitControlPoints(int uCount, ENurbType uType, int vCount, ENurbType vType)
{
    const int points = SurfacePointCount(uCount, vCount);
    const int uKnots = KnotCount(uCount, mUOrder, uType);
    const int vKnots = KnotCount(vCount, mVOrder, vType);
    if (points < 0 || uKnots < 0 || vKnots < 0 || mUOrder < 0 || mVOrder < 0)
    {
        return false;
    }
    // Everything is allocated before anything is replaced.
    std::unique_ptr<double[]> newUKnots = FilledArray(uKnots, 0.0);
    std::unique_ptr<double[]> newVKnots = FilledArray(vKnots, 0.0);
    std::unique_ptr<int[]> newUMult = FilledArray(uCount, 1);
    std::unique_ptr<int[]> newVMult = FilledArray(vCount, 1);
    if (!newUKnots || !newVKnots || !newUMult || !newVMult || !KScnGeometryBase::InitControlPoints(points))
    {
        return false;
    }
    mUCount = uCount;
    mUType = uType;
    mVCount = vCount;
    mVType = vType;
    mUKnots = std::move(newUKnots);
    mVKnots = std::move(newVKnots);
    mUMultiplicity = std::move(newUMult);
    mVMultiplicity = std::move(newVMult);
    return true;
}

void KScnNurb::SetStep(int uStep, int vStep)
{
    mUStep = uStep;
    mVStep = vStep;
}

} // namespace scenesdk
