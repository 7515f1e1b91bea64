// The pieces every foreign reader stands on, driven through a toy reader of a
// small text format ("p x y z" points, "f a b c ..." polygons, "k seconds
// value" keys of the node's X translation): line endings and continuations,
// strict numbers, the reader interface, the mesh and take builders, and a
// refusal that leaves the scene as it was.

#include "scenesdk/animation/KFCurve.h"
#include "scenesdk/importers/KScnForeignReaderOf.h"
#include "scenesdk/importers/KScnImportBuilder.h"
#include "scenesdk/importers/KScnMeshBuilder.h"
#include "scenesdk/importers/KScnMeshData.h"
#include "scenesdk/importers/KScnMotionBuilder.h"
#include "scenesdk/importers/KScnTakeKeys.h"
#include "scenesdk/importers/KStreamOptionsDxf.h"
#include "scenesdk/importers/KStreamOptionsForeign.h"
#include "scenesdk/importers/KStreamOptionsObj.h"
#include "scenesdk/importers/KTextFile.h"
#include "scenesdk/importers/KTextNumber.h"
#include "scenesdk/importers/KTextTokens.h"
#include "scenesdk/kernel/KScnMesh.h"
#include "scenesdk/kernel/KScnNode.h"
#include "scenesdk/kernel/KScnSceneContents.h"
#include "scenesdk/kernel/KScnSceneRoot.h"
#include "scenesdk/kernel/KScnSdkManager.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <tuple>
#include <vector>

using namespace scenesdk;

namespace
{

class CToyReader : public KScnForeignReaderOf<KStreamOptionsForeign>
{
public:
    explicit CToyReader(KScnSdkManager* manager) : KScnForeignReaderOf(manager, "Toy") {}

protected:
    bool Read(KScnImportBuilder& builder, const KStreamOptionsForeign& options) override
    {
        KTextFile text;
        text.Attach(GetBytes().data(), GetBytes().size());
        text.SetCommentChar('#');
        text.SetJoinContinuations(true);
        KScnMeshData mesh;
        std::vector<double> keys;
        std::string_view line;
        while (text.NextLine(line))
        {
            KTextTokens tokens(line);
            std::string_view word;
            if (!tokens.Next(word))
                continue;
            std::string_view token;
            std::vector<double> values;
            while (tokens.Next(token))
            {
                double value = 0.0;
                if (!KTextNumber::ToDouble(token, value))
                    return RefuseAt(text.GetLineNumber(), "not a number: " + std::string(token));
                values.push_back(value);
            }
            if (word == "p" && values.size() == 3)
            {
                options.ConvertPosition(values[0], values[1], values[2]);
                mesh.mPoints.insert(mesh.mPoints.end(), values.begin(), values.end());
            }
            else if (word == "f")
            {
                mesh.mPolygonSizes.push_back(static_cast<int32_t>(values.size()));
                for (double v : values)
                    mesh.mPolygonVertices.push_back(static_cast<int32_t>(v));
            }
            else if (word == "k" && values.size() == 2)
                keys.insert(keys.end(), values.begin(), values.end());
        }
        if (text.Failed())
            return Refuse(text.GetError());
        KScnNode* node = builder.CreateNode("Toy");
        builder.CreateNode("ToyChild", node);
        mesh.mMaterials.push_back(builder.CreateMaterial("Paint"));
        std::string why;
        if (KScnMeshBuilder::Build(builder, node, mesh, why) == nullptr)
            return Refuse(why);
        builder.AddTake("Take 001");
        KFCurve* tx = KScnTakeKeys::GetCurve(node, "Take 001", KScnTakeKeys::eTranslation, 0);
        for (size_t i = 0; i + 1 < keys.size(); i += 2)
            if (!KScnTakeKeys::AppendKey(tx, keys[i], keys[i + 1]))
                return Refuse("keys out of order");
        return true;
    }
};

TEST(ImportFoundation, ToyReaderReadsIntoTheSceneAndRefusalsLeaveItAlone)
{
    testsupport::TempDir dir;
    KScnSdkManager manager;
    KScnSceneRoot* scene = manager.CreateScene();
    const std::string good =
        dir.WriteFile("good.toy", "\xEF\xBB\xBFp 0 0 0\r\np 1 0 0 # comment\rp 1 1 \\\n 0\n"
                                  "p 0 1 0\n\nf 0 1 2 3\nf 0 2 3\nk 0 1\nk 0.5 +2.5e0\n");
    CToyReader reader(&manager);
    ASSERT_TRUE(reader.OpenFile(good.c_str()));
    std::unique_ptr<KStreamOptionsScn, void (*)(KStreamOptionsScn*)> options(
        reader.CreateReadOptions(true), [](KStreamOptionsScn* o) { o->Destroy(0); });
    ASSERT_TRUE(options->Is(KStreamOptionsForeign::GetClassId()));
    ASSERT_TRUE(options->Is(KStreamOptionsScn::GetClassId()));
    // Options of another kind read as the defaults given.
    const KStreamOptionsDxf dxf;
    const KStreamOptionsObj objDefaults;
    EXPECT_EQ(&KStreamOptionsForeign::Of(&dxf, objDefaults), &objDefaults);
    static_cast<KStreamOptionsForeign*>(options.get())->mUnitScale = 2.0;
    ASSERT_TRUE(reader.ReadScene(scene, options.get())) << reader.GetStatusText();

    KScnNode* node = scene->GetRootNode()->FindChild("Model::Toy");
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(node->GetChildCount(), 1);
    auto* mesh = static_cast<KScnMesh*>(node->GetMesh());
    ASSERT_NE(mesh, nullptr);
    EXPECT_EQ(mesh->GetControlPointsCount(), 4);
    EXPECT_EQ(mesh->GetControlPointAt(2)[1], 2.0) << "the continued line, scaled";
    EXPECT_EQ(mesh->GetPolygonCount(), 2);
    EXPECT_EQ(mesh->GetPolygonSize(0), 4);
    EXPECT_EQ(mesh->GetPolygonVertex(1, 2), 3);
    EXPECT_EQ(mesh->GetLayer(0)->GetMaterialElement()->GetMappingMode(), KScnLayerElement::eAllSame);
    EXPECT_EQ(scene->GetContents()->GetMaterialCount(), 1);
    EXPECT_EQ(scene->GetContents()->GetMaterialUseCount(scene->GetContents()->GetMaterial(0)), 2);
    KFCurve* tx = KScnTakeKeys::GetCurve(node, "Take 001", KScnTakeKeys::eTranslation, 0);
    ASSERT_NE(tx, nullptr);
    ASSERT_EQ(tx->GetKeyCount(), 2);
    EXPECT_FLOAT_EQ(tx->GetKeyValue(1), 2.5f);
    EXPECT_DOUBLE_EQ(tx->GetKeyTime(1).GetSeconds(), 0.5);
    EXPECT_NE(scene->GetTakeInfo("Take 001"), nullptr);
    EXPECT_EQ(node->GetChild(0)->GetTakeNodeCount(), 2) << "every node read gets the take";

    // Nodes, materials and attributes made, the scene's top nodes.
    const auto counts = [&]
    {
        return std::make_tuple(manager.GetNodeCount(), manager.GetMaterialCount(),
                               manager.GetNodeAttributeCount(), scene->GetRootNode()->GetChildCount());
    };
    const auto before = counts();
    const std::string cases[][2] = {
        {"p 0 0 0\np 1 x 0\n", "line 2: not a number: x"},
        {"p 0 0 0\np 1e999 0 0\n", "line 2: not a number: 1e999"},
        {"p 0 0 0\np nan 0 0\n", "line 2: not a number: nan"},
        {"p 0 0 0\np 0 1 0\np 1 0 0\nf 0 1 7\n", "corner refers to a missing point"},
        {"p 0 0 0\nf 0 0 0\nk 1 0\nk 0 1\n", "keys out of order"},
        {"p 0 0 0 \\\n" + std::string(KTextFile::kDefaultMaxLineLength, ' ') + "\n",
         "line 1: continued line"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c[1]);
        const std::string path = dir.WriteFile("bad.toy", c[0]);
        ASSERT_TRUE(reader.OpenFile(path.c_str()));
        EXPECT_FALSE(reader.ReadScene(scene, options.get()));
        EXPECT_EQ(reader.GetError().GetLastErrorID(), KScnReader::eFileCorrupted);
        EXPECT_STREQ(reader.GetError().GetLastErrorString(), "File is corrupted");
        EXPECT_EQ(std::string(reader.GetStatusText()).rfind(c[1], 0), 0u) << reader.GetStatusText();
        EXPECT_EQ(counts(), before);
    }
    EXPECT_FALSE(reader.OpenFile(dir.Path().c_str())) << "a folder is not a file";
    EXPECT_EQ(reader.GetError().GetLastErrorID(), KScnReader::eFileNotOpened);

    // The motion builder keys a run of frames after a curve's keys, the
    // curve hearing of them once.
    KScnImportBuilder builder(&manager, scene);
    KScnMotionBuilder motion(builder, nullptr);
    std::string why;
    ASSERT_TRUE(motion.SetFrameRate(30.0, 0, 99, why));
    KFCurveEvent heard;
    tx->AddListener([](KFCurve*, KFCurveEvent* e, void* h) { *static_cast<KFCurveEvent*>(h) = *e; }, &heard);
    const double values[] = {4, 5, 6};
    const int64_t frames[] = {20, 21, 23}; // after the keys at 0 and 0.5 s
    ASSERT_TRUE(motion.KeyCurve(tx, values, 3, 1, frames));
    EXPECT_EQ(tx->GetKeyCount(), 5);
    EXPECT_EQ(tx->GetKeyValue(4), 6.0f);
    EXPECT_EQ(heard.mEventType, KFCURVEEVENT_KEY_ADDED);
    EXPECT_EQ(heard.mKeyIndexStart, 2);
    EXPECT_EQ(heard.mKeyIndexStop, 4);
}

TEST(ImportFoundation, NumbersAreStrict)
{
    // Read to the nearest double, whatever the digits.
    const std::pair<const char*, double> good[] = {{"1", 1.0},
                                                   {"-.5", -0.5},
                                                   {"+3", 3.0},
                                                   {"1e-3", 1e-3},
                                                   {"2.", 2.0},
                                                   {"1e-999", 0.0},
                                                   {"007.250", 7.25},
                                                   {"-0.1", -0.1},
                                                   {"10.130", 10.13},
                                                   {"9.87654321012345", 9.87654321012345},
                                                   {"123456789012345", 123456789012345.0},
                                                   {"98765432109876543", 98765432109876543.0},
                                                   {"0.30000000000000004", 0.30000000000000004},
                                                   {"4.35", 4.35}};
    for (const auto& g : good)
    {
        double value = 7.0;
        EXPECT_TRUE(KTextNumber::ToDouble(g.first, value)) << g.first;
        EXPECT_EQ(value, g.second) << g.first;
    }
    for (const char* bad : {"", "-", "+-1", "1x", "inf", "-nan", "0x10", "1e999", "1,5", " 1", ".", "1.2.3", "1..5",
                            "-1-", "12 "})
    {
        double value = 7.0;
        EXPECT_FALSE(KTextNumber::ToDouble(bad, value)) << bad;
        EXPECT_EQ(value, 7.0);
    }
    int i = 0;
    int64_t wide = 0;
    EXPECT_TRUE(KTextNumber::ToInt("-12", i));
    EXPECT_EQ(i, -12);
    EXPECT_FALSE(KTextNumber::ToInt("3000000000", i));
    EXPECT_TRUE(KTextNumber::ToInt64("3000000000", wide));
    EXPECT_FALSE(KTextNumber::ToInt64("99999999999999999999", wide));
    EXPECT_FALSE(KTextNumber::ToInt("1.0", i));
}

} // namespace
