// A read's cost budget weighs what a file asks to make besides nodes: the
// weighed total and the reason naming the kind that weighs most, and each
// reader refusing, before anything is made, a small file that names many
// characters, poses, skins, links, takes on objects or user properties,
// materials, textures or channels, then reading it once the option allows.

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

TEST(ReadCost, WeighsEachKindAndNamesTheHeaviest)
{
    KScnReadCost nodes;
    nodes.Add(KScnReadCost::eNodes, 151);
    std::string why;
    const KScnReadBudget budget = {150.0, 0.0, 0.0};
    EXPECT_FALSE(nodes.Check(budget, 0, 1.0, "X::mBudgetScale", why));
    EXPECT_EQ(why, "the file makes 151 nodes, more than the 150 allowed for a file of its size "
                   "(X::mBudgetScale raises it)");

    KScnReadCost mixed;
    mixed.Add(KScnReadCost::eNodes, 10);
    mixed.AddProduct(KScnReadCost::eTakeRecords, 100, 40); // 4000 x 0.05 = 200
    EXPECT_DOUBLE_EQ(mixed.Total(), 210.0);
    EXPECT_TRUE(mixed.Check(budget, 0, 1.5, "X::mBudgetScale", why)); // 225 allowed
    EXPECT_FALSE(mixed.Check(budget, 0, 1.0, "X::mBudgetScale", why));
    EXPECT_EQ(why, "the file makes 4000 take records (takes x objects) (as costly as 200 nodes, 210 with the "
                   "rest), more than the 150 allowed for a file of its size (X::mBudgetScale raises it)");

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
        // Scene files: 10,000 nodes' worth at scale 1.
        {"chars.scn", Scene(Numbered(4, "Character: \"C", "\"\n")), "4 characters", 0.01, 0.02},
        {"poses.scn", Scene(Numbered(2, "CharacterPose: \"P", "\" { Model: \"M\" }\n")), "2 character poses",
         0.01, 0.02},
        {"skins.scn", Scene(Numbered(400, "Deformer: \"S", "\", \"Skin\"\n")), "400 skins and clusters", 0.01,
         0.02},
        {"links.scn", Scene(Numbered(50, "Model: \"M", mesh) + skin), "1000 links (clusters x meshes)", 0.01,
         0.02},
        {"takes.scn", Scene(Numbered(10, "Model: \"N", "\", \"Null\"\n"), 200),
         "2400 take records (takes x objects)", 0.01, 0.02},
        {"user.scn",
         Scene("Model: \"N\", \"Null\" {\n" + Numbered(30, " UserProperty: \"u", "\", \"Real\", \"\", 1\n") +
                   "}\n",
               80),
         "2400 user property takes (user properties x takes)", 0.01, 0.02},
        // Foreign files: 4,000 nodes' worth at scale 1; an OBJ's library counts with the file.
        {"mats.obj", triangle, "40 materials", 0.01, 0.02, Numbered(40, "newmtl m")},
        {"maps.obj", triangle, "20 materials", 0.01, 0.02, Numbered(20, "newmtl m", "\nmap_Kd t.tga\n")},
        {"maps.3ds", File3DS(tds), "20 materials", 0.01, 0.02},
        {"cols.mov", columns + "\n", "60 channels", 0.005, 0.01},
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
            EXPECT_NE(status.find("::mBudgetScale raises it)"), std::string::npos) << status;
            EXPECT_EQ(manager.GetNodeCount() + manager.GetMaterialCount() + manager.GetHandlerObjectCount(),
                      objects);
        }
    }
}

} // namespace
