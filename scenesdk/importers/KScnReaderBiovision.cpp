#include "scenesdk/importers/KScnReaderBiovision.h"

#include "scenesdk/fileio/KScnReadBudget.h"
#include "scenesdk/importers/KScnFileBiovision.h"
#include "scenesdk/importers/KScnMotionBuilder.h"
#include "scenesdk/kernel/KScnNode.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <new>

namespace scenesdk
{

namespace
{

// How one joint's rotation channels become its rotation curves.
struct SRotationPlan
{
    int count = 0;
    // The turns, the first applied first (the file lists them the other way).
    int axes[6] = {};     // scene axis of each turn
    double signs[6] = {}; // -1 where the axis conversion flips the axis
    int columns[6] = {};  // the turn's value within a frame
    int order = eEulerXYZ;
    bool direct = false; // one Euler order holds the turns: the values are keyed as they are
};

class CBvhBuild
{
public:
    CBvhBuild(KScnMotionBuilder& motion, const KScnFileBiovision& file,
              const KStreamOptionsBiovision& options)
        : mMotion(motion), mFile(file), mOptions(options)
    {
    }

    bool Nodes();
    // The frames first .. first + count - 1, values frame by frame.
    bool Motion(const double* values, int64_t first, size_t count);

private:
    SRotationPlan PlanRotation(const KScnBvhJoint& joint) const;
    bool KeyTranslation(size_t joint);
    bool KeyRotation(size_t joint);
    size_t GatherGroup(size_t first, const double* values);
    // Channel c's values of every frame of the run, one after another (c
    // within the gathered group).
    const double* Column(int c) const
    {
        return mGroup.data() + (static_cast<size_t>(c) - mGroupFirst) * mColumns[0].size();
    }
    bool Key(size_t joint, KScnTakeKeys::EChannel channel, int axis, const double* values)
    {
        return mMotion.KeyFrames(mNodes[joint], channel, axis, values, mFrames.size(), 1, mFrames.data());
    }

    KScnMotionBuilder& mMotion;
    const KScnFileBiovision& mFile;
    const KStreamOptionsBiovision& mOptions;
    std::vector<KScnNode*> mNodes;
    std::vector<std::string> mNames;
    std::vector<SRotationPlan> mPlans;
    // Per joint: the angles of the last frame a rotation was worked out for
    // (its plan not direct), which the next frame's are kept near.
    std::vector<std::array<double, 3>> mPrevious;
    // The frames of the run being keyed.
    std::vector<int64_t> mFrames;
    std::vector<double> mColumns[3];
    // The channels [mGroupFirst, mGroupFirst + width) of a few joints, one
    // channel's frames after another: the frames hold every channel of a
    // frame together, and reading a channel down thousands of frames misses
    // the cache at every value.
    std::vector<double> mGroup;
    size_t mGroupFirst = 0;
};

// The widest group of channels gathered at once (a joint's own channels are
// gathered whole however far apart they lie).
constexpr size_t kGroupChannels = 32;

SRotationPlan CBvhBuild::PlanRotation(const KScnBvhJoint& joint) const
{
    SRotationPlan plan;
    for (int k = joint.mChannelCount - 1; k >= 0; --k)
    {
        if (joint.mChannels[k] < KScnFileBiovision::eXrotation)
            continue;
        const int file = joint.mChannels[k] - KScnFileBiovision::eXrotation;
        KScnMotionBuilder::MapAxis(mOptions, file, plan.axes[plan.count], plan.signs[plan.count]);
        plan.columns[plan.count++] = joint.mFirstChannel + k;
    }
    plan.order = KScnMotionBuilder::OrderOfSequence(plan.axes, plan.count);
    plan.direct = plan.order >= 0;
    if (!plan.direct)
    {
        // The axes in the order of their first turns.
        int distinct[3];
        int n = 0;
        for (int i = 0; i < plan.count; ++i)
        {
            bool seen = false;
            for (int j = 0; j < n; ++j)
                seen = seen || distinct[j] == plan.axes[i];
            if (!seen)
                distinct[n++] = plan.axes[i];
        }
        plan.order = KScnMotionBuilder::OrderOfSequence(distinct, n);
    }
    return plan;
}

bool CBvhBuild::Nodes()
{
    const std::vector<KScnBvhJoint>& joints = mFile.GetJoints();
    for (const KScnBvhJoint& joint : joints)
    {
        const size_t parent = static_cast<size_t>(joint.mParent);
        KScnNode* parentNode = joint.mParent >= 0 ? mNodes[parent] : nullptr;
        const std::string name = joint.mEndSite ? mNames[parent] + "_End" : joint.mName;
        KScnNode* node = mMotion.AddSkeletonNode(name, parentNode);
        if (node == nullptr)
            return false;
        mNodes.push_back(node);
        mNames.push_back(mMotion.GetLastName());
        double t[3] = {joint.mOffset[0], joint.mOffset[1], joint.mOffset[2]};
        mOptions.ConvertPosition(t[0], t[1], t[2]);
        node->SetLocalTranslation(t[0], t[1], t[2]);
        mPlans.push_back(PlanRotation(joint));
        mPrevious.push_back({0.0, 0.0, 0.0});
        KScnMotionBuilder::SetRotationOrder(node, mPlans.back().order);
    }
    return true;
}

bool CBvhBuild::Motion(const double* values, int64_t first, size_t count)
{
    mFrames.resize(count);
    for (size_t f = 0; f < count; ++f)
        mFrames[f] = first + static_cast<int64_t>(f);
    for (std::vector<double>& column : mColumns)
        column.resize(count);
    for (size_t j = 0; j < mNodes.size();)
    {
        const size_t last = GatherGroup(j, values);
        for (; j < last; ++j)
            if (!KeyTranslation(j) || !KeyRotation(j))
                return false;
    }
    return true;
}

size_t CBvhBuild::GatherGroup(size_t first, const double* run)
{
    const std::vector<KScnBvhJoint>& joints = mFile.GetJoints();
    size_t low = SIZE_MAX;
    size_t high = 0;
    size_t last = first;
    for (; last < mNodes.size(); ++last)
    {
        const KScnBvhJoint& joint = joints[last];
        if (joint.mChannelCount == 0)
            continue;
        const size_t begin = static_cast<size_t>(joint.mFirstChannel);
        const size_t end = begin + static_cast<size_t>(joint.mChannelCount);
        const size_t newLow = begin < low ? begin : low;
        const size_t newHigh = end > high ? end : high;
        if (low != SIZE_MAX && newHigh - newLow > kGroupChannels)
            break;
        low = newLow;
        high = newHigh;
    }
    if (low == SIZE_MAX)
        return last; // no channels: nothing to gather
    const size_t frames = mColumns[0].size();
    const size_t stride = static_cast<size_t>(mFile.GetChannelCount());
    const size_t width = high - low;
    mGroup.resize(width * frames);
    mGroupFirst = low;
    const double* values = run + low;
    for (size_t f = 0; f < frames; ++f)
    {
        const double* frame = values + f * stride;
        for (size_t c = 0; c < width; ++c)
            mGroup[c * frames + f] = frame[c];
    }
    return last;
}

bool CBvhBuild::KeyTranslation(size_t j)
{
    const KScnBvhJoint& joint = mFile.GetJoints()[j];
    int axes[6];
    int columns[6];
    int count = 0;
    for (int k = 0; k < joint.mChannelCount; ++k)
        if (joint.mChannels[k] <= KScnFileBiovision::eZposition)
        {
            axes[count] = joint.mChannels[k];
            columns[count++] = joint.mFirstChannel + k;
        }
    if (count == 0)
        return true;
    const bool add = joint.mParent < 0 || !mOptions.mPositionsReplaceOffset;
    const double* source[6];
    for (int i = 0; i < count; ++i)
        source[i] = Column(columns[i]);
    for (size_t f = 0; f < mColumns[0].size(); ++f)
    {
        double p[3] = {joint.mOffset[0], joint.mOffset[1], joint.mOffset[2]};
        for (int i = 0; i < count; ++i)
            p[axes[i]] = (add ? joint.mOffset[axes[i]] : 0.0) + source[i][f];
        mOptions.ConvertPosition(p[0], p[1], p[2]);
        for (int a = 0; a < 3; ++a)
            mColumns[a][f] = p[a];
    }
    for (int a = 0; a < 3; ++a)
        if (!Key(j, KScnTakeKeys::eTranslation, a, mColumns[a].data()))
            return false;
    return true;
}

bool CBvhBuild::KeyRotation(size_t j)
{
    const SRotationPlan& plan = mPlans[j];
    if (plan.count == 0)
        return true;
    const size_t frames = mColumns[0].size();
    const double* source[6];
    for (int i = 0; i < plan.count; ++i)
        source[i] = Column(plan.columns[i]);
    if (plan.direct)
    {
        for (int a = 0; a < 3; ++a)
        {
            int turn = 0;
            while (turn < plan.count && plan.axes[turn] != a)
                ++turn;
            std::vector<double>& column = mColumns[a];
            if (turn < plan.count && plan.signs[turn] > 0.0)
            {
                // Keyed straight from the frames.
                if (!Key(j, KScnTakeKeys::eRotation, a, source[turn]))
                    return false;
                continue;
            }
            for (size_t f = 0; f < frames; ++f)
                column[f] = turn < plan.count ? -source[turn][f] : 0.0;
            if (!Key(j, KScnTakeKeys::eRotation, a, column.data()))
                return false;
        }
        return true;
    }
    double* previous = mPrevious[j].data();
    for (size_t f = 0; f < frames; ++f)
    {
        double angles[6];
        for (int i = 0; i < plan.count; ++i)
            angles[i] = plan.signs[i] * source[i][f];
        double m[16];
        double xyz[3];
        KScnMotionBuilder::MatrixOfSequence(m, plan.axes, angles, plan.count);
        KScnMotionBuilder::AnglesOfMatrix(xyz, m, plan.order, mFrames[f] > 0 ? previous : nullptr);
        for (int a = 0; a < 3; ++a)
            mColumns[a][f] = previous[a] = xyz[a];
    }
    for (int a = 0; a < 3; ++a)
        if (!Key(j, KScnTakeKeys::eRotation, a, mColumns[a].data()))
            return false;
    return true;
}

} // namespace

bool KScnReaderBiovision::Read(KScnImportBuilder& builder, const KStreamOptionsBiovision& options)
{
    KScnFileBiovision file;
    std::string why;
    if (!file.ReadHeader(GetBytes().data(), GetBytes().size(), why))
        return Refuse(why);
    if (!CheckBudget(KScnReadBudget::kForeignNodes, file.GetJoints().size(), "nodes", options,
                     "KStreamOptionsBiovision"))
        return false;
    KScnMotionBuilder motion(builder, options.mTakeName.c_str());
    CBvhBuild build(motion, file, options);
    if (!build.Nodes())
        throw std::bad_alloc(); // memory ran out: error 0, "out of memory while ..."
    // A motion whose declared frames the clock takes is read and keyed a run
    // of frames at a time: a long motion's values would otherwise take as
    // much memory as a fifth of its keys. Else it is read whole, the clock
    // set by the frames read (fewer, which it may take).
    const double rate = 1.0 / file.GetFrameTime();
    const int64_t declared = file.GetDeclaredFrameCount();
    const bool runs = declared > 0 && motion.SetFrameRate(rate, 0, declared - 1, why);
    const size_t channels = static_cast<size_t>(file.GetChannelCount());
    const int64_t runFrames = runs && channels > 0 ? static_cast<int64_t>(mRunValues / channels) + 1 : declared;
    std::vector<double> values;
    int64_t first = 0;
    while (!file.AtEnd())
    {
        if (!file.ReadFrames(runFrames, values, why))
            return Refuse(why);
        const size_t count = values.size() / channels;
        if (!runs && count > 0 && !motion.SetFrameRate(rate, 0, static_cast<int64_t>(count) - 1, why))
        {
            char time[32];
            std::snprintf(time, sizeof time, "%g", file.GetFrameTime());
            return Refuse(std::string("Frame Time ") + time + ": " + why);
        }
        if (count > 0 && !build.Motion(values.data(), first, count))
            throw std::bad_alloc(); // memory ran out: error 0, "out of memory while ..."
        first += static_cast<int64_t>(count);
    }
    motion.FilterCurves();
    mStatus = JoinWarnings(file.GetWarnings()).c_str();
    return true;
}

} // namespace scenesdk
