// An OBJ's material libraries are read once each, however the file spells
// them, their bytes counted once, and the read's budget checked after each
// library.

#include "scenesdk/importers/KScnReaderObj.h"
#include "scenesdk/importers/KStreamOptionsObj.h"
#include "tests/scenesdk/importers/ImportedScene.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>

using namespace scenesdk;
using namespace importtest;

namespace
{
const char kTriangle[] = "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n";

// count materials "<prefix>0" ..., each with a diffuse colour, then padding
// bytes of comment lines.
std::string Library(int count, const std::string& prefix = "m", size_t padding = 0)
{
    std::string text;
    for (int i = 0; i < count; ++i)
        text += "newmtl " + prefix + std::to_string(i) + "\nKd 0.5 0.5 0.5\n";
    const std::string line = "# " + std::string(97, '-') + "\n";
    while (text.size() < padding)
        text += line;
    return text;
}

// The OBJ read with the budget scaled by scale: the status text, and the
// scene's material count or -1 when refused.
struct SRead
{
    int materials = -1;
    std::string status;
};

SRead ReadObj(const std::string& path, double scale = 1.0)
{
    KScnSdkManager manager;
    KScnSceneRoot* scene = manager.CreateScene();
    KScnImporter& importer = *manager.CreateImporter();
    importer.SetFileFormat(KScnImporter::FindFileFormat("obj"));
    KStreamOptionsObj options;
    options.mBudgetScale = scale;
    options.mStayInModelFolder = false; // "sub/../lib.mtl" is followed
    SRead read;
    if (importer.Initialize(path.c_str()) && importer.Import(scene, &options))
        read.materials = scene->GetContents()->GetMaterialCount();
    read.status = importer.GetStatusText();
    return read;
}

// The least budget scale (within 1 %) at which the OBJ is read.
double LeastScale(const std::string& path)
{
    double low = 1e-3, high = 1.0;
    EXPECT_LT(ReadObj(path, low).materials, 0) << "read even at the lowest scale";
    EXPECT_GE(ReadObj(path, high).materials, 0) << ReadObj(path, high).status;
    while (high > low * 1.01)
    {
        const double middle = std::sqrt(low * high);
        (ReadObj(path, middle).materials >= 0 ? high : low) = middle;
    }
    return high;
}
} // namespace

// However a library is spelled, it is one library: read once, its
// materials made once.
TEST(ObjLibraries, EachLibraryIsReadOnceHoweverSpelled)
{
    const struct
    {
        const char* names; // after "mtllib "
        int materials;     // in the scene: 3 of lib.mtl, 2 of other.mtl, and "default"
    } rows[] = {
        {"lib.mtl", 4},
        {"lib.mtl lib.mtl", 4},
        {"lib.mtl ./lib.mtl", 4},
        {"lib.mtl sub/../lib.mtl ./sub/.././lib.mtl", 4},
        {"lib.mtl LIB.MTL Lib.Mtl", 4},
        {"lib.mtl .\\lib.mtl", 4},
        {"lib.mtl link.mtl", 4},
        {"link.mtl lib.mtl other.mtl ./other.mtl", 6},
        {"other.mtl", 3},
    };
    testsupport::TempDir dir;
    const std::string library = dir.WriteFile("lib.mtl", Library(3));
    dir.WriteFile("other.mtl", Library(2, "o"));
    dir.WriteFile("sub/keep.txt", "");
    std::filesystem::create_symlink(library, dir.Path() + "/link.mtl");
    for (const auto& row : rows)
    {
        const std::string path =
            dir.WriteFile("model.obj", std::string("mtllib ") + row.names + "\n" + kTriangle);
        const SRead read = ReadObj(path);
        EXPECT_EQ(read.materials, row.materials) << row.names << ": " << read.status;
        EXPECT_EQ(read.status, "") << row.names;
    }
    EXPECT_EQ(KScnReaderObj::LibraryKey(dir.Path() + "/./sub/../LIB.MTL"),
              KScnReaderObj::LibraryKey(library));
    EXPECT_NE(KScnReaderObj::LibraryKey(dir.Path() + "/other.mtl"), KScnReaderObj::LibraryKey(library));
}

// A missing library named twice is skipped with one warning.
TEST(ObjLibraries, MissingLibraryNamedTwiceWarnsOnce)
{
    testsupport::TempDir dir;
    const std::string path =
        dir.WriteFile("model.obj", std::string("mtllib gone.mtl ./gone.mtl\n") + kTriangle);
    const SRead read = ReadObj(path);
    EXPECT_EQ(read.materials, 1);
    EXPECT_EQ(read.status, "material library not read: gone.mtl");
}

// One library named 200 ways costs what it costs named once, and its bytes
// raise the budget once; a library's bytes raise it at all.
TEST(ObjLibraries, BudgetCountsEachLibraryAndItsBytesOnce)
{
    testsupport::TempDir dir;
    dir.WriteFile("big.mtl", Library(300, "m", 1 << 20));
    dir.WriteFile("small.mtl", Library(300));
    std::string spellings;
    for (int i = 0; i < 200; ++i)
        spellings += " " + std::string(static_cast<size_t>(i % 5), '.') + (i % 5 > 0 ? "/" : "") +
                     (i % 2 ? "BIG.MTL" : "big.mtl");
    const std::string once = dir.WriteFile("once.obj", "mtllib big.mtl\n" + std::string(kTriangle));
    const std::string many = dir.WriteFile("many.obj", "mtllib" + spellings + "\n" + kTriangle);
    const std::string small = dir.WriteFile("small.obj", "mtllib small.mtl\n" + std::string(kTriangle));

    EXPECT_EQ(ReadObj(many).materials, 301);
    const double least = LeastScale(once);
    EXPECT_GE(ReadObj(many, least).materials, 0) << "200 spellings, one library";
    EXPECT_LT(ReadObj(many, least / 1.02).materials, 0) << "200 spellings, one library's bytes";
    EXPECT_LT(ReadObj(small, least * 1.05).materials, 0) << "the library's megabyte raises the budget";
}

// The budget is checked after each library: a read past it stops there,
// before a later library is read (here one that would be refused as
// malformed).
TEST(ObjLibraries, ReadStopsAtTheFirstLibraryPastTheBudget)
{
    testsupport::TempDir dir;
    dir.WriteFile("big.mtl", Library(200));
    dir.WriteFile("bad.mtl", "newmtl b\nKd oops\n");
    const std::string alone = dir.WriteFile("alone.obj", "mtllib big.mtl\n" + std::string(kTriangle));
    const std::string both = dir.WriteFile("both.obj", "mtllib big.mtl bad.mtl\n" + std::string(kTriangle));
    const double least = LeastScale(alone);
    const SRead read = ReadObj(both, least / 2);
    EXPECT_LT(read.materials, 0);
    EXPECT_NE(read.status.find("200 materials"), std::string::npos) << read.status;
    EXPECT_NE(ReadObj(both, least).status.find("bad.mtl line 2"), std::string::npos);
}

// Two libraries weigh what they make together, each material and texture
// counted once: as one library of them all.
TEST(ObjLibraries, TwoLibrariesWeighWhatOneOfTheirMaterialsWeighs)
{
    testsupport::TempDir dir;
    const auto textured = [](const std::string& prefix, int count)
    {
        std::string text;
        for (int i = 0; i < count; ++i)
            text += "newmtl " + prefix + std::to_string(i) + "\nmap_Kd t.tga\n";
        return text;
    };
    dir.WriteFile("a.mtl", textured("a", 60));
    dir.WriteFile("b.mtl", textured("b", 60));
    dir.WriteFile("ab.mtl", textured("a", 60) + textured("b", 60));
    const std::string one = dir.WriteFile("one.obj", "mtllib ab.mtl\n" + std::string(kTriangle));
    const std::string two = dir.WriteFile("two.obj", "mtllib a.mtl b.mtl\n" + std::string(kTriangle));
    const double least = LeastScale(one);
    EXPECT_EQ(ReadObj(two, least * 1.02).materials, 121);
    EXPECT_LT(ReadObj(two, least / 1.02).materials, 0);
}
