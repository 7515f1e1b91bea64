// Foreign-format readers: each format of the importer's table gets its
// reader, an existing file fails cleanly naming its format, a missing one
// fails as not found, the readers answer like readers without a file, and
// each gives read options of its own kind, every kind with an id of its own;
// the 3DS and OBJ files openscenegraph's converter writes read back alike.

#include "scenesdk/fileio/KScnReaderScn.h"
#include "scenesdk/importers/KScnForeignReader.h"
#include "scenesdk/importers/KScnReaderAdaptiveOptics.h"
#include "scenesdk/importers/KScnReaderAscension.h"
#include "scenesdk/importers/KScnReaderBiovision.h"
#include "scenesdk/importers/KScnReaderDxf.h"
#include "scenesdk/importers/KScnReaderMotionAnalysisHtr.h"
#include "scenesdk/importers/KScnReaderMotionAnalysisTrc.h"
#include "scenesdk/importers/KScnReaderObj.h"
#include "scenesdk/importers/KScnReaderPuppeteer.h"
#include "scenesdk/importers/KScnReaderVicon.h"
#include "scenesdk/importers/KStreamOptions3DS.h"
#include "scenesdk/importers/KStreamOptionsAcclaim.h"
#include "scenesdk/importers/KStreamOptionsAdaptiveOptics.h"
#include "scenesdk/importers/KStreamOptionsBiovision.h"
#include "scenesdk/importers/KStreamOptionsDxf.h"
#include "scenesdk/importers/KStreamOptionsMotionAnalysisHtr.h"
#include "scenesdk/importers/KStreamOptionsMotionAnalysisTrc.h"
#include "scenesdk/importers/KStreamOptionsObj.h"
#include "scenesdk/importers/KStreamOptionsVicon.h"
#include "scenesdk/importers/KStreamOptionsWavefrontMov.h"
#include "scenesdk/kernel/KScnImporter.h"
#include "scenesdk/kernel/KScnMaterial.h"
#include "scenesdk/kernel/KScnMesh.h"
#include "scenesdk/kernel/KScnNode.h"
#include "scenesdk/kernel/KScnSceneRoot.h"
#include "scenesdk/kernel/KScnSdkManager.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <functional>
#include <memory>
#include <set>
#include <string>

using namespace scenesdk;

namespace
{

// The formats whose layout is not known, none with an extension of its own.
struct SFormat
{
    int format;
    const char* name;
    std::function<bool(KScnReader*)> isItsReader;
};

template <class T> std::function<bool(KScnReader*)> Is()
{
    return [](KScnReader* r) { return dynamic_cast<T*>(r) != nullptr; };
}

const SFormat kFormats[] = {{13, "Adaptive Optics (mode 1)", Is<KScnReaderAdaptiveOptics>()},
                            {14, "Puppeteer", Is<KScnReaderPuppeteer>()},
                            {16, "Ascension", Is<KScnReaderAscension>()}};

TEST(ForeignReaders, EveryFormatGetsItsReaderAndFailsCleanly)
{
    testsupport::TempDir dir;
    KScnSdkManager manager;
    KScnImporter* importer = manager.CreateImporter();
    KScnSceneRoot* scene = manager.CreateScene();
    const int nodes = manager.GetNodeCount();
    for (const SFormat& f : kFormats)
    {
        const std::string message =
            std::string(f.name) + " files cannot be read: their layout is not known to this build";
        SCOPED_TRACE(message);
        std::unique_ptr<KScnReader> reader(KScnImporter::CreateReader(&manager, importer, f.format));
        ASSERT_NE(reader, nullptr);
        EXPECT_TRUE(f.isItsReader(reader.get()));

        importer->SetFileFormat(f.format);
        EXPECT_TRUE(importer->Initialize(dir.WriteFile("model.dat", "not really that format\n").c_str()));
        EXPECT_FALSE(importer->Import(scene));
        EXPECT_EQ(importer->GetLastErrorID(), KScnIO::eUnidentifiedError);
        EXPECT_EQ(importer->GetLastErrorString(), message);
        EXPECT_EQ(importer->GetStatusText(), message);
        EXPECT_EQ(importer->GetTakeCount(), 0);

        importer->SetFileFormat(f.format);
        EXPECT_TRUE(importer->Initialize((dir.Path() + "/missing/model.dat").c_str()));
        EXPECT_FALSE(importer->Import(scene));
        EXPECT_EQ(importer->GetLastErrorID(), KScnIO::eFileNotOpened);
        EXPECT_STREQ(importer->GetLastErrorString(), "File not opened");
    }
    EXPECT_EQ(manager.GetNodeCount(), nodes) << "nothing was created";
    EXPECT_EQ(KScnImporter::CreateReader(&manager, importer, 17), nullptr);
    EXPECT_EQ(KScnImporter::CreateReader(&manager, importer, -1), nullptr);
    EXPECT_EQ(KScnImporter::FindFileFormat("OBJ"), 5);
    EXPECT_EQ(KScnImporter::FindFileFormat("scn"), 0);
    EXPECT_EQ(KScnImporter::FindFileFormat("png"), -1);
    EXPECT_EQ(KScnImporter::FindFileFormat(nullptr), -1);
    std::unique_ptr<KScnReader> scn(KScnImporter::CreateReader(&manager, importer, 2));
    EXPECT_NE(dynamic_cast<KScnReaderScn*>(scn.get()), nullptr);
}

TEST(ForeignReaders, ReadersWithoutAnOpenFileAnswerNeutrally)
{
    KScnReaderAdaptiveOptics odd(nullptr, 7);
    EXPECT_EQ(odd.GetMode(), 0);
    KScnReaderDxf reader(nullptr);
    EXPECT_STREQ(reader.GetFormatName(), "DXF");
    EXPECT_FALSE(reader.OpenFile(nullptr));
    EXPECT_EQ(reader.GetError().GetLastErrorID(), KScnReader::eFileNotOpened);
    EXPECT_FALSE(reader.OpenFile(""));
    EXPECT_FALSE(reader.IsOpen());
    reader.CloseFile();
    EXPECT_EQ(reader.CreateReadOptions(true), nullptr);
    EXPECT_EQ(reader.GetError().GetLastErrorID(), KScnReader::eFileNotOpened);
    EXPECT_FALSE(reader.ReadScene(nullptr, nullptr));
    EXPECT_STREQ(reader.GetError().GetLastErrorString(), "File not opened");
}

TEST(ForeignReaders, EveryReaderGivesOptionsOfItsOwnKind)
{
    const int ids[] = {KStreamOptionsScn::GetClassId(),
                       KStreamOptionsForeign::GetClassId(),
                       KStreamOptionsObj::GetClassId(),
                       KStreamOptions3DS::GetClassId(),
                       KStreamOptionsDxf::GetClassId(),
                       KStreamOptionsBiovision::GetClassId(),
                       KStreamOptionsMotionAnalysisHtr::GetClassId(),
                       KStreamOptionsMotionAnalysisTrc::GetClassId(),
                       KStreamOptionsAcclaim::GetClassId(),
                       KStreamOptionsAdaptiveOptics::GetClassId(),
                       KStreamOptionsWavefrontMov::GetClassId(),
                       KStreamOptionsVicon::GetClassId()};
    EXPECT_EQ(std::set<int>(std::begin(ids), std::end(ids)).size(), std::size(ids)) << "an id used twice";
    // The importer's format and the id of its reader's kind.
    const int kinds[][2] = {{3, ids[4]}, {4, ids[3]},  {5, ids[2]},   {6, ids[5]},  {7, ids[6]},  {8, ids[7]},
                            {9, ids[8]}, {10, ids[8]}, {11, ids[11]}, {12, ids[9]}, {15, ids[10]}};
    testsupport::TempDir dir;
    KScnSdkManager manager;
    KScnImporter* importer = manager.CreateImporter();
    const std::string path = dir.WriteFile("any.txt", "1 2 3\n");
    for (const auto& kind : kinds)
    {
        SCOPED_TRACE("format " + std::to_string(kind[0]));
        std::unique_ptr<KScnReader> reader(KScnImporter::CreateReader(&manager, importer, kind[0]));
        ASSERT_NE(reader, nullptr);
        ASSERT_TRUE(reader->OpenFile(path.c_str()));
        std::unique_ptr<KStreamOptionsScn> options(reader->CreateReadOptions(true));
        ASSERT_NE(options, nullptr);
        EXPECT_TRUE(options->Is(KStreamOptionsForeign::GetClassId()));
        for (int id : ids)
            if (id != ids[0] && id != ids[1])
            {
                EXPECT_EQ(options->Is(id), id == kind[1]) << std::hex << id;
            }
    }
}

// openscenegraph's converter (installed by scripts/setup) writes a quad from
// its own text format as a 3DS file (with a keyframer) and as OBJ and MTL
// files; each is read back through the importer: the node, the corner
// (2, 2, 0) in the world, faceted normals up, UVs that follow the vertices
// (u = x / 2, v = y / 2) and the material's colours.
TEST(ForeignReaders, ReadWhatOpenSceneGraphWrites)
{
    testsupport::TempDir dir;
    dir.WriteFile("quad.osg", "Geode {\n name \"Quad\"\n num_drawables 1\n Geometry {\n  StateSet {\n"
                              "   Material {\n    ColorMode OFF\n    ambientColor 0.1 0.1 0.1 1\n"
                              "    diffuseColor 0.8 0.3 0.2 1\n    specularColor 0 0 0 1\n"
                              "    emissionColor 0 0 0 1\n    shininess 0\n   }\n  }\n"
                              "  PrimitiveSets 1\n  {\n   DrawArrays QUADS 0 4\n  }\n"
                              "  VertexArray Vec3Array 4\n  {\n   0 0 0\n   2 0 0\n   2 2 0\n   0 2 0\n  }\n"
                              "  NormalBinding OVERALL\n  NormalArray Vec3Array 1\n  {\n   0 0 1\n  }\n"
                              "  TexCoordArray 0 Vec2Array 4\n  {\n   0 0\n   1 0\n   1 1\n   0 1\n  }\n"
                              " }\n}\n");
    const std::string command = "cd '" + dir.Path() +
                                "' && timeout 60 osgconv quad.osg quad.3ds > osgconv.log 2>&1"
                                " && timeout 60 osgconv quad.osg quad.obj >> osgconv.log 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << testsupport::TempDir::ReadFile(dir.Path() + "/osgconv.log");

    // Colours go through bytes in a 3DS file.
    const struct
    {
        int format;
        const char* file;
        const char* node;
        double near;
    } kinds[] = {{4, "quad.3ds", "Model::Quad", 1.0 / 255}, {5, "quad.obj", "Model::Quad_Geometry_0", 1e-6}};
    for (const auto& k : kinds)
    {
        SCOPED_TRACE(k.file);
        KScnSdkManager manager;
        KScnSceneRoot* scene = manager.CreateScene();
        KScnImporter* importer = manager.CreateImporter();
        importer->SetFileFormat(k.format);
        ASSERT_TRUE(importer->Initialize((dir.Path() + "/" + k.file).c_str()));
        ASSERT_TRUE(importer->Import(scene)) << importer->GetStatusText();
        ASSERT_EQ(scene->GetRootNode()->GetChildCount(), 1);
        KScnNode* node = scene->GetRootNode()->GetChild(0);
        EXPECT_STREQ(node->GetName(), k.node);
        auto* mesh = static_cast<KScnMesh*>(node->GetMesh());
        ASSERT_NE(mesh, nullptr);
        EXPECT_EQ(mesh->GetControlPointsCount(), 4);
        ASSERT_EQ(mesh->GetPolygonCount(), 2);
        ASSERT_EQ(mesh->GetPolygonVertexCount(), 6) << "two triangles";
        const KgeTVector p = mesh->GetControlPointAt(2);
        const double* g = node->ComputeGlobalTransform(); // row vectors: p' = p M
        for (int j = 0; j < 3; ++j)
            EXPECT_NEAR(p[0] * g[j] + p[1] * g[4 + j] + p[2] * g[8 + j] + g[12 + j], j < 2 ? 2.0 : 0.0, 1e-5);
        const KScnLayer* layer = mesh->GetLayer(0);
        const KScnLayerElement* normals = layer->GetNormalElement();
        const KScnLayerElement* uvs = layer->GetUVElement();
        ASSERT_NE(normals, nullptr);
        ASSERT_NE(uvs, nullptr);
        for (int corner = 0; corner < 6; ++corner)
        {
            const KgeTVector n = normals->GetDirectVector(normals->GetIndexAt(corner));
            EXPECT_NEAR(std::abs(n[0]) + std::abs(n[1]) + std::abs(n[2] - 1.0), 0.0, 1e-6);
            const KgeUVVector uv = uvs->GetDirect<KgeUVVector>()[uvs->GetIndexAt(corner)];
            const KgeTVector at = mesh->GetControlPointAt(mesh->GetPolygonVertices()[corner]);
            EXPECT_DOUBLE_EQ(uv.u, at[0] / 2);
            EXPECT_DOUBLE_EQ(uv.v, at[1] / 2);
        }
        KScnMaterial* material = layer->GetMaterialElement()->GetDirect<KScnMaterial*>()[0];
        EXPECT_NEAR(material->GetDiffuse().mRed, 0.8, k.near);
        EXPECT_NEAR(material->GetDiffuse().mGreen, 0.3, k.near);
        EXPECT_NEAR(material->GetDiffuse().mBlue, 0.2, k.near);
        EXPECT_NEAR(material->GetAmbient().mBlue, 0.1, k.near);
    }
}

} // namespace
