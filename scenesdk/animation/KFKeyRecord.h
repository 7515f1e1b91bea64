#pragma once

// KFKeyRecord: one key of a function curve (KFCurve), stored in place in the
// curve's key blocks. The layout is part of the storage contract: 25 records
// must fit one 1,024-byte block, so the record stays 40 bytes.
//
// Fields: value, time, flag bits (below), two floats data0/data1 and four
// signed 16-bit fixed-point numbers data2..data5 in units of 1/9999.
//   data0  right slope (user tangents, per second) or right auto bias (percent)
//   data1  the next key's left slope or left auto bias
//   data2  right weight, data3 the next key's left weight (0.00010001..0.99)
//   data4  right velocity, data5 the next key's left velocity
// A TCB key keeps tension, continuity and bias as raw floats over data0, data1
// and the four bytes of data2..data3 (raw float slot 2).

#include "scenesdk/animation/KTime.h"

#include <cstdint>

namespace scenesdk
{

// Interpolation (bits 0x0E).
constexpr uint32_t KFCURVE_INTERPOLATION_CONSTANT = 0x00000002;
constexpr uint32_t KFCURVE_INTERPOLATION_LINEAR = 0x00000004;
constexpr uint32_t KFCURVE_INTERPOLATION_CUBIC = 0x00000008;
constexpr uint32_t KFCURVE_INTERPOLATION_ALL = 0x0000000E;

// Constant keys: hold this key's value, or the next key's (same bit as auto).
constexpr uint32_t KFCURVE_CONSTANT_STANDARD = 0x00000000;
constexpr uint32_t KFCURVE_CONSTANT_NEXT = 0x00000100;
constexpr uint32_t KFCURVE_CONSTANT_ALL = 0x00000100;

// Tangent mode of cubic keys (bits 0xF00).
constexpr uint32_t KFCURVE_TANGENT_AUTO = 0x00000100;
constexpr uint32_t KFCURVE_TANGENT_TCB = 0x00000200;
constexpr uint32_t KFCURVE_TANGENT_USER = 0x00000400;
constexpr uint32_t KFCURVE_GENERIC_BREAK = 0x00000800;
constexpr uint32_t KFCURVE_TANGENT_BREAK = 0x00000C00;
constexpr uint32_t KFCURVE_TANGENT_AUTO_BREAK = 0x00000900;
constexpr uint32_t KFCURVE_TANGENT_ALL = 0x00000F00;

// Selection (bits 0x70000) and the bits every whole-key set clears.
constexpr uint32_t KFCURVE_SELECT_POINT = 0x00010000;
constexpr uint32_t KFCURVE_SELECT_LEFT = 0x00020000;
constexpr uint32_t KFCURVE_SELECT_RIGHT = 0x00040000;
constexpr uint32_t KFCURVE_SELECT_ALL = 0x00070000;
constexpr uint32_t KFCURVE_MARKED_ALL = 0x00300000;

// Weights and velocities in use.
constexpr uint32_t KFCURVE_WEIGHTED_NONE = 0x00000000;
constexpr uint32_t KFCURVE_WEIGHTED_RIGHT = 0x01000000;
constexpr uint32_t KFCURVE_WEIGHTED_NEXT_LEFT = 0x02000000;
constexpr uint32_t KFCURVE_WEIGHTED_ALL = 0x03000000;
constexpr uint32_t KFCURVE_VELOCITY_NONE = 0x00000000;
constexpr uint32_t KFCURVE_VELOCITY_RIGHT = 0x10000000;
constexpr uint32_t KFCURVE_VELOCITY_NEXT_LEFT = 0x20000000;
constexpr uint32_t KFCURVE_VELOCITY_ALL = 0x30000000;

// Data slots.
enum EKFCurveDataIndex
{
    KFCURVEKEY_RIGHT_SLOPE = 0,
    KFCURVEKEY_NEXT_LEFT_SLOPE = 1,
    KFCURVEKEY_RIGHT_AUTO = 0,
    KFCURVEKEY_NEXT_LEFT_AUTO = 1,
    KFCURVEKEY_RIGHT_WEIGHT = 2,
    KFCURVEKEY_NEXT_LEFT_WEIGHT = 3,
    KFCURVEKEY_RIGHT_VELOCITY = 4,
    KFCURVEKEY_NEXT_LEFT_VELOCITY = 5,
    // Raw float slots of a TCB key.
    KFCURVEKEY_TCB_TENSION = 0,
    KFCURVEKEY_TCB_CONTINUITY = 1,
    KFCURVEKEY_TCB_BIAS = 2
};

// Weight limits and the fixed-point scale. The read factor is a float
// constant on purpose: 1/3 stores 3333 and reads back exactly as float(1/3).
constexpr float KFCURVE_MIN_WEIGHT = 0.00010001f;
constexpr float KFCURVE_MAX_WEIGHT = 0.99f;
constexpr float KFCURVE_DEFAULT_WEIGHT = 1.0f / 3.0f;
constexpr float KFCURVE_FIXED_READ = 0.00010001f;
constexpr float KFCURVE_FIXED_WRITE = 9999.0f;

class KFKeyRecord
{
public:
    // Whole-key set: interpolation through SetInterpolation, the tangent
    // mode, data0/data1, the weighted bits under KFCURVE_WEIGHTED_ALL and
    // data2..data5 through the fixed-point writer; clears KFCURVE_MARKED_ALL.
    void Set(KTime time, float value, uint32_t interpolation = KFCURVE_INTERPOLATION_CUBIC,
             uint32_t tangentMode = KFCURVE_TANGENT_AUTO, float data0 = 0.0f, float data1 = 0.0f,
             uint32_t weighted = KFCURVE_WEIGHTED_NONE, float weight2 = KFCURVE_DEFAULT_WEIGHT,
             float weight3 = KFCURVE_DEFAULT_WEIGHT, float velocity4 = 0.0f, float velocity5 = 0.0f);
    // Cubic TCB key. Also clears the weighted and velocity bits: the bias
    // occupies the bytes of the weights.
    void SetTCB(KTime time, float value, float tension = 0.0f, float continuity = 0.0f, float bias = 0.0f);

    // Replaces bits 0x0E. Becoming cubic from another kind resets weights to
    // 1/3 and velocities to 0 and clears their bits.
    void SetInterpolation(uint32_t interpolation);
    uint32_t GetInterpolation() const { return mFlags & KFCURVE_INTERPOLATION_ALL; }
    void SetConstantMode(uint32_t mode);
    uint32_t GetConstantMode() const { return mFlags & KFCURVE_CONSTANT_ALL; }
    void SetTangentMode(uint32_t mode);
    uint32_t GetTangentMode() const { return mFlags & KFCURVE_TANGENT_ALL; }
    // Bits of value under mask (within KFCURVE_WEIGHTED_ALL / _VELOCITY_ALL).
    void SetWeightedMode(uint32_t value, uint32_t mask = KFCURVE_WEIGHTED_ALL);
    uint32_t GetWeightedMode() const { return mFlags & KFCURVE_WEIGHTED_ALL; }
    void SetVelocityMode(uint32_t value, uint32_t mask = KFCURVE_VELOCITY_ALL);
    uint32_t GetVelocityMode() const { return mFlags & KFCURVE_VELOCITY_ALL; }
    void SetSelected(bool selected);
    bool GetSelected() const { return (mFlags & KFCURVE_SELECT_POINT) != 0; }

    // Data slot 0..5: slots 0 and 1 are floats, 2..5 fixed point (weights
    // clamped to [KFCURVE_MIN_WEIGHT, KFCURVE_MAX_WEIGHT], velocities to the
    // 16-bit range). Other indices read 0 and write nothing.
    float GetData(int index) const;
    void SetData(int index, float value);
    // Raw float slot 0..2 (slot 2 spans data2 and data3); used by TCB keys.
    float GetDataFloat(int index) const;
    void SetDataFloat(int index, float value);

    float GetValue() const { return mValue; }
    void SetValue(float value) { mValue = value; }
    KTime GetTime() const { return mTime; }
    void SetTime(KTime time) { mTime = time; }
    uint32_t GetFlags() const { return mFlags; }
    void SetFlags(uint32_t flags) { mFlags = flags; }
    // Value, time and flags to zero.
    void Clear();

    float mValue;
    KTime mTime;
    uint32_t mFlags;
    float mData[2];
    int16_t mFixed[4];
};

} // namespace scenesdk
