// The read meter: what a read makes, charged in bytes as it is made, held to
// the budget of the file's size. The meter on its own (budget, charges,
// refusal text, one meter a thread), then each kind of growth read through
// the importer at two small sizes: the charge of that kind grows with the
// size, and the read at a budget below what it makes stops with error 0, a
// reason naming the budget, and the scene and manager as before.

#include "scenesdk/animation/KFCurve.h"
#include "scenesdk/kernel/KScnFree.h"
#include "scenesdk/kernel/KScnImporter.h"
#include "scenesdk/kernel/KScnNode.h"
#include "scenesdk/kernel/KScnReadMeter.h"
#include "scenesdk/kernel/KScnSceneContents.h"
#include "scenesdk/kernel/KScnSceneRoot.h"
#include "scenesdk/kernel/KScnSdkManager.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <tuple>
#include <vector>

using namespace scenesdk;

namespace
{

using Meter = KScnReadMeter;

TEST(ReadMeter, BudgetGrowsWithTheFileAndTheScale)
{
    const uint64_t mb = uint64_t(1) << 20;
    EXPECT_EQ(Meter::Budget(0, 1.0), 160 * mb);
    EXPECT_EQ(Meter::Budget(mb, 1.0), 176 * mb);
    EXPECT_EQ(Meter::Budget(mb, 2.0), 352 * mb);
    EXPECT_EQ(Meter::Budget(mb, 1.0, Meter::kSceneBytesPerFileByte), 192 * mb); // a scene file
    EXPECT_EQ(Meter::Budget(mb, 0.5, Meter::kSceneBytesPerFileByte), 96 * mb);
    EXPECT_EQ(Meter::Budget(0, 0.0), 160 * mb); // not above 0: as 1
    EXPECT_EQ(Meter::Budget(0, -3.0), 160 * mb);
    EXPECT_EQ(Meter::Budget(0, 1e300), UINT64_MAX);
    EXPECT_EQ(Meter::Megabytes(1.01 * mb, true), "1.1");
    EXPECT_EQ(Meter::Megabytes(1.09 * mb, false), "1.0");
    EXPECT_EQ(Meter::Megabytes(160.5 * mb, false), "160");
    EXPECT_EQ(Meter::Megabytes(160.5 * mb, true), "161");
    // A scene file's read whose early count sees nearly all it makes gets room above it: a quarter more
    // than the count, as far as 36 bytes a byte of the file allow; kept past a side file.
    const auto allowed = [mb](uint64_t fileMb, uint64_t countedMb, double scale)
    {
        Meter meter(fileMb * mb, scale, "X", Meter::kSceneBytesPerFileByte);
        Meter::NoteCounted(countedMb * mb);
        Meter::AllowCounted();
        Meter::AddSideFile("/side", 0);
        return meter.GetBudget();
    };
    EXPECT_EQ(allowed(1, 0, 1.0), 192 * mb) << "nothing counted: the file's budget";
    EXPECT_EQ(allowed(1, 100, 1.0), 192 * mb) << "a quarter more is less";
    EXPECT_EQ(allowed(10, 400, 1.0), 500 * mb) << "a quarter more";
    EXPECT_EQ(allowed(1, 180, 1.0), 196 * mb) << "as far as 36 bytes a byte allow";
    EXPECT_EQ(allowed(10, 800, 2.0), 1000 * mb) << "the scale raises both";
}

TEST(ReadMeter, ChargesPastTheBudgetThrowTheReason)
{
    EXPECT_EQ(Meter::Current(), nullptr);
    Meter::Charge(Meter::eKeys, uint64_t(1) << 40); // no meter: nothing
    KFCurve* earlier[] = {KFCurve::Create(), KFCurve::Create()}; // curves made before the read
    ASSERT_TRUE(earlier[0]->ReserveKeys(10) && earlier[1]->ReserveKeys(400));
    {
        Meter meter(0, 1.0 / 160.0, "KStreamOptionsX"); // 1 MB
        ASSERT_EQ(Meter::Current(), &meter);
        {
            Meter inner(0, 100.0, "Y"); // another read's meter leaves the first in charge
            EXPECT_EQ(Meter::Current(), &meter);
        }
        EXPECT_EQ(Meter::Current(), &meter);
        Meter::Charge(Meter::eTakes, 1 << 20);
        EXPECT_FALSE(meter.IsOver());
        Meter::Count(Meter::eWarpSamples, 1); // past: counted, not thrown
        EXPECT_TRUE(meter.IsOver());
        EXPECT_EQ(meter.GetCharged(Meter::eTakes), uint64_t(1) << 20);
        // A curve and its keys freed are credited back; the peak stays.
        KFCurve* curve = KFCurve::Create();
        ASSERT_TRUE(curve->ReserveKeys(100));
        EXPECT_EQ(meter.GetCharged(Meter::eCurves), Meter::kCurveBytes);
        EXPECT_GE(meter.GetCharged(Meter::eKeys), 100 * Meter::kKeyBytes);
        KFCurve::Destroy(curve);
        EXPECT_EQ(meter.GetCharged(Meter::eCurves) + meter.GetCharged(Meter::eKeys), 0u);
        EXPECT_EQ(meter.GetUsed(), (uint64_t(1) << 20) + 1);
        // Curves made before the read, destroyed while it runs, are credited at most what it charged.
        KFCurve* made = KFCurve::Create();
        ASSERT_TRUE(made->ReserveKeys(100));
        const uint64_t keys = meter.GetCharged(Meter::eKeys);
        KFCurve::Destroy(earlier[0]);
        EXPECT_GT(meter.GetCharged(Meter::eKeys), 0u);
        EXPECT_LT(meter.GetCharged(Meter::eKeys), keys);
        KFCurve::Destroy(earlier[1]);
        EXPECT_EQ(meter.GetCharged(Meter::eCurves) + meter.GetCharged(Meter::eKeys), 0u);
        EXPECT_EQ(meter.GetUsed(), (uint64_t(1) << 20) + 1);
        KFCurve::Destroy(made);
        const std::string reason = "the read would make more than its budget of 1.0 MB allows for a file of "
                                   "this size: time-warp samples; KStreamOptionsX::mBudgetScale raises it";
        try
        {
            Meter::Check();
            ADD_FAILURE() << "Check past the budget did not throw";
        }
        catch (const KScnReadOverBudget& over)
        {
            EXPECT_EQ(over.what(), reason);
        }
        EXPECT_THROW(Meter::Charge(Meter::eKeys, 0), KScnReadOverBudget); // and again
        // A side file raises the budget, once however it is named.
        Meter::AddSideFile("/lib.mtl", 1 << 20);
        Meter::AddSideFile("/lib.mtl", 1 << 20);
        EXPECT_EQ(meter.GetBudget(), Meter::Budget(1 << 20, 1.0 / 160.0));
        EXPECT_NO_THROW(Meter::Check());
        Meter::SetOptionsClass("KStreamOptionsObj");
        EXPECT_NE(meter.Reason().find("KStreamOptionsObj::mBudgetScale raises it"), std::string::npos);
    }
    EXPECT_EQ(Meter::Current(), nullptr);
    EXPECT_EQ(Meter::Last().mCharged[Meter::eTakes], uint64_t(1) << 20);
    EXPECT_EQ(Meter::Last().mUsed, (uint64_t(1) << 20) + 1);
}

// A meter keeps its own bytes a byte of the file for the side files it
// is given (a scene file's 32, another's 16).
TEST(ReadMeter, SideFilesAtTheMetersOwnRate)
{
    for (const uint64_t perByte : {Meter::kBytesPerFileByte, Meter::kSceneBytesPerFileByte})
    {
        Meter meter(1 << 20, 1.0, "X", perByte);
        EXPECT_EQ(meter.GetBudget(), Meter::Budget(1 << 20, 1.0, perByte));
        Meter::AddSideFile("/side", 1 << 20);
        EXPECT_EQ(meter.GetBudget(), Meter::Budget(2 << 20, 1.0, perByte));
    }
}

TEST(ReadMeter, NothingThrownWhileAnExceptionUnwinds)
{
    Meter meter(0, 1.0 / 160.0 / 1024.0, "X"); // 1 KB
    struct SChargesWhenDestroyed
    {
        ~SChargesWhenDestroyed() { Meter::Charge(Meter::eObjects, 4096); }
    };
    try
    {
        SChargesWhenDestroyed charges;
        throw std::runtime_error("unwinding");
    }
    catch (const std::runtime_error&)
    {
    }
    EXPECT_TRUE(meter.IsOver());
}

// ---- Each kind of growth, read through the importer ----

std::string Numbered(int count, const std::function<std::string(int)>& item)
{
    std::string text;
    for (int i = 0; i < count; ++i)
        text += item(i);
    return text;
}

std::string N(int i)
{
    return std::to_string(i);
}

std::string Scene(const std::string& objects, const std::string& takes = std::string())
{
    return "; scene\nFileHeader: {\n Version: 6000\n}\nObjects: {\n" + objects + "}\n" +
           (takes.empty() ? std::string() : "Takes: {\n" + takes + "}\n");
}

// clang-format off
std::string Nulls(int count)
{
    return Numbered(count, [](int i) { return "Model: \"M" + N(i) + "\", \"Null\"\n"; });
}

std::string EmptyTakes(int count)
{
    return Numbered(count, [](int i) { return " Take: \"T" + N(i) + "\"\n"; });
}

std::string Curve(int keys, double seconds)
{
    std::string list;
    for (int k = 0; k < keys; ++k)
        list += (k == 0 ? "" : ", ") + std::to_string(int64_t(46186158000.0 * seconds * k / (keys - 1))) + ", " +
                N(k % 7) + ", L";
    return "Default: 0\nKeyVer: 4004\nKeyCount: " + N(keys) + "\nKey: " + list + "\n";
}

// Model M0, a mesh of one triangle with shapes named by nameBytes bytes and a number.
std::string Mesh(int shapes, size_t nameBytes)
{
    return "Model: \"M0\", \"Mesh\" {\n Mesh: {\n  ControlPoints: 0,0,0, 1,0,0, 0,1,0\n  PolygonSizes: 3\n"
           "  PolygonVertices: 0,1,2\n }\n" + Numbered(shapes, [&](int i) {
               return " Shape: \"" + std::string(nameBytes, 's') + N(i) + "\" { ControlPoints: 0,0,1, 1,0,1, 0,1,1 }\n"; }) + "}\n";
}

// Null model M<i> with user properties named as Mesh's shapes.
std::string Null(int i, int properties, size_t nameBytes)
{
    return "Model: \"M" + N(i) + "\", \"Null\" {\n" + Numbered(properties, [&](int k) {
               return " UserProperty: \"" + std::string(nameBytes, 'u') + N(k) + "\", \"Real\", \"\", 0.5\n"; }) + "}\n";
}

// A take of model M0..M(count-1), each with the channel text given.
std::string Take(const char* name, int count, const std::string& channel, const std::string& before = "")
{
    return " Take: \"" + std::string(name) + "\" {\n" + before +
           Numbered(count, [&](int i) { return "  Model: \"M" + N(i) + "\" {\n" + channel + "  }\n"; }) + " }\n";
}

// A list naming count objects prefix0, prefix1, ...
std::string Names(int count, const char* prefix)
{
    return Numbered(count, [&](int i) { return (i == 0 ? "\"" : ", \"") + std::string(prefix) + N(i) + "\""; });
}

// count Nulls whose Transform is warped over 100 s (3,000 samples a curve);
// nested: its T.X warped again inside.
std::string Warped(int count, bool nested)
{
    std::string warps = "  TimeWarps: {\n   TimeWarp: 1 {\n    Channel: \"TimeWarp\" {\n" + Curve(2, 100.0) +
                        "    }\n   }\n";
    if (nested)
        warps += "   TimeWarp: 2 {\n    Channel: \"TimeWarp\" {\n" + Curve(2, 100.0) + "    }\n   }\n";
    const std::string inner = nested ? "     Channel: \"X\" {\n" + Curve(2, 1.0) + "      TimeWarpID: 2\n     }\n" : "";
    return Scene(Nulls(count), Take("W", count, "   Channel: \"Transform\" {\n    Channel: \"T\" {\n" + inner +
                                                    "    }\n    TimeWarpID: 1\n   }\n", warps + "  }\n"));
}

// The T.X channel text holding the curve text.
std::string TX(const std::string& curve)
{
    return "   Channel: \"Transform\" {\n    Channel: \"T\" {\n     Channel: \"X\" {\n" + curve + "     }\n    }\n   }\n";
}

// count Nulls whose T.X has a layer keyed over 100 s (3,000 samples a stack).
std::string Layered(int count)
{
    return Scene(Nulls(count), Take("L", count, TX(Curve(2, 1.0) + "      LayerChannel: {\n       LayerID: 1\n" +
                                                   Curve(2, 100.0) + "      }\n")));
}

// A BVH of joints joints under the root, three rotations each, over frames
// frames (the first turning, the others still).
std::string Bvh(int joints, int frames)
{
    return "HIERARCHY\nROOT J\n{\n OFFSET 0 0 0\n CHANNELS 3 Zrotation Xrotation Yrotation\n" +
           Numbered(joints - 1, [](int j) { return " JOINT J" + N(j) + " {\n  OFFSET 0 1 0\n  CHANNELS 3 Zrotation "
                                                   "Xrotation Yrotation\n  End Site\n  {\n   OFFSET 0 1 0\n  }\n }\n"; }) +
           " End Site\n {\n  OFFSET 0 1 0\n }\n}\nMOTION\nFrames: " + N(frames) + "\nFrame Time: 0.0333\n" +
           Numbered(frames, [&](int f) { return N(f % 90) + Numbered(3 * joints - 1, [](int) { return " 1"; }) + "\n"; });
}

struct SGrowth
{
    const char* name;
    Meter::EKind kind;
    std::function<std::string(int)> file;
    int small, large;
    // A file read into the scene first (what earlier reads brought), of the size.
    std::function<std::string(int)> earlier = nullptr;
    // Bytes of the kind the meter holds at the end of the large read, per
    // unit of size (within 10%; 0: not checked).
    double perUnit = 0.0;
    const char* extension = "scn";
};

const std::vector<SGrowth>& Growths()
{
    static const std::vector<SGrowth> growths = {
        {"nulls", Meter::eProperties, [](int n) { return Scene(Nulls(n)); }, 10, 20},
        {"cameras", Meter::eProperties,
         [](int n) { return Scene(Numbered(n, [](int i) { return "Model: \"C" + N(i) + "\", \"Camera\"\n"; })); }, 5, 10},
        {"user properties", Meter::eUserProperties, [](int n) {
             return Scene("Model: \"U\", \"Null\" {\n" +
                          Numbered(n, [](int i) { return " UserProperty: \"u" + N(i) + "\", \"Real\", \"\", 1\n"; }) +
                          "}\n"); }, 20, 40},
        {"takes x objects", Meter::eTakes, [](int n) { return Scene(Nulls(10), EmptyTakes(n)); }, 10, 20},
        // A take that writes the mesh copies its channels and its shapes' (unwritten takes share one tree).
        {"shapes x written takes", Meter::eChannels, [](int n) { return Scene(Mesh(8, 1), EmptyTakes(50) +
             Numbered(n, [](int t) { return Take(("W" + N(t)).c_str(), 1, "   Channel: \"T\"\n"); })); }, 20, 40},
        {"written take entries", Meter::eChannels, [](int n) {
             return Scene(Nulls(5), Numbered(n, [](int t) { return Take(("T" + N(t)).c_str(), 5, "   Channel: \"T\"\n"); })); },
         4, 8},
        {"keys", Meter::eKeys, [](int n) { return Scene(Nulls(1), Take("K", 1, TX(Curve(n, 1.0)))); }, 2000, 4000,
         nullptr, 48},
        // The keys of curves copied by the filters are freed with them: the
        // meter holds the keys the scene keeps.
        {"motion keys", Meter::eKeys, [](int n) { return Bvh(1, n); }, 2000, 4000, nullptr, 48, "bvh"},
        {"motion curves", Meter::eCurves, [](int n) { return Bvh(n, 10); }, 10, 20, nullptr, 5962, "bvh"},
        {"curves", Meter::eCurves, [](int n) { return Scene(Nulls(n), Take("C", n, TX(Curve(2, 1.0)))); }, 10, 20,
         nullptr, 4042},
        // A name copied into every record and channel that keeps it.
        {"take name bytes", Meter::eTakes, [](int n) {
             return Scene(Nulls(10), " Take: \"" + std::string(size_t(n) * 1000, 't') + "\"\n"); }, 10, 20, nullptr,
         12067},
        // A shape's and a user property's name, in the one tree the takes that
        // do not write them share (the early count once saw a copy in each).
        {"shape name bytes in 400 takes", Meter::eChannels, [](int n) {
             return Scene(Mesh(1, size_t(n) * 10000), EmptyTakes(400)); }, 10, 20, nullptr, 20000},
        // (a patch's legacy shape channels looked for, none merged)
        {"patch shape name in 400 takes", Meter::eChannels, [](int n) {
             return Scene("Model: \"M0\", \"Patch\" {\n Patch: {\n  PatchType: Bezier, Bezier\n  Dimensions: 2, 2\n"
                          "  ControlPoints: 0,0,0, 1,0,0, 0,1,0, 1,1,0\n }\n Shape: \"" + std::string(size_t(n) * 1000, 's') +
                              "\" { ControlPoints: 0,0,1, 1,0,1, 0,1,1, 1,1,1 }\n}\n", EmptyTakes(400)); }, 500, 1000},
        {"user properties x written takes", Meter::eChannels, [](int n) { return Scene(Null(0, 8, 1), EmptyTakes(50) +
             Numbered(n, [](int t) { return Take(("W" + N(t)).c_str(), 1, "   Channel: \"T\"\n"); })); }, 20, 40},
        {"user property name in 400 takes", Meter::eChannels, [](int n) {
             return Scene(Null(0, 1, size_t(n) * 1000), EmptyTakes(400)); }, 500, 1000},
        {"user property names of many nulls", Meter::eChannels, [](int n) {
             return Scene(Numbered(n, [](int i) { return Null(i, 1, 10000); }), EmptyTakes(500)); }, 40, 80},
        // An OBJ read into a fresh scene: its default take is no take of an earlier read.
        {"OBJ groups", Meter::eObjects, [](int n) {
             return "v 0 0 0\nv 1 0 0\nv 0 1 0\n" + Numbered(n, [](int i) { return "g G" + N(i) + "\nf 1 2 3\n"; }); },
         20, 40, nullptr, 0.0, "obj"},
        {"use records", Meter::eUseRecords, [](int n) {
             return Scene(Numbered(n, [](int i) { return "Material: \"m" + N(i) + "\" { Properties: { Diffuse: " + N(i) + ", 0, 0 } }\n"; }) +
                          "Model: \"M\", \"Null\" {\n Materials: " + Names(n, "m") + "\n}\n"); }, 10, 20},
        {"connections", Meter::eConnections, [](int n) {
             return Scene(Numbered(n, [](int i) { return "Texture: \"t" + N(i) + "\" { FileName: \"t" + N(i) + ".tga\" }\n"; }) +
                          "Model: \"M\", \"Null\" {\n Textures: " + Names(n, "t") + "\n}\n"); }, 10, 20},
        {"time-warp samples", Meter::eWarpSamples, [](int n) { return Warped(n, false); }, 1, 2, nullptr, 1440480},
        // Samples under two nested warps evaluate both.
        {"nested time warps", Meter::eWarpSamples, [](int n) { return Warped(n, true); }, 1, 2, nullptr, 1872624},
        {"layer merge samples", Meter::eMergeSamples, Layered, 2, 4},
        // The takes of the first file on the nulls of a second.
        {"earlier takes", Meter::eTakes, [](int) { return Scene(Nulls(10)); }, 20, 40,
         [](int n) { return Scene(Nulls(1), EmptyTakes(n)); }},
        // The takes of a second file on the nulls of the first.
        {"earlier reads", Meter::eTakes, [](int) { return Scene(Nulls(1), EmptyTakes(10)); }, 20, 40,
         [](int n) { return Scene(Nulls(n)); }},
    };
    return growths;
}
// clang-format on

// What the manager holds and the scene's takes: a read stopped leaves them as they were.
using SState = std::tuple<int, int, int, int, int, int, std::vector<std::string>>;

SState StateOf(KScnSdkManager& manager, KScnSceneRoot& scene)
{
    KScnSceneContents* contents = scene.GetContents();
    int takes = 0;
    for (int i = 0; i < contents->GetNodeCount(); ++i)
        takes += contents->GetNode(i)->GetTakeNodeCount();
    return SState(manager.GetNodeCount(), manager.GetNodeAttributeCount(), manager.GetMaterialCount(),
                  manager.GetTextureCount(), manager.GetHandlerObjectCount(), takes, scene.GetTakeNames());
}

class ReadMeterGrowth : public testsupport::TempDirTest
{
protected:
    // Reads text into the scene at the scale; the status text goes to status.
    bool Read(KScnSceneRoot* scene, const std::string& text, double scale, std::string& status,
              const std::string& extension = "scn")
    {
        const std::string path = m_Dir.WriteFile("growth" + N(++mFiles) + "." + extension, text);
        KScnFree<KScnImporter> importer(&mManager);
        importer.SetFileFormat(KScnImporter::FindFileFormat(extension.c_str()));
        if (!importer.Initialize(path.c_str()))
            return false;
        KStreamOptionsScn* options = importer.GetImportOptions(true);
        options->mBudgetScale = scale;
        const bool read = importer.Import(scene, options);
        options->Destroy(0);
        status = importer.GetStatusText();
        mError = importer.GetLastErrorID();
        return read;
    }

    // The growth's file of size n read into a new scene (after its earlier
    // file); the meter's figures of that read.
    Meter::SFigures Measure(const SGrowth& g, int n)
    {
        KScnSceneRoot* scene = mManager.CreateScene();
        std::string status;
        EXPECT_TRUE(!g.earlier || Read(scene, g.earlier(n), 1.0, status)) << status;
        EXPECT_TRUE(Read(scene, g.file(n), 1.0, status, g.extension)) << status;
        mManager.DestroyScene(scene, true);
        return Meter::Last();
    }

    KScnSdkManager mManager;
    int mFiles = 0;
    int mError = -1;
};

TEST_F(ReadMeterGrowth, EachKindGrowsWithTheFileAndStopsAtTheBudget)
{
    for (const SGrowth& g : Growths())
    {
        SCOPED_TRACE(g.name);
        const Meter::SFigures small = Measure(g, g.small);
        const Meter::SFigures large = Measure(g, g.large);
        // Linear: the kind's charge grows as the size (less a part that does
        // not grow).
        const double ratio = double(g.large) / g.small;
        ASSERT_GT(small.mCharged[g.kind], 0u);
        EXPECT_GT(double(large.mCharged[g.kind]), 0.8 * ratio * double(small.mCharged[g.kind]));
        EXPECT_LT(double(large.mCharged[g.kind]), 1.1 * ratio * double(small.mCharged[g.kind]));
        if (g.perUnit > 0.0)
        {
            EXPECT_NEAR(double(large.mCharged[g.kind]) / g.large, g.perUnit, 0.1 * g.perUnit);
        }
        // The count made before the read never passes what the meter charges.
        EXPECT_LE(large.mCounted, large.mPeak);
        EXPECT_TRUE(large.mCounted > 0 || std::string(g.extension) != "scn"); // (a scene file is always counted)
        EXPECT_LE(large.mUsed, large.mPeak);

        // At a budget of half what the large read made: stopped, the scene
        // and the manager as they were.
        KScnSceneRoot* scene = mManager.CreateScene();
        std::string status;
        ASSERT_TRUE(!g.earlier || Read(scene, g.earlier(g.large), 1.0, status)) << status;
        const SState before = StateOf(mManager, *scene);
        const std::string text = g.file(g.large);
        // (the budget the read had at scale 1: a scene file's own)
        const bool sceneFile = std::string(g.extension) == "scn";
        EXPECT_EQ(large.mBudget, Meter::Budget(text.size(), 1.0, sceneFile ? Meter::kSceneBytesPerFileByte
                                                                        : Meter::kBytesPerFileByte));
        const double scale = double(large.mPeak) / 2.0 / double(large.mBudget);
        EXPECT_FALSE(Read(scene, text, scale, status, g.extension));
        EXPECT_EQ(mError, 0);
        EXPECT_NE(status.find("budget of "), std::string::npos) << status;
        EXPECT_NE(status.find("::mBudgetScale raises it"), std::string::npos) << status;
        EXPECT_EQ(StateOf(mManager, *scene), before);
        // What the meter alone sees names the kind that grew.
        if (g.kind == Meter::eWarpSamples || g.kind == Meter::eMergeSamples || g.kind == Meter::eKeys)
        {
            // (the samples, or the keys written from them)
            const bool named =
                status.find(std::string(": ") + Meter::kNames[g.kind] + ";") != std::string::npos ||
                status.find(": keys;") != std::string::npos;
            EXPECT_TRUE(named) << status;
        }
        // And read at the full budget.
        EXPECT_TRUE(Read(scene, text, 2.5 * scale, status, g.extension)) << status;
        mManager.DestroyScene(scene, true);
    }
}

} // namespace
