#include "scenesdk/fileio/KScnReaderScn.h"

#include "scenesdk/animation/KFCurve.h"
#include "scenesdk/animation/KFCurveNode.h"
#include "scenesdk/animation/KScnTakeNodeEntry.h"
#include "scenesdk/fileio/KStreamOptionsScn.h"
#include "scenesdk/kernel/KScnFree.h"
#include "scenesdk/kernel/KScnImporter.h"
#include "scenesdk/kernel/KScnLayer.h"
#include "scenesdk/kernel/KScnLayerElement.h"
#include "scenesdk/kernel/KScnMaterial.h"
#include "scenesdk/kernel/KScnMesh.h"
#include "scenesdk/kernel/KScnNode.h"
#include "scenesdk/kernel/KScnPropertyRef.h"
#include "scenesdk/kernel/KScnSceneContents.h"
#include "scenesdk/kernel/KScnSceneRoot.h"
#include "scenesdk/kernel/KScnSdkManager.h"
#include "scenesdk/kernel/KScnTexture.h"
#include "tests/support/TempDir.h"
#include "tools/datagen/CDataGenerator.h"
#include "tools/datagen/CModelBuilder.h"
#include "tools/scnwriter/CScnWriter.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

using namespace scenesdk;

namespace
{

using Content = std::function<void(CScnWriter&)>;

void Doubles(CScnWriter& w, const char* name, const std::vector<double>& v)
{
    w.BeginField(name);
    w.AddDoubles(v.data(), v.size());
    w.EndField();
}

void Ints(CScnWriter& w, const char* name, const std::vector<int32_t>& v)
{
    w.BeginField(name);
    w.AddInts(v.data(), v.size());
    w.EndField();
}

void Element(CScnWriter& w, const char* name, const char* mapping, const char* reference, const Content& body)
{
    w.BeginField(name);
    w.BeginBlock();
    w.StringField("Mapping", mapping);
    w.StringField("Reference", reference);
    body(w);
    w.EndBlock();
    w.EndField();
}

struct SQuad
{
    std::vector<int32_t> vertices{0, 1, 2, 2, 3, 0};
    std::vector<int32_t> sizes{3, 3};
    std::vector<int32_t> uvIndices{0, 1, 2, 2, 3, 0};
    std::vector<int32_t> materialIndices{0, 1};
    std::vector<std::string> children{"mat_Stone", "Wheel"};
    bool secondMaterialCopy = false;
    bool hasExtraLayer = false; // a further, empty layer of this index
    int extraLayer = 0;
    const char* uvMapping = "ByPolygonVertex";
};

// A mesh model "Plate" with a child "Wheel", a settings node "mat_Stone", two
// materials and a texture.
void Quad(CScnWriter& w, const SQuad& q)
{
    w.BeginField("Objects");
    w.BeginBlock();
    w.BeginField("Model");
    w.AddString("Plate");
    w.AddWord("Mesh");
    w.BeginBlock();
    w.BeginField("Properties");
    w.BeginBlock();
    Doubles(w, "Lcl Translation", {1, 2, 3});
    Doubles(w, "Lcl Scaling", {2, 2, 2});
    w.IntField("Mystery", 4);
    w.EndBlock();
    w.EndField();
    w.BeginField("Children");
    for (const std::string& c : q.children)
        w.AddString(c);
    w.EndField();
    w.BeginField("Materials");
    w.AddString("Stone");
    w.AddString("Moss");
    w.EndField();
    w.BeginField("Textures");
    w.AddString("StoneTex");
    w.EndField();
    w.BeginField("Mesh");
    w.BeginBlock();
    Doubles(w, "ControlPoints", {0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0});
    Ints(w, "PolygonSizes", q.sizes);
    Ints(w, "PolygonVertices", q.vertices);
    w.BeginField("Layer");
    w.AddInt(0);
    w.BeginBlock();
    Element(w, "LayerElementNormal", "ByControlPoint", "Direct",
            [](CScnWriter& w) {
                Doubles(w, "Values", {0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1});
            });
    Element(w, "LayerElementMaterial", "ByPolygon", "IndexToDirect",
            [&](CScnWriter& w) { Ints(w, "Indices", q.materialIndices); });
    Element(w, "LayerElementTexture", "AllSame", "IndexToDirect",
            [](CScnWriter& w)
            {
                w.IntField("BlendMode", 2);
                Ints(w, "Indices", {0});
            });
    Element(w, "LayerElementUV", q.uvMapping, "IndexToDirect",
            [&](CScnWriter& w)
            {
                Doubles(w, "Values", {0, 0, 1, 0, 1, 1, 0, 1});
                Ints(w, "Indices", q.uvIndices);
            });
    Element(w, "LayerElementColor", "AllSame", "Direct",
            [](CScnWriter& w) {
                Doubles(w, "Values", {1, 0.5, 0, 1});
            });
    w.EndBlock();
    w.EndField();
    if (q.hasExtraLayer)
    {
        w.BeginField("Layer");
        w.AddInt(q.extraLayer);
        w.BeginBlock();
        w.EndBlock();
        w.EndField();
    }
    w.EndBlock();
    w.EndField(); // Mesh
    w.EndBlock();
    w.EndField(); // Model
    for (const char* name : {"Wheel", "mat_Stone"})
    {
        w.BeginField("Model");
        w.AddString(name);
        w.AddWord("Null");
        w.BeginBlock();
        w.BeginField("UserProperty");
        w.AddString("useLighting");
        w.AddString("Bool");
        w.AddString("");
        w.AddInt(1);
        w.EndField();
        w.BeginField("UserProperty");
        w.AddString("exponent");
        w.AddString("Real");
        w.AddString("shininess");
        w.AddDouble(0.5);
        w.EndField();
        w.EndBlock();
        w.EndField();
    }
    const int copies = q.secondMaterialCopy ? 2 : 1;
    for (int i = 0; i < copies; ++i)
        for (const char* name : {"Stone", "Moss"})
        {
            w.BeginField("Material");
            w.AddString(name);
            w.BeginBlock();
            w.BeginField("Properties");
            w.BeginBlock();
            Doubles(w, "Diffuse", {0.5, 0.25, 0.125});
            w.DoubleField("Opacity", 0.75);
            w.EndBlock();
            w.EndField();
            w.EndBlock();
            w.EndField();
        }
    w.BeginField("Texture");
    w.AddString("StoneTex");
    w.BeginBlock();
    w.StringField("FileName", "Data/textures/stone.tga");
    w.StringField("RelativeFileName", "textures/stone.tga");
    w.EndBlock();
    w.EndField();
    w.EndBlock();
    w.EndField(); // Objects
}

class ReaderTest : public testsupport::TempDirTest
{
protected:
    std::string Save(CScnWriter::EForm form, const Content& content, const char* name = "scene.scn",
                     int32_t version = 6000)
    {
        CScnWriter w(form, version);
        w.WriteHeader("tests", "2026-12-07 12:00:00");
        content(w);
        const std::string path = m_Dir.Path() + "/" + name;
        EXPECT_TRUE(w.SaveFile(path)) << w.Error();
        return path;
    }

    bool Import(const std::string& path)
    {
        if (!mImporter.Initialize(path.c_str()))
            return false;
        return mImporter.Import(mScene);
    }

    int Materials() const { return mScene->GetContents()->GetMaterialCount(); }
    int Textures() const { return mScene->GetContents()->GetTextureCount(); }
    // Nodes the file added to the manager.
    int Nodes() const { return mManager.GetNodeCount() - mBaseNodes; }

    KScnSdkManager mManager;
    KScnSceneRoot* mScene = mManager.CreateScene();
    KScnNode* mRoot = mScene->GetRootNode();
    int mBaseNodes = mManager.GetNodeCount();
    const int mBaseAttributes = mManager.GetNodeAttributeCount();
    const int mRootProperties = mManager.GetUserPropertyCount();
    KScnFree<KScnImporter> mImporter{&mManager};
};

class ReaderForms : public ReaderTest, public ::testing::WithParamInterface<CScnWriter::EForm>
{
};

TEST_P(ReaderForms, QuadSceneRoundTrip)
{
    ASSERT_TRUE(Import(Save(GetParam(), [](CScnWriter& w) { Quad(w, SQuad()); })))
        << mImporter.GetLastErrorString() << " " << mImporter.GetStatusText();
    EXPECT_EQ(mImporter.GetFileFormat(), GetParam() == CScnWriter::eText ? 1 : 0);
    EXPECT_STREQ(mImporter.GetStatusText(), "1 items skipped"); // "Mystery"
    ASSERT_EQ(Nodes(), 3);
    EXPECT_EQ(mScene->GetContents()->GetNodeCount(), 4);
    ASSERT_EQ(mRoot->GetChildCount(), 1);
    KScnNode* plate = mRoot->GetChild(0);
    EXPECT_STREQ(plate->GetName(), "Model::Plate");
    ASSERT_EQ(plate->GetChildCount(), 2);
    EXPECT_STREQ(plate->GetChild(0)->GetName(), "Model::mat_Stone");
    EXPECT_STREQ(plate->GetChild(1)->GetName(), "Model::Wheel");
    KgeTVector t;
    plate->GetLocalTranslation(t);
    EXPECT_DOUBLE_EQ(t[0], 1);
    EXPECT_DOUBLE_EQ(t[2], 3);

    KScnNode* settings = plate->GetChild(0);
    ASSERT_NE(settings->GetNodeAttribute(), nullptr);
    EXPECT_EQ(settings->GetNodeAttribute()->GetAttributeKind(), KScnNodeAttribute::eNull);
    KScnPropertyRef* lighting = settings->FindUserPropertyByName("useLighting");
    ASSERT_NE(lighting, nullptr);
    bool on = false;
    lighting->GetBool(on);
    EXPECT_TRUE(on);
    double exponent = 0;
    ASSERT_NE(settings->FindUserPropertyByName("exponent"), nullptr);
    settings->FindUserPropertyByName("exponent")->GetDouble(exponent);
    EXPECT_DOUBLE_EQ(exponent, 0.5);

    auto* mesh = static_cast<KScnMesh*>(plate->GetMesh());
    ASSERT_NE(mesh, nullptr);
    EXPECT_EQ(mesh->GetControlPointsCount(), 4);
    EXPECT_EQ(mesh->GetPolygonCount(), 2);
    EXPECT_EQ(mesh->GetPolygonVertex(1, 1), 3);
    KScnLayer* layer = mesh->GetLayer(0);
    ASSERT_NE(layer, nullptr);
    EXPECT_EQ(layer->GetNormalElement()->GetDirectArray().GetCount(), 4);
    EXPECT_EQ(layer->GetUVElement()->GetIndexArray().GetCount(), 6);
    EXPECT_EQ(layer->GetUVElement()->GetMappingMode(), KScnLayerElement::eByPolygonVertex);
    EXPECT_EQ(layer->GetMaterialElement()->GetDirectArray().GetCount(), 2);
    EXPECT_EQ(layer->GetMaterialElement()->GetIndexAt(1), 1);
    EXPECT_EQ(layer->GetTextureElement()->GetBlendMode(), 2u);
    EXPECT_DOUBLE_EQ(layer->GetColorElement()->GetDirectVector(0)[1], 0.5);
    EXPECT_EQ(mesh->FindMaterialIndex("Moss", 0), 1);
    EXPECT_EQ(mesh->FindTextureIndex("StoneTex", 0), 0);

    ASSERT_EQ(Materials(), 2);
    EXPECT_STREQ(mScene->GetContents()->GetMaterial(0)->GetName(), "Material::Stone");
    ASSERT_EQ(Textures(), 1);
    EXPECT_STREQ(mScene->GetContents()->GetTexture(0)->GetFileName(), "Data/textures/stone.tga");
    EXPECT_EQ(mManager.GetNodeAttributeCount(), mBaseAttributes + 3); // mesh, two nulls
}

INSTANTIATE_TEST_SUITE_P(Forms, ReaderForms, ::testing::Values(CScnWriter::eText, CScnWriter::eBinary));

// Takes after the quad: "Default" animates Plate's translation X, "Run"
// names a material only.
void QuadWithTakes(CScnWriter& w)
{
    Quad(w, SQuad());
    w.BeginField("Takes");
    w.BeginBlock();
    w.StringField("Current", "Default");
    w.BeginField("Take");
    w.AddString("Default");
    w.BeginBlock();
    w.BeginField("Model");
    w.AddString("Plate");
    w.BeginBlock();
    w.BeginField("Channel");
    w.AddString("Transform");
    w.BeginBlock();
    w.BeginField("Channel");
    w.AddString("T");
    w.BeginBlock();
    w.BeginField("Channel");
    w.AddString("X");
    w.BeginBlock();
    w.DoubleField("Default", 0);
    w.IntField("KeyVer", 4004);
    w.IntField("KeyCount", 2);
    w.BeginField("Key");
    w.AddTime(0);
    w.AddDouble(0);
    w.AddChar('L');
    w.AddTime(46186158000LL);
    w.AddDouble(10);
    w.AddChar('L');
    w.EndField();
    for (int i = 0; i < 3; ++i)
    {
        w.EndBlock();
        w.EndField();
    }
    w.EndBlock();
    w.EndField(); // Model
    w.BeginField("Model");
    w.AddString("Nobody");
    w.EndField();
    w.EndBlock();
    w.EndField(); // Take
    w.BeginField("Take");
    w.AddString("Run");
    w.BeginBlock();
    w.BeginField("Material");
    w.AddString("Stone");
    w.BeginBlock();
    w.EndBlock();
    w.EndField();
    w.EndBlock();
    w.EndField();
    w.EndBlock();
    w.EndField(); // Takes
}

TEST_P(ReaderForms, TakesReadIntoTheObjects)
{
    ASSERT_TRUE(Import(Save(GetParam(), QuadWithTakes))) << mImporter.GetStatusText();
    EXPECT_STREQ(mImporter.GetStatusText(), "2 items skipped"); // "Mystery", "Nobody"
    KScnNode* plate = mRoot->GetChild(0);
    KFCurveNode* x = plate->GetDefaultTakeNode()->GetRootCurveNode()->FindDescendant("Transform/T/X");
    ASSERT_NE(x, nullptr);
    EXPECT_EQ(x->KeyGetCount(), 2);
    EXPECT_EQ(mScene->GetTakeInfoCount(), 2);
    for (KScnTakeNodeContainer* object :
         {static_cast<KScnTakeNodeContainer*>(plate), static_cast<KScnTakeNodeContainer*>(plate->GetChild(1)),
          static_cast<KScnTakeNodeContainer*>(mScene->GetContents()->GetMaterial(0)),
          static_cast<KScnTakeNodeContainer*>(mScene->GetContents()->GetTexture(0))})
    {
        ASSERT_EQ(object->GetTakeNodeCount(), 2);
        EXPECT_STREQ(object->GetTakeNodeName(1), "Run");
    }
}

// A take whose translation of Plate has an additive layer on X.
void QuadWithLayeredTake(CScnWriter& w)
{
    Quad(w, SQuad());
    w.BeginField("Takes");
    w.BeginBlock();
    w.BeginField("Take");
    w.AddString("Default");
    w.BeginBlock();
    w.BeginField("Model");
    w.AddString("Plate");
    w.BeginBlock();
    auto linearX = [&](double first, double second)
    {
        w.BeginField("Channel");
        w.AddString("X");
        w.BeginBlock();
        w.DoubleField("Default", 0);
        w.IntField("KeyVer", 4004);
        w.IntField("KeyCount", 2);
        w.BeginField("Key");
        w.AddTime(0);
        w.AddDouble(first);
        w.AddChar('L');
        w.AddTime(46186158000LL);
        w.AddDouble(second);
        w.AddChar('L');
        w.EndField();
    };
    w.BeginField("Channel");
    w.AddString("Transform");
    w.BeginBlock();
    w.BeginField("Channel");
    w.AddString("T");
    w.BeginBlock();
    linearX(0, 10);
    w.EndBlock();
    w.EndField();
    w.BeginField("LayerChannel");
    w.BeginBlock();
    w.IntField("LayerID", 1);
    w.IntField("LayerType", 1);
    linearX(1, 3);
    w.IntField("LayerID", 1);
    w.EndBlock();
    w.EndField();
    w.EndBlock();
    w.EndField(); // LayerChannel
    w.EndBlock();
    w.EndField(); // T
    w.EndBlock();
    w.EndField(); // Transform
    w.EndBlock();
    w.EndField(); // Model
    w.EndBlock();
    w.EndField(); // Take
    w.EndBlock();
    w.EndField(); // Takes
}

TEST_P(ReaderForms, LayeredTakesComeOutMerged)
{
    ASSERT_TRUE(Import(Save(GetParam(), QuadWithLayeredTake))) << mImporter.GetStatusText();
    KScnNode* plate = mRoot->GetChild(0);
    KFCurveNode* t = plate->GetDefaultTakeNode()->GetRootCurveNode()->FindDescendant("Transform/T");
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->GetNextLayer(), nullptr);
    KFCurveNode* x = t->FindDescendant("X");
    ASSERT_NE(x, nullptr);
    EXPECT_NEAR(x->GetFCurve()->Evaluate(KTime(0)), 1.0, 0.01);
    EXPECT_NEAR(x->GetFCurve()->Evaluate(KTime(46186158000LL / 2)), 7.0, 0.01);
    EXPECT_NEAR(x->GetFCurve()->Evaluate(KTime(46186158000LL)), 13.0, 0.01);
}

TEST_F(ReaderTest, FurtherLayersAreCreatedInOrder)
{
    SQuad q;
    q.hasExtraLayer = true;
    q.extraLayer = 2;
    ASSERT_TRUE(Import(Save(CScnWriter::eBinary, [&](CScnWriter& w) { Quad(w, q); })));
    EXPECT_EQ(static_cast<KScnMesh*>(mRoot->GetChild(0)->GetMesh())->GetLayerCount(), 3);
}

TEST_F(ReaderTest, EqualMaterialRepeatIsDropped)
{
    SQuad q;
    q.secondMaterialCopy = true;
    ASSERT_TRUE(Import(Save(CScnWriter::eText, [&](CScnWriter& w) { Quad(w, q); })));
    EXPECT_EQ(Materials(), 2);
}

TEST_F(ReaderTest, HeaderOnlyFileIsAnEmptyScene)
{
    ASSERT_TRUE(Import(Save(CScnWriter::eBinary, [](CScnWriter&) {})));
    EXPECT_EQ(Nodes(), 0);
    EXPECT_TRUE(mImporter.HasHeaderInformation());
    EXPECT_STREQ(mImporter.GetHeaderText(0), "tests");
    EXPECT_STREQ(mImporter.GetHeaderText(1), "2026-12-07 12:00:00");
}

// Each hostile document is refused with "File is corrupted" from the reader
// (the importer's error 7) and creates nothing.
struct SHostile
{
    const char* what;
    std::function<void(SQuad&)> change;
};

TEST_F(ReaderTest, HostileMeshesAreRefusedBeforeAnyObject)
{
    const SHostile cases[] = {
        {"vertex out of range", [](SQuad& q) { q.vertices[4] = 4; }},
        {"negative vertex", [](SQuad& q) { q.vertices[0] = -1; }},
        {"sizes do not add up",
         [](SQuad& q) {
             q.sizes = {3, 4};
         }},
        {"polygon of two",
         [](SQuad& q) {
             q.sizes = {2, 4};
         }},
        {"uv index out of range", [](SQuad& q) { q.uvIndices[5] = 9; }},
        {"uv indices missing", [](SQuad& q) { q.uvIndices.pop_back(); }},
        {"material index past the list", [](SQuad& q) { q.materialIndices[1] = 2; }},
        {"child twice",
         [](SQuad& q) {
             q.children = {"Wheel", "Wheel"};
         }},
        {"child of itself", [](SQuad& q) { q.children = {"Plate"}; }},
        {"layer index twice", [](SQuad& q) { q.hasExtraLayer = true; }},
        {"negative layer index",
         [](SQuad& q)
         {
             q.hasExtraLayer = true;
             q.extraLayer = -2;
         }},
        {"unknown mapping", [](SQuad& q) { q.uvMapping = "Sideways"; }},
        {"mapping that does not fit the indices", [](SQuad& q) { q.uvMapping = "ByPolygon"; }},
    };
    for (const SHostile& c : cases)
    {
        SQuad q;
        c.change(q);
        for (CScnWriter::EForm form : {CScnWriter::eText, CScnWriter::eBinary})
        {
            EXPECT_FALSE(Import(Save(form, [&](CScnWriter& w) { Quad(w, q); }))) << c.what;
            EXPECT_EQ(mImporter.GetLastErrorID(), KScnIO::eFileCorrupted) << c.what;
            EXPECT_STREQ(mImporter.GetLastErrorString(), "File is corrupted");
            EXPECT_NE(std::string(mImporter.GetStatusText()), "") << c.what;
            EXPECT_EQ(Nodes(), 0) << c.what;
            EXPECT_EQ(mManager.GetUserPropertyCount(), mRootProperties) << c.what;
            EXPECT_EQ(Materials(), 0) << c.what;
            EXPECT_EQ(mManager.GetNodeAttributeCount(), mBaseAttributes) << c.what;
        }
    }
}

TEST_F(ReaderTest, OtherHostileDocuments)
{
    const Content cases[] = {
        [](CScnWriter& w) { // texture without FileName
            w.BeginField("Objects");
            w.BeginBlock();
            w.BeginField("Texture");
            w.AddString("T");
            w.BeginBlock();
            w.EndBlock();
            w.EndField();
            w.EndBlock();
            w.EndField();
        },
        [](CScnWriter& w) { // repeated model name
            w.BeginField("Objects");
            w.BeginBlock();
            for (int i = 0; i < 2; ++i)
            {
                w.BeginField("Model");
                w.AddString("A");
                w.EndField();
            }
            w.EndBlock();
            w.EndField();
        },
        [](CScnWriter& w) { // cycle
            w.BeginField("Objects");
            w.BeginBlock();
            for (const char* pair : {"AB", "BA"})
            {
                w.BeginField("Model");
                w.AddString(std::string(1, pair[0]));
                w.BeginBlock();
                w.StringField("Children", std::string(1, pair[1]));
                w.EndBlock();
                w.EndField();
            }
            w.EndBlock();
            w.EndField();
        },
        [](CScnWriter& w) { // control points not a multiple of three, bad mapping
            w.BeginField("Objects");
            w.BeginBlock();
            w.BeginField("Model");
            w.AddString("M");
            w.AddWord("Mesh");
            w.BeginBlock();
            w.BeginField("Mesh");
            w.BeginBlock();
            Doubles(w, "ControlPoints", {0, 0});
            w.EndBlock();
            w.EndField();
            w.EndBlock();
            w.EndField();
            w.EndBlock();
            w.EndField();
        },
    };
    for (const Content& c : cases)
    {
        EXPECT_FALSE(Import(Save(CScnWriter::eText, c)));
        EXPECT_EQ(mImporter.GetLastErrorID(), KScnIO::eFileCorrupted);
        EXPECT_EQ(Nodes(), 0);
    }
}

TEST_F(ReaderTest, ReaderReportsCorruptionWithItsOwnMessage)
{
    KScnReaderScn reader(&mManager, nullptr);
    SQuad q;
    q.vertices[2] = 7;
    ASSERT_TRUE(reader.OpenFile(Save(CScnWriter::eText, [&](CScnWriter& w) { Quad(w, q); }).c_str()));
    KStreamOptionsScn options;
    EXPECT_FALSE(reader.ReadScene(mScene, &options));
    EXPECT_EQ(reader.GetError().GetLastErrorID(), KScnReader::eFileCorrupted);
    EXPECT_STREQ(reader.GetError().GetLastErrorString(), "File is corrupted");
    EXPECT_STREQ(reader.GetStatusText(), "mesh of model \"Plate\": polygon vertex 7 out of range");
    EXPECT_FALSE(reader.ReadScene(mScene, nullptr));
    EXPECT_STREQ(reader.GetError().GetLastErrorString(), "Stream options not set");
    reader.CloseFile();
    EXPECT_FALSE(reader.ReadScene(mScene, &options));
    EXPECT_STREQ(reader.GetError().GetLastErrorString(), "File not opened");
    EXPECT_EQ(reader.CreateReadOptions(true), nullptr);
}

// Every model the data generator writes reads into a scene with the counts
// the builder put in.
TEST_F(ReaderTest, GeneratedModelsRead)
{
    CDataGenerator generator(m_Dir.Path() + "/data", "");
    ASSERT_TRUE(generator.Generate());
    for (const std::string& file : CDataGenerator::ModelFiles())
    {
        KScnSdkManager manager;
        KScnSceneRoot* scene = manager.CreateScene();
        KScnNode* root = scene->GetRootNode();
        KScnFree<KScnImporter> importer(&manager);
        ASSERT_TRUE(importer.Initialize((m_Dir.Path() + "/data/" + file).c_str())) << file;
        ASSERT_TRUE(importer.Import(scene)) << file << ": " << importer.GetStatusText();
        const int materials = scene->GetContents()->GetMaterialCount();
        EXPECT_STREQ(importer.GetStatusText(), "") << file;
        ASSERT_GE(root->GetChildCount(), 2) << file;
        KScnNode* body = root->GetChild(0);
        ASSERT_NE(body->GetMesh(), nullptr) << file;
        auto* mesh = static_cast<KScnMesh*>(body->GetMesh());
        EXPECT_GT(mesh->GetPolygonCount(), 0) << file;
        EXPECT_GT(materials, 0);
        EXPECT_GT(scene->GetContents()->GetTextureCount(), 0);
        int settings = 0;
        for (int i = 0; i < root->GetChildCount(); ++i)
            settings += std::string(root->GetChild(i)->GetName()).rfind("Model::mat_", 0) == 0 ? 1 : 0;
        EXPECT_EQ(settings, materials) << file;
        EXPECT_EQ(mesh->GetLayer(0)->GetMaterialElement()->GetDirectArray().GetCount(), materials);
    }
}

// A CModelBuilder model with known counts, in both forms.
TEST_F(ReaderTest, BuiltModelCounts)
{
    CModelBuilder b;
    SModelMaterial red;
    red.name = "Red";
    red.texture = "Data/textures/red.tga";
    SModelMaterial blue = red;
    blue.name = "Blue";
    blue.normalMap = "bump";
    b.SetMaterial(b.AddMaterial(red));
    b.Box({0, 0, 0}, {1, 1, 1});
    b.SetMaterial(b.AddMaterial(blue));
    b.Pyramid({0, 1, 0}, 1, 1, 1);
    for (CScnWriter::EForm form : {CScnWriter::eText, CScnWriter::eBinary})
    {
        const std::string path = m_Dir.Path() + "/built.scn";
        std::string error;
        ASSERT_TRUE(b.Save(path, form, error)) << error;
        ASSERT_TRUE(Import(path)) << mImporter.GetStatusText();
        // Body, mat_Red, mat_Blue, s_simpleBump, its parameter node; plus the root.
        EXPECT_EQ(Nodes(), 5);
        EXPECT_EQ(mRoot->GetChildCount(), 3);
        KScnNode* bump = mRoot->FindChild("s_simpleBump");
        ASSERT_NE(bump, nullptr);
        EXPECT_EQ(bump->GetChildCount(), 1);
        auto* mesh = static_cast<KScnMesh*>(mRoot->GetChild(0)->GetMesh());
        EXPECT_EQ(static_cast<size_t>(mesh->GetPolygonCount()), b.TriangleCount());
        EXPECT_EQ(Materials(), 2);
        EXPECT_EQ(Textures(), 1);
        // Next form into a fresh scene.
        mScene = mManager.CreateScene();
        mRoot = mScene->GetRootNode();
        mBaseNodes = mManager.GetNodeCount();
    }
}

} // namespace
