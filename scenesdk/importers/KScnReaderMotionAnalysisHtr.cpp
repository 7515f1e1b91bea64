#include "scenesdk/importers/KScnReaderMotionAnalysisHtr.h"

#include "scenesdk/fileio/KScnReadBudget.h"
#include "scenesdk/importers/KScnFileMotionAnalysisHtr.h"
#include "scenesdk/importers/KScnMotionBuilder.h"
#include "scenesdk/kernel/KScnNode.h"
#include "scenesdk/kernel/KgeMath.h"

#include <new>

namespace scenesdk
{

namespace
{

class CHtrBuild
{
public:
    CHtrBuild(KScnMotionBuilder& motion, const KScnFileMotionAnalysisHtr& file,
              const KStreamOptionsMotionAnalysisHtr& options, double lengthFactor)
        : mMotion(motion), mFile(file), mOptions(options), mLength(lengthFactor),
          mAngle(file.IsRadians() ? kKgeRadToDeg : 1.0)
    {
        // The file's turns, the first applied first, as scene axes.
        const int* letters = file.GetOrderLetters();
        for (int i = 0; i < 3; ++i)
        {
            mFileAxes[i] = letters[options.mOrderLettersTurnFirst ? i : 2 - i];
            KScnMotionBuilder::MapAxis(options, mFileAxes[i], mSceneAxes[i], mSigns[i]);
        }
        mOrder = KScnMotionBuilder::OrderOfSequence(mSceneAxes, 3);
    }

    bool Nodes();
    bool Motion();

private:
    // A length vector of the file in scene units and axes.
    void Position(const double* file, double* scene) const
    {
        for (int a = 0; a < 3; ++a)
            scene[a] = file[a] * mLength;
        mOptions.ConvertDirection(scene[0], scene[1], scene[2]);
    }
    // Angles of the file (x, y, z, file units) as scene angles (x, y, z, degrees).
    void Angles(const double* file, double* scene) const
    {
        for (int i = 0; i < 3; ++i)
            scene[mSceneAxes[i]] = mSigns[i] * file[mFileAxes[i]] * mAngle;
    }
    bool Node(int index);
    bool KeySegment(size_t index);

    KScnMotionBuilder& mMotion;
    const KScnFileMotionAnalysisHtr& mFile;
    const KStreamOptionsMotionAnalysisHtr& mOptions;
    const double mLength;
    const double mAngle;
    int mFileAxes[3] = {};
    int mSceneAxes[3] = {};
    double mSigns[3] = {};
    int mOrder = eEulerXYZ;
    std::vector<KScnNode*> mNodes;
    std::vector<double> mColumns[6];
};

bool CHtrBuild::Nodes()
{
    mNodes.assign(mFile.GetSegments().size(), nullptr);
    for (int index : mFile.GetCreationOrder())
        if (!Node(index))
            return false;
    return true;
}

bool CHtrBuild::Node(int index)
{
    const KScnHtrSegment& segment = mFile.GetSegments()[static_cast<size_t>(index)];
    KScnNode* parent = segment.mParent >= 0 ? mNodes[static_cast<size_t>(segment.mParent)] : nullptr;
    KScnNode* node = mMotion.AddSkeletonNode(segment.mName, parent);
    if (node == nullptr)
        return false;
    mNodes[static_cast<size_t>(index)] = node;
    const std::string name = mMotion.GetLastName();
    double t[3];
    Position(segment.mBase, t);
    node->SetLocalTranslation(t[0], t[1], t[2]);
    KScnMotionBuilder::SetRotationOrder(node, mOrder);
    double base[3];
    Angles(segment.mBase + 3, base);
    if (base[0] != 0.0 || base[1] != 0.0 || base[2] != 0.0)
    {
        const double turns[3] = {base[mSceneAxes[0]], base[mSceneAxes[1]], base[mSceneAxes[2]]};
        double m[16];
        double xyz[3];
        KScnMotionBuilder::MatrixOfSequence(m, mSceneAxes, turns, 3);
        KgeMatrixToEulerXYZ(xyz, m);
        KScnMotionBuilder::SetPreRotation(node, xyz);
    }
    if (!mOptions.mAddEndNodes || segment.mChildCount > 0 || segment.mBase[6] == 0.0)
        return true;
    KScnNode* end = mMotion.AddSkeletonNode(name + "_End", node);
    if (end == nullptr)
        return false;
    double bone[3] = {0.0, 0.0, 0.0};
    bone[mFile.GetBoneAxis()] = segment.mBase[6];
    Position(bone, t);
    end->SetLocalTranslation(t[0], t[1], t[2]);
    return true;
}

bool CHtrBuild::Motion()
{
    for (size_t i = 0; i < mNodes.size(); ++i)
        if (!KeySegment(i))
            return false;
    return true;
}

bool CHtrBuild::KeySegment(size_t index)
{
    const KScnHtrSegment& segment = mFile.GetSegments()[index];
    const size_t count = segment.mFrames.size();
    if (count == 0)
        return true;
    for (std::vector<double>& column : mColumns)
        column.resize(count);
    for (size_t f = 0; f < count; ++f)
    {
        const double* values = segment.mValues.data() + 7 * f;
        const double sum[3] = {segment.mBase[0] + values[0], segment.mBase[1] + values[1],
                               segment.mBase[2] + values[2]};
        double t[3];
        double r[3];
        Position(sum, t);
        Angles(values + 3, r);
        for (int a = 0; a < 3; ++a)
        {
            mColumns[a][f] = t[a];
            mColumns[3 + a][f] = r[a];
        }
    }
    for (int c = 0; c < 6; ++c)
        if (!mMotion.KeyFrames(mNodes[index], c < 3 ? KScnTakeKeys::eTranslation : KScnTakeKeys::eRotation,
                               c % 3, mColumns[c].data(), count, 1, segment.mFrames.data()))
            return false;
    return true;
}

} // namespace

bool KScnReaderMotionAnalysisHtr::Read(KScnImportBuilder& builder,
                                       const KStreamOptionsMotionAnalysisHtr& options)
{
    if (!CheckOption(options.mSceneUnit, "scene unit"))
        return false;
    KScnFileMotionAnalysisHtr file;
    std::string why;
    if (!file.Read(GetBytes().data(), GetBytes().size(), why))
        return Refuse(why);
    size_t nodes = 0;
    for (const KScnHtrSegment& segment : file.GetSegments())
        nodes += options.mAddEndNodes && segment.mChildCount == 0 && segment.mBase[6] != 0.0 ? 2 : 1;
    if (!CheckBudget(KScnReadBudget::kForeignNodes, nodes, "nodes", options,
                     "KStreamOptionsMotionAnalysisHtr"))
        return false;
    std::vector<std::string> warnings = file.GetWarnings();
    double length = 0.0;
    if (!KScnMotionBuilder::FileUnitLength(file.GetUnitName(), options.mSceneUnit, options.mUnitScale,
                                           length) &&
        !file.GetUnitName().empty())
        warnings.push_back("unknown CalibrationUnits " + file.GetUnitName() +
                           ": lengths read with the unit scale");
    length *= file.GetScaleFactor();

    KScnMotionBuilder motion(builder, options.mTakeName.c_str());
    if (file.GetLastFrame() >= 0 && !motion.SetFrameRate(file.GetFrameRate(), 0, file.GetLastFrame(), why))
        return Refuse(why);
    CHtrBuild build(motion, file, options, length);
    if (!build.Nodes())
        throw std::bad_alloc(); // memory ran out: error 0, "out of memory while ..."
    if (!build.Motion())
        throw std::bad_alloc(); // memory ran out: error 0, "out of memory while ..."
    motion.FilterCurves();
    mStatus = JoinWarnings(warnings).c_str();
    return true;
}

} // namespace scenesdk
