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
#include <string>
#include <tuple>
#include <vector>

using namespace scenesdk;

namespace
{

constexpr int64_t kSecond = 46186158000LL;
constexpr double kNone = NAN;

using Scene = KScnSceneRoot;

// The channel at path in the object's take of that name.
const KFCurveNode* ChannelOf(KScnTakeNodeContainer* object, const std::string& path, const char* take)
{
    for (int i = 0; object != nullptr && i < object->GetTakeNodeCount(); ++i)
        if (std::string(object->GetTakeNodeName(i)) == take)
            return object->GetTakeNode(i)->GetRootCurveNode()->FindDescendant(path.c_str());
    return nullptr;
}

// A value read after the import, with the value it must have.
struct SCheck
{
    const char* path;
    char what;
    double arg;
    double want;
};

// What a check reads of node P's take Run, at "Transform/<path>" or else
// "<path>": 'n' the key count, 'v' key arg's value, 't' its time in
// seconds, '@' the curve at arg seconds, 'c' the whole channel (layers and
// warps) at arg seconds, 'l' 1 when no layer is left, 'w' 1 when it keeps a
// warp; of a default take, 'd' the default value of P's channel, 'x' of
// texture 0's; 's' and 'e' the start and stop of take Run's local span.
double Of(Scene& s, const SCheck& c)
{
    const KScnTakeDescription* run = s.GetTakeInfo("Run");
    if (c.what == 's' || c.what == 'e')
        return run == nullptr ? kNone
                              : (c.what == 's' ? run->mLocalTimeStart : run->mLocalTimeStop).GetSeconds();
    KScnTakeNodeContainer* object = c.what == 'x'
                                        ? static_cast<KScnTakeNodeContainer*>(s.GetContents()->GetTexture(0))
                                        : s.GetRootNode()->FindChild("P");
    const char* take = c.what == 'd' || c.what == 'x' ? "Default" : "Run";
    const KFCurveNode* channel = ChannelOf(object, std::string("Transform/") + c.path, take);
    channel = channel != nullptr ? channel : ChannelOf(object, c.path, take);
    const KFCurve* curve = channel != nullptr ? channel->GetFCurve() : nullptr;
    const int key = static_cast<int>(c.arg);
    KTime t;
    t.SetSeconds(c.arg);
    double value[4] = {kNone, kNone, kNone, kNone};
    if (channel != nullptr && c.what == 'c')
        channel->Evaluate(value, t);
    if (channel != nullptr && (c.what == 'l' || c.what == 'w'))
        return c.what == 'l' ? channel->GetNextLayer() == nullptr : channel->GetTimeWarp() != nullptr;
    if (curve == nullptr || c.what == 'c')
        return value[0];
    if (c.what == 'n' || c.what == '@')
        return c.what == 'n' ? curve->GetKeyCount() : curve->Evaluate(t);
    if (c.what == 'd' || c.what == 'x')
        return curve->GetDefaultValue();
    return key >= curve->GetKeyCount() ? kNone
           : c.what == 'v'             ? curve->GetKeyValue(key)
                                       : curve->GetKeyTime(key).GetSeconds();
}

// The caller's copy of a record of take Run: its local span (seconds) and import name.
struct SGiven
{
    double start, stop;
    const char* importName = "";
};

struct SCase
{
    const char* rule;
    std::string body;
    std::vector<SGiven> given; // for the file's records of take Run, in order
    std::vector<SCheck> checks;
    const char* status = ""; // of the read
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
            size_t runs = 0;
            for (int i = 0; i < importer.GetTakeCount(); ++i)
                if (std::string(importer.GetTakeDescription(i)->mName.Buffer()) == "Run" &&
                    runs < c.given.size())
                {
                    const SGiven& given = c.given[runs++];
                    importer.GetTakeDescription(i)->mLocalTimeStart.SetSeconds(given.start);
                    importer.GetTakeDescription(i)->mLocalTimeStop.SetSeconds(given.stop);
                    importer.GetTakeDescription(i)->mImportName = given.importName;
                }
            ASSERT_TRUE(importer.Import(scene)) << importer.GetStatusText();
            EXPECT_STREQ(importer.GetStatusText(), c.status);
            for (const SCheck& check : c.checks)
            {
                const double got = Of(*scene, check);
                const std::string what =
                    check.path + std::string(" ") + check.what + std::to_string(check.arg);
                EXPECT_FALSE(std::isnan(got)) << what;
                EXPECT_NEAR(got, check.want, 1e-4) << what;
            }
        }
    }
};

// clang-format off
TEST_F(TakePassesTest, TheImportPassFiltersOnlyTheChannelsItChanged)
{
    Check({
        {"a rotation channel beside a warped one keeps its keys as written; the warped one is baked",
         TakeRun(Channel("T", Channel("X", kRamp) + "TimeWarpID: 1\n") + Channel("R", kTurns) +
                 Channel("S", Channel("X", Keys({{0, 1, 'L'}, {1, 1, 'L'}, {2, 1, 'L'}}))), kWarps), {},
         {{"R/X", 'n', 0, 3}, {"R/X", 'v', 1, 370}, {"R/X", 'v', 2, 730}, {"R/X", '@', 1.5, 370},
          {"S/X", 'n', 0, 3}, {"T/X", '@', 0.5, 2.5}}},
        {"a warped rotation channel is unrolled after the bake",
         TakeRun(Channel("R", kTurns + "TimeWarpID: 2\n"), kWarps), {},
         {{"R/X", '@', 0.5, 10}, {"R/X", '@', 1.5, 10}, {"R/X", '@', 2.0, 10}}},
        {"an angle merged with its layer unrolls its rotation channel",
         TakeRun(Channel("R", Channel("X", kTurnsX + "LayerChannel: {\nLayerID: 1\nLayerType: 1\n"
                                                     "Default: 0\n}\n") +
                              Channel("Y", "Default: 0\n") + Channel("Z", "Default: 0\n"))), {},
         {{"R/X", '@', 1.5, 10}, {"R/X", '@', 2.0, 10}}},
        {"a warped flat channel loses its flat run",
         TakeRun(Channel("S", Channel("X", Keys({{0, 2, 'L'}, {1, 2, 'L'}, {2, 2, 'L'}})) + "TimeWarpID: 2\n") +
                 Channel("T", Channel("X", Keys({{0, 5, 'L'}, {1, 5, 'L'}, {2, 5, 'L'}}))), kWarps), {},
         {{"S/X", 'n', 0, 0}, {"S/X", '@', 1.0, 2}, {"T/X", 'n', 0, 3}}},
        {"an unwarped take without layers passes through", TakeRun(Channel("R", kTurns)), {},
         {{"R/X", 'n', 0, 3}, {"R/X", 'v', 2, 730}}},
        // A layer's own warp is baked into the layer before the merge,
        // whatever its shape (a one-value layer too); only a base channel
        // without layers keeps a warp of its own (not merged, evaluating as
        // it did). Glow: a one-value channel, 0 to 10 over the first second.
        {"a one-value layer with a warp of its own",
         TakeRun(Channel("Glow", kRamp + "LayerType: 1\nLayerChannel: {\nLayerID: 1\nLayerType: 1\n" + kRamp +
                                 "TimeWarpID: 1\n}\n"), kWarps, true), {},
         {{"Glow", 'c', 0.5, 7.5}, {"Glow", 'c', 1.0, 15}, {"Glow", 'l', 0, 1}}},
        {"a one-value base with a warp and no layer keeps it",
         TakeRun(Channel("Glow", kRamp + "TimeWarpID: 1\n"), kWarps, true), {},
         {{"Glow", 'c', 0.5, 2.5}, {"Glow", 'w', 0, 1}}},
    });
}

TEST_F(TakePassesTest, PropertyValuesReachTheDefaultTakeBeforeTheTakesAreRead)
{
    const std::string objects = "Objects: {\nModel: \"P\", \"Null\" {\nProperties: {\nVisibility: 0\n}\n}\n"
                                "Texture: \"T\" {\nFileName: \"t.tga\"\nProperties: {\nTranslation: 1, 2, 3\n"
                                "Scaling: 4, 5, 6\n}\n}\n}\n";
    Check({
        {"values set while reading reach their channels", objects, {},
         {{"Visibility", 'd', 0, 0}, {"Translation/X", 'x', 0, 1}, {"Scaling/Z", 'x', 0, 6}}},
        {"the file's default take comes after them",
         objects + "Takes: {\nTake: \"Default\" {\nTexture: \"T\" {\nChannel: \"Translation\" {\n"
                   "Channel: \"X\" {\nDefault: 9\n}\n}\n}\n}\n}\n", {},
         {{"Translation/X", 'x', 0, 9}, {"Translation/Y", 'x', 0, 2}}},
    });
}

TEST_F(TakePassesTest, ALocalSpanGivenByTheCallerMovesTheTakesKeys)
{
    const std::string keys = Channel("T", Channel("X", Keys({{0, 0, 'L'}, {2, 20, 'L'}})));
    const std::string take = TakeRun(keys, "LocalTime: 0, " + std::to_string(2 * kSecond) + "\n");
    Check({
        {"the file's own span moves nothing", take, {{0, 2}}, {{"T/X", 't', 0, 0}, {"T/X", 't', 1, 2}}},
        {"a later span of the same length shifts the keys", take, {{1, 3}},
         {{"T/X", 't', 0, 1}, {"T/X", 't', 1, 3}, {"T/X", 'v', 1, 20}, {"", 's', 0, 1}, {"", 'e', 0, 3}}},
        {"a longer span scales them", take, {{0, 4}},
         {{"T/X", 't', 0, 0}, {"T/X", 't', 1, 4}, {"T/X", '@', 2, 10}}},
        {"a span elsewhere and shorter shifts and scales", take, {{10, 11}},
         {{"T/X", 't', 0, 10}, {"T/X", 't', 1, 11}}},
        {"an empty span moves nothing", take, {{3, 3}}, {{"T/X", 't', 1, 2}, {"", 'e', 0, 2}}},
        {"a file without a local span has nothing to move from", TakeRun(keys), {{1, 3}}, {{"T/X", 't', 1, 2}}},
        {"a span of 100,000 s scales them", take, {{0, 100000}},
         {{"T/X", 't', 1, 100000}, {"", 'e', 0, 100000}}},
        {"a span past 4.6e18 ticks moves nothing, counted as skipped", take, {{0, 1e8}},
         {{"T/X", 't', 1, 2}, {"", 'e', 0, 2}}, "1 items skipped"},
        {"a key moved past them keeps the keys and the file's span",
         TakeRun(Channel("T", Channel("X", Keys({{0, 0, 'L'}, {4, 20, 'L'}}))),
                 "LocalTime: 0, " + std::to_string(2 * kSecond) + "\n"),
         {{0, 9e7}}, {{"T/X", 't', 1, 4}, {"", 'e', 0, 2}}, "1 items skipped"},
        {"of two records of the take's name, the first gives the name and the span",
         take.substr(0, take.size() - 2) + "Take: \"Run\" {\nLocalTime: 0, " + std::to_string(2 * kSecond) +
             "\n}\n}\n",
         {{1, 3}, {5, 9, "Other"}}, {{"T/X", 't', 0, 1}, {"T/X", 't', 1, 3}, {"", 's', 0, 1}, {"", 'e', 0, 3}}},
    });
}
// clang-format on

} // namespace
