#include "tools/datagen/CModelBuilder.h"
#include "tools/datagen/CTgaWriter.h"
#include "tools/datagen/CWavWriter.h"

#include <gtest/gtest.h>

#include <vector>

namespace
{

// Decodes the run-length data of a type-10 file; checks that no packet
// crosses a row end.
std::vector<uint8_t> DecodeRle(const std::vector<uint8_t>& file, int width, int bpp, bool& rowsKept)
{
    std::vector<uint8_t> px;
    size_t i = 18;
    rowsKept = true;
    while (i < file.size())
    {
        const int h = file[i++];
        const int count = h > 127 ? h - 127 : h + 1;
        const size_t before = px.size() / bpp;
        if (before / width != (before + count - 1) / width)
            rowsKept = false;
        for (int k = 0; k < count; ++k)
        {
            const size_t from = i + static_cast<size_t>(h > 127 ? 0 : k) * bpp;
            px.insert(px.end(), file.begin() + from, file.begin() + from + bpp);
        }
        i += static_cast<size_t>(h > 127 ? 1 : count) * bpp;
    }
    return px;
}

} // namespace

TEST(CTgaWriterTest, HeaderOfBothTypes)
{
    STgaImage img(3, 2, 4);
    img.topOrigin = true;
    const auto raw = CTgaWriter::Encode(img, false);
    ASSERT_EQ(raw.size(), 18u + 3 * 2 * 4);
    const std::vector<uint8_t> head(raw.begin(), raw.begin() + 18);
    EXPECT_EQ(head, (std::vector<uint8_t>{0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 3, 0, 2, 0, 32, 0x28}));
    STgaImage rgb(300, 1, 3);
    const auto rle = CTgaWriter::Encode(rgb, true);
    EXPECT_EQ(rle[2], 10);
    EXPECT_EQ(rle[12] | rle[13] << 8, 300);
    EXPECT_EQ(rle[16], 24);
    EXPECT_EQ(rle[17], 0);
}

TEST(CTgaWriterTest, RunLengthRoundTripKeepsRowsAndPacketLimits)
{
    // Rows mixing long runs (over 128), single pixels and short repeats.
    STgaImage img(200, 5, 3);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 200; ++x)
            img.Set(x, y,
                    x < 150 ? 0x112233u * static_cast<uint32_t>(y + 1)
                            : static_cast<uint32_t>(x * 7 + (x % 3 == 0 ? 0 : x)));
    img.Set(199, 4, 0xABCDEF);
    const auto file = CTgaWriter::Encode(img, true);
    bool rowsKept = false;
    EXPECT_EQ(DecodeRle(file, 200, 3, rowsKept), img.pixels);
    EXPECT_TRUE(rowsKept);
    EXPECT_LT(file.size(), 18 + img.pixels.size());
}

TEST(CTgaWriterTest, BadImagesGiveNothing)
{
    EXPECT_TRUE(CTgaWriter::Encode(STgaImage(0, 4, 3), false).empty());
    EXPECT_TRUE(CTgaWriter::Encode(STgaImage(4, 4, 2), false).empty());
    STgaImage cut(4, 4, 3);
    cut.pixels.pop_back();
    EXPECT_TRUE(CTgaWriter::Encode(cut, true).empty());
}

TEST(CWavWriterTest, PcmHeaderAndClipping)
{
    const auto wav = CWavWriter::Encode({0.0f, 1.0f, -2.0f}, 22050);
    ASSERT_EQ(wav.size(), 44u + 6);
    auto u32 = [&](size_t i)
    { return wav[i] | wav[i + 1] << 8 | wav[i + 2] << 16 | static_cast<uint32_t>(wav[i + 3]) << 24; };
    EXPECT_EQ(u32(24), 22050u); // rate
    EXPECT_EQ(u32(28), 44100u); // bytes per second
    EXPECT_EQ(wav[34], 16);     // bits
    EXPECT_EQ(wav[22], 1);      // mono
    EXPECT_EQ(wav[46] | wav[47] << 8, 32767);
    EXPECT_EQ(wav[48] | wav[49] << 8, 0x8001); // -32767
}

TEST(CModelBuilderTest, RefusesModelsTheGameCouldNotUse)
{
    std::string out, error;
    CModelBuilder empty;
    SModelMaterial material;
    material.name = "M";
    material.texture = "Data/t.tga";
    empty.SetMaterial(empty.AddMaterial(material));
    EXPECT_FALSE(empty.Encode(CScnWriter::eText, out, error));
    EXPECT_EQ(error, "no triangles");

    CModelBuilder untextured;
    SModelMaterial m;
    m.name = "Bare";
    untextured.SetMaterial(untextured.AddMaterial(m));
    untextured.Box({0, 0, 0}, {1, 1, 1});
    EXPECT_FALSE(untextured.Encode(CScnWriter::eText, out, error));
    EXPECT_EQ(error, "material Bare has no texture");

    CModelBuilder noMaterial;
    noMaterial.Box({0, 0, 0}, {1, 1, 1});
    EXPECT_FALSE(noMaterial.Encode(CScnWriter::eText, out, error));
    EXPECT_EQ(error, "a triangle without a material");

    CModelBuilder twoBumps;
    SModelMaterial a;
    a.name = "A";
    a.texture = "Data/a.tga";
    a.normalMap = "n";
    SModelMaterial b = a;
    b.name = "B";
    twoBumps.SetMaterial(twoBumps.AddMaterial(a));
    twoBumps.AddMaterial(b);
    twoBumps.Box({0, 0, 0}, {1, 1, 1});
    EXPECT_FALSE(twoBumps.Encode(CScnWriter::eText, out, error));
    EXPECT_EQ(error, "more than one bump-mapped material");
}

TEST(CModelBuilderTest, SharedCornersAreOneControlPointAndFlatFacesSplit)
{
    CModelBuilder b;
    SModelMaterial m;
    m.name = "M";
    m.texture = "Data/m.tga";
    b.SetMaterial(b.AddMaterial(m));
    b.Box({0, 0, 0}, {2, 2, 2});
    EXPECT_EQ(b.TriangleCount(), 12u);
    EXPECT_EQ(b.VertexCount(), 24u); // four corners per face, normals differ
    CModelBuilder s;
    s.SetMaterial(s.AddMaterial(m));
    s.Sphere({0, 0, 0}, 1, 8, 4);
    EXPECT_EQ(s.TriangleCount(), 8u * 2 + 8u * 2 * 2);
    EXPECT_EQ(s.VertexCount(), 5u * 9); // rows of slices + 1 (the seam keeps its uv)
    // Placement: yaw a quarter turn moves +x to -z.
    CModelBuilder p;
    p.SetMaterial(p.AddMaterial(m));
    p.SetPlacement({0, 0, 0}, 1.5707963267948966);
    p.FlatTriangle({1, 0, 0}, {1, 1, 0}, {1, 0, 1});
    std::string out, error;
    ASSERT_TRUE(p.Encode(CScnWriter::eText, out, error)) << error;
    EXPECT_NE(out.find("ControlPoints: 0, 0, -1, 0, 1, -1, 1, 0, -1"), std::string::npos) << out;
}
