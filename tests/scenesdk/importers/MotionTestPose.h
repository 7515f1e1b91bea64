#pragma once

// Shared by the motion reader tests: a file read through the importer or a
// reader, the nodes' names, curves, keys and take span checked; and the
// expected transforms built here with column vectors (p' = M p) and textbook
// axis turns, apart from the SDK's own (row-vector) maths, compared with
// what the scene's nodes evaluate once posed at a time of a take.

#include "scenesdk/animation/KFCurve.h"
#include "scenesdk/animation/KScnTakeNodeEntry.h"
#include "scenesdk/animation/KTime.h"
#include "scenesdk/fileio/KScnReader.h"
#include "scenesdk/kernel/KScnImporter.h"
#include "scenesdk/kernel/KScnNode.h"
#include "scenesdk/kernel/KScnSceneRoot.h"
#include "scenesdk/kernel/KScnSdkManager.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <initializer_list>
#include <string>
#include <vector>

namespace motiontest
{

using namespace scenesdk;

struct M4
{
    double m[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};
};

inline M4 operator*(const M4& a, const M4& b)
{
    M4 r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
        {
            r.m[i][j] = 0.0;
            for (int k = 0; k < 4; ++k)
                r.m[i][j] += a.m[i][k] * b.m[k][j];
        }
    return r;
}

inline M4 Translate(double x, double y, double z)
{
    M4 r;
    r.m[0][3] = x;
    r.m[1][3] = y;
    r.m[2][3] = z;
    return r;
}

// A right-handed turn about axis 0 (x), 1 (y) or 2 (z) by degrees.
inline M4 Turn(int axis, double degrees)
{
    const double a = degrees * 3.14159265358979323846 / 180.0;
    const int i = (axis + 1) % 3, j = (axis + 2) % 3;
    M4 r;
    r.m[i][i] = std::cos(a);
    r.m[i][j] = -std::sin(a);
    r.m[j][i] = std::sin(a);
    r.m[j][j] = std::cos(a);
    return r;
}

// Turns about the axes the letters name ("zxy", any case), by the angles
// in the same order, the first letter's turn applied first to a point.
inline M4 TurnsInOrder(const std::string& axes, const std::vector<double>& degrees)
{
    M4 r;
    for (size_t i = 0; i < axes.size() && i < degrees.size(); ++i)
        r = Turn((axes[i] | 0x20) - 'x', degrees[i]) * r;
    return r;
}

// The node's global transform in column form (the SDK stores the transpose).
inline M4 GlobalOf(KScnNode* node)
{
    const double* g = node->ComputeGlobalTransform();
    M4 r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            r.m[i][j] = g[4 * j + i];
    return r;
}

inline void ExpectNear(const M4& actual, const M4& expected, double eps)
{
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 4; ++j)
            EXPECT_NEAR(actual.m[i][j], expected.m[i][j], eps) << "element " << i << ", " << j;
}

inline KTime Frame(int64_t frame, int mode)
{
    return KTime(frame * KTime::GetTicksPerFrame(mode));
}

inline KTime Seconds(double seconds)
{
    KTime time;
    time.SetSeconds(seconds);
    return time;
}

// Whether a file was read, with that status text (nullptr: any).
inline testing::AssertionResult Outcome(bool read, const char* text, const char* status)
{
    if (!read || (status != nullptr && std::string(text) != status))
        return testing::AssertionFailure() << (read ? "status: " : "not read: ") << text;
    return testing::AssertionSuccess();
}

// Reads path into scene through the importer in the format.
inline testing::AssertionResult Imported(KScnSdkManager& manager, KScnSceneRoot* scene,
                                         const std::string& path, int format,
                                         KStreamOptionsScn* options = nullptr, const char* status = "")
{
    KScnImporter* importer = manager.CreateImporter();
    importer->SetFileFormat(format);
    const bool read = importer->Initialize(path.c_str()) && importer->Import(scene, options);
    return Outcome(read, importer->GetStatusText(), status);
}

// The same with a reader of the format.
inline testing::AssertionResult Read(KScnReader& reader, KScnSceneRoot* scene, const std::string& path,
                                     KStreamOptionsScn* options, const char* status = "")
{
    const bool read = reader.OpenFile(path.c_str()) && reader.ReadScene(scene, options);
    return Outcome(read, reader.GetStatusText(), status);
}

// The node's children, expected named as listed (without "Model::") and in
// that order; none when their count is not the list's.
inline std::vector<KScnNode*> Children(KScnNode* node, std::initializer_list<const char*> names)
{
    std::vector<KScnNode*> children;
    EXPECT_EQ(node->GetChildCount(), static_cast<int>(names.size())) << node->GetName();
    for (const char* name : names)
        if (node->GetChildCount() == static_cast<int>(names.size()))
        {
            children.push_back(node->GetChild(static_cast<int>(children.size())));
            EXPECT_EQ(std::string(children.back()->GetName()), std::string("Model::") + name);
        }
    return children;
}

// The curve of the node's translation ('T'), rotation ('R') or scaling
// ('S') component (0 x, 1 y, 2 z) in the take; null when the node lacks it.
inline KFCurve* CurveOf(KScnNode* node, const char* take, char channel, int axis)
{
    if (!node->SelectTakeNodeByName(take))
        return nullptr;
    KScnTakeNodeEntry* e = node->GetCurrentTakeNode();
    KFCurve* const curves[3][3] = {
        {e->GetTranslationXCurve(), e->GetTranslationYCurve(), e->GetTranslationZCurve()},
        {e->GetRotationXCurve(), e->GetRotationYCurve(), e->GetRotationZCurve()},
        {e->GetScalingXCurve(), e->GetScalingYCurve(), e->GetScalingZCurve()}};
    return curves[channel == 'T' ? 0 : (channel == 'R' ? 1 : 2)][axis];
}

// Sets every keyed transform curve's default value (what a node evaluates)
// in the take to its value at time, on the node and its subtree.
inline void PoseAt(KScnNode* node, const char* take, KTime time)
{
    for (char channel : {'T', 'R', 'S'})
        for (int axis = 0; axis < 3; ++axis)
            if (KFCurve* curve = CurveOf(node, take, channel, axis); curve && curve->GetKeyCount() > 0)
                curve->SetDefaultValue(curve->Evaluate(time));
    for (int i = 0; i < node->GetChildCount(); ++i)
        PoseAt(node->GetChild(i), take, time);
}

// The node's translation ('T') or rotation ('R') in the take at time:
// expected x, y, z (a NAN component is not checked).
inline void ExpectAt(KScnNode* node, const char* take, char channel, KTime time,
                     const std::array<double, 3>& expected, double eps = 1e-4)
{
    for (int axis = 0; axis < 3; ++axis)
        if (!std::isnan(expected[axis]))
        {
            KFCurve* curve = CurveOf(node, take, channel, axis);
            ASSERT_NE(curve, nullptr) << node->GetName() << " " << channel << axis;
            EXPECT_NEAR(curve->Evaluate(time), expected[axis], eps)
                << node->GetName() << " " << channel << axis;
        }
}

// The curve keyed at exactly these times and no others.
inline void ExpectKeyTimes(KFCurve* curve, std::initializer_list<KTime> times)
{
    ASSERT_NE(curve, nullptr);
    ASSERT_EQ(curve->GetKeyCount(), static_cast<int>(times.size()));
    int i = 0;
    for (const KTime& time : times)
        EXPECT_EQ(curve->GetKeyTime(i++).Get(), time.Get()) << "key " << i - 1;
}

// The node's take spans start to stop.
inline void ExpectSpan(KScnNode* node, const char* take, KTime start, KTime stop)
{
    ASSERT_TRUE(node->SelectTakeNodeByName(take)) << node->GetName();
    KTime from(KTime::kInfinite), to(KTime::kMinusInfinite);
    ASSERT_TRUE(node->GetCurrentTakeInterval(from, to));
    EXPECT_EQ(from.Get(), start.Get());
    EXPECT_EQ(to.Get(), stop.Get());
}

// A test whose files are written into its own folder and each read into a
// fresh scene of one manager (the scene read before it destroyed).
class MotionFileTest : public testing::Test
{
protected:
    ~MotionFileTest() override
    {
        if (mScene != nullptr)
            mManager.DestroyScene(mScene, true);
    }

    // Writes text as the named file and reads it in the format into a fresh scene.
    testing::AssertionResult Read(const std::string& name, const std::string& text, int format,
                                  KStreamOptionsScn* options = nullptr, const char* status = "")
    {
        return Imported(mManager, Fresh(), mDir.WriteFile(name, text), format, options, status);
    }
    KScnSceneRoot* Fresh()
    {
        if (mScene != nullptr)
            mManager.DestroyScene(mScene, true);
        return mScene = mManager.CreateScene();
    }
    KScnNode* Child(int i) const { return mScene->GetRootNode()->GetChild(i); }
    // The node named (without "Model::") under the root; null with a failure when missing.
    KScnNode* Node(const std::string& name) const
    {
        KScnNode* node = mScene->GetRootNode()->FindChild(("Model::" + name).c_str());
        EXPECT_NE(node, nullptr) << name;
        return node;
    }

    testsupport::TempDir mDir;
    KScnSdkManager mManager;
    KScnSceneRoot* mScene = nullptr;
};

} // namespace motiontest
