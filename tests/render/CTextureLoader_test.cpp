#include "render/CTextureLoader.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using testsupport::TempDirTest;

namespace
{

std::string Header(uint8_t type, uint16_t w, uint16_t h, uint8_t bpp, uint8_t descriptor = 0)
{
    std::string s(18, '\0');
    s[2] = static_cast<char>(type);
    s[12] = static_cast<char>(w & 0xFF);
    s[13] = static_cast<char>(w >> 8);
    s[14] = static_cast<char>(h & 0xFF);
    s[15] = static_cast<char>(h >> 8);
    s[16] = static_cast<char>(bpp);
    s[17] = static_cast<char>(descriptor);
    return s;
}

std::string Bytes(std::initializer_list<int> b)
{
    std::string s;
    for (int v : b)
        s.push_back(static_cast<char>(v));
    return s;
}

class TextureLoaderTest : public TempDirTest
{
protected:
    // Loads name and returns the result; stderr is captured into m_Err.
    bool Load(const std::string& name)
    {
        testing::internal::CaptureStderr();
        bool ok = m_Loader->LoadImage(name, m_Image);
        m_Err = testing::internal::GetCapturedStderr();
        return ok;
    }
    void ExpectFailure(const std::string& bytes, const std::string& message)
    {
        m_Dir.WriteFile("t.tga", bytes);
        EXPECT_FALSE(Load("t.tga"));
        EXPECT_EQ(m_Err, message + "\n");
        EXPECT_FALSE(m_Image->HasPixels());
    }

    CRefPtr<CTextureLoader> m_Loader{new CTextureLoader};
    CRefPtr<CTextureProperties> m_Image{new CTextureProperties};
    std::string m_Err;
};

} // namespace

TEST_F(TextureLoaderTest, UncompressedImagesKeepFileOrder)
{
    // 3 x 2 at 24 bits: odd width, rows as in the file, bytes B, G, R.
    std::string px = Bytes({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18});
    m_Dir.WriteFile("Data/Tex.tga", Header(2, 3, 2, 24) + px);
    ASSERT_TRUE(Load("data\\tex.TGA"));
    EXPECT_EQ(m_Err, "");
    EXPECT_EQ(m_Image->m_usWidth, 3);
    EXPECT_EQ(m_Image->m_usHeight, 2);
    EXPECT_EQ(m_Image->m_bBitsPerPixel, 24);
    EXPECT_EQ(m_Image->m_bHasAlpha, 0);
    EXPECT_EQ(std::string(m_Image->m_Pixels.begin(), m_Image->m_Pixels.end()), px);

    // 32 bits with the top-left origin bit set: the descriptor changes nothing.
    std::string px32 = Bytes({1, 2, 3, 4, 5, 6, 7, 8});
    m_Dir.WriteFile("a.tga", Header(2, 1, 2, 32, 0x28) + px32 + "trailing");
    ASSERT_TRUE(Load("a.tga"));
    EXPECT_EQ(m_Image->m_bHasAlpha, 1);
    EXPECT_EQ(m_Image->m_bBitsPerPixel, 32);
    EXPECT_EQ(std::string(m_Image->m_Pixels.begin(), m_Image->m_Pixels.end()), px32);
}

TEST_F(TextureLoaderTest, RunLengthPacketsCrossRows)
{
    // 3 x 2 at 24 bits: a run of 4 (header 131) spans both rows, then a raw
    // packet of 2 (header 1).
    m_Dir.WriteFile("r.tga", Header(10, 3, 2, 24) + Bytes({131, 9, 8, 7, 1, 1, 2, 3, 4, 5, 6}));
    ASSERT_TRUE(Load("r.tga"));
    EXPECT_EQ(m_Image->m_Pixels,
              (std::vector<uint8_t>{9, 8, 7, 9, 8, 7, 9, 8, 7, 9, 8, 7, 1, 2, 3, 4, 5, 6}));

    // Extreme packet headers at 32 bits: 255 writes 128 pixels, 127 reads 128,
    // 128 writes one and 0 reads one.
    std::string body = Bytes({255, 1, 2, 3, 4, 127});
    for (int i = 0; i < 128; ++i)
        body += Bytes({i, 0, 0, 255});
    body += Bytes({128, 7, 7, 7, 7, 0, 5, 5, 5, 5});
    m_Dir.WriteFile("big.tga", Header(10, 129, 2, 32) + body);
    ASSERT_TRUE(Load("big.tga"));
    ASSERT_EQ(m_Image->m_Pixels.size(), 258u * 4);
    EXPECT_EQ(m_Image->m_Pixels[127 * 4], 1);
    EXPECT_EQ(m_Image->m_Pixels[128 * 4], 0);
    EXPECT_EQ(m_Image->m_Pixels[255 * 4], 127);
    EXPECT_EQ(m_Image->m_Pixels[256 * 4], 7);
    EXPECT_EQ(m_Image->m_Pixels[257 * 4 + 3], 5);
}

TEST_F(TextureLoaderTest, HeaderRejections)
{
    const std::string invalid = "Invalid Image - TGA file be type 2 or type 10 ";
    std::string withId = Header(2, 1, 1, 24) + "abc";
    withId[0] = 1;
    ExpectFailure(withId, invalid);
    std::string colourMap = Header(2, 1, 1, 24) + "abc";
    colourMap[1] = 1;
    ExpectFailure(colourMap, invalid);
    std::string origin = Header(2, 1, 1, 24) + "abc";
    origin[10] = 1;
    ExpectFailure(origin, invalid);
    for (uint8_t type : {1, 3, 9, 11})
        ExpectFailure(Header(type, 1, 1, 24) + "abc", invalid);

    ExpectFailure(Header(2, 1, 1, 16) + "ab", "Invalid texture information");
    ExpectFailure(Header(2, 0, 1, 24), "Invalid texture information");
    ExpectFailure(Header(10, 1, 0, 32), "Invalid texture information");
    // The size fields keep what the header said.
    EXPECT_EQ(m_Image->m_usWidth, 1);
    EXPECT_EQ(m_Image->m_bBitsPerPixel, 32);

    ExpectFailure(Header(2, 1, 1, 24).substr(0, 11), "Could not read file header: t.tga");
    ExpectFailure(Header(2, 1, 1, 24).substr(0, 15), "Could not read info header");
}

TEST_F(TextureLoaderTest, MissingFile)
{
    EXPECT_FALSE(Load("Data/none.tga"));
    EXPECT_EQ(m_Err, "Could not open texture file: Data/none.tga\n");
    EXPECT_NE(testsupport::TempDir::ReadFile("Error.log").find("Could not open texture file"),
              std::string::npos);
}

TEST_F(TextureLoaderTest, TruncatedAndOversizedData)
{
    // A failed load drops pixels a previous load left.
    m_Dir.WriteFile("ok.tga", Header(2, 1, 1, 24) + "abc");
    ASSERT_TRUE(Load("ok.tga"));
    ExpectFailure(Header(2, 2, 2, 24) + "abcdefghijk", "Could not read image data");
    // Sides over 16384 are refused outright; within them, a header promising
    // more than the file holds is refused before the pixels are allocated
    // (a 16384 x 16384 run-length image needs at least 10 MB of packets).
    ExpectFailure(Header(2, 65535, 65535, 32), "Invalid texture information");
    ExpectFailure(Header(10, 65535, 65535, 32) + Bytes({255, 1, 2, 3, 4}), "Invalid texture information");
    ExpectFailure(Header(10, 16385, 1, 24) + Bytes({255, 1, 2, 3}), "Invalid texture information");
    ExpectFailure(Header(2, 16384, 16384, 32) + "abcd", "Could not read image data");
    std::string runs;
    for (int i = 0; i < 1000; ++i)
        runs += Bytes({255, 1, 2, 3, 4});
    ExpectFailure(Header(10, 16384, 16384, 32) + runs, "Could not read RLE header");
    // The widest accepted image, one run-length row of 128 runs.
    std::string row;
    for (int i = 0; i < 128; ++i)
        row += Bytes({255, i, 2, 3});
    m_Dir.WriteFile("wide.tga", Header(10, 16384, 1, 24) + row);
    ASSERT_TRUE(Load("wide.tga")) << m_Err;
    EXPECT_EQ(m_Image->m_Pixels.size(), 16384u * 3);
    EXPECT_EQ(m_Image->m_Pixels[3 * 16383], 127);

    ExpectFailure(Header(10, 2, 2, 24) + Bytes({129, 1, 2, 3}), "Could not read RLE header");
    ExpectFailure(Header(10, 2, 2, 24) + Bytes({129, 1, 2}), "Could not read from file");
    ExpectFailure(Header(10, 2, 2, 24) + Bytes({3, 1, 2, 3, 4, 5, 6}), "Could not read image data");
    // The last packet would write 3 pixels where 1 is left.
    ExpectFailure(Header(10, 2, 2, 24) + Bytes({130, 1, 2, 3, 130, 4, 5, 6}), "Too many pixels read");
    ExpectFailure(Header(10, 2, 1, 24) + Bytes({2, 1, 2, 3, 4, 5, 6, 7, 8, 9}), "Too many pixels read");
}

TEST_F(TextureLoaderTest, TallImagesAndImagesOfOnlyRawPackets)
{
    // The height has the same limit as the width: a 1 x 16385 image is
    // refused even with all its pixels in the file, 1 x 16384 loads.
    ExpectFailure(Header(2, 1, 16385, 24) + std::string(16385 * 3, 'x'), "Invalid texture information");
    std::string column;
    for (int i = 0; i < 128; ++i)
        column += Bytes({255, i, 2, 3});
    ExpectFailure(Header(10, 1, 16385, 24) + column + Bytes({128, 1, 2, 3}), "Invalid texture information");
    m_Dir.WriteFile("tall.tga", Header(10, 1, 16384, 24) + column);
    ASSERT_TRUE(Load("tall.tga")) << m_Err;
    EXPECT_EQ(m_Image->m_usHeight, 16384);
    EXPECT_EQ(m_Image->m_Pixels[3 * 16383], 127);

    // The most bytes an image's packets can take: one raw packet per pixel
    // (a header byte and the pixel). Such a file loads whole, in order.
    for (uint8_t bits : {24, 32})
    {
        const int bytes = bits / 8;
        std::string packets;
        std::vector<uint8_t> expected;
        for (int p = 0; p < 5 * 3; ++p)
        {
            packets.push_back(0);
            for (int k = 0; k < bytes; ++k)
            {
                packets.push_back(static_cast<char>(p * 4 + k));
                expected.push_back(static_cast<uint8_t>(p * 4 + k));
            }
        }
        m_Dir.WriteFile("raw.tga", Header(10, 5, 3, bits) + packets);
        ASSERT_TRUE(Load("raw.tga")) << m_Err;
        EXPECT_EQ(m_Image->m_Pixels, expected) << int(bits);
    }
}
