#include "scenesdk/attributes/KScnPatch.h"

#include <climits>
#include <cstring>

namespace scenesdk
{

int SurfacePointCount(int uCount, int vCount)
{
    if (uCount < 0 || vCount < 0)
    {
        return -1;
    }
    const long long product = static_cast<long long>(uCount) * vCount;
    return product > INT_MAX ? -1 : static_cast<int>(product);
}

KScnPatch::KScnPatch(KScnSdkManager* manager) : KScnGeometry(manager)
{
    Reset();
}

KScnPatch::~KScnPatch()
{
    Reset();
}

void KScnPatch::Reset()
{
    mUType = mVType = eOther;
    mUCount = mVCount = 0;
    mUStep = mVStep = 0;
    mUClosed = mVClosed = false;
    mUCappedBottom = mUCappedTop = mVCappedBottom = mVCappedTop = false;
    mSurfaceMode = 4;
}

KScnPatch::EPatchType KScnPatch::PatchTypeFromText(const char* text)
{
    static const char* const kNames[] = {"Bezier", "BezierQuadric", "Cardinal", "BSpline"};
    if (text != nullptr)
    {
        for (int i = 0; i < 4; ++i)
        {
            if (std::strcmp(text, kNames[i]) == 0)
            {
                return static_cast<EPatchType>(i);
            }
        }
    }
    return eOther;
}

bool KScnPatch::InitControlPoints(int uCount, EPatchType uType, int vCount, EPatchType vType)
{
    const int count = SurfacePointCount(uCount, vCount);
    if (count < 0 || !KScnGeometryBase::InitControlPoints(count))
    {
        return false;
    }
    mUCount = uCount;
    mUType = uType;
    mVCount = vCount;
    mVType = vType;
    return true;
}

void KScnPatch::SetStep(int uStep, int vStep)
{
    mUStep = uStep;
    mVStep = vStep;
}

void KScnPatch::SetClosed(bool uClosed, bool vClosed)
{
    mUClosed = uClosed;
    mVClosed = vClosed;
}

void KScnPatch::SetUCapped(bool bottom, bool top)
{
    mUCappedBottom = bottom;
    mUCappedTop = top;
}

void KScnPatch::SetVCapped(bool bottom, bool top)
{
    mVCappedBottom = bottom;
    mVCappedTop = top;
}

} // namespace scenesdk
