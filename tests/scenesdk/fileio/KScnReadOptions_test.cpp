// What an import reads by the importer's states (the read options'
// switches), for scene files and foreign files, and the duties a read ends
// with: the skeleton inherit-type fix-up, skins and clusters dropped once
// bound when asked.

#include "scenesdk/animation/KFCurveNode.h"
#include "scenesdk/animation/KScnTakeNodeEntry.h"
#include "scenesdk/attributes/KScnSceneTimeSettings.h"
#include "scenesdk/attributes/KScnSkeleton.h"
#include "scenesdk/fileio/KStreamOptionsScn.h"
#include "scenesdk/kernel/KScnGeometry.h"
#include "scenesdk/kernel/KScnImporter.h"
#include "scenesdk/kernel/KScnLayer.h"
#include "scenesdk/kernel/KScnMaterial.h"
#include "scenesdk/kernel/KScnMesh.h"
#include "scenesdk/kernel/KScnNode.h"
#include "scenesdk/kernel/KScnSceneContents.h"
#include "scenesdk/kernel/KScnSceneMetaData.h"
#include "scenesdk/kernel/KScnSceneRoot.h"
#include "scenesdk/kernel/KScnSdkManager.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace scenesdk;

namespace
{

// One of each kind of content the importer's states choose.
const char* const kScene = R"(FileHeader: { Version: 6000 }
SceneInfo: { Title: "t" }
GlobalSettings: { Time: { TimeMode: 11 } }
Objects: {
 Model: "A", "Null" { Properties: { PreRotation: 0, 0, 90 } UserProperty: "u", "Bool", "", 1 }
 Model: "H", "Skeleton" { Properties: { InheritType: 2 } Children: "K" }
 Model: "K", "Skeleton" { Properties: { InheritType: 2 } }
 Model: "M", "Mesh" {
  Materials: "S"
  Textures: "T"
  Deformers: "Skin"
  Mesh: {
   ControlPoints: 0, 0, 0, 1, 0, 0, 1, 1, 0
   PolygonSizes: 3
   PolygonVertices: 0, 1, 2
   Layer: 0 { LayerElementMaterial: { Indices: 0 } LayerElementTexture: { Indices: 0 } }
  }
  Shape: "Smile" { ControlPoints: 0, 0, 1, 1, 0, 1, 1, 1, 1 }
 }
 Material: "S"
 Texture: "T" { FileName: "t.tga" }
 Deformer: "Skin", "Skin" { Clusters: "C" }
 SubDeformer: "C", "Cluster" {
  Model: "H"
  Indices: 0
  Weights: 1
 }
 Character: "Hero" { BASE: { Hips: "H" } }
 CharacterPose: "P" { Model: "PA" }
}
Takes: {
 Take: "Run" {
  Model: "A" {
   Channel: "Transform" {
    Channel: "T" {
     Channel: "X" {
      Default: 0
      KeyCount: 2
      Key: 0, 0, L, 46186158000, 10, L
     }
     LayerChannel: { Channel: "X" { Default: 1 } }
    }
   }
  }
  Material: "S" { Channel: "Shininess" { Default: 64 } }
 }
}
)";

using Scene = KScnSceneRoot;

struct SRead
{
    KScnSdkManager manager;
    KScnImporter& importer = *manager.CreateImporter();
    Scene& scene = *manager.CreateScene();
};

KScnNode* Node(Scene& s, const char* name)
{
    return s.GetRootNode()->FindChild(name, true);
}

KScnMesh* Mesh(Scene& s)
{
    return static_cast<KScnMesh*>(Node(s, "M")->GetMesh());
}

// The "T" channel of node A's take "Run"; null without the take.
KFCurveNode* RunTranslation(Scene& s)
{
    KScnNode* a = Node(s, "A");
    for (int i = 0; i < a->GetTakeNodeCount(); ++i)
        if (std::string(a->GetTakeNodeName(i)) == "Run")
            return a->GetTakeNode(i)->GetRootCurveNode()->FindDescendant("T");
    return nullptr;
}

// What states 0 to 11 choose, counted so that a kind left out counts 0:
// character poses; materials and material layers; textures and texture
// layers; skins, clusters and links; shapes; user properties; pivots;
// characters; takes; global settings; the import pass (0: a layer left
// unmerged); scene information.
std::vector<double> Kinds(Scene& s)
{
    KScnMesh* mesh = Mesh(s);
    KScnNode* a = Node(s, "A");
    KFCurveNode* run = RunTranslation(s);
    const KScnSceneMetaData* info = s.GetSceneMetaData();
    return {double(s.GetCharacterPoseCount()),
            s.GetContents()->GetMaterialCount() + (mesh->GetLayer(0)->GetMaterialElement() ? 1.0 : 0.0),
            s.GetContents()->GetTextureCount() + (mesh->GetLayer(0)->GetTextureElement() ? 1.0 : 0.0),
            double(s.GetContents()->GetDeformerCount(0) + mesh->GetLinkCount()),
            double(mesh->GetShapeCount()),
            a->FindUserPropertyByName("u") != nullptr ? 1.0 : 0.0,
            a->GetPreRotation(0)[2],
            double(s.GetCharacterCount()),
            s.GetTakeInfoCount() + (run != nullptr ? 1.0 : 0.0),
            s.GetGlobalTimeSettings()->GetTimeMode() == 11 ? 1.0 : 0.0,
            run != nullptr && run->GetNextLayer() != nullptr ? 0.0 : 1.0,
            info != nullptr && std::string(info->mTitle.Buffer()) == "t" ? 1.0 : 0.0};
}
const std::vector<double> kAllOn = {1, 2, 2, 3, 1, 1, 90, 1, 2, 1, 1, 1};

class ReadOptionsTest : public testsupport::TempDirTest
{
protected:
    // Imports with the states listed off, set before or after the file's
    // takes and options are asked for; the states off count 0, the rest as
    // all on.
    void Check(const std::vector<int>& off, bool stateBeforeOptions)
    {
        SRead r;
        ASSERT_TRUE(r.importer.Initialize(mPath.c_str())) << r.importer.GetStatusText();
        for (int state : stateBeforeOptions ? off : std::vector<int>())
            r.importer.SetState(state, false);
        ASSERT_GT(r.importer.GetTakeCount(), 0);
        for (int state : stateBeforeOptions ? std::vector<int>() : off)
            r.importer.SetState(state, false);
        ASSERT_TRUE(r.importer.Import(&r.scene)) << r.importer.GetStatusText();
        std::vector<double> want = kAllOn;
        for (int state : off)
            want[static_cast<size_t>(state)] = 0;
        EXPECT_EQ(Kinds(r.scene), want);
    }

    const std::string mPath = m_Dir.WriteFile("kinds.scn", kScene);
};

TEST_F(ReadOptionsTest, EachImportStateLeavesItsKindOfContentOut)
{
    std::vector<int> all;
    for (int state = 0; state < 12; ++state)
    {
        SCOPED_TRACE(state);
        Check({state}, state % 2 == 0);
        if (state != 10) // without takes there is nothing for the pass
            all.push_back(state);
    }
    SCOPED_TRACE("every state off, then every state on");
    Check(all, true);
    Check({}, false);
}

// Options a caller makes say the same through their switches; switch 3 off
// drops the skins and clusters once bound, the links staying.
TEST_F(ReadOptionsTest, CallersOptionsAndDeformersDroppedOnceBound)
{
    const struct
    {
        int option;
        int deformers, links, materials;
    } rows[] = {{-1, 2, 1, 1},
                {KStreamOptionsScn::eKeepDeformers, 0, 1, 1},
                {KStreamOptionsScn::eDeformers, 0, 0, 1},
                {KStreamOptionsScn::eMaterials, 2, 1, 0}};
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.option);
        SRead r;
        ASSERT_TRUE(r.importer.Initialize(mPath.c_str()));
        KStreamOptionsScn options;
        options.SetOption(row.option, false);
        ASSERT_TRUE(r.importer.Import(&r.scene, &options)) << r.importer.GetStatusText();
        EXPECT_EQ(r.scene.GetContents()->GetDeformerCount(0), row.deformers);
        EXPECT_EQ(Mesh(r.scene)->GetLinkCount(), row.links);
        EXPECT_EQ(r.scene.GetContents()->GetMaterialCount(), row.materials);
        EXPECT_EQ(r.importer.GetStatusText(), std::string()) << "a kind left out counts nothing skipped";
    }
}

// Imported nodes carry the imported flag; after a read (and when asked
// again) a skeleton that inherits type 2 under a node that is no skeleton
// inherits type 1; a node made by hand (flag clear) is left alone.
TEST_F(ReadOptionsTest, SkeletonInheritTypeFixedAfterARead)
{
    SRead r;
    ASSERT_TRUE(r.importer.Initialize(mPath.c_str()));
    ASSERT_TRUE(r.importer.Import(&r.scene));
    KScnNode* byHand = r.manager.CreateNode("ByHand");
    byHand->SetNodeAttribute(r.manager.CreateSkeleton());
    byHand->SetTransformInheritType(2);
    r.scene.GetRootNode()->AddChild(byHand);
    for (const auto& [node, inherit] : {std::pair("H", 1), {"K", 2}, {"A", 0}})
    {
        SCOPED_TRACE(node);
        EXPECT_TRUE(Node(r.scene, node)->GetFlag());
        EXPECT_EQ(Node(r.scene, node)->GetTransformInheritType(), inherit);
    }
    Node(r.scene, "H")->SetTransformInheritType(2);
    r.scene.FixSkeletonInheritType(r.scene.GetRootNode());
    EXPECT_EQ(Node(r.scene, "H")->GetTransformInheritType(), 1);
    EXPECT_EQ(byHand->GetTransformInheritType(), 2);
}

// Foreign files: an OBJ's materials and textures, a BVH's take; options of
// the scene file's kind given to a foreign reader still say what to read.
TEST_F(ReadOptionsTest, ForeignReadersHonourTheStates)
{
    m_Dir.WriteFile("box.mtl", "newmtl red\nKd 1 0 0\nmap_Kd red.tga\n");
    m_Dir.WriteFile("red.tga", "");
    const std::string obj = m_Dir.WriteFile("box.obj", "mtllib box.mtl\nv 0 0 0\nv 1 0 0\nv 1 1 0\n"
                                                       "vt 0 0\nusemtl red\nf 1/1 2/1 3/1\n");
    const std::string bvh = m_Dir.WriteFile("walk.bvh", "HIERARCHY\nROOT Hip\n{\nOFFSET 0 0 0\n"
                                                        "CHANNELS 3 Xposition Yposition Zposition\n"
                                                        "End Site\n{\nOFFSET 0 1 0\n}\n}\n"
                                                        "MOTION\nFrames: 2\nFrame Time: 0.5\n0 0 0\n1 1 1\n");
    const auto materials = [](Scene& s) { return s.GetContents()->GetMaterialCount(); };
    const auto textures = [](Scene& s) { return s.GetContents()->GetTextureCount(); };
    // Without materials every face takes the default material, as without the library.
    const auto red = [](Scene& s)
    { return std::string(s.GetContents()->GetMaterial(0)->GetName()) == "Material::red" ? 1 : 0; };
    const auto takes = [](Scene& s) { return s.GetTakeInfoCount() + Node(s, "Hip")->GetTakeNodeCount(); };
    const struct
    {
        const std::string& path;
        int state; // an option of KStreamOptionsScn where byOptions
        bool byOptions;
        int (*count)(Scene&);
        int on, off;
    } rows[] = {
        {obj, 1, false, +red, 1, 0},
        {obj, 2, false, +textures, 1, 0},
        {obj, 8, false, +materials, 1, 1},
        {bvh, 8, false, +takes, 3, 1},
        {bvh, 1, false, +takes, 3, 3},
        {obj, KStreamOptionsScn::eMaterials, true, +red, 1, 0},
        {bvh, KStreamOptionsScn::eTakes, true, +takes, 3, 1},
    };
    for (const auto& row : rows)
        for (bool off : {false, true})
        {
            SCOPED_TRACE(row.path + " " + std::to_string(row.state) + (row.byOptions ? " by options" : "") +
                         (off ? " off" : " on"));
            SRead r;
            r.importer.SetFileFormat(
                KScnImporter::FindFileFormat(row.path.substr(row.path.size() - 3).c_str()));
            ASSERT_TRUE(r.importer.Initialize(row.path.c_str()));
            KStreamOptionsScn options;
            (row.byOptions ? options.SetOption(row.state, !off) : r.importer.SetState(row.state, !off));
            ASSERT_TRUE(r.importer.Import(&r.scene, row.byOptions ? &options : nullptr))
                << r.importer.GetStatusText();
            EXPECT_EQ(row.count(r.scene), off ? row.off : row.on);
        }
}

} // namespace
