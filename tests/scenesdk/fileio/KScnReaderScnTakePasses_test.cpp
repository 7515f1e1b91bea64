// What the scene reader does to a take's channels once they are read, one
// rule per row, each read through the importer: the import pass filters the
// channels it baked or merged and nothing else; the objects' property values
// reach their default takes before the takes are read (so a "Default" take
// of the file has the last word); a local time span the caller gives a take
// moves its keys there.

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

// The curve at path in the take of that name of node "P" (or of the
// object given).
const KFCurve* CurveOf(KScnTakeNodeContainer* object, const char* take, const char* path)
{
    for (int i = 0; object != nullptr && i < object->GetTakeNodeCount(); ++i)
        if (std::string(object->GetTakeNodeName(i)) == take)
        {
            const KScnTakeNodeEntry* entry = object->GetTakeNode(i);
            const KFCurveNode* node = entry->GetRootCurveNode()->FindDescendant(path);
            return node != nullptr ? node->GetFCurve() : nullptr;
        }
    return nullptr;
}

KScnNode* P(Scene& s)
{
    return s.GetRootNode()->FindChild("P");
}

double Count(Scene& s, const char* path, const char* take = "Run")
{
    const KFCurve* c = CurveOf(P(s), take, path);
    return c != nullptr ? c->GetKeyCount() : kNone;
}

double Value(Scene& s, const char* path, int key, const char* take = "Run")
{
    const KFCurve* c = CurveOf(P(s), take, path);
    return c != nullptr && key < c->GetKeyCount() ? c->GetKeyValue(key) : kNone;
}

// Key time in seconds.
double When(Scene& s, const char* path, int key, const char* take = "Run")
{
    const KFCurve* c = CurveOf(P(s), take, path);
    return c != nullptr && key < c->GetKeyCount() ? c->GetKeyTime(key).GetSeconds() : kNone;
}

double At(Scene& s, const char* path, double seconds, const char* take = "Run")
{
    const KFCurve* c = CurveOf(P(s), take, path);
    KTime t;
    t.SetSeconds(seconds);
    return c != nullptr ? c->Evaluate(t) : kNone;
}

// The default value of a default-take curve of the object.
double Default(KScnTakeNodeContainer* object, const char* path)
{
    const KFCurve* c = CurveOf(object, "Default", path);
    return c != nullptr ? c->GetDefaultValue() : kNone;
}

struct SCheck
{
    const char* what;
    std::function<double(Scene&)> got;
    double want;
    double tolerance = 1e-4;
};

// A local span the caller gives take "Run" before the import, in seconds.
struct SSpan
{
    bool given = false;
    double start = 0.0;
    double stop = 0.0;
};

struct SCase
{
    const char* rule;
    std::string body;
    std::vector<SCheck> checks;
    SSpan span = {};
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

// A take "Run" of model P whose "Transform" holds these channels.
std::string TakeRun(const std::string& channels, const std::string& takeFields = "")
{
    return "Objects: {\nModel: \"P\", \"Null\"\n}\nTakes: {\nTake: \"Run\" {\n" + takeFields +
           "Model: \"P\" {\nChannel: \"Transform\" {\n" + channels + "}\n}\n}\n}\n";
}

std::string Channel(const char* name, const std::string& inside)
{
    return std::string("Channel: \"") + name + "\" {\n" + inside + "}\n";
}

// Time warp 1 plays the first second at half speed and holds after it;
// warp 2 is the identity over two seconds.
const std::string kWarps = "TimeWarps: {\nTimeWarp: 1 {\n" +
                           Channel("TimeWarp", Keys({{0, 0, 'L'}, {1, 0.5, 'L'}})) + "}\nTimeWarp: 2 {\n" +
                           Channel("TimeWarp", Keys({{0, 0, 'L'}, {2, 2, 'L'}})) + "}\n}\n";

// X keys 10, 370, 730 at 0, 1, 2 s, held (constant interpolation): the
// same orientation three times, written a turn apart each.
const std::string kTurns = Channel("X", Keys({{0, 10, 'C'}, {1, 370, 'C'}, {2, 730, 'C'}})) +
                           Channel("Y", "Default: 0\n") + Channel("Z", "Default: 0\n");

const std::string kRamp = Channel("X", Keys({{0, 0, 'L'}, {1, 10, 'L'}}));

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
            if (c.span.given)
            {
                KScnTakeDescription* run = nullptr;
                for (int i = 0; i < importer.GetTakeCount(); ++i)
                    if (std::string(importer.GetTakeDescription(i)->mName.Buffer()) == "Run")
                        run = importer.GetTakeDescription(i);
                ASSERT_NE(run, nullptr);
                run->mLocalTimeStart.SetSeconds(c.span.start);
                run->mLocalTimeStop.SetSeconds(c.span.stop);
            }
            ASSERT_TRUE(importer.Import(scene)) << importer.GetStatusText();
            for (const SCheck& check : c.checks)
            {
                const double got = check.got(*scene);
                if (std::isnan(check.want))
                    EXPECT_TRUE(std::isnan(got)) << check.what << " gave " << got;
                else
                    EXPECT_NEAR(got, check.want, check.tolerance) << check.what;
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
        {"a rotation channel beside a warped one keeps its keys as written",
         TakeRun(Channel("T", kRamp + "TimeWarpID: 1\n") + Channel("R", kTurns) +
                 Channel("S", Channel("X", Keys({{0, 1, 'L'}, {1, 1, 'L'}, {2, 1, 'L'}}))),
             kWarps),
         {GOT(Count(s, "Transform/R/X"), 3), GOT(Value(s, "Transform/R/X", 1), 370),
          GOT(Value(s, "Transform/R/X", 2), 730), GOT(At(s, "Transform/R/X", 1.5), 370),
          GOT(Count(s, "Transform/S/X"), 3),
          // The warped channel is baked: half speed over the first second.
          GOT(At(s, "Transform/T/X", 0.5), 2.5)}},
        {"a warped rotation channel is unrolled after the bake",
         TakeRun(Channel("R", kTurns + "TimeWarpID: 2\n"), kWarps),
         {GOT(At(s, "Transform/R/X", 0.5), 10), GOT(At(s, "Transform/R/X", 1.5), 10),
          GOT(At(s, "Transform/R/X", 2.0), 10)}},
        {"an angle merged with its layer unrolls its rotation channel",
         TakeRun(Channel("R", Channel("X", Keys({{0, 10, 'C'}, {1, 370, 'C'}, {2, 730, 'C'}}) +
                                                "LayerChannel: {\nLayerID: 1\nLayerType: 1\nDefault: 0\n}\n") +
                                  Channel("Y", "Default: 0\n") + Channel("Z", "Default: 0\n"))),
         {GOT(At(s, "Transform/R/X", 1.5), 10), GOT(At(s, "Transform/R/X", 2.0), 10)}},
        {"a warped flat channel loses its flat run",
         TakeRun(Channel("S", Channel("X", Keys({{0, 2, 'L'}, {1, 2, 'L'}, {2, 2, 'L'}})) +
                              "TimeWarpID: 2\n") +
                 Channel("T", Channel("X", Keys({{0, 5, 'L'}, {1, 5, 'L'}, {2, 5, 'L'}}))),
             kWarps),
         {GOT(Count(s, "Transform/S/X"), 0), GOT(At(s, "Transform/S/X", 1.0), 2),
          GOT(Count(s, "Transform/T/X"), 3)}},
        {"an unwarped take without layers passes through",
         TakeRun(Channel("R", kTurns)), {GOT(Count(s, "Transform/R/X"), 3), GOT(Value(s, "Transform/R/X", 2), 730)}},
    });
}

// The channel's value with its layers and warps (Evaluate), at the time.
double Channel(Scene& s, const char* path, double seconds)
{
    KScnNode* node = P(s);
    for (int i = 0; node != nullptr && i < node->GetTakeNodeCount(); ++i)
        if (std::string(node->GetTakeNodeName(i)) == "Run")
            if (const KFCurveNode* channel = node->GetTakeNode(i)->GetRootCurveNode()->FindDescendant(path))
            {
                double value[4] = {kNone, kNone, kNone, kNone};
                KTime t;
                t.SetSeconds(seconds);
                channel->Evaluate(value, t);
                return value[0];
            }
    return kNone;
}

// A one-value channel "Glow" (0 to 10 over the first second) of P in take
// Run, with what else its block holds.
std::string Glow(const std::string& more)
{
    return "Objects: {\nModel: \"P\", \"Null\"\n}\nTakes: {\nTake: \"Run\" {\n" + kWarps +
           "Model: \"P\" {\n" + Channel("Glow", Keys({{0, 0, 'L'}, {1, 10, 'L'}}) + more) + "}\n}\n}\n";
}

// A warp acts on its channel and on the layers after it: a layer's own warp
// is baked into the layer before the layers are merged, whatever the
// layer's shape (a one-value layer too); only a base channel without layers
// keeps a warp of its own (it is not merged, and still evaluates as it did).
TEST_F(TakePassesTest, ALayersOwnWarpIsBakedBeforeTheMerge)
{
    Check({
        {"a one-value layer with a warp of its own",
         Glow("LayerType: 1\nLayerChannel: {\nLayerID: 1\nLayerType: 1\n" +
              Keys({{0, 0, 'L'}, {1, 10, 'L'}}) + "TimeWarpID: 1\n}\n"),
         {GOT(Channel(s, "Glow", 0.5), 7.5), GOT(Channel(s, "Glow", 1.0), 15),
          GOT(P(s)->GetTakeNode(1)->GetRootCurveNode()->FindDescendant("Glow")->GetNextLayer() == nullptr, 1)}},
        {"a one-value base with a warp and no layer keeps it", Glow("TimeWarpID: 1\n"),
         {GOT(Channel(s, "Glow", 0.5), 2.5),
          GOT(P(s)->GetTakeNode(1)->GetRootCurveNode()->FindDescendant("Glow")->GetTimeWarp() != nullptr, 1)}},
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
    const std::string take = TakeRun(Channel("T", Channel("X", Keys({{0, 0, 'L'}, {2, 20, 'L'}}))),
                                 "LocalTime: 0, " + std::to_string(2 * kSecond) + "\n");
    Check({
        {"the file's own span moves nothing", take,
         {GOT(When(s, "Transform/T/X", 0), 0), GOT(When(s, "Transform/T/X", 1), 2)}, {true, 0, 2}},
        {"a later span of the same length shifts the keys", take,
         {GOT(When(s, "Transform/T/X", 0), 1), GOT(When(s, "Transform/T/X", 1), 3),
          GOT(Value(s, "Transform/T/X", 1), 20), GOT(s.GetTakeInfo("Run")->mLocalTimeStart.GetSeconds(), 1),
          GOT(s.GetTakeInfo("Run")->mLocalTimeStop.GetSeconds(), 3)},
         {true, 1, 3}},
        {"a longer span scales them", take,
         {GOT(When(s, "Transform/T/X", 0), 0), GOT(When(s, "Transform/T/X", 1), 4),
          GOT(At(s, "Transform/T/X", 2), 10)},
         {true, 0, 4}},
        {"a span elsewhere and shorter shifts and scales", take,
         {GOT(When(s, "Transform/T/X", 0), 10), GOT(When(s, "Transform/T/X", 1), 11)}, {true, 10, 11}},
        {"an empty span moves nothing", take,
         {GOT(When(s, "Transform/T/X", 1), 2), GOT(s.GetTakeInfo("Run")->mLocalTimeStop.GetSeconds(), 2)},
         {true, 3, 3}},
        {"a file without a local span has nothing to move from",
         TakeRun(Channel("T", Channel("X", Keys({{0, 0, 'L'}, {2, 20, 'L'}})))),
         {GOT(When(s, "Transform/T/X", 1), 2)},
         {true, 1, 3}},
    });
}

} // namespace
