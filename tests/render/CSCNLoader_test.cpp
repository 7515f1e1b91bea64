#include "render/CSCNLoader.h"
#include "scenesdk/fileio/KScnReaderScn.h"

#include "tests/support/SmallStack.h"
#include "tests/support/TempDir.h"
#include "tools/datagen/CModelBuilder.h"
#include "tools/scnwriter/ScnEncrypt.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cmath>
#include <cstdio>
#include <functional>
#include <string>

namespace
{

class CSCNLoaderTest : public testsupport::TempDirTest
{
protected:
    // Red: a textured triangle pair with settings; Blue: one triangle with
    // the bump shader. Texture coordinates are exact binary fractions.
    static CModelBuilder TwoMaterials()
    {
        CModelBuilder b;
        SModelMaterial red;
        red.name = "Red";
        red.texture = "Data/textures/red.tga";
        red.diffuse = {0.5, 0.25, 0.0};
        red.reflectivity = 0.25;
        red.opacity = 0.75;
        red.exponent = 0.5;
        red.useLighting = false;
        SModelMaterial blue;
        blue.name = "Blue";
        blue.texture = "Data/textures/blue.tga";
        blue.normalMap = "rockNormal";
        b.SetMaterial(b.AddMaterial(red));
        const int v0 = b.Vertex({0, 0, 0}, {0, 0, 1}, 0.0, 0.0);
        const int v1 = b.Vertex({1, 0, 0}, {0, 0, 1}, 1.0, 0.0);
        const int v2 = b.Vertex({1, 1, 0}, {0, 0, 1}, 1.0, 0.5);
        const int v3 = b.Vertex({0, 1, 0}, {0, 0, 1}, 0.0, 0.25);
        b.Triangle(v0, v1, v2);
        b.Triangle(v0, v2, v3);
        b.SetMaterial(b.AddMaterial(blue));
        b.Triangle(b.Vertex({0, 0, 1}, {0, 1, 0}, 0.125, 0.0), b.Vertex({1, 0, 1}, {0, 1, 0}, 0.5, 0.0),
                   b.Vertex({1, 1, 1}, {0, 1, 0}, 0.5, 1.0));
        return b;
    }

    std::string Save(const CModelBuilder& b, const std::string& name, CScnWriter::EForm form)
    {
        const std::string path = m_Dir.Path() + "/" + name;
        std::string error;
        EXPECT_TRUE(b.Save(path, form, error)) << error;
        return path;
    }

    // Loads path into fresh model data; null on failure.
    CRefPtr<CModelData> LoadModel(CSCNLoader& loader, const std::string& path)
    {
        CRefPtr<CModelData> data(new CModelData);
        if (!loader.LoadScene(path) || !loader.Load(data))
            return CRefPtr<CModelData>();
        return data;
    }
};

void ExpectTwoMaterials(const CModelData& data)
{
    ASSERT_EQ(data.m_TriangleGroups.size(), 2u);
    ASSERT_EQ(data.m_Materials.size(), 2u);
    ASSERT_EQ(data.m_Textures.size(), 2u);
    const STriangleGroupData& red = *data.m_TriangleGroups[0];
    EXPECT_EQ(red.GetVertexCount(), 4u);
    EXPECT_EQ(red.m_Indices, (std::vector<uint32_t>{0, 1, 2, 0, 2, 3}));
    ASSERT_EQ(red.m_bUVLayerCount, 1);
    ASSERT_EQ(red.m_TexCoords.size(), 1u);
    ASSERT_EQ(red.m_TexCoords[0].size(), 4u);
    EXPECT_EQ(red.m_TexCoords[0][2], (TTexCoord{1.0f, 0.5f}));
    EXPECT_EQ(red.m_TexCoords[0][3], (TTexCoord{0.0f, 0.25f}));
    EXPECT_EQ(red.m_Positions[2].x, 1.0f);
    EXPECT_EQ(red.m_Positions[2].y, 1.0f);
    EXPECT_EQ(red.m_Normals[0].z, 1.0f);
    EXPECT_EQ(red.m_LayerTextures, std::vector<uint32_t>{0});
    EXPECT_EQ(red.m_LayerBlendModes, std::vector<uint32_t>{0});
    EXPECT_EQ(data.m_Textures[0].m_strFileName, "Data/textures/red.tga");
    // The builder writes modulate, which the model data calls 0.
    EXPECT_EQ(data.m_Textures[0].m_iBlendMode, STextureData::BLEND_MODULATE);

    const SMaterialData& redMat = data.m_Materials[red.m_iMaterialIndex];
    EXPECT_DOUBLE_EQ(redMat.m_dReflectivity, 0.25);
    EXPECT_DOUBLE_EQ(redMat.m_dOpacity, 0.75);
    EXPECT_DOUBLE_EQ(redMat.m_dShininess, 64.0);
    EXPECT_FALSE(redMat.m_bLighting);
    EXPECT_DOUBLE_EQ(redMat.m_Diffuse[0], 0.5);
    EXPECT_DOUBLE_EQ(redMat.m_Diffuse[1], 0.25);
    EXPECT_EQ(redMat.m_strShader, "");
    EXPECT_TRUE(redMat.m_Parameters.empty());

    const STriangleGroupData& blue = *data.m_TriangleGroups[1];
    EXPECT_EQ(blue.GetVertexCount(), 3u);
    EXPECT_EQ(blue.m_TexCoords[0][0], (TTexCoord{0.125f, 0.0f}));
    EXPECT_EQ(blue.m_LayerTextures, std::vector<uint32_t>{1});
    const SMaterialData& blueMat = data.m_Materials[blue.m_iMaterialIndex];
    EXPECT_NE(blue.m_iMaterialIndex, red.m_iMaterialIndex);
    EXPECT_DOUBLE_EQ(blueMat.m_dShininess, 128.0 * 0.1);
    EXPECT_TRUE(blueMat.m_bLighting);
    EXPECT_EQ(blueMat.m_strShader, "simpleBump.cg");
    ASSERT_EQ(blueMat.m_Parameters.size(), 1u);
    EXPECT_EQ(blueMat.m_Parameters[0], SParameter("texNormal", "rockNormal"));
}

} // namespace

TEST_F(CSCNLoaderTest, ConvertsGroupsMaterialsAndShadersInBothForms)
{
    const CModelBuilder b = TwoMaterials();
    CSCNLoader loader;
    ASSERT_TRUE(loader.IsInitialised());
    for (CScnWriter::EForm form : {CScnWriter::eText, CScnWriter::eBinary})
    {
        const std::string path = Save(b, form == CScnWriter::eText ? "a.scn" : "b.scn", form);
        testing::internal::CaptureStderr();
        CRefPtr<CModelData> data = LoadModel(loader, path);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
        ASSERT_TRUE(data);
        ExpectTwoMaterials(*data);
        // Converting again gives the same result into new data.
        CRefPtr<CModelData> again(new CModelData);
        ASSERT_TRUE(loader.Load(again));
        EXPECT_EQ(again->m_TriangleGroups.size(), 2u);
        EXPECT_EQ(again->GetRefCount(), 1u);
    }
}

TEST_F(CSCNLoaderTest, TriangulatedLoadOfATriangleMeshGivesTheSameModel)
{
    const std::string path = Save(TwoMaterials(), "t.scn", CScnWriter::eBinary);
    CSCNLoader loader;
    CRefPtr<CModelData> data(new CModelData);
    ASSERT_TRUE(loader.LoadSceneTriangulated(path));
    ASSERT_TRUE(loader.Load(data));
    ExpectTwoMaterials(*data);
}

// Replaces every occurrence of from; false when there is none.
static bool ReplaceAll(std::string& text, const std::string& from, const std::string& to)
{
    size_t count = 0;
    for (size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size(), ++count)
        text.replace(at, from.size(), to);
    return count > 0;
}

// Each value from the material's settings node where it gives one, else
// from the material where its file wrote one, else the game's default. Red's
// node and Red itself say 0.25, 0.75 and 64 unless a row changes them.
TEST_F(CSCNLoaderTest, MaterialValuesFromTheSettingsNodeOrTheMaterial)
{
    using Swap = std::pair<std::string, std::string>;
    const Swap noNode{"\"mat_Red\"", "\"mat_Rod\""}, halfOpacity{"Opacity: 0.75", "Opacity: 0.5"};
    const Swap noNodeOpacity{"        UserProperty: \"opacity\", \"Real\", \"\", 0.75\n", ""};
    const Swap noNodeReflectivity{"        UserProperty: \"reflectivity\", \"Real\", \"\", 0.25\n", ""};
    const Swap noOwnValues{
        "            Opacity: 0.75\n            Reflectivity: 0.25\n            Shininess: 64\n", ""};
    const struct
    {
        const char* what;
        double shininess, opacity, reflectivity;
        std::vector<Swap> edits;
    } rows[] = {
        {"node gives all", 64.0, 0.75, 0.25, {halfOpacity}},
        {"node without opacity: the material's", 64.0, 0.5, 0.25, {halfOpacity, noNodeOpacity}},
        {"node without opacity, material without values", 64.0, 1.0, 0.25, {noNodeOpacity, noOwnValues}},
        {"node with only the exponent",
         64.0,
         0.5,
         0.5,
         {halfOpacity, noNodeOpacity, noNodeReflectivity, {"Reflectivity: 0.25", "Reflectivity: 0.5"},
          {"Shininess: 64", "Shininess: 32"}}},
        {"no node", 64.0, 0.5, 0.25, {noNode, halfOpacity}},
        {"no node, own values changed",
         32.0,
         0.75,
         0.5,
         {noNode, {"Reflectivity: 0.25", "Reflectivity: 0.5"}, {"Shininess: 64", "Shininess: 32"}}},
        {"no node, own values out of range",
         128.0,
         1.0,
         0.25,
         {noNode, {"Opacity: 0.75", "Opacity: 2"}, {"Shininess: 64", "Shininess: 300"}}},
        // Not the material's defaults: the game's.
        {"no node, no own values", 90.0, 1.0, 0.0, {noNode, noOwnValues}},
        {"no node, only own opacity", 90.0, 0.75, 0.0, {noNode, {"            Reflectivity: 0.25\n", ""},
                                                         {"            Shininess: 64\n", ""}}},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.what);
        std::string error, text;
        ASSERT_TRUE(TwoMaterials().Encode(CScnWriter::eText, text, error)) << error;
        for (const auto& edit : row.edits)
            ASSERT_TRUE(ReplaceAll(text, edit.first, edit.second)) << edit.first;
        CSCNLoader loader;
        CRefPtr<CModelData> data = LoadModel(loader, m_Dir.WriteFile("n.scn", text));
        ASSERT_TRUE(data);
        const SMaterialData& red = data->m_Materials[data->m_TriangleGroups[0]->m_iMaterialIndex];
        EXPECT_DOUBLE_EQ(red.m_dShininess, row.shininess);
        EXPECT_DOUBLE_EQ(red.m_dOpacity, row.opacity);
        EXPECT_DOUBLE_EQ(red.m_dReflectivity, row.reflectivity);
        EXPECT_FALSE(red.m_bLighting);
        // Blue keeps its node's values.
        const SMaterialData& blue = data->m_Materials[data->m_TriangleGroups[1]->m_iMaterialIndex];
        EXPECT_DOUBLE_EQ(blue.m_dShininess, 128.0 * 0.1);
        EXPECT_TRUE(blue.m_bLighting);
    }
}

// The mesh and the settings nodes hang at the bottom of a chain of null
// models as deep as a scene file may nest them; the loader finds them while
// running on a stack far too small for a frame per level.
TEST_F(CSCNLoaderTest, FindsTheMeshAndSettingsBelowADeepChain)
{
    // Below the chain: the body and materials, then a shader and its
    // parameter node, at the deepest level a file may hold.
    const int kDepth = scenesdk::KScnReaderScn::kMaxModelDepth - 3;
    std::string error, text;
    ASSERT_TRUE(TwoMaterials().Encode(CScnWriter::eText, text, error)) << error;
    std::string chain;
    for (int i = 0; i < kDepth; ++i)
    {
        chain += "    Model: \"Link" + std::to_string(i) + "\", \"Null\" {\n        Children: ";
        chain +=
            i + 1 < kDepth ? "\"Link" + std::to_string(i + 1) + "\"" : "\"Body\", \"mat_Red\", \"mat_Blue\"";
        chain += "\n    }\n";
    }
    const size_t body = text.find("Model: \"Body\"");
    ASSERT_NE(body, std::string::npos);
    text.insert(text.rfind('\n', body) + 1, chain);
    const std::string path = m_Dir.WriteFile("deep.scn", text);
    CSCNLoader loader;
    CRefPtr<CModelData> data;
    ASSERT_TRUE(testsupport::RunOnSmallStack(64 * 1024, [&] { data = LoadModel(loader, path); }));
    ASSERT_TRUE(data);
    ExpectTwoMaterials(*data);
}

TEST_F(CSCNLoaderTest, ParameterNodesNeedTheStringTypeLetter)
{
    CModelBuilder b = TwoMaterials();
    std::string error, text;
    ASSERT_TRUE(b.Encode(CScnWriter::eText, text, error)) << error;
    const std::string from = "texNormal_s_rockNormal";
    size_t at = 0;
    while ((at = text.find(from, at)) != std::string::npos)
        text.replace(at, from.size(), "texNormal_f_rockNormal");
    CSCNLoader loader;
    CRefPtr<CModelData> data = LoadModel(loader, m_Dir.WriteFile("p.scn", text));
    ASSERT_TRUE(data);
    const SMaterialData& blue = data->m_Materials[data->m_TriangleGroups[1]->m_iMaterialIndex];
    EXPECT_EQ(blue.m_strShader, "simpleBump.cg");
    EXPECT_TRUE(blue.m_Parameters.empty());
}

TEST_F(CSCNLoaderTest, FormatFromTheExtension)
{
    EXPECT_EQ(CSCNLoader::FileFormatFromName("Data/house.OBJ"), 5);
    EXPECT_EQ(CSCNLoader::FileFormatFromName("a.3ds"), 4);
    EXPECT_EQ(CSCNLoader::FileFormatFromName("a.Dxf"), 3);
    EXPECT_EQ(CSCNLoader::FileFormatFromName("a.scn"), 0);
    EXPECT_EQ(CSCNLoader::FileFormatFromName("Data/house"), 0);
    EXPECT_EQ(CSCNLoader::FileFormatFromName("dir.obj/house"), 0);

    // The file's kind from its first bytes, for the format of its name.
    const struct
    {
        const char* name;
        std::string bytes;
        bool model;
    } kRows[] = {
        {"text.scn", "; a scene\nFileHeader: {\n}\n", true},
        {"binary.scn", std::string("\x89SCNB\r\n\x1a\x70\x17\0\0", 12), true},
        {"secret.scn", std::string("\x89SCNX\r\n\x1a\x02\0\0\0", 12), true},
        {"picture", std::string("\0\0\x02\0\0\0", 6), false},
        {"empty.scn", "", false},
        {"words.scn", "not a scene file\n", false},
        {"mesh.3ds", std::string("MM\x10\0\0\0", 6), true},
        {"text.3DS", "MM text", true},
        {"mesh.3ds", "; text", false},
        {"mesh.obj", "v 0 0 0\n", true},
        {"nul.obj", std::string("v\0 0\n", 6), false},
        {"plan.dxf", "  0\nSECTION\n", true},
        {"plan.dxf", std::string("AutoCAD Binary DXF\r\n\x1a\0\0\0", 25), true},
        {"plan.dxf", std::string("\x01\0", 2), false},
    };
    for (const auto& row : kRows)
    {
        SCOPED_TRACE(row.name + (" " + row.bytes));
        m_Dir.WriteFile(row.name, row.bytes);
        std::string kind;
        EXPECT_EQ(CSCNLoader::IsModelFile(row.name, kind), row.model);
        EXPECT_NE(kind, "");
    }
    std::string kind;
    EXPECT_FALSE(CSCNLoader::IsModelFile("missing.scn", kind));
    EXPECT_EQ(kind, "a scene file (text, binary or encrypted)");
}

namespace
{

// The reader's reason, when it gave one, follows the importer's error.
std::string Failed(const std::string& call, const std::string& error, const std::string& reason = "")
{
    // The error log's line end follows each message.
    return "Call to KScnImporter::" + call + "() failed.\n\nError returned: " + error +
           (reason.empty() ? "" : " (" + reason + ")") + "\n\n\n";
}

// The lines a failed call wrote to "Error.log" (removed); it says nothing on standard error.
std::string TraceOf(const std::function<void()>& call)
{
    testing::internal::CaptureStderr();
    call();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    const std::string log = testsupport::TempDir::ReadFile("Error.log");
    std::remove("Error.log");
    return log;
}

} // namespace

TEST_F(CSCNLoaderTest, MissingAndBrokenFilesAreReported)
{
    CSCNLoader loader;
    const std::string good = Save(TwoMaterials(), "g.scn", CScnWriter::eBinary);
    const std::string bytes = testsupport::TempDir::ReadFile(good);
    const std::string fifo = m_Dir.Path() + "/pipe.scn";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    CScnWriter w(CScnWriter::eText);
    w.WriteHeader("tests");
    w.BeginField("Objects");
    w.BeginBlock();
    for (int i = 0; i < 2; ++i)
    {
        w.BeginField("Model");
        w.AddString("Box");
        w.EndField();
    }
    w.EndBlock();
    w.EndField();
    const std::string twice = m_Dir.Path() + "/twice.scn";
    ASSERT_TRUE(w.SaveFile(twice)) << w.Error();
    const struct
    {
        std::string path;
        std::string messages;
    } cases[] = {
        {m_Dir.Path() + "/missing.scn",
         Failed("Initialize", "File not opened", "no such file: " + m_Dir.Path() + "/missing.scn")},
        {m_Dir.Path() + "/missing",
         Failed("Import", "File not opened", "no such file: " + m_Dir.Path() + "/missing")},
        {m_Dir.WriteFile("junk.scn", "junk"), Failed("Initialize", "File is corrupted", "not a scene file")},
        {m_Dir.WriteFile("cut.scn", bytes.substr(0, bytes.size() / 2)),
         Failed("Initialize", "File is corrupted", "bad magic or end mark at byte 0")},
        {m_Dir.WriteFile("a.OBJ", "v 0 0 0\nf 1 2 3\n"),
         Failed("Import", "File is corrupted", "line 2: vertex index 2 out of range (1 read)")},
        // A document the reader refuses names the object and the problem.
        {twice, Failed("Import", "File is corrupted", "repeated Model \"Box\"")},
        // A FIFO is no scene file: refused at once, never waited on.
        {fifo, Failed("Initialize", "File not opened", "no such file: " + fifo)},
    };
    ASSERT_TRUE(loader.LoadScene(good));
    for (const auto& c : cases)
    {
        EXPECT_EQ(TraceOf([&] { EXPECT_FALSE(loader.LoadScene(c.path)) << c.path; }), c.messages) << c.path;
        // The reason a player's message gives: the error and the reader's reason.
        const size_t from = c.messages.find("returned: ") + 10;
        EXPECT_EQ(loader.GetLastError(), c.messages.substr(from, c.messages.size() - 3 - from));
        // The earlier scene is gone: nothing to convert or keep.
        CRefPtr<CModelData> data(new CModelData);
        EXPECT_FALSE(loader.Load(data));
        EXPECT_EQ(data->GetRefCount(), 1u);
        EXPECT_TRUE(data->m_TriangleGroups.empty());
        EXPECT_FALSE(loader.KeepObjectA(CRefPtr<CRefCounted>(data.Get())));
        EXPECT_EQ(loader.GetLastError(), "no scene is loaded");
    }
    ASSERT_TRUE(loader.LoadScene(good));
    EXPECT_EQ(loader.GetLastError(), "");
    // A scene that reads but holds no mesh fails the conversion, saying so.
    ASSERT_TRUE(loader.LoadScene(m_Dir.WriteFile("empty.scn", "FileHeader: { Version: 6000 }\nObjects: {\n"
                                                              "Model: \"Box\"\n}\n")));
    CRefPtr<CModelData> data(new CModelData);
    EXPECT_FALSE(loader.Load(data));
    EXPECT_EQ(loader.GetLastError(), "it holds no mesh");
}

TEST_F(CSCNLoaderTest, KeptObjectsNeedAScene)
{
    CSCNLoader loader;
    CRefPtr<CModelData> object(new CModelData);
    EXPECT_FALSE(loader.KeepObjectB(CRefPtr<CRefCounted>(object.Get())));
    ASSERT_TRUE(loader.LoadScene(Save(TwoMaterials(), "k.scn", CScnWriter::eText)));
    EXPECT_TRUE(loader.KeepObjectA(CRefPtr<CRefCounted>(object.Get())));
    EXPECT_TRUE(loader.KeepObjectB(CRefPtr<CRefCounted>(object.Get())));
    EXPECT_EQ(object->GetRefCount(), 1u);
}

TEST_F(CSCNLoaderTest, NamesResolveIgnoringCaseWhenNotFoundAsGiven)
{
    m_Dir.WriteFile("Data/Models/readme.txt", "");
    Save(TwoMaterials(), "Data/Models/Red.scn", CScnWriter::eBinary);
    CSCNLoader loader;
    EXPECT_TRUE(LoadModel(loader, m_Dir.Path() + "/data/models/red.scn"));
    EXPECT_TRUE(LoadModel(loader, "data/MODELS/red.scn"));
    EXPECT_EQ(TraceOf([&] { EXPECT_FALSE(loader.LoadScene("data/models/blue.scn")); }),
              Failed("Initialize", "File not opened", "no such file: data/models/blue.scn"));
}

namespace
{

// A binary scene file wrapped as a protected one: the header records (all
// but the binary preamble and trailer) stay readable.
std::string Protect(const std::string& file, const std::string& password)
{
    return ScnEncrypt(file, file.substr(12, file.size() - 20), 6000, password);
}

} // namespace

// The password is asked once on standard input; a wrong answer or the end of
// input aborts the import.
TEST_F(CSCNLoaderTest, ProtectedFilesAskForThePasswordOnce)
{
    std::string error, plain;
    ASSERT_TRUE(TwoMaterials().Encode(CScnWriter::eBinary, plain, error)) << error;
    const std::string path = m_Dir.WriteFile("locked.scn", Protect(plain, "sesame"));
    const std::string prompt = "Information: Please enter password: \n";
    const std::string aborted = "\nPassword is wrong, import aborted.\n\n";
    const struct
    {
        std::string input;
        bool ok;
        std::string messages;
    } cases[] = {
        {"sesame\n", true, prompt},
        {"  wrong words\n", false, prompt + aborted},
        {"", false, prompt + aborted},
    };
    for (const auto& c : cases)
    {
        CSCNLoader loader;
        ASSERT_NE(std::freopen(m_Dir.WriteFile("input.txt", c.input).c_str(), "r", stdin), nullptr);
        testing::internal::CaptureStderr();
        EXPECT_EQ(loader.LoadScene(path), c.ok) << c.input;
        EXPECT_EQ(testing::internal::GetCapturedStderr(), c.messages) << c.input;
        if (!c.ok)
            continue;
        CRefPtr<CModelData> data(new CModelData);
        ASSERT_TRUE(loader.Load(data));
        ExpectTwoMaterials(*data);
        // The importer keeps the accepted password: no second prompt.
        testing::internal::CaptureStderr();
        EXPECT_TRUE(loader.LoadScene(path));
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    }
}

namespace
{

// One square of two triangles (0, 1, 2), (0, 2, 3) with material "A", as
// scene text, for edits of its mesh block.
std::string SquareText()
{
    CModelBuilder b;
    SModelMaterial a;
    a.name = "A";
    a.texture = "a.tga";
    b.SetMaterial(b.AddMaterial(a));
    const int v0 = b.Vertex({0, 0, 0}, {0, 0, 1}, 0, 0);
    const int v1 = b.Vertex({1, 0, 0}, {0, 0, 1}, 1, 0);
    const int v2 = b.Vertex({1, 1, 0}, {0, 0, 1}, 1, 1);
    const int v3 = b.Vertex({0, 1, 0}, {0, 0, 1}, 0, 1);
    b.Triangle(v0, v1, v2);
    b.Triangle(v0, v2, v3);
    std::string text, error;
    EXPECT_TRUE(b.Encode(CScnWriter::eText, text, error)) << error;
    return text;
}

// Replaces the only occurrence of from.
void Edit(std::string& text, const std::string& from, const std::string& to)
{
    const size_t at = text.find(from);
    ASSERT_NE(at, std::string::npos) << from;
    ASSERT_EQ(text.find(from, at + 1), std::string::npos) << from;
    text.replace(at, from.size(), to);
}

// The square as one quad polygon.
std::string QuadText()
{
    std::string text = SquareText();
    Edit(text, "PolygonSizes: 3, 3", "PolygonSizes: 4");
    Edit(text, "PolygonVertices: 0, 1, 2, 0, 2, 3", "PolygonVertices: 0, 1, 2, 3");
    Edit(text, "Indices: 0, 1, 2, 0, 2, 3", "Indices: 0, 1, 2, 3");
    Edit(
        text,
        "Mapping: ByPolygon\n                    Reference: IndexToDirect\n                    Indices: 0, 0",
        "Mapping: ByPolygon\n                    Reference: IndexToDirect\n                    Indices: 0");
    Edit(text, "BlendMode: 2\n                    Alpha: 1\n                    Indices: 0, 0",
         "BlendMode: 2\n                    Alpha: 1\n                    Indices: 0");
    return text;
}

} // namespace

namespace
{

// The values (texture coordinates or colours) of the group's triangle
// corners in drawing order; none unless the group has one for each vertex.
template <class T> std::vector<T> Corners(const STriangleGroupData& g, const std::vector<T>& values)
{
    std::vector<T> out;
    for (size_t n = 0; values.size() == g.GetVertexCount() && n < g.m_Indices.size(); ++n)
        out.push_back(values[g.m_Indices[n]]);
    return out;
}

// A UV (or colour) element body in the square's layout; null values or
// indices are left out.
std::string UVElement(const char* mapping, const char* reference, const char* values, const char* indices)
{
    std::string body = std::string("                    Mapping: ") + mapping + "\n" +
                       "                    Reference: " + reference;
    if (values != nullptr)
        body += std::string("\n                    Values: ") + values;
    if (indices != nullptr)
        body += std::string("\n                    Indices: ") + indices;
    return body;
}

const std::string kSquareUVs =
    UVElement("ByPolygonVertex", "IndexToDirect", "0, 0, 1, 0, 1, 1, 0, 1", "0, 1, 2, 0, 2, 3");

} // namespace

// Every mesh is triangulated, with or without the flag: a quad is drawn
// whole, and the corners after it read their own UVs.
TEST_F(CSCNLoaderTest, PolygonsAreDrawnWhole)
{
    std::string quadAndTriangle = SquareText();
    Edit(quadAndTriangle, "PolygonSizes: 3, 3", "PolygonSizes: 4, 3");
    Edit(quadAndTriangle, "PolygonVertices: 0, 1, 2, 0, 2, 3", "PolygonVertices: 0, 1, 2, 3, 0, 2, 3");
    Edit(quadAndTriangle, "Indices: 0, 1, 2, 0, 2, 3", "Indices: 0, 1, 2, 3, 0, 2, 3");
    using UV = TTexCoord;
    const struct
    {
        const char* what;
        std::string text;
        bool triangulated;
        std::vector<TTexCoord> corners;
    } rows[] = {
        {"quad", QuadText(), false, {UV{0, 0}, UV{1, 0}, UV{1, 1}, UV{1, 1}, UV{0, 1}, UV{0, 0}}},
        {"quad, flag set", QuadText(), true, {UV{0, 0}, UV{1, 0}, UV{1, 1}, UV{1, 1}, UV{0, 1}, UV{0, 0}}},
        {"quad and triangle",
         quadAndTriangle,
         false,
         {UV{0, 0}, UV{1, 0}, UV{1, 1}, UV{1, 1}, UV{0, 1}, UV{0, 0}, UV{0, 0}, UV{1, 1}, UV{0, 1}}},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.what);
        const std::string path = m_Dir.WriteFile("quad.scn", row.text);
        CSCNLoader loader;
        ASSERT_TRUE(row.triangulated ? loader.LoadSceneTriangulated(path) : loader.LoadScene(path));
        for (int pass = 0; pass < 2; ++pass) // converting again gives the same
        {
            CRefPtr<CModelData> data(new CModelData);
            ASSERT_TRUE(loader.Load(data));
            ASSERT_EQ(data->m_TriangleGroups.size(), 1u);
            EXPECT_EQ(data->m_TriangleGroups[0]->GetVertexCount(), 4u);
            EXPECT_EQ(Corners(*data->m_TriangleGroups[0], data->m_TriangleGroups[0]->m_TexCoords[0]),
                      row.corners);
        }
    }
}

// The square's six corners (control points 0, 1, 2 and 0, 2, 3) read their
// UVs by the element's mapping and reference; without a mapping, or with a
// reference that names no value, the conversion fails (no corners).
TEST_F(CSCNLoaderTest, TexCoordsByMappingAndReference)
{
    using UV = TTexCoord;
    const std::vector<UV> byPoint = {UV{0, 0}, UV{1, 0}, UV{1, 1}, UV{0, 0}, UV{1, 1}, UV{0, 1}};
    const UV x{0.5f, 0}, y{0, 0.5f};
    const struct
    {
        const char *mapping, *reference, *values, *indices;
        std::vector<UV> corners;
    } rows[] = {
        {"ByPolygonVertex", "IndexToDirect", "0, 0, 1, 0, 1, 1, 0, 1", "0, 1, 2, 0, 2, 3", byPoint},
        {"ByControlPoint", "Direct", "0, 0, 1, 0, 1, 1, 0, 1", nullptr, byPoint},
        {"ByControlPoint", "IndexToDirect", "0, 1, 1, 1, 1, 0, 0, 0", "3, 2, 1, 0", byPoint},
        {"ByPolygonVertex",
         "Direct",
         "0, 0, 1, 0, 1, 1, 0, 0.5, 1, 0.5, 0, 0.5",
         nullptr,
         {UV{0, 0}, UV{1, 0}, UV{1, 1}, UV{0, 0.5f}, UV{1, 0.5f}, UV{0, 0.5f}}},
        {"ByPolygon", "Direct", "0.5, 0, 0, 0.5", nullptr, {x, x, x, y, y, y}},
        {"ByPolygon", "IndexToDirect", "0.5, 0, 0, 0.5", "1, 0", {y, y, y, x, x, x}},
        {"AllSame", "Direct", "0.25, 0.75", nullptr, std::vector<UV>(6, UV{0.25f, 0.75f})},
        {"AllSame", "IndexToDirect", "0.25, 0.75, 0.5, 0.5", "1", std::vector<UV>(6, UV{0.5f, 0.5f})},
        {"NoMapping", "Direct", nullptr, nullptr, {}},
        {"ByPolygonVertex", "Index", nullptr, "0, 0, 0, 0, 0, 0", {}},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(std::string(row.mapping) + " " + row.reference);
        std::string text = SquareText();
        Edit(text, kSquareUVs, UVElement(row.mapping, row.reference, row.values, row.indices));
        CSCNLoader loader;
        ASSERT_TRUE(loader.LoadScene(m_Dir.WriteFile("uv.scn", text)));
        CRefPtr<CModelData> data(new CModelData);
        ASSERT_EQ(loader.Load(data), !row.corners.empty());
        if (!row.corners.empty())
        {
            EXPECT_EQ(Corners(*data->m_TriangleGroups[0], data->m_TriangleGroups[0]->m_TexCoords[0]),
                      row.corners);
        }
    }
}

// Colours the same way; a colour element that cannot be read is left out.
TEST_F(CSCNLoaderTest, ColoursByMappingAndReference)
{
    using C = TVertexColour;
    const C r{1, 0, 0, 1}, g{0, 1, 0, 1}, b{0, 0, 1, 1}, w{1, 1, 1, 0.5f};
    const struct
    {
        const char* mapping;
        const char* reference;
        const char* values;
        const char* indices;
        std::vector<C> corners; // empty: no colours
    } rows[] = {
        {"ByControlPoint",
         "Direct",
         "1, 0, 0, 1, 0, 1, 0, 1, 0, 0, 1, 1, 1, 1, 1, 0.5",
         nullptr,
         {r, g, b, r, b, w}},
        {"ByPolygon", "Direct", "1, 0, 0, 1, 0, 1, 0, 1", nullptr, {r, r, r, g, g, g}},
        {"ByPolygonVertex",
         "IndexToDirect",
         "1, 0, 0, 1, 0, 1, 0, 1",
         "0, 1, 1, 0, 0, 1",
         {r, g, g, r, r, g}},
        {"AllSame", "IndexToDirect", "1, 0, 0, 1, 0, 0, 1, 1", "1", std::vector<C>(6, b)},
        {"ByPolygonVertex", "Index", nullptr, "0, 0, 0, 0, 0, 0", {}},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(std::string(row.mapping) + " " + row.reference);
        std::string text = SquareText();
        const std::string element = "                LayerElementColor: {\n" +
                                    UVElement(row.mapping, row.reference, row.values, row.indices);
        Edit(text, "                LayerElementUV: {",
             element + "\n                }\n                LayerElementUV: {");
        CSCNLoader loader;
        CRefPtr<CModelData> data = LoadModel(loader, m_Dir.WriteFile("c.scn", text));
        ASSERT_TRUE(data);
        EXPECT_EQ(Corners(*data->m_TriangleGroups[0], data->m_TriangleGroups[0]->m_Colours), row.corners);
        EXPECT_EQ(data->m_TriangleGroups[0]->m_Colours.empty(), row.corners.empty());
    }
}

TEST_F(CSCNLoaderTest, ColoursAndBlendModesFromTheLayers)
{
    std::string text = SquareText();
    // The texture's own blend mode counts, not the layer element's.
    Edit(text, "CurrentTextureBlendMode: 2", "CurrentTextureBlendMode: 1");
    Edit(text, "                LayerElementUV: {",
         "                LayerElementColor: {\n"
         "                    Mapping: ByPolygonVertex\n"
         "                    Reference: IndexToDirect\n"
         "                    Values: 1, 0, 0, 1, 0, 0.5, 0, 0.25\n"
         "                    Indices: 0, 1, 1, 0, 0, 1\n"
         "                }\n"
         "                LayerElementUV: {");
    CSCNLoader loader;
    CRefPtr<CModelData> data = LoadModel(loader, m_Dir.WriteFile("c.scn", text));
    ASSERT_TRUE(data);
    const STriangleGroupData& g = *data->m_TriangleGroups[0];
    ASSERT_EQ(g.m_Colours.size(), g.GetVertexCount());
    // Control point 0 comes again with its colour and is shared; control
    // point 2 comes again with another colour and is a vertex of its own.
    EXPECT_EQ(g.GetVertexCount(), 5u);
    EXPECT_EQ(g.m_Colours[0], (TVertexColour{1.0f, 0.0f, 0.0f, 1.0f}));
    EXPECT_EQ(g.m_Colours[1], (TVertexColour{0.0f, 0.5f, 0.0f, 0.25f}));
    EXPECT_EQ(data->m_Textures[0].m_iBlendMode, STextureData::BLEND_ADD);
}

TEST_F(CSCNLoaderTest, UnsupportedLayoutsFailTheConversion)
{
    const struct
    {
        std::string from, to, messages;
    } cases[] = {
        {"Alpha: 1\n                    Indices: 0, 0",
         "Alpha: 1\n                    Mapping: ByPolygonVertex\n                    Indices: 0, 0, 0, 0, "
         "0, 0",
         "MappingMode for Texture on Layer 0 not yet implemented!\n"},
        {"BlendMode: 2\n                    Alpha",
         "Reference: Index\n                    BlendMode: 2\n                    Alpha",
         "ReferenceMode for Texture on Layer 0 not yet implemented!\n"},
        {"Mapping: ByPolygon\n                    Reference: IndexToDirect\n                    Indices: 0, "
         "0",
         "Mapping: ByPolygonVertex\n                    Reference: IndexToDirect\n                    "
         "Indices: 0, 0, 0, 0, 0, 0",
         ""},
    };
    for (const auto& c : cases)
    {
        std::string text = SquareText();
        Edit(text, c.from, c.to);
        CSCNLoader loader;
        ASSERT_TRUE(loader.LoadScene(m_Dir.WriteFile("u.scn", text))) << c.to;
        CRefPtr<CModelData> data(new CModelData);
        EXPECT_EQ(TraceOf([&] { EXPECT_FALSE(loader.Load(data)) << c.to; }), c.messages) << c.to;
        EXPECT_EQ(loader.GetLastError(), "its mesh cannot be converted");
    }
}

TEST_F(CSCNLoaderTest, NewerFileVersionsNameBothVersions)
{
    std::string error, text;
    ASSERT_TRUE(TwoMaterials().Encode(CScnWriter::eText, text, error)) << error;
    Edit(text, "Version: 6000", "Version: 7100");
    const std::string path = m_Dir.WriteFile("new.scn", text);
    CSCNLoader loader;
    EXPECT_EQ(TraceOf([&] { EXPECT_FALSE(loader.LoadScene(path)); }),
              Failed("Initialize", "File version is not supported yet", "file version 7100") +
                  "SCN version number for this version of the scene SDK is 6.0.0\n\n"
                  "SCN version number for file " +
                  path + " is 7.1.0\n\n\n");
}

// A face too costly to clip (a figure eight whose small lobe runs the
// other way) is fanned, and the loader passes the triangulator's warning
// on; the triangulated copy goes back to the scene's manager.
TEST_F(CSCNLoaderTest, FacesTooCostlyToClipAreFannedWithAWarning)
{
    std::string text;
    const int big = 600, small = 5000;
    for (int i = 0; i < big; ++i)
        text += "v " + std::to_string(-10.0 + 10.0 * std::cos(2 * M_PI * i / big)) + " " +
                std::to_string(10.0 * std::sin(2 * M_PI * i / big)) + " 0\n";
    for (int i = small - 1; i >= 0; --i)
        text += "v " + std::to_string(1.0 + std::cos(2 * M_PI * i / small)) + " " +
                std::to_string(std::sin(2 * M_PI * i / small)) + " 0\n";
    text += "f";
    for (int i = 1; i <= big + small; ++i)
        text += " " + std::to_string(i);
    const std::string path = m_Dir.WriteFile("eight.obj", text + "\n");
    CSCNLoader loader;
    testing::internal::CaptureStderr();
    CRefPtr<CModelData> data = LoadModel(loader, path);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "warning: 1 concave polygon too costly to clip fanned instead (largest 5600 corners)\n");
    ASSERT_TRUE(data);
    ASSERT_EQ(data->m_TriangleGroups.size(), 1u);
    EXPECT_EQ(data->m_TriangleGroups[0]->m_Indices.size(), 3u * (big + small - 2));
}
