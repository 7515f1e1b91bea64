#include "scenesdk/animation/KFKeyRecord.h"

#include <cmath>
#include <cstring>

namespace scenesdk
{

namespace
{

// Float to 16-bit units of 1/9999, truncated. The product stays in float so
// that the smallest weight gives 1 unit, not 0. Out-of-range and NaN inputs
// cannot reach the int16 conversion.
int16_t ToFixed(float value)
{
    float units = value * KFCURVE_FIXED_WRITE;
    if (!(units == units))
    {
        return 0;
    }
    if (units > 32767.0f)
    {
        return 32767;
    }
    if (units < -32767.0f)
    {
        return -32767;
    }
    return static_cast<int16_t>(units);
}

} // namespace

void KFKeyRecord::Set(KTime time, float value, uint32_t interpolation, uint32_t tangentMode, float data0,
                      float data1, uint32_t weighted, float weight2, float weight3, float velocity4,
                      float velocity5)
{
    mTime = time;
    mValue = value;
    SetInterpolation(interpolation);
    SetTangentMode(tangentMode);
    mData[0] = data0;
    mData[1] = data1;
    SetWeightedMode(weighted, KFCURVE_WEIGHTED_ALL);
    SetData(2, weight2);
    SetData(3, weight3);
    SetData(4, velocity4);
    SetData(5, velocity5);
    mFlags &= ~KFCURVE_MARKED_ALL;
}

void KFKeyRecord::SetTCB(KTime time, float value, float tension, float continuity, float bias)
{
    mTime = time;
    mValue = value;
    SetInterpolation(KFCURVE_INTERPOLATION_CUBIC);
    SetTangentMode(KFCURVE_TANGENT_TCB);
    mFlags &= ~(KFCURVE_WEIGHTED_ALL | KFCURVE_VELOCITY_ALL | KFCURVE_MARKED_ALL);
    SetDataFloat(0, tension);
    SetDataFloat(1, continuity);
    SetDataFloat(2, bias);
}

void KFKeyRecord::SetInterpolation(uint32_t interpolation)
{
    const uint32_t next = interpolation & KFCURVE_INTERPOLATION_ALL;
    if (GetInterpolation() != KFCURVE_INTERPOLATION_CUBIC && next == KFCURVE_INTERPOLATION_CUBIC)
    {
        mFlags &= ~(KFCURVE_WEIGHTED_ALL | KFCURVE_VELOCITY_ALL);
        SetData(2, KFCURVE_DEFAULT_WEIGHT);
        SetData(3, KFCURVE_DEFAULT_WEIGHT);
        SetData(4, 0.0f);
        SetData(5, 0.0f);
    }
    mFlags = (mFlags & ~KFCURVE_INTERPOLATION_ALL) | next;
}

void KFKeyRecord::SetConstantMode(uint32_t mode)
{
    mFlags = (mFlags & ~KFCURVE_CONSTANT_ALL) | (mode & KFCURVE_CONSTANT_ALL);
}

void KFKeyRecord::SetTangentMode(uint32_t mode)
{
    mFlags = (mFlags & ~KFCURVE_TANGENT_ALL) | (mode & KFCURVE_TANGENT_ALL);
}

void KFKeyRecord::SetWeightedMode(uint32_t value, uint32_t mask)
{
    mask &= KFCURVE_WEIGHTED_ALL;
    mFlags = (mFlags & ~mask) | (value & mask);
}

void KFKeyRecord::SetVelocityMode(uint32_t value, uint32_t mask)
{
    mask &= KFCURVE_VELOCITY_ALL;
    mFlags = (mFlags & ~mask) | (value & mask);
}

void KFKeyRecord::SetSelected(bool selected)
{
    mFlags &= ~KFCURVE_SELECT_ALL;
    if (selected)
    {
        mFlags |= KFCURVE_SELECT_POINT;
    }
}

float KFKeyRecord::GetData(int index) const
{
    if (index == 0 || index == 1)
    {
        return mData[index];
    }
    if (index >= 2 && index <= 5)
    {
        return static_cast<float>(mFixed[index - 2]) * KFCURVE_FIXED_READ;
    }
    return 0.0f;
}

void KFKeyRecord::SetData(int index, float value)
{
    if (index == 0 || index == 1)
    {
        mData[index] = value;
        return;
    }
    if (index < 2 || index > 5)
    {
        return;
    }
    if (index <= 3)
    {
        // The lower clamp is written as (v >= min ? v : min) so that NaN
        // ends at the minimum weight.
        value = value > KFCURVE_MAX_WEIGHT ? KFCURVE_MAX_WEIGHT : value;
        value = value >= KFCURVE_MIN_WEIGHT ? value : KFCURVE_MIN_WEIGHT;
    }
    mFixed[index - 2] = ToFixed(value);
}

float KFKeyRecord::GetDataFloat(int index) const
{
    if (index == 0 || index == 1)
    {
        return mData[index];
    }
    float value = 0.0f;
    if (index == 2)
    {
        std::memcpy(&value, &mFixed[0], sizeof value);
    }
    return value;
}

void KFKeyRecord::SetDataFloat(int index, float value)
{
    if (index == 0 || index == 1)
    {
        mData[index] = value;
    }
    else if (index == 2)
    {
        std::memcpy(&mFixed[0], &value, sizeof value);
    }
}

void KFKeyRecord::Clear()
{
    mValue = 0.0f;
    mTime = KTime();
    mFlags = 0;
}

} // namespace scenesdk

static_assert(sizeof(scenesdk::KFKeyRecord) == 40, "25 keys must fit one 1,024-byte block");
