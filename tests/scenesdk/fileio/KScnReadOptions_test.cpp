// What an import reads by the importer's states (the read options'
// switches): each kind of content left out when its state is off, the others
// read as with every state on, for scene files and foreign files alike; and
// the duties a read ends with (the skeleton inherit-type fix-up of imported
// nodes, skins and clusters dropped once bound when asked).

#include "scenesdk/animation/KFCurveNode.h"
#include "scenesdk/animation/KScnTakeNodeEntry.h"
#include "scenesdk/attributes/KScnSceneTimeSettings.h"
#include "scenesdk/attributes/KScnSkeleton.h"
#include "scenesdk/fileio/KStreamOptionsScn.h"
#include "scenesdk/importers/KStreamOptionsObj.h"
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

#include <algorithm>
#include <string>
#include <vector>

using namespace scenesdk;

namespace
{

// One of each kind of content the importer's states choose.
const char* const kScene = R"(FileHeader: {
 Version: 6000
}
SceneInfo: { Title: "t" }
GlobalSettings: { Time: { TimeMode: 11 } }
Objects: {
 Model: "A", "Null" {
  Properties: { PreRotation: 0, 0, 90 }
  UserProperty: "u", "Bool", "", 1
 }
 Model: "H", "Skeleton" {
  Properties: { InheritType: 2 }
  Children: "K"
 }
 Model: "K", "Skeleton" { Properties: { InheritType: 2 } }
 Model: "M", "Mesh" {
  Materials: "S"
  Textures: "T"
  Deformers: "Skin"
  Mesh: {
   ControlPoints: 0, 0, 0, 1, 0, 0, 1, 1, 0
   PolygonSizes: 3
   PolygonVertices: 0, 1, 2
   Layer: 0 {
    LayerElementMaterial: { Indices: 0 }
    LayerElementTexture: { Indices: 0 }
   }
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

struct SKind
{
    int state;
    const char* what;
    double (*count)(Scene&);
    double allOn;
};

// What each state chooses, counted so that the kind left out counts 0.
const SKind kKinds[] = {
    {0, "character poses", [](Scene& s) -> double { return s.GetCharacterPoseCount(); }, 1},
    {1, "materials and material layers",
     [](Scene& s) -> double
     { return s.GetContents()->GetMaterialCount() + (Mesh(s)->GetLayer(0)->GetMaterialElement() ? 1 : 0); },
     2},
    {2, "textures and texture layers",
     [](Scene& s) -> double
     { return s.GetContents()->GetTextureCount() + (Mesh(s)->GetLayer(0)->GetTextureElement() ? 1 : 0); },
     2},
    {3, "skins, clusters and their links",
     [](Scene& s) -> double { return s.GetContents()->GetDeformerCount(0) + Mesh(s)->GetLinkCount(); }, 3},
    {4, "shapes", [](Scene& s) -> double { return Mesh(s)->GetShapeCount(); }, 1},
    {5, "user properties",
     [](Scene& s) -> double { return Node(s, "A")->FindUserPropertyByName("u") != nullptr ? 1 : 0; }, 1},
    {6, "pivots", [](Scene& s) -> double { return Node(s, "A")->GetPreRotation(0)[2]; }, 90},
    {7, "characters", [](Scene& s) -> double { return s.GetCharacterCount(); }, 1},
    {8, "takes",
     [](Scene& s) -> double { return s.GetTakeInfoCount() + (RunTranslation(s) != nullptr ? 1 : 0); }, 2},
    {9, "global settings",
     [](Scene& s) -> double { return s.GetGlobalTimeSettings()->GetTimeMode() == 11 ? 1 : 0; }, 1},
    {10, "the import pass (layers merged)",
     [](Scene& s) -> double
     {
         KFCurveNode* t = RunTranslation(s);
         return t != nullptr && t->GetNextLayer() != nullptr ? 0 : 1; // 0: a layer left unmerged
     },
     1},
    {11, "scene information",
     [](Scene& s) -> double
     { return s.GetSceneMetaData() != nullptr && std::string(s.GetSceneMetaData()->mTitle.Buffer()) == "t"; },
     1},
};

class ReadOptionsTest : public testsupport::TempDirTest
{
protected:
    // Imports the file with the states listed off (-1 for none), then
    // checks every kind: the states off count 0, the rest as all on.
    void Check(const std::string& path, const std::vector<int>& off, bool stateBeforeOptions)
    {
        KScnSdkManager manager;
        KScnImporter& importer = *manager.CreateImporter();
        Scene& scene = *manager.CreateScene();
        ASSERT_TRUE(importer.Initialize(path.c_str())) << importer.GetStatusText();
        // Asked for first, the file's takes and options must not undo the caller's states.
        if (stateBeforeOptions)
            for (int state : off)
                importer.SetState(state, false);
        ASSERT_GT(importer.GetTakeCount(), 0);
        if (!stateBeforeOptions)
            for (int state : off)
                importer.SetState(state, false);
        ASSERT_TRUE(importer.Import(&scene)) << importer.GetStatusText();
        for (const SKind& kind : kKinds)
        {
            const bool isOff = std::find(off.begin(), off.end(), kind.state) != off.end();
            EXPECT_EQ(kind.count(scene), isOff ? 0 : kind.allOn) << kind.what;
        }
    }
};

TEST_F(ReadOptionsTest, EachImportStateLeavesItsKindOfContentOut)
{
    const std::string path = m_Dir.WriteFile("kinds.scn", kScene);
    std::vector<int> all;
    for (const SKind& kind : kKinds)
    {
        SCOPED_TRACE(kind.what);
        Check(path, {kind.state}, kind.state % 2 == 0);
        if (kind.state != 10) // without takes there is nothing for the pass
            all.push_back(kind.state);
    }
    SCOPED_TRACE("every state off");
    Check(path, all, true);
    SCOPED_TRACE("every state on");
    Check(path, {}, false);
}

// Options a caller makes say the same through their switches; switch 3 off
// drops the skins and clusters once bound, the links staying.
TEST_F(ReadOptionsTest, CallersOptionsAndDeformersDroppedOnceBound)
{
    const std::string path = m_Dir.WriteFile("kinds.scn", kScene);
    struct Row
    {
        int option;
        int deformers, links, materials;
    };
    const Row rows[] = {{-1, 2, 1, 1},
                        {KStreamOptionsScn::eKeepDeformers, 0, 1, 1},
                        {KStreamOptionsScn::eDeformers, 0, 0, 1},
                        {KStreamOptionsScn::eMaterials, 2, 1, 0}};
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.option);
        KScnSdkManager manager;
        KScnImporter& importer = *manager.CreateImporter();
        Scene& scene = *manager.CreateScene();
        ASSERT_TRUE(importer.Initialize(path.c_str()));
        KStreamOptionsScn options;
        options.SetOption(row.option, false);
        ASSERT_TRUE(importer.Import(&scene, &options)) << importer.GetStatusText();
        EXPECT_EQ(scene.GetContents()->GetDeformerCount(0), row.deformers);
        EXPECT_EQ(Mesh(scene)->GetLinkCount(), row.links);
        EXPECT_EQ(scene.GetContents()->GetMaterialCount(), row.materials);
        EXPECT_EQ(importer.GetStatusText(), std::string()) << "a kind left out counts nothing skipped";
    }
}

// Imported nodes carry the imported flag; after a read a skeleton that
// inherits type 2 under a node that is no skeleton inherits type 1.
TEST_F(ReadOptionsTest, SkeletonInheritTypeFixedAfterARead)
{
    KScnSdkManager manager;
    KScnImporter& importer = *manager.CreateImporter();
    Scene& scene = *manager.CreateScene();
    ASSERT_TRUE(importer.Initialize(m_Dir.WriteFile("kinds.scn", kScene).c_str()));
    ASSERT_TRUE(importer.Import(&scene));
    struct Row
    {
        const char* node;
        int inherit;
    };
    for (const Row& row : {Row{"H", 1}, Row{"K", 2}, Row{"A", 0}})
    {
        SCOPED_TRACE(row.node);
        EXPECT_TRUE(Node(scene, row.node)->GetFlag());
        EXPECT_EQ(Node(scene, row.node)->GetTransformInheritType(), row.inherit);
    }
    // Fixed again when asked; a node made by hand (flag clear) is left alone.
    KScnNode* byHand = manager.CreateNode("ByHand");
    byHand->SetNodeAttribute(manager.CreateSkeleton());
    byHand->SetTransformInheritType(2);
    scene.GetRootNode()->AddChild(byHand);
    Node(scene, "H")->SetTransformInheritType(2);
    scene.FixSkeletonInheritType(scene.GetRootNode());
    EXPECT_EQ(Node(scene, "H")->GetTransformInheritType(), 1);
    EXPECT_EQ(byHand->GetTransformInheritType(), 2);
}

// Foreign files: an OBJ's materials and textures, a BVH's take.
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
    struct Row
    {
        const std::string& path;
        int state;
        const char* what;
        int (*count)(Scene&);
        int on, off;
    };
    const auto materials = [](Scene& s) { return s.GetContents()->GetMaterialCount(); };
    const auto textures = [](Scene& s) { return s.GetContents()->GetTextureCount(); };
    const auto red = [](Scene& s)
    { return std::string(s.GetContents()->GetMaterial(0)->GetName()) == "Material::red" ? 1 : 0; };
    const auto takes = [](Scene& s) { return s.GetTakeInfoCount() + Node(s, "Hip")->GetTakeNodeCount(); };
    const Row rows[] = {
        // Without materials every face takes the default material, as without the library.
        {obj, 1, "OBJ materials", +red, 1, 0},           {obj, 2, "OBJ textures", +textures, 1, 0},
        {obj, 8, "OBJ without takes", +materials, 1, 1}, {bvh, 8, "BVH take", +takes, 3, 1},
        {bvh, 1, "BVH without materials", +takes, 3, 3},
    };
    // Options of the scene file's kind given to a foreign reader still say what to read.
    for (int option : {KStreamOptionsScn::eMaterials, KStreamOptionsScn::eTakes})
    {
        SCOPED_TRACE(option);
        KScnSdkManager manager;
        KScnImporter& importer = *manager.CreateImporter();
        Scene& scene = *manager.CreateScene();
        const bool isObj = option == KStreamOptionsScn::eMaterials;
        importer.SetFileFormat(KScnImporter::FindFileFormat(isObj ? "obj" : "bvh"));
        ASSERT_TRUE(importer.Initialize((isObj ? obj : bvh).c_str()));
        KStreamOptionsScn plain;
        plain.SetOption(option, false);
        ASSERT_TRUE(importer.Import(&scene, &plain)) << importer.GetStatusText();
        EXPECT_EQ(isObj ? red(scene) : takes(scene), isObj ? 0 : 1) << "plain options with a kind off";
    }
    for (const Row& row : rows)
        for (bool off : {false, true})
        {
            SCOPED_TRACE(std::string(row.what) + (off ? " off" : " on"));
            KScnSdkManager manager;
            KScnImporter& importer = *manager.CreateImporter();
            Scene& scene = *manager.CreateScene();
            importer.SetFileFormat(
                KScnImporter::FindFileFormat(row.path.substr(row.path.size() - 3).c_str()));
            ASSERT_TRUE(importer.Initialize(row.path.c_str()));
            importer.SetState(row.state, !off);
            ASSERT_TRUE(importer.Import(&scene)) << importer.GetStatusText();
            EXPECT_EQ(row.count(scene), off ? row.off : row.on);
        }
}

} // namespace
