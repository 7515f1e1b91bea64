#include "tests/platform/NxTestWorld.h"

#include <gtest/gtest.h>

using namespace nxtest;

namespace
{

Grid Hill()
{
    return MakeGrid(4, 3, -2, -1.5f, 1, [](float x, float z) { return x * x - z; });
}

std::string Cooked(const Grid& g)
{
    MemoryStream s;
    EXPECT_TRUE(NxCookTriangleMesh(DescOf(g), s));
    return s.data;
}

NxTriangleMesh* Read(World& w, const std::string& bytes)
{
    MemoryStream s;
    s.data = bytes;
    return w.sdk->createTriangleMesh(s);
}

} // namespace

TEST(NxCooking, RoundTripKeepsEveryVertexAndIndex)
{
    World w;
    const Grid g = Hill();
    NxTriangleMesh* mesh = Read(w, Cooked(g));
    ASSERT_NE(mesh, nullptr);
    ASSERT_EQ(mesh->getNbVertices(), g.points.size() / 3);
    ASSERT_EQ(mesh->getNbTriangles(), g.triangles.size() / 3);
    EXPECT_EQ(0, std::memcmp(mesh->getVertices(), g.points.data(), g.points.size() * 4));
    EXPECT_EQ(0, std::memcmp(mesh->getTriangles(), g.triangles.data(), g.triangles.size() * 4));
    EXPECT_FLOAT_EQ(mesh->getHeightFieldVerticalExtent(), -1000.0f);
    // The same input cooks to the same bytes.
    EXPECT_EQ(Cooked(g), Cooked(g));
}

TEST(NxCooking, StridesSixteenBitIndicesAndFlip)
{
    World w;
    const NxF32 points[] = {0, 0, 0, 99, 1, 0, 0, 99, 0, 0, 1, 99};
    const NxU16 tris[] = {0, 1, 2, 7};
    NxTriangleMeshDesc d;
    d.numVertices = 3;
    d.numTriangles = 1;
    d.pointStrideBytes = 16;
    d.triangleStrideBytes = 8;
    d.points = points;
    d.triangles = tris;
    d.flags = NX_MF_16_BIT_INDICES | NX_MF_FLIPNORMALS;
    MemoryStream s;
    ASSERT_TRUE(NxCookTriangleMesh(d, s));
    NxTriangleMesh* mesh = w.sdk->createTriangleMesh(s);
    ASSERT_NE(mesh, nullptr);
    EXPECT_EQ(mesh->getVertices()[1], NxVec3(1, 0, 0));
    EXPECT_EQ(mesh->getTriangles()[1], 2u);
    EXPECT_EQ(mesh->getTriangles()[2], 1u);
}

TEST(NxCooking, BadDescriptorsAndClosedCookingFail)
{
    World w;
    Grid g = Hill();
    g.triangles[4] = 1000;
    MemoryStream s;
    EXPECT_FALSE(NxCookTriangleMesh(DescOf(g), s));
    EXPECT_EQ(w.output.errors.back(), "NxCookTriangleMesh: invalid mesh descriptor");
    NxTriangleMeshDesc empty;
    EXPECT_FALSE(NxCookTriangleMesh(empty, s));
    NxCloseCooking();
    EXPECT_FALSE(NxCookTriangleMesh(DescOf(Hill()), s));
    NxInitCooking();
    EXPECT_TRUE(NxCookTriangleMesh(DescOf(Hill()), s));
    // Inits nest: a second user's close leaves cooking to the first.
    NxInitCooking();
    NxCloseCooking();
    EXPECT_TRUE(NxCookTriangleMesh(DescOf(Hill()), s));
}

TEST(NxCooking, TruncatedOrCorruptStreamsAreRefused)
{
    World w;
    const std::string good = Cooked(Hill());
    // Every truncation fails cleanly.
    for (size_t n = 0; n < good.size(); n += 7)
        EXPECT_EQ(Read(w, good.substr(0, n)), nullptr) << "length " << n;
    EXPECT_EQ(Read(w, good.substr(0, good.size() - 1)), nullptr);
    // Every flipped byte fails cleanly.
    for (size_t i = 0; i < good.size(); ++i)
    {
        std::string bad = good;
        bad[i] = static_cast<char>(bad[i] ^ 0x40);
        EXPECT_EQ(Read(w, bad), nullptr) << "byte " << i;
    }
    EXPECT_EQ(w.sdk->getNbTriangleMeshes(), 0u);
    // A count that promises far more data than there is.
    std::string lying = good;
    const NxU32 huge = 0x3fffffff;
    std::memcpy(&lying[8], &huge, 4);
    EXPECT_EQ(Read(w, lying), nullptr);
    EXPECT_EQ(w.output.errors.back(), "createTriangleMesh: truncated stream");
    EXPECT_EQ(Read(w, "garbage"), nullptr);
    EXPECT_EQ(w.output.errors.back(), "createTriangleMesh: not a cooked mesh stream");
    // Stale bytes after a good record do not matter.
    EXPECT_NE(Read(w, good + "stale"), nullptr);
}
