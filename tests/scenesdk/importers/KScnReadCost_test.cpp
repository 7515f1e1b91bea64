// A read's cost, counted before anything is made, weighs in bytes what a
// file asks to make: the weighed total and the reason naming the kind that
// weighs most, and each reader refusing, before anything is made, a small
// file that names many characters, poses, skins, links, takes on objects or
// user properties, materials, textures or channels, then reading it once
// the option allows.

#include "scenesdk/fileio/KScnReadBudget.h"
#include "scenesdk/fileio/KStreamOptionsScn.h"
#include "scenesdk/kernel/KScnFree.h"
#include "scenesdk/kernel/KScnImporter.h"
#include "scenesdk/kernel/KScnSceneRoot.h"
#include "scenesdk/kernel/KScnSdkManager.h"
#include "tests/support/Chunks3DS.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

using namespace scenesdk;

namespace
{

// Budgets of 1 MB (scale 1/160, no file) and the texts of each refusal:
// nodes alone, nodes weighing most beside others (the total shown), another
// kind weighing most.
TEST(ReadCost, WeighsEachKindInBytesAndNamesTheHeaviest)
{
    const double mb = 1.0 / 160.0;
    const auto cost = [](std::initializer_list<std::pair<KScnReadCost::EKind, uint64_t>> counts)
    {
        KScnReadCost c;
        for (const auto& kc : counts)
            c.Add(kc.first, kc.second);
        return c;
    };
    const std::string tail = "allows for a file of this size; X::mBudgetScale raises it";
    const struct
    {
        KScnReadCost cost;
        double scale;
        std::string why; // empty: within the budget
    } cases[] = {
        {cost({{KScnReadCost::eNodes, 102}}), mb, ""}, // 1,044,480 bytes
        {cost({{KScnReadCost::eNodes, 103}}), mb,
         "the file makes 103 nodes (1.1 MB), more than its budget of 1.0 MB " + tail},
        {cost({{KScnReadCost::eNodes, 103}}), 2 * mb, ""},
        {cost({{KScnReadCost::eNodes, 60}, {KScnReadCost::eTakeRecords, 4500}}), mb,
         "the file makes 60 nodes (0.6 MB, 1.1 MB with the rest), more than its budget of 1.0 MB " + tail},
        {cost({{KScnReadCost::eNodes, 10}, {KScnReadCost::eTakeRecords, 9000}}), mb,
         "the file makes 9000 take records (takes x objects) (1.0 MB, 1.1 MB with the rest), more than its "
         "budget of 1.0 MB " +
             tail},
        // A name copied into each thing that keeps it weighs its bytes.
        {cost({{KScnReadCost::eNameBytes, 1 << 20}}), mb, ""},
        {cost({{KScnReadCost::eNameBytes, (1 << 20) + 1}}), mb,
         "the file makes 1048577 name bytes (names x the things that copy them) (1.1 MB), more than its "
         "budget of 1.0 MB " +
             tail},
        {cost({{KScnReadCost::eCameras, 24}}), mb,
         "the file makes 24 cameras (1.1 MB), more than its budget of 1.0 MB " + tail},
        {cost({{KScnReadCost::eLights, 46}}), mb, ""},
        {cost({{KScnReadCost::eTakeTrees, 170}}), mb, ""},
        {cost({{KScnReadCost::eTakeTrees, 170}, {KScnReadCost::eNodes, 1}}), mb,
         "the file makes 170 take trees (objects given their first take) (1.0 MB, 1.1 MB with the rest), more "
         "than its budget of 1.0 MB " +
             tail},
        {cost({{KScnReadCost::eShapeChannels, 2100}}), mb,
         "the file makes 2100 shape channels (shapes x the trees that copy them) (1.1 "
         "MB), more than its budget of 1.0 MB " +
             tail},
        {cost({{KScnReadCost::eWrittenTakes, 150}}), mb,
         "the file makes 150 written take entries (1.1 MB), more "
         "than its budget of 1.0 MB " +
             tail},
    };
    for (const auto& c : cases)
    {
        std::string why;
        EXPECT_EQ(c.cost.Check(0, c.scale, "X", why), c.why.empty()) << c.why;
        EXPECT_EQ(why, c.why);
    }
    EXPECT_DOUBLE_EQ(cost({{KScnReadCost::eNodes, 2}, {KScnReadCost::eTakeRecords, 3}}).Total(),
                     2 * 10240.0 + 3 * 112.0);

    KScnReadCost huge;
    huge.AddProduct(KScnReadCost::eLinks, uint64_t(1) << 40, uint64_t(1) << 40);
    huge.Add(KScnReadCost::eLinks, 5);
    EXPECT_EQ(huge.mCounts[KScnReadCost::eLinks], KScnReadBudget::kMaxCount);
}

// count items, each with its number put between head and tail.
std::string Numbered(int count, const std::string& head, const std::string& tail = "\n")
{
    std::string text;
    for (int i = 0; i < count; ++i)
        text += head + std::to_string(i) + tail;
    return text;
}

std::string Scene(const std::string& objects, int takes = 0)
{
    return "; scene\nFileHeader: {\n Version: 6000\n}\nObjects: {\n" + objects + "}\n" +
           (takes > 0 ? "Takes: {\n" + Numbered(takes, " Take: \"T", "\"\n") + "}\n" : "");
}

// A Takes block of written takes, each writing the model named, then empty ones.
std::string WrittenAndEmptyTakes(const std::string& model, int written, int empty)
{
    return "Takes: {\n" +
           Numbered(written, " Take: \"W", "\" {\n  Model: \"" + model + "\" { Channel: \"T\" }\n }\n") +
           Numbered(empty, " Take: \"T", "\"\n") + "}\n";
}

TEST(ReadCost, EachReaderRefusesWhatItsFileWouldMakeTooMuchOf)
{
    using namespace testsupport;
    const std::string mesh =
        "\", \"Mesh\" {\n Deformers: \"S\"\n Mesh: {\n  ControlPoints: 0,0,0, 1,0,0, 0,1,0\n"
        "  PolygonSizes: 3\n  PolygonVertices: 0,1,2\n }\n}\n";
    std::string clusters = Numbered(20, "\"C", "\", ");
    clusters.resize(clusters.size() - 2);
    const std::string skin = "Deformer: \"S\", \"Skin\" { Clusters: " + clusters + " }\n" +
                             Numbered(20, "SubDeformer: \"C", "\", \"Cluster\"\n");
    const std::string triangle = "mtllib lib.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n";
    std::string tds, columns = "1";
    for (int i = 0; i < 20; ++i)
        tds += Chunk(0xAFFF, Chunk(0xA000, Cstr("m" + std::to_string(i))) +
                                 Chunk(0xA200, Chunk(0xA300, Cstr("t" + std::to_string(i) + ".tga"))));
    for (int i = 1; i < 60; ++i)
        columns += " 1";
    const struct
    {
        const char* name;                    // the file written; its extension gives the format
        std::string bytes, kind;             // the kind the refusal names
        double refused, read;                // a scale that refuses the file and one that reads it
        std::string library = std::string(); // "lib.mtl" beside it
    } cases[] = {
        // Budgets of 160 MB times the scale (and 16 bytes per byte of the file).
        {"chars.scn", Scene(Numbered(4, "Character: \"C", "\"\n")), "4 characters", 0.005, 0.02},
        {"poses.scn", Scene(Numbered(2, "CharacterPose: \"P", "\" { Model: \"M\" }\n")), "2 character poses",
         0.005, 0.02},
        {"skins.scn", Scene(Numbered(400, "Deformer: \"S", "\", \"Skin\"\n")), "400 skins and clusters",
         0.005, 0.02},
        {"links.scn", Scene(Numbered(50, "Model: \"M", mesh) + skin), "1000 links (clusters x meshes)", 0.005,
         0.02},
        // Takes on the file's objects and on the scene's root and camera switcher.
        {"takes.scn", Scene(Numbered(10, "Model: \"N", "\", \"Null\"\n"), 600),
         "7200 take records (takes x objects)", 0.005, 0.02},
        // A user property's channel in each entry that writes its object (a copy of the shared tree).
        {"user.scn",
         Scene("Model: \"N\", \"Null\" {\n" + Numbered(20, " UserProperty: \"u", "\", \"Real\", \"\", 1\n") +
               "}\n") +
             WrittenAndEmptyTakes("N", 100, 300),
         "2000 user property copies (user properties x the entries written of their object)", 0.005, 0.05},
        {"cams.scn", Scene(Numbered(22, "Model: \"C", "\", \"Camera\"\n")), "22 cameras", 0.005, 0.02},
        // A shape's channel in the tree the takes share and in each entry that writes the mesh.
        {"shapes.scn",
         Scene("Model: \"F\", \"Mesh\" {\n Mesh: { ControlPoints: 0,0,0, 1,0,0, 0,1,0\n PolygonSizes: 3\n "
               "PolygonVertices: 0,1,2 }\n" +
               Numbered(20, " Shape: \"S", "\" { ControlPoints: 0,0,1, 1,0,1, 0,1,1 }\n") + "}\n") +
             WrittenAndEmptyTakes("F", 300, 400),
         "6020 shape channels (shapes x the trees that copy them)", 0.005, 0.1},
        // A user property's name likewise: in the shared tree and in each of the 20 entries written.
        {"username.scn",
         Scene("Model: \"N\", \"Null\" {\n UserProperty: \"" + std::string(100000, 'u') +
               "\", \"Real\", \"\", 1\n}\n") +
             WrittenAndEmptyTakes("N", 20, 400),
         "2104620 name bytes", 0.005, 0.1},
        {"written.scn",
         Scene(Numbered(5, "Model: \"N", "\", \"Null\"\n")) + "Takes: {\n" +
             Numbered(40, " Take: \"T",
                      "\" {\n" + Numbered(5, "  Model: \"N", "\" { Channel: \"T\" }\n") + " }\n") +
             "}\n",
         "200 written take entries", 0.005, 0.02},
        // A take's name copied into each of its records (10 Nulls, the root
        // and the camera switcher).
        {"names.scn",
         Scene(Numbered(10, "Model: \"N", "\", \"Null\"\n")) + "Takes: {\n Take: \"" + std::string(100000, 't') +
             "\"\n}\n",
         "1200000 name bytes", 0.005, 0.02},
        // Entries that write nothing copy nothing: only their take records count.
        {"empty.scn",
         Scene(Numbered(5, "Model: \"N", "\", \"Null\"\n")) + "Takes: {\n" +
             Numbered(2000, " Take: \"T", "\" {\n" + Numbered(5, "  Model: \"N", "\" {\n  }\n") + " }\n") + "}\n",
         "14000 take records", 0.005, 0.03},
        {"mats.obj", triangle, "40 materials", 0.002, 0.01, Numbered(40, "newmtl m")},
        {"maps.obj", triangle, "20 materials", 0.002, 0.01, Numbered(20, "newmtl m", "\nmap_Kd t.tga\n")},
        // The library's bytes count with the file's (3 MB of comments: 48 MB
        // more at scale 1): read at a scale where the file alone would not be.
        {"padded.obj", triangle, "40 materials", 0.002, 0.003,
         Numbered(40, "newmtl m") + Numbered(30000, "# ", std::string(98, '-') + "\n")},
        {"maps.3ds", File3DS(tds), "20 materials", 0.002, 0.01},
        {"cols.mov", columns + "\n", "60 channels", 0.001, 0.005},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        testsupport::TempDir dir;
        const std::string path = dir.WriteFile(c.name, c.bytes);
        if (!c.library.empty())
            dir.WriteFile("lib.mtl", c.library);
        const std::string name = c.name;
        const std::string extension = name.substr(name.rfind('.') + 1);
        const int format = extension == "mov" ? 15 : KScnImporter::FindFileFormat(extension.c_str());
        for (double scale : {c.refused, c.read})
        {
            KScnSdkManager manager;
            KScnSceneRoot* scene = manager.CreateScene();
            KScnFree<KScnImporter> importer(&manager);
            importer.SetFileFormat(format);
            ASSERT_TRUE(importer.Initialize(path.c_str()));
            KStreamOptionsScn* options = importer.GetImportOptions(true);
            ASSERT_NE(options, nullptr);
            options->mBudgetScale = scale;
            const int objects =
                manager.GetNodeCount() + manager.GetMaterialCount() + manager.GetHandlerObjectCount();
            const bool read = importer.Import(scene, options);
            options->Destroy(0);
            const std::string status = importer.GetStatusText();
            if (scale == c.read)
            {
                EXPECT_TRUE(read) << status;
                continue;
            }
            EXPECT_FALSE(read);
            EXPECT_EQ(importer.GetLastErrorID(), 0);
            EXPECT_NE(status.find("the file makes " + c.kind), std::string::npos) << status;
            EXPECT_NE(status.find("allows for a file of this size; KStreamOptions"), std::string::npos)
                << status;
            EXPECT_NE(status.find("::mBudgetScale raises it"), std::string::npos) << status;
            EXPECT_EQ(manager.GetNodeCount() + manager.GetMaterialCount() + manager.GetHandlerObjectCount(),
                      objects);
        }
    }
}

// What earlier reads brought counts before the read: the scene's takes on
// the objects a file makes (a scene file's nulls, an OBJ's groups), and the
// file's takes on the scene's take owners (whose first take builds and
// copies their channels).
TEST(ReadCost, CountsWhatEarlierReadsBrought)
{
    const std::string groups = "v 0 0 0\nv 1 0 0\nv 0 1 0\n" + Numbered(20, "g G", "\nf 1 2 3\n");
    const struct
    {
        std::string first, second, secondName, kind;
    } cases[] = {
        {Scene("Model: \"N\", \"Null\"\n", 300), Scene(Numbered(20, "Model: \"M", "\", \"Null\"\n")), "b.scn",
         "the file makes 6000 take records"},
        {Scene("Model: \"N\", \"Null\"\n", 300), groups, "b.obj",
         "the file makes 6" /* 6000 and the root's */},
        {Scene(Numbered(300, "Model: \"M", "\", \"Null\"\n")), Scene("Model: \"N\", \"Null\"\n", 20), "b.scn",
         "the file makes 303 take trees (objects given their first take)"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.secondName + " after " + c.first.substr(0, 60));
        testsupport::TempDir dir;
        const std::string first = dir.WriteFile("a.scn", c.first);
        const std::string second = dir.WriteFile(c.secondName, c.second);
        for (double scale : {0.005, 0.05})
        {
            KScnSdkManager manager;
            KScnSceneRoot* scene = manager.CreateScene();
            bool read = false;
            std::string status;
            for (const std::string& path : {first, second})
            {
                KScnFree<KScnImporter> importer(&manager);
                const std::string extension = path.substr(path.rfind('.') + 1);
                importer.SetFileFormat(KScnImporter::FindFileFormat(extension.c_str()));
                ASSERT_TRUE(importer.Initialize(path.c_str()));
                KStreamOptionsScn* options = importer.GetImportOptions(true);
                options->mBudgetScale = path == first ? 1.0 : scale;
                read = importer.Import(scene, options);
                options->Destroy(0);
                status = importer.GetStatusText();
            }
            EXPECT_EQ(read, scale == 0.05) << status;
            if (!read)
            {
                EXPECT_EQ(status.find(c.kind), 0u) << status;
            }
        }
    }
}

} // namespace
