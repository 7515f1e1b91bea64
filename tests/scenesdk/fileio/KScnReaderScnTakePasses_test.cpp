// What the scene reader does to a take's channels once read, through the
// importer: the import pass filters only the channels it baked or merged;
// property values reach the default takes before the takes are read; a
// local span the caller gives a take moves its keys there.

#include "scenesdk/animation/KFCurve.h"
#include "scenesdk/animation/KFCurveNode.h"
#include "scenesdk/animation/KScnTakeNodeEntry.h"
#include "scenesdk/kernel/KScnImporter.h"
#include "scenesdk/kernel/KScnNode.h"
#include "scenesdk/kernel/KScnSceneContents.h"
#include "scenesdk/kernel/KScnSceneRoot.h"
#include "scenesdk/kernel/KScnSdkManager.h"
#include "scenesdk/kernel/KScnTexture.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

using namespace scenesdk;

namespace
{

constexpr int64_t kSecond = 46186158000LL;
constexpr double kNone = NAN;

using Scene = KScnSceneRoot;

KScnNode* P(Scene& s)
{
    return s.GetRootNode()->FindChild("P");
}

// The channel at path in the take of that name of the object (node P).
const KFCurveNode* ChannelOf(KScnTakeNodeContainer* object, const std::string& path, const char* take = "Run")
{
    for (int i = 0; object != nullptr && i < object->GetTakeNodeCount(); ++i)
        if (std::string(object->GetTakeNodeName(i)) == take)
            return object->GetTakeNode(i)->GetRootCurveNode()->FindDescendant(path.c_str());
    return nullptr;
}

// Of P's curve at "Transform/<path>" in take Run: 'n' the key count, 'v'
// key arg's value, 't' its time in seconds, '@' the value at arg seconds,
// 'c' the value of the whole channel at "<path>" (layers and warps).
double Of(Scene& s, const char* path, char what, double arg = 0)
{
    const KFCurveNode* channel = ChannelOf(P(s), (what == 'c' ? "" : "Transform/") + std::string(path));
    const KFCurve* c = channel != nullptr ? channel->GetFCurve() : nullptr;
    const int key = static_cast<int>(arg);
    KTime t;
    t.SetSeconds(arg);
    double value[4] = {kNone, kNone, kNone, kNone};
    if (what == 'c' && channel != nullptr)
        channel->Evaluate(value, t);
    if (c == nullptr || what == 'c')
        return value[0];
    if (what == 'n' || what == '@')
        return what == 'n' ? c->GetKeyCount() : c->Evaluate(t);
    return key >= c->GetKeyCount() ? kNone
           : what == 'v'           ? c->GetKeyValue(key)
                                   : c->GetKeyTime(key).GetSeconds();
}

// The default value of a default-take curve of the object.
double Default(KScnTakeNodeContainer* object, const char* path)
{
    const KFCurveNode* channel = ChannelOf(object, path, "Default");
    return channel != nullptr && channel->GetFCurve() != nullptr ? channel->GetFCurve()->GetDefaultValue()
                                                                 : kNone;
}

struct SCheck
{
    const char* what;
    std::function<double(Scene&)> got;
    double want;
};

struct SCase
{
    const char* rule;
    std::string body;
    std::vector<SCheck> checks;
    double spanStart = -1, spanStop = -1; // the caller's local span of take Run, seconds
};

// The curve fields of keys (time in seconds, value, interpolation letter).
std::string Keys(const std::vector<std::tuple<double, double, char>>& keys)
{
    std::string text = "Default: 0\nKeyVer: 4004\nKeyCount: " + std::to_string(keys.size()) + "\nKey: ";
    for (size_t i = 0; i < keys.size(); ++i)
        text += (i > 0 ? ", " : "") + std::to_string(static_cast<int64_t>(std::get<0>(keys[i]) * kSecond)) +
                ", " + std::to_string(std::get<1>(keys[i])) + ", " + std::get<2>(keys[i]) +
                (std::get<2>(keys[i]) == 'C' ? ", s" : ""); // a held key names its kind
    return text + "\n";
}

std::string Channel(const char* name, const std::string& inside)
{
    return std::string("Channel: \"") + name + "\" {\n" + inside + "}\n";
}

// A take "Run" of model P holding these channels (in "Transform" unless
// bare).
std::string TakeRun(const std::string& channels, const std::string& takeFields = "", bool bare = false)
{
    return "Objects: {\nModel: \"P\", \"Null\"\n}\nTakes: {\nTake: \"Run\" {\n" + takeFields +
           "Model: \"P\" {\n" + (bare ? channels : Channel("Transform", channels)) + "}\n}\n}\n";
}

// Time warp 1 plays the first second at half speed and holds after it;
// warp 2 is the identity over two seconds.
const std::string kWarps = "TimeWarps: {\nTimeWarp: 1 {\n" +
                           Channel("TimeWarp", Keys({{0, 0, 'L'}, {1, 0.5, 'L'}})) + "}\nTimeWarp: 2 {\n" +
                           Channel("TimeWarp", Keys({{0, 0, 'L'}, {2, 2, 'L'}})) + "}\n}\n";

// X keys 10, 370, 730 at 0, 1, 2 s, held: the same orientation three
// times, a turn apart each.
const std::string kTurnsX = Keys({{0, 10, 'C'}, {1, 370, 'C'}, {2, 730, 'C'}});
const std::string kTurns =
    Channel("X", kTurnsX) + Channel("Y", "Default: 0\n") + Channel("Z", "Default: 0\n");
const std::string kRamp = Keys({{0, 0, 'L'}, {1, 10, 'L'}});

class TakePassesTest : public testsupport::TempDirTest
{
protected:
    void Check(const std::vector<SCase>& cases)
    {
        for (const SCase& c : cases)
        {
            SCOPED_TRACE(std::string(c.rule) + "\n" + c.body);
            KScnSdkManager manager;
            KScnImporter& importer = *manager.CreateImporter();
            Scene* scene = manager.CreateScene();
            const std::string path =
                m_Dir.WriteFile("take.scn", "FileHeader: {\n Version: 6000\n}\n" + c.body);
            ASSERT_TRUE(importer.Initialize(path.c_str())) << importer.GetStatusText();
            for (int i = 0; c.spanStart >= 0 && i < importer.GetTakeCount(); ++i)
                if (std::string(importer.GetTakeDescription(i)->mName.Buffer()) == "Run")
                {
                    importer.GetTakeDescription(i)->mLocalTimeStart.SetSeconds(c.spanStart);
                    importer.GetTakeDescription(i)->mLocalTimeStop.SetSeconds(c.spanStop);
                }
            ASSERT_TRUE(importer.Import(scene)) << importer.GetStatusText();
            for (const SCheck& check : c.checks)
            {
                const double got = check.got(*scene);
                if (std::isnan(check.want) || std::isnan(got))
                    EXPECT_EQ(std::isnan(got), std::isnan(check.want)) << check.what << " gave " << got;
                else
                    EXPECT_NEAR(got, check.want, 1e-4) << check.what;
            }
        }
    }
};

// clang-format off
#define GOT(expr, want) SCheck{#expr, [](Scene& s) -> double { return (expr); }, static_cast<double>(want)}
// clang-format on

TEST_F(TakePassesTest, TheImportPassFiltersOnlyTheChannelsItChanged)
{
    Check({
        {"a rotation channel beside a warped one keeps its keys as written; the warped one is baked",
         TakeRun(Channel("T", Channel("X", kRamp) + "TimeWarpID: 1\n") + Channel("R", kTurns) +
                     Channel("S", Channel("X", Keys({{0, 1, 'L'}, {1, 1, 'L'}, {2, 1, 'L'}}))),
                 kWarps),
         {GOT(Of(s, "R/X", 'n'), 3), GOT(Of(s, "R/X", 'v', 1), 370), GOT(Of(s, "R/X", 'v', 2), 730),
          GOT(Of(s, "R/X", '@', 1.5), 370), GOT(Of(s, "S/X", 'n'), 3), GOT(Of(s, "T/X", '@', 0.5), 2.5)}},
        {"a warped rotation channel is unrolled after the bake",
         TakeRun(Channel("R", kTurns + "TimeWarpID: 2\n"), kWarps),
         {GOT(Of(s, "R/X", '@', 0.5), 10), GOT(Of(s, "R/X", '@', 1.5), 10), GOT(Of(s, "R/X", '@', 2.0), 10)}},
        {"an angle merged with its layer unrolls its rotation channel",
         TakeRun(Channel(
             "R", Channel("X", kTurnsX + "LayerChannel: {\nLayerID: 1\nLayerType: 1\nDefault: 0\n}\n") +
                      Channel("Y", "Default: 0\n") + Channel("Z", "Default: 0\n"))),
         {GOT(Of(s, "R/X", '@', 1.5), 10), GOT(Of(s, "R/X", '@', 2.0), 10)}},
        {"a warped flat channel loses its flat run",
         TakeRun(
             Channel("S", Channel("X", Keys({{0, 2, 'L'}, {1, 2, 'L'}, {2, 2, 'L'}})) + "TimeWarpID: 2\n") +
                 Channel("T", Channel("X", Keys({{0, 5, 'L'}, {1, 5, 'L'}, {2, 5, 'L'}}))),
             kWarps),
         {GOT(Of(s, "S/X", 'n'), 0), GOT(Of(s, "S/X", '@', 1.0), 2), GOT(Of(s, "T/X", 'n'), 3)}},
        {"an unwarped take without layers passes through",
         TakeRun(Channel("R", kTurns)),
         {GOT(Of(s, "R/X", 'n'), 3), GOT(Of(s, "R/X", 'v', 2), 730)}},
        // A layer's own warp is baked into the layer before the merge,
        // whatever its shape (a one-value layer too); only a base channel
        // without layers keeps a warp of its own (not merged, evaluating as
        // it did). Glow: a one-value channel, 0 to 10 over the first second.
        {"a one-value layer with a warp of its own",
         TakeRun(Channel("Glow", kRamp + "LayerType: 1\nLayerChannel: {\nLayerID: 1\nLayerType: 1\n" + kRamp +
                                     "TimeWarpID: 1\n}\n"),
                 kWarps, true),
         {GOT(Of(s, "Glow", 'c', 0.5), 7.5), GOT(Of(s, "Glow", 'c', 1.0), 15),
          GOT(ChannelOf(P(s), "Glow")->GetNextLayer() == nullptr, 1)}},
        {"a one-value base with a warp and no layer keeps it",
         TakeRun(Channel("Glow", kRamp + "TimeWarpID: 1\n"), kWarps, true),
         {GOT(Of(s, "Glow", 'c', 0.5), 2.5), GOT(ChannelOf(P(s), "Glow")->GetTimeWarp() != nullptr, 1)}},
    });
}

TEST_F(TakePassesTest, PropertyValuesReachTheDefaultTakeBeforeTheTakesAreRead)
{
    const std::string objects = "Objects: {\nModel: \"P\", \"Null\" {\nProperties: {\nVisibility: 0\n}\n}\n"
                                "Texture: \"T\" {\nFileName: \"t.tga\"\nProperties: {\nTranslation: 1, 2, 3\n"
                                "Scaling: 4, 5, 6\n}\n}\n}\n";
    Check({
        {"values set while reading reach their channels",
         objects,
         {GOT(Default(P(s), "Transform/Visibility"), 0),
          GOT(Default(s.GetContents()->GetTexture(0), "Translation/X"), 1),
          GOT(Default(s.GetContents()->GetTexture(0), "Scaling/Z"), 6)}},
        {"the file's default take comes after them",
         objects + "Takes: {\nTake: \"Default\" {\nTexture: \"T\" {\nChannel: \"Translation\" {\n"
                   "Channel: \"X\" {\nDefault: 9\n}\n}\n}\n}\n}\n",
         {GOT(Default(s.GetContents()->GetTexture(0), "Translation/X"), 9),
          GOT(Default(s.GetContents()->GetTexture(0), "Translation/Y"), 2)}},
    });
}

TEST_F(TakePassesTest, ALocalSpanGivenByTheCallerMovesTheTakesKeys)
{
    const std::string keys = Channel("T", Channel("X", Keys({{0, 0, 'L'}, {2, 20, 'L'}})));
    const std::string take = TakeRun(keys, "LocalTime: 0, " + std::to_string(2 * kSecond) + "\n");
    Check({
        {"the file's own span moves nothing",
         take,
         {GOT(Of(s, "T/X", 't', 0), 0), GOT(Of(s, "T/X", 't', 1), 2)},
         0,
         2},
        {"a later span of the same length shifts the keys",
         take,
         {GOT(Of(s, "T/X", 't', 0), 1), GOT(Of(s, "T/X", 't', 1), 3), GOT(Of(s, "T/X", 'v', 1), 20),
          GOT(s.GetTakeInfo("Run")->mLocalTimeStart.GetSeconds(), 1),
          GOT(s.GetTakeInfo("Run")->mLocalTimeStop.GetSeconds(), 3)},
         1,
         3},
        {"a longer span scales them",
         take,
         {GOT(Of(s, "T/X", 't', 0), 0), GOT(Of(s, "T/X", 't', 1), 4), GOT(Of(s, "T/X", '@', 2), 10)},
         0,
         4},
        {"a span elsewhere and shorter shifts and scales",
         take,
         {GOT(Of(s, "T/X", 't', 0), 10), GOT(Of(s, "T/X", 't', 1), 11)},
         10,
         11},
        {"an empty span moves nothing",
         take,
         {GOT(Of(s, "T/X", 't', 1), 2), GOT(s.GetTakeInfo("Run")->mLocalTimeStop.GetSeconds(), 2)},
         3,
         3},
        {"a file without a local span has nothing to move from",
         TakeRun(keys),
         {GOT(Of(s, "T/X", 't', 1), 2)},
         1,
         3},
    });
}

} // namespace
