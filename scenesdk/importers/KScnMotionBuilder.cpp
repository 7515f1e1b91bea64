#include "scenesdk/importers/KScnMotionBuilder.h"

#include "scenesdk/animation/KFCurve.h"
#include "scenesdk/animation/KFCurveFilter.h"
#include "scenesdk/animation/KFCurveFilterConstantKeyReducer.h"
#include "scenesdk/animation/KFCurveFilterRotation.h"
#include "scenesdk/animation/KFCurveNode.h"
#include "scenesdk/animation/KFKeyRecord.h"
#include "scenesdk/animation/KScnNodeLimitsHelper.h"
#include "scenesdk/attributes/KScnMarker.h"
#include "scenesdk/attributes/KScnSkeleton.h"
#include "scenesdk/importers/KScnImportBuilder.h"
#include "scenesdk/importers/KStreamOptionsForeign.h"
#include "scenesdk/importers/KTextTokens.h"
#include "scenesdk/kernel/KMade.h"
#include "scenesdk/kernel/KScnNode.h"
#include "scenesdk/kernel/KScnSdkManager.h"
#include "scenesdk/kernel/KgeMath.h"

#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdio>

namespace scenesdk
{

namespace
{

// Axes of the Euler orders XYZ .. ZYX, the first turning first.
const int kOrderAxes[6][3] = {{0, 1, 2}, {0, 2, 1}, {1, 2, 0}, {1, 0, 2}, {2, 0, 1}, {2, 1, 0}};

std::string Number(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

// Curves hold floats: a value past their range is held at its end rather
// than converted (which would be undefined).
float ToFloat(double value)
{
    if (!(value < FLT_MAX))
        return FLT_MAX;
    if (!(value > -FLT_MAX))
        return -FLT_MAX;
    return static_cast<float>(value);
}

} // namespace

KScnMotionBuilder::KScnMotionBuilder(KScnImportBuilder& builder, const char* take)
    : mBuilder(builder), mTake(take == nullptr ? "" : (take[0] != '\0' ? take : "Take 001"))
{
    if (!mTake.empty())
        mBuilder.AddTake(mTake.c_str());
}

bool KScnMotionBuilder::SetFrameRate(double rate, int64_t firstFrame, int64_t lastFrame, std::string& why)
{
    if (!std::isfinite(rate) || rate <= 0.0 || rate > kMaxFrameRate)
    {
        why = "frame rate " + Number(rate) + " out of range";
        return false;
    }
    const int mode = KTime::FindTimeModeByRate(rate, rate * 0.001);
    const int64_t ticks = mode != 0 ? KTime::GetTicksPerFrame(mode) : 0;
    mRate = ticks > 0 ? KTime::GetFrameRate(mode) : rate;
    mTicksPerFrame = ticks;
    const double reach =
        std::fmax(std::fabs(static_cast<double>(firstFrame)), std::fabs(static_cast<double>(lastFrame)));
    if (lastFrame < firstFrame || reach / mRate > kMaxSeconds)
    {
        why = "motion of " + std::to_string(lastFrame) + " frames at " + Number(rate) + " fps too long";
        return false;
    }
    mFirstFrame = firstFrame;
    mLastFrame = lastFrame;
    return true;
}

KTime KScnMotionBuilder::GetFrameTime(int64_t frame) const
{
    if (mTicksPerFrame > 0)
        return KTime(frame * mTicksPerFrame);
    return KTime(std::llround(static_cast<double>(frame) * (static_cast<double>(KTime::kOneSecond) / mRate)));
}

KScnNode* KScnMotionBuilder::AddNode(const std::string& name, KScnNode* parent, const char* fallback)
{
    mLastName = mNames.Make(name, fallback);
    return mBuilder.CreateNode(mLastName.c_str(), parent);
}

KScnNode* KScnMotionBuilder::AddSkeletonNode(const std::string& name, KScnNode* parent)
{
    KScnNode* node = AddNode(name, parent, "Joint");
    KScnSkeleton* skeleton = node != nullptr ? mBuilder.GetManager()->CreateSkeleton() : nullptr;
    if (skeleton == nullptr)
        return nullptr;
    skeleton->SetSkeletonKind(parent == nullptr ? KScnSkeleton::eRoot : KScnSkeleton::eLimbNode);
    node->SetNodeAttribute(skeleton);
    return node;
}

KScnNode* KScnMotionBuilder::AddMarkerNode(const std::string& name, KScnNode* parent, bool optical)
{
    KScnNode* node = AddNode(name, parent, "Marker");
    KScnMarker* marker = node != nullptr ? mBuilder.GetManager()->CreateMarker() : nullptr;
    if (marker == nullptr)
        return nullptr;
    if (optical)
        marker->SetMarkerKind(KScnMarker::eOpticalMarker);
    node->SetNodeAttribute(marker);
    return node;
}

bool KScnMotionBuilder::KeyFrames(KScnNode* node, KScnTakeKeys::EChannel channel, int component,
                                  const double* values, size_t count, size_t stride, const int64_t* frames)
{
    if (mTake.empty() ||
        !KeyCurve(KScnTakeKeys::GetCurve(node, mTake.c_str(), channel, component), values, count, stride, frames))
        return false;
    if (channel == KScnTakeKeys::eRotation && count > 0 && mRotatedSet.insert(node).second)
        mRotated.push_back(node);
    return true;
}

void KScnMotionBuilder::FilterCurves()
{
    for (KScnNode* node : mRotated)
    {
        KFCurve* curves[3];
        bool all = true;
        for (int c = 0; c < 3; ++c)
            all = (curves[c] = KScnTakeKeys::GetCurve(node, mTake.c_str(), KScnTakeKeys::eRotation, c)) != nullptr &&
                  all;
        if (!all)
            continue;
        // The filters work on a rotation channel of the node's order: angles
        // are made nearer by turns and flips that keep the orientation.
        const int order = node->GetRotationOrder(0);
        const KFCurveFilterRotationNode channel(curves, order == eSphericXYZ ? KFCURVENODE_ROTATION_SPHERIC
                                                                            : 2 * order);
        // A channel that could not be made (memory ran out) fails the read.
        ApplyRotationFilter(KMade(channel.Get()), KTime(KTime::kMinusInfinite), KTime(KTime::kInfinite));
        // Curves the key synchronisation gave keys are reduced too.
        for (KFCurve* curve : curves)
            if (curve->GetKeyCount() > 0 && mKeyedSet.insert(curve).second)
                mKeyed.push_back(curve);
    }
    if (GetApplyConstantKeyReducer() && !mKeyed.empty())
    {
        KFCurveFilterConstantKeyReducer reducer;
        reducer.ApplyFilterToCurves(mKeyed.data(), static_cast<int>(mKeyed.size()));
    }
}

bool KScnMotionBuilder::KeyCurve(KFCurve* curve, const double* values, size_t count, size_t stride,
                                 const int64_t* frames)
{
    if (curve == nullptr)
        return false;
    if (count == 0)
        return true;
    const int first = curve->GetKeyCount();
    if (values == nullptr || stride == 0 || count > static_cast<size_t>(INT_MAX - first))
        return false;
    // The frames are checked first (within range, increasing, after the
    // curve's last key), so that the loop that keys them does nothing else.
    const auto frameAt = [this, frames](size_t i)
    { return frames != nullptr ? frames[i] : mFirstFrame + static_cast<int64_t>(i); };
    for (size_t i = 0; i < count; ++i)
        if (frameAt(i) < mFirstFrame || frameAt(i) > mLastFrame || (i > 0 && frameAt(i) <= frameAt(i - 1)))
            return false;
    if (first > 0 && !(curve->GetKeyTime(first - 1) < GetFrameTime(frameAt(0))))
        return false;
    if (!curve->ReserveKeys(first + static_cast<int>(count)))
        return false;
    // One linear key made once; each key is a copy with its time and value
    // (building every key from its parts costs as much as the rest of a read).
    KFKeyRecord key;
    key.Clear();
    key.Set(KTime(0), 0.0f, KFCURVE_INTERPOLATION_LINEAR);
    const double ticks = static_cast<double>(KTime::kOneSecond) / mRate;
    // Increasing frames give increasing times: the keys are appended as they
    // are, and the curve hears of them once.
    bool ok = true;
    curve->BeginKeyChanges();
    for (size_t i = 0; i < count && ok; ++i)
    {
        const int64_t frame = frameAt(i);
        key.mTime = KTime(mTicksPerFrame > 0 ? frame * mTicksPerFrame
                                             : std::llround(static_cast<double>(frame) * ticks));
        key.mValue = ToFloat(values[i * stride]);
        ok = curve->AppendKey(key) >= 0;
    }
    if (curve->GetKeyCount() > first)
    {
        curve->FireEvent(KFCURVEEVENT_KEY_ADDED, first);
        curve->FireEvent(KFCURVEEVENT_KEY_ADDED, curve->GetKeyCount() - 1);
    }
    curve->EndKeyChanges();
    if (ok && mKeyedSet.insert(curve).second)
        mKeyed.push_back(curve);
    return ok;
}

void KScnMotionBuilder::SetRotationOrder(KScnNode* node, int order)
{
    if (node == nullptr || order < eEulerXYZ || order > eEulerZYX)
        return;
    node->GetNodeProperties()->RotationOrder.SetValue(static_cast<ERotationOrder>(order));
    if (order == eEulerXYZ)
    {
        KScnNodeLimitsHelper(&node->GetLimits()).SetRotationOrder(true);
        return;
    }
    // The adapter names Euler XYZ and spheric orders only.
    node->SetRotationOrder(0, order);
    TurnRotationOn(node);
}

void KScnMotionBuilder::SetPreRotation(KScnNode* node, const double* angles)
{
    if (node == nullptr)
        return;
    const KgeTVector rotation(angles[0], angles[1], angles[2], 1.0);
    node->GetNodeProperties()->PreRotation.SetValue(rotation);
    // The rotation channel's "min-max" is the pre-rotation.
    KScnNodeLimitsHelper(&node->GetLimits()).SetChannelMinMax(KScnNodeLimits::eRotation, rotation);
    TurnRotationOn(node);
}

void KScnMotionBuilder::TurnRotationOn(KScnNode* node)
{
    if (node == nullptr)
        return;
    // The flag is stored inverted: false turns the rotation on.
    KScnNodeLimitsHelper(&node->GetLimits()).SetChannelFlag(KScnNodeLimits::eRotation, false);
    node->SetRotationSpaceForLimitOnly(0, false);
}

int KScnMotionBuilder::OrderOfSequence(const int* axes, int count)
{
    if (count < 0 || count > 3)
        return -1;
    int sequence[3];
    bool used[3] = {false, false, false};
    for (int i = 0; i < count; ++i)
    {
        if (axes[i] < 0 || axes[i] > 2 || used[axes[i]])
            return -1;
        used[axes[i]] = true;
        sequence[i] = axes[i];
    }
    for (int axis = 0, n = count; axis < 3; ++axis)
        if (!used[axis])
            sequence[n++] = axis;
    for (int order = 0; order < 6; ++order)
        if (kOrderAxes[order][0] == sequence[0] && kOrderAxes[order][1] == sequence[1])
            return order;
    return -1;
}

void KScnMotionBuilder::MatrixOfSequence(double* m, const int* axes, const double* angles, int count)
{
    KgeMatrixIdentity(m);
    for (int i = 0; i < count; ++i)
    {
        double xyz[3] = {0.0, 0.0, 0.0};
        if (axes[i] < 0 || axes[i] > 2)
            continue;
        xyz[axes[i]] = angles[i];
        double turn[16];
        KgeMatrixIdentity(turn);
        KgeMatrixFromEulerXYZ(turn, xyz[0], xyz[1], xyz[2]);
        KgeRotationMultiply(m, turn, m); // m then turn
    }
}

void KScnMotionBuilder::AnglesOfMatrix(double* xyz, const double* m, int order, const double* previous)
{
    if (order < eEulerXYZ || order > eEulerZYX)
        order = eEulerXYZ;
    double sequence[3];
    KgeMatrixToEulerOrder(sequence, m, 2 * order);
    for (int i = 0; i < 3; ++i)
        xyz[kOrderAxes[order][i]] = sequence[i];
    if (previous == nullptr)
        return;
    // The rotation channels' closest-angle choice, in the order's axes.
    int axes[3];
    KFCurveNode::GetAxisOrder(2 * order, axes);
    KFCurveNode::ClosestEuler(xyz, previous, xyz, axes);
}

void KScnMotionBuilder::MapAxis(const KStreamOptionsForeign& options, int axis, int& sceneAxis, double& sign)
{
    double v[3] = {0.0, 0.0, 0.0};
    v[axis >= 0 && axis <= 2 ? axis : 0] = 1.0;
    options.ConvertDirection(v[0], v[1], v[2]);
    sceneAxis = v[0] != 0.0 ? 0 : (v[1] != 0.0 ? 1 : 2);
    sign = v[sceneAxis] < 0.0 ? -1.0 : 1.0;
}

bool KScnMotionBuilder::UnitInMetres(std::string_view unit, double& metres)
{
    struct SUnit
    {
        const char* name;
        double metres;
    };
    static const SUnit kUnits[] = {{"mm", 0.001},
                                   {"millimeter", 0.001},
                                   {"millimeters", 0.001},
                                   {"millimetre", 0.001},
                                   {"millimetres", 0.001},
                                   {"cm", 0.01},
                                   {"centimeter", 0.01},
                                   {"centimeters", 0.01},
                                   {"centimetre", 0.01},
                                   {"centimetres", 0.01},
                                   {"dm", 0.1},
                                   {"decimeter", 0.1},
                                   {"decimeters", 0.1},
                                   {"decimetre", 0.1},
                                   {"decimetres", 0.1},
                                   {"m", 1.0},
                                   {"meter", 1.0},
                                   {"meters", 1.0},
                                   {"metre", 1.0},
                                   {"metres", 1.0},
                                   {"km", 1000.0},
                                   {"kilometer", 1000.0},
                                   {"kilometers", 1000.0},
                                   {"kilometre", 1000.0},
                                   {"kilometres", 1000.0},
                                   {"in", 0.0254},
                                   {"inch", 0.0254},
                                   {"inches", 0.0254},
                                   {"ft", 0.3048},
                                   {"foot", 0.3048},
                                   {"feet", 0.3048}};
    for (const SUnit& u : kUnits)
        if (KTextTokens::Same(unit, u.name))
        {
            metres = u.metres;
            return true;
        }
    return false;
}

bool KScnMotionBuilder::FileUnitLength(std::string_view unit, double sceneUnit, double unitScale,
                                       double& length)
{
    double metres = 0.0;
    const bool known = UnitInMetres(unit, metres);
    length = known ? metres / sceneUnit : unitScale;
    return known;
}

} // namespace scenesdk
