#include "scenesdk/importers/KScnAcclaimSceneBuilder.h"

#include "scenesdk/importers/KScnAcclaimData.h"
#include "scenesdk/importers/KScnAsfParser.h"
#include "scenesdk/importers/KScnMotionBuilder.h"
#include "scenesdk/importers/KStreamOptionsAcclaim.h"
#include "scenesdk/kernel/KScnNode.h"
#include "scenesdk/kernel/KgeMath.h"

namespace scenesdk
{

namespace
{

// A rotation in the scene's row-vector form (a row vector v turns into
// v R), plain 3x3; Mul(a, b) turns by a first, then by b.
struct SRot
{
    double m[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
};

SRot Mul(const SRot& a, const SRot& b)
{
    SRot r;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            r.m[i][j] = a.m[i][0] * b.m[0][j] + a.m[i][1] * b.m[1][j] + a.m[i][2] * b.m[2][j];
    return r;
}

SRot Inverse(const SRot& a)
{
    SRot r;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            r.m[i][j] = a.m[j][i];
    return r;
}

void Turn(double* out, const double* v, const SRot& r)
{
    const double x = v[0], y = v[1], z = v[2];
    for (int j = 0; j < 3; ++j)
        out[j] = x * r.m[0][j] + y * r.m[1][j] + z * r.m[2][j];
}

// Angles about X, Y, Z applied in an ERotationOrder, exactly as a node with
// that order turns them.
SRot FromEuler(const double* angles, int order)
{
    KgePivotRotationRecord record;
    record.eulerCode = 2 * order;
    double m[16];
    KgeMatrixIdentity(m);
    KgeRotationFromPivotRecord(record, m, angles);
    SRot r;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            r.m[i][j] = m[4 * i + j];
    return r;
}

// XYZ angles of a rotation, as the node's pre-rotation takes them.
void ToEulerXYZ(double* angles, const SRot& r)
{
    double m[16];
    KgeMatrixIdentity(m);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            m[4 * i + j] = r.m[i][j];
    KgeMatrixToEulerXYZ(angles, m);
}

class CAcclaimBuild
{
public:
    CAcclaimBuild(KScnMotionBuilder& motion, const KScnAcclaimSkeleton& skeleton,
                  const KStreamOptionsAcclaim& options, std::string& warnings, std::string& why)
        : mMotion(motion), mSkeleton(skeleton), mOptions(options), mWarnings(warnings), mWhy(why),
          mScale(options.mUnitScale / skeleton.mLengthUnit)
    {
        // The axis conversion as a rotation of the whole skeleton.
        for (int i = 0; i < 3; ++i)
        {
            double axis[3] = {0.0, 0.0, 0.0};
            axis[i] = 1.0;
            options.ConvertDirection(axis[0], axis[1], axis[2]);
            for (int j = 0; j < 3; ++j)
                mAxes.m[i][j] = axis[j];
        }
    }

    bool Nodes();
    bool Motion(const KScnAcclaimMotion& motion);

private:
    KScnNode* Joint(const std::string& name, KScnNode* parent, const double* translation, const SRot& pre,
                    int order);
    bool KeyTrack(const KScnAcclaimTrack& track, int bone);
    bool Key(KScnNode* node, KScnTakeKeys::EChannel channel, int axis, const double* values, size_t stride);
    bool Fail(const std::string& reason)
    {
        mWhy = reason;
        return false;
    }

    KScnMotionBuilder& mMotion;
    const KScnAcclaimSkeleton& mSkeleton;
    const KStreamOptionsAcclaim& mOptions;
    std::string& mWarnings;
    std::string& mWhy;
    double mScale;
    SRot mAxes;
    KScnNode* mRoot = nullptr;
    SRot mRootFrame;
    std::vector<KScnNode*> mNodes;      // per bone
    std::vector<SRot> mFrames;          // per bone: its axis rotation C
    std::vector<int64_t> mFrameNumbers; // per frame of the motion: its number less the first's
    std::vector<int64_t> mTrack;        // the frames of the track being keyed
};

KScnNode* CAcclaimBuild::Joint(const std::string& name, KScnNode* parent, const double* translation,
                               const SRot& pre, int order)
{
    KScnNode* node = mMotion.AddSkeletonNode(name, parent);
    if (node == nullptr)
        return nullptr;
    // Set before any take is made: a take copies these as its defaults.
    node->SetLocalTranslation(translation[0], translation[1], translation[2]);
    double angles[3];
    ToEulerXYZ(angles, pre);
    // Through the node's limits adapter: the bone's axis as pre-rotation,
    // its dofs' order, the rotation on.
    KScnMotionBuilder::SetPreRotation(node, angles);
    KScnMotionBuilder::SetRotationOrder(node, order);
    return node;
}

bool CAcclaimBuild::Nodes()
{
    const double* p = mSkeleton.mRootPosition;
    double position[3] = {p[0] * mScale, p[1] * mScale, p[2] * mScale};
    Turn(position, position, mAxes);
    mRootFrame = FromEuler(mSkeleton.mRootOrientation, mSkeleton.mRootAxisOrder);
    mRoot = Joint(mSkeleton.mName.empty() ? std::string("root") : mSkeleton.mName, nullptr, position,
                  Mul(mRootFrame, mAxes), KScnAsfParser::OrderOfDofs(mSkeleton.mRootOrder));
    if (mRoot == nullptr)
        throw std::bad_alloc(); // memory ran out: error 0, "out of memory while ..."
    const size_t count = mSkeleton.mBones.size();
    mNodes.assign(count, nullptr);
    mFrames.resize(count);
    for (size_t i = 0; i < count; ++i)
        mFrames[i] = FromEuler(mSkeleton.mBones[i].mAxis, mSkeleton.mBones[i].mAxisOrder);
    for (int index : mSkeleton.mParentsFirst)
    {
        const KScnAcclaimBone& bone = mSkeleton.mBones[index];
        const bool underRoot = bone.mParent < 0;
        const SRot& parentFrame = underRoot ? mRootFrame : mFrames[bone.mParent];
        const SRot toParent = Inverse(parentFrame);
        // The bone starts at its parent's end (the root's children at the root).
        double start[3] = {0.0, 0.0, 0.0};
        if (!underRoot)
        {
            const KScnAcclaimBone& parent = mSkeleton.mBones[bone.mParent];
            for (int j = 0; j < 3; ++j)
                start[j] = parent.mDirection[j] * parent.mLength * mScale;
        }
        Turn(start, start, toParent);
        mNodes[index] = Joint(bone.mName, underRoot ? mRoot : mNodes[bone.mParent], start,
                              Mul(mFrames[index], toParent), KScnAsfParser::OrderOfDofs(bone.mDofs));
        if (mNodes[index] == nullptr)
            throw std::bad_alloc(); // memory ran out: error 0, "out of memory while ..."
        if (!bone.mChildren.empty())
            continue;
        double end[3];
        for (int j = 0; j < 3; ++j)
            end[j] = bone.mDirection[j] * bone.mLength * mScale;
        Turn(end, end, Inverse(mFrames[index]));
        if (Joint(bone.mName + "_end", mNodes[index], end, SRot(), 0) == nullptr)
            throw std::bad_alloc(); // memory ran out: error 0, "out of memory while ..."
    }
    return true;
}

bool CAcclaimBuild::Key(KScnNode* node, KScnTakeKeys::EChannel channel, int axis, const double* values,
                        size_t stride)
{
    if (!mMotion.KeyFrames(node, channel, axis, values, mTrack.size(), stride, mTrack.data()))
        throw std::bad_alloc(); // memory ran out: error 0, "out of memory while ..."
    return true;
}

bool CAcclaimBuild::KeyTrack(const KScnAcclaimTrack& track, int bone)
{
    const bool root = bone < 0;
    const std::vector<int>& dofs = root ? mSkeleton.mRootOrder : mSkeleton.mBones[bone].mDofs;
    KScnNode* node = root ? mRoot : mNodes[bone];
    const size_t n = dofs.size();
    const size_t samples = track.mFrames.size();
    mTrack.resize(samples);
    for (size_t s = 0; s < samples; ++s)
        mTrack[s] = mFrameNumbers[static_cast<size_t>(track.mFrames[s])];
    bool moves = false;
    for (size_t k = 0; k < n; ++k)
    {
        if (dofs[k] >= eAcclaimRX && dofs[k] <= eAcclaimRZ &&
            !Key(node, KScnTakeKeys::eRotation, dofs[k] - eAcclaimRX, track.mValues.data() + k, n))
            return false;
        moves = moves || dofs[k] <= eAcclaimTZ;
    }
    if (!moves)
        return true;
    // Translations: the root's are positions in world axes (turned by the
    // axis conversion); a bone's move its start along its own frame, seen
    // from its parent's frame.
    KgeTVector rest;
    node->GetLocalTranslation(rest);
    std::vector<double> positions(samples * 3);
    for (size_t s = 0; s < samples; ++s)
    {
        double t[3] = {0.0, 0.0, 0.0};
        for (size_t k = 0; k < n; ++k)
            if (dofs[k] <= eAcclaimTZ)
                t[dofs[k]] = track.mValues[s * n + k] * mScale;
        double* out = &positions[s * 3];
        if (root)
            Turn(out, t, mAxes);
        else
        {
            const int parent = mSkeleton.mBones[bone].mParent;
            Turn(out, t, Mul(mFrames[bone], Inverse(parent < 0 ? mRootFrame : mFrames[parent])));
        }
        for (int j = 0; j < 3; ++j)
            out[j] += rest.mData[j];
    }
    for (int axis = 0; axis < 3; ++axis)
        if (!Key(node, KScnTakeKeys::eTranslation, axis, positions.data() + axis, 3))
            return false;
    return true;
}

bool CAcclaimBuild::Motion(const KScnAcclaimMotion& motion)
{
    const std::vector<int64_t>& numbers = motion.mFrameNumbers;
    if (!numbers.empty())
    {
        const double span = (static_cast<double>(numbers.back()) - static_cast<double>(numbers.front())) /
                            mOptions.mFrameRate;
        if (!(span <= KScnMotionBuilder::kMaxSeconds))
            return Fail("frame " + std::to_string(numbers.back()) + " lies beyond the longest take");
        // Within the longest take the differences fit easily.
        mFrameNumbers.resize(numbers.size());
        for (size_t f = 0; f < numbers.size(); ++f)
            mFrameNumbers[f] = numbers[f] - numbers.front();
        if (!mMotion.SetFrameRate(mOptions.mFrameRate, 0, mFrameNumbers.back(), mWhy))
            return false;
    }
    int stretches = 0;
    for (size_t b = 0; b < motion.mTracks.size(); ++b)
    {
        const KScnAcclaimTrack& track = motion.mTracks[b];
        const int bone = b < mSkeleton.mBones.size() ? static_cast<int>(b) : -1;
        if (track.mFrames.empty())
            continue;
        if (!KeyTrack(track, bone))
            return false;
        for (int dof : bone < 0 ? mSkeleton.mRootOrder : mSkeleton.mBones[bone].mDofs)
            stretches += dof == eAcclaimL ? 1 : 0;
    }
    if (stretches > 0)
        mWarnings += std::string(mWarnings.empty() ? "" : "; ") + std::to_string(stretches) +
                     " stretch (l) channels not keyed";
    if (motion.mUnknownLines > 0)
        mWarnings += std::string(mWarnings.empty() ? "" : "; ") + std::to_string(motion.mUnknownLines) +
                     " lines of unknown bones skipped (first: " + motion.mFirstUnknown + ")";
    return true;
}

} // namespace

size_t KScnAcclaimSceneBuilder::NodeCount(const KScnAcclaimSkeleton& skeleton)
{
    size_t count = 1 + skeleton.mBones.size();
    for (const KScnAcclaimBone& bone : skeleton.mBones)
        count += bone.mChildren.empty() ? 1 : 0;
    return count;
}

bool KScnAcclaimSceneBuilder::Build(KScnImportBuilder& builder, const KScnAcclaimSkeleton& skeleton,
                                    const KScnAcclaimMotion* motion, const char* take,
                                    const KStreamOptionsAcclaim& options, std::string& warnings,
                                    std::string& why)
{
    KScnMotionBuilder motionBuilder(builder, motion != nullptr ? take : nullptr);
    CAcclaimBuild build(motionBuilder, skeleton, options, warnings, why);
    if (!build.Nodes())
        return false;
    if (motion == nullptr)
        return true;
    if (!build.Motion(*motion))
        return false;
    motionBuilder.FilterCurves();
    return true;
}

} // namespace scenesdk
