#include "render/CTerrainInfo.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

namespace
{

// A record over samples given row by row, with 3 bytes per pixel whose
// second and third bytes differ from the sample.
CTerrainInfo Make(unsigned int w, unsigned int h, const std::vector<uint8_t>& samples, float cellX,
                  float cellZ, float scale)
{
    std::vector<uint8_t> pixels;
    for (uint8_t s : samples)
        pixels.insert(pixels.end(), {s, static_cast<uint8_t>(s + 1), 77});
    CTerrainInfo info;
    EXPECT_TRUE(info.Create(w, h, pixels.data(), 3, cellX, cellZ, scale, CRefPtr<CPhysXTriangleMesh>()));
    return info;
}

// Height on the plane through three points (x, y, z) at (x, z).
float OnPlane(const float a[3], const float b[3], const float c[3], float x, float z)
{
    const float det = (b[2] - c[2]) * (a[0] - c[0]) + (c[0] - b[0]) * (a[2] - c[2]);
    const float l1 = ((b[2] - c[2]) * (x - c[0]) + (c[0] - b[0]) * (z - c[2])) / det;
    const float l2 = ((c[2] - a[2]) * (x - c[0]) + (a[0] - c[0]) * (z - c[2])) / det;
    return l1 * a[1] + l2 * b[1] + (1 - l1 - l2) * c[1];
}

// The height of the mesh surface: the cell's four triangles around its
// centre, picked by the diagonals.
float MeshHeight(const CTerrainInfo& info, float x, float z)
{
    const float cx = info.GetCellSizeX(), cz = info.GetCellSizeZ(), s = info.GetHeightScale();
    unsigned int i = std::min<unsigned int>(static_cast<unsigned int>(x / cx), info.GetWidth() - 2u);
    unsigned int j = std::min<unsigned int>(static_cast<unsigned int>(z / cz), info.GetHeight() - 2u);
    const float x0 = i * cx, z0 = j * cz;
    const float c00[3] = {x0, info.GetSample(i, j) * s, z0};
    const float c10[3] = {x0 + cx, info.GetSample(i + 1, j) * s, z0};
    const float c01[3] = {x0, info.GetSample(i, j + 1) * s, z0 + cz};
    const float c11[3] = {x0 + cx, info.GetSample(i + 1, j + 1) * s, z0 + cz};
    const float m[3] = {x0 + cx / 2, (c00[1] + c10[1] + c01[1] + c11[1]) / 4, z0 + cz / 2};
    const float u = (x - x0) / cx, v = (z - z0) / cz;
    if (v <= u && u + v <= 1)
        return OnPlane(c00, m, c10, x, z);
    if (v >= u && u + v <= 1)
        return OnPlane(c01, m, c00, x, z);
    if (v <= u)
        return OnPlane(c10, m, c11, x, z);
    return OnPlane(c11, m, c01, x, z);
}

} // namespace

TEST(TerrainInfo, CreateKeepsFirstBytesAndSizes)
{
    CTerrainInfo empty;
    EXPECT_EQ(empty.GetSizeX(), 0.0f);
    EXPECT_EQ(empty.GetHeightAt(0, 0, true), 0.0f);
    EXPECT_TRUE(empty.GetMesh().IsNull());

    // 4 bytes per pixel: every fourth byte is a sample.
    const uint8_t pixels[] = {10, 1, 2, 3, 20, 1, 2, 3, 30, 1, 2, 3, 40, 1, 2, 3, 50, 1, 2, 3, 60, 1, 2, 3};
    CRefPtr<CPhysXTriangleMesh> mesh(new CPhysXTriangleMesh(nullptr));
    CTerrainInfo info;
    ASSERT_TRUE(info.Create(3, 2, pixels, 4, 1.5f, 2.0f, 0.25f, mesh));
    EXPECT_EQ(mesh->GetRefCount(), 2u);
    EXPECT_EQ(info.GetWidth(), 3);
    EXPECT_EQ(info.GetHeight(), 2);
    EXPECT_EQ(info.GetSample(0, 0), 10);
    EXPECT_EQ(info.GetSample(2, 0), 30);
    EXPECT_EQ(info.GetSample(0, 1), 40);
    EXPECT_EQ(info.GetSample(2, 1), 60);
    EXPECT_FLOAT_EQ(info.GetSizeX(), 3.0f);
    EXPECT_FLOAT_EQ(info.GetSizeZ(), 2.0f);

    // Copies own their samples and share the mesh.
    {
        CTerrainInfo copy(info);
        EXPECT_EQ(copy.GetSample(1, 1), 50);
        EXPECT_EQ(mesh->GetRefCount(), 3u);
    }
    EXPECT_EQ(mesh->GetRefCount(), 2u);
    EXPECT_EQ(info.GetSample(1, 1), 50);

    // Refusals leave the record as it was.
    const float nan = std::numeric_limits<float>::quiet_NaN();
    EXPECT_FALSE(info.Create(3, 2, nullptr, 4, 1, 1, 1, mesh));
    EXPECT_FALSE(info.Create(3, 2, pixels, 0, 1, 1, 1, mesh));
    EXPECT_FALSE(info.Create(1, 6, pixels, 4, 1, 1, 1, mesh));
    EXPECT_FALSE(info.Create(6, 1, pixels, 4, 1, 1, 1, mesh));
    EXPECT_FALSE(info.Create(3, 2, pixels, 4, 0, 1, 1, mesh));
    EXPECT_FALSE(info.Create(3, 2, pixels, 4, 1, -1, 1, mesh));
    EXPECT_FALSE(info.Create(3, 2, pixels, 4, nan, 1, 1, mesh));
    EXPECT_FALSE(info.Create(3, 2, pixels, 4, 1, 1, std::numeric_limits<float>::infinity(), mesh));
    EXPECT_EQ(info.GetWidth(), 3);
    EXPECT_FLOAT_EQ(info.GetCellSizeX(), 1.5f);
    EXPECT_EQ(info.GetSample(2, 1), 60);

    // A second Create replaces everything.
    const uint8_t grey[] = {5, 6, 7, 8};
    ASSERT_TRUE(info.Create(2, 2, grey, 1, 1, 1, 1, CRefPtr<CPhysXTriangleMesh>()));
    EXPECT_EQ(info.GetSample(1, 1), 8);
    EXPECT_EQ(mesh->GetRefCount(), 1u);
}

TEST(TerrainInfo, HeightsAtCornersCentresEdgesAndOutside)
{
    // 3 x 3 samples, cells 2 wide (x) and 4 deep (z), scale 0.5.
    const CTerrainInfo info = Make(3, 3, {0, 40, 80, 120, 20, 60, 100, 200, 10}, 2.0f, 4.0f, 0.5f);
    for (unsigned int z = 0; z < 3; ++z)
        for (unsigned int x = 0; x < 3; ++x)
            EXPECT_FLOAT_EQ(info.GetHeightAt(x * 2.0f, z * 4.0f), info.GetSample(x, z) * 0.5f)
                << x << "," << z;
    // Cell (0, 0): corners 0, 40, 120, 20; centre mean 45.
    EXPECT_FLOAT_EQ(info.GetHeightAt(1, 2), 45 * 0.5f);
    // Edge midpoints: mean of the two edge corners.
    EXPECT_FLOAT_EQ(info.GetHeightAt(1, 0), 20 * 0.5f);
    EXPECT_FLOAT_EQ(info.GetHeightAt(0, 2), 60 * 0.5f);
    EXPECT_FLOAT_EQ(info.GetHeightAt(2, 2), 30 * 0.5f);
    EXPECT_FLOAT_EQ(info.GetHeightAt(1, 4), 70 * 0.5f);
    // The far edges belong to the last cell; the far corner is the last sample.
    EXPECT_FLOAT_EQ(info.GetHeightAt(info.GetSizeX(), info.GetSizeZ()), 10 * 0.5f);
    EXPECT_FLOAT_EQ(info.GetHeightAt(info.GetSizeX(), 6), (60 + 10) / 2 * 0.5f);
    EXPECT_FLOAT_EQ(info.GetHeightAt(3, info.GetSizeZ()), (200 + 10) / 2 * 0.5f);

    // Outside (edges excluded), NaN: 0, debug or not.
    const float nan = std::numeric_limits<float>::quiet_NaN();
    EXPECT_EQ(info.GetHeightAt(-0.01f, 0), 0.0f);
    EXPECT_EQ(info.GetHeightAt(0, -0.01f, true), 0.0f);
    EXPECT_EQ(info.GetHeightAt(4.01f, 1), 0.0f);
    EXPECT_EQ(info.GetHeightAt(1, 8.01f), 0.0f);
    EXPECT_EQ(info.GetHeightAt(nan, 1), 0.0f);
    EXPECT_EQ(info.GetHeightAt(1, nan, true), 0.0f);
}

TEST(TerrainInfo, HeightsFollowTheMeshTrianglesInEveryQuadrant)
{
    std::mt19937 rng(7);
    std::vector<uint8_t> samples(5 * 4);
    for (uint8_t& s : samples)
        s = static_cast<uint8_t>(rng() % 256);
    const CTerrainInfo info = Make(5, 4, samples, 1.25f, 0.75f, 0.3f);

    // Points in all eight halves of one cell, with and without the debug trace.
    const float fractions[8][2] = {{0.2f, 0.1f}, {0.8f, 0.1f}, {0.1f, 0.2f}, {0.1f, 0.8f},
                                   {0.9f, 0.3f}, {0.9f, 0.7f}, {0.3f, 0.9f}, {0.7f, 0.9f}};
    for (const auto& f : fractions)
    {
        const float x = (2 + f[0]) * 1.25f, z = (1 + f[1]) * 0.75f;
        EXPECT_NEAR(info.GetHeightAt(x, z, true), MeshHeight(info, x, z), 1e-3f) << f[0] << "," << f[1];
    }
    // And anywhere, including the far edges.
    std::uniform_real_distribution<float> ux(0, info.GetSizeX()), uz(0, info.GetSizeZ());
    for (int k = 0; k < 500; ++k)
    {
        const float x = ux(rng), z = uz(rng);
        EXPECT_NEAR(info.GetHeightAt(x, z), MeshHeight(info, x, z), 1e-3f) << x << "," << z;
    }
    for (int k = 0; k <= 10; ++k)
    {
        const float z = info.GetSizeZ() * k / 10, x = info.GetSizeX() * k / 10;
        EXPECT_NEAR(info.GetHeightAt(info.GetSizeX(), z), MeshHeight(info, info.GetSizeX(), z), 1e-3f);
        EXPECT_NEAR(info.GetHeightAt(x, info.GetSizeZ()), MeshHeight(info, x, info.GetSizeZ()), 1e-3f);
    }
}
