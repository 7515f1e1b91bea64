#include "scenesdk/kernel/KScnFree.h"
#include "scenesdk/kernel/KScnMesh.h"
#include "scenesdk/kernel/KScnSdkManager.h"
#include "scenesdk/kernel/KScnTriangulator.h"
#include "tests/scenesdk/kernel/KernelTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <numeric>
#include <string>
#include <vector>

using namespace scenesdk;

namespace
{
std::vector<int> Indices(const KScnLayerElement* e)
{
    return std::vector<int>(e->GetIndices(), e->GetIndices() + e->GetIndexCount());
}

std::vector<int> Vertices(const KScnMesh& m)
{
    return std::vector<int>(m.GetPolygonVertices(), m.GetPolygonVertices() + m.GetPolygonVertexCount());
}

// A triangulator without a manager makes its results as KScnFree meshes.
KScnFree<KScnMesh>* Free(KScnMesh* mesh)
{
    return static_cast<KScnFree<KScnMesh>*>(mesh);
}

std::unique_ptr<KScnFree<KScnMesh>> Triangulate(const KScnMesh& mesh)
{
    KScnTriangulator triangulator(nullptr);
    return std::unique_ptr<KScnFree<KScnMesh>>(Free(triangulator.TriangulateMesh(mesh)));
}

// A mesh with points on a flat plane z = 0 and the given polygons.
std::unique_ptr<KScnFree<KScnMesh>> FlatMesh(const std::vector<std::pair<double, double>>& points,
                                             const std::vector<std::vector<int>>& polygons)
{
    auto mesh = std::make_unique<KScnFree<KScnMesh>>(nullptr);
    mesh->InitControlPoints(static_cast<int>(points.size()));
    for (size_t i = 0; i < points.size(); ++i)
        mesh->SetControlPointAt(KgeTVector(points[i].first, points[i].second, 0.0), static_cast<int>(i));
    for (const auto& polygon : polygons)
    {
        mesh->BeginPolygon();
        for (int c : polygon)
            mesh->AddPolygonVertex(c, -1);
    }
    return mesh;
}

double SignedArea(const KScnMesh& m, const std::vector<int>& corners)
{
    double area = 0.0;
    for (size_t i = 0; i < corners.size(); ++i)
    {
        const KgeTVector a = m.GetControlPointAt(corners[i]);
        const KgeTVector b = m.GetControlPointAt(corners[(i + 1) % corners.size()]);
        area += a[0] * b[1] - b[0] * a[1];
    }
    return 0.5 * area;
}

// Each triangle's signed area in the x-y plane.
std::vector<double> TriangleAreas(const KScnMesh& m)
{
    std::vector<double> areas;
    for (int t = 0; t < m.GetPolygonCount(); ++t)
        areas.push_back(
            SignedArea(m, {m.GetPolygonVertex(t, 0), m.GetPolygonVertex(t, 1), m.GetPolygonVertex(t, 2)}));
    return areas;
}

std::vector<int> ZigZag(int n)
{
    std::vector<int32_t> corners(3 * (n - 2), -1);
    KScnTriangulator::GetTriangleCorners(corners.data(), n);
    return std::vector<int>(corners.begin(), corners.end());
}

std::unique_ptr<KScnFree<KScnMesh>> OnePolygon(const std::vector<std::pair<double, double>>& points)
{
    std::vector<int> polygon(points.size());
    for (size_t i = 0; i < points.size(); ++i)
        polygon[i] = static_cast<int>(i);
    return FlatMesh(points, {polygon});
}

// n corners on a circle as a file gives them, rounded to 1 / scale (exact
// for scale 0): the rounding makes many corners reflex.
std::vector<std::pair<double, double>> WrittenCircle(int n, double radius = 1.0, double centre = 0.0,
                                                     double scale = 1e6)
{
    auto written = [scale](double v) { return scale > 0.0 ? std::round(v * scale) / scale : v; };
    std::vector<std::pair<double, double>> points;
    for (int i = 0; i < n; ++i)
    {
        const double a = 2.0 * M_PI * i / n;
        points.emplace_back(written(centre + radius * std::cos(a)), written(radius * std::sin(a)));
    }
    return points;
}

// Every other corner of a circle pulled in by a few of its edges: half the
// corners reflex, the same shape at every size.
std::vector<std::pair<double, double>> Star(int n)
{
    std::vector<std::pair<double, double>> points;
    for (int i = 0; i < n; ++i)
    {
        const double a = 2.0 * M_PI * i / n, r = i % 2 == 0 ? 1.0 : 1.0 - 4.0 / n;
        points.emplace_back(r * std::cos(a), r * std::sin(a));
    }
    return points;
}
} // namespace

TEST(KScnTriangulator, ZigZagCornerOrder)
{
    const std::vector<std::vector<int>> expected = {
        {0, 1, 2},
        {0, 1, 2, 2, 3, 0},
        {0, 1, 2, 2, 3, 0, 0, 3, 4},
        {0, 1, 2, 2, 3, 0, 0, 3, 5, 3, 4, 5},
        {0, 1, 2, 2, 3, 0, 0, 3, 6, 3, 4, 6, 6, 4, 5},
    };
    for (int n = 3; n <= 7; ++n)
        EXPECT_EQ(ZigZag(n), expected[n - 3]) << n;
    // Every larger n: n - 2 triangles using every corner, each edge between
    // consecutive corners used once.
    for (int n = 8; n <= 40; ++n)
    {
        std::vector<int> seen(n, 0);
        for (int c : ZigZag(n))
        {
            ASSERT_GE(c, 0);
            ASSERT_LT(c, n);
            ++seen[c];
        }
        for (int c = 0; c < n; ++c)
            EXPECT_GE(seen[c], 1) << n << " " << c;
    }
}

TEST(KScnTriangulator, QuadAndTrianglesAndGroups)
{
    auto quad = FlatMesh({{0, 0}, {1, 0}, {1, 1}, {0, 1}}, {});
    quad->InitControlPoints(14);
    quad->BeginPolygon(-1, -1, 3);
    for (int c : {10, 11, 12, 13})
        quad->AddPolygonVertex(c, -1);
    auto result = Triangulate(*quad);
    EXPECT_EQ(Vertices(*result), (std::vector<int>{10, 11, 12, 12, 13, 10}));
    ASSERT_EQ(result->GetPolygonCount(), 2);
    EXPECT_EQ(result->GetPolygonGroup(0), -1);
    EXPECT_EQ(result->GetPolygonGroup(1), -1);
    EXPECT_EQ(result->GetPolygonVertexIndex(1), 3);
    EXPECT_EQ(quad->GetPolygonCount(), 1); // the source is unchanged
    EXPECT_EQ(result->GetControlPointsCount(), 14);

    auto triangles = FlatMesh({{0, 0}, {1, 0}, {1, 1}, {0, 1}}, {{0, 1, 2}, {2, 3, 0}});
    triangles->InitTextureUVMapping(KScnLayerElement::eByPolygonVertex);
    KScnLayerElement* uv = triangles->GetLayer(0)->GetUVElement();
    for (int i : {4, 5, 6, 7, 8, 9})
        uv->AddIndex(i);
    auto same = Triangulate(*triangles);
    EXPECT_EQ(Vertices(*same), Vertices(*triangles));
    EXPECT_EQ(Indices(same->GetLayer(0)->GetUVElement()), (std::vector<int>{4, 5, 6, 7, 8, 9}));
}

TEST(KScnTriangulator, PentagonUVIndicesFollowTheTriangles)
{
    auto mesh = FlatMesh({{0, 0}, {2, 0}, {3, 1}, {1, 2}, {-1, 1}}, {{0, 1, 2, 3, 4}});
    mesh->InitTextureUVMapping(KScnLayerElement::eByPolygonVertex);
    KScnLayerElement* uv = mesh->GetLayer(0)->GetUVElement();
    for (int i : {7, 8, 9, 10, 11})
        uv->AddIndex(i);
    auto result = Triangulate(*mesh);
    EXPECT_EQ(Indices(result->GetLayer(0)->GetUVElement()), (std::vector<int>{7, 8, 9, 9, 10, 7, 7, 10, 11}));
}

TEST(KScnTriangulator, PerPolygonValuesRepeatPerTriangle)
{
    auto mesh = FlatMesh({{0, 0}, {1, 0}, {1, 1}, {0, 1}}, {});
    mesh->InitMaterialMapping(KScnLayerElement::eByPolygon);
    mesh->InitTextureMapping(KScnLayerElement::eByPolygon);
    mesh->BeginPolygon(2, 1, -1);
    for (int c : {0, 1, 2, 3})
        mesh->AddPolygonVertex(c);
    mesh->BeginPolygon(5, 0, -1);
    for (int c : {0, 1, 2})
        mesh->AddPolygonVertex(c);
    // Colours by polygon, direct; polygon groups by polygon, index to direct.
    KScnLayerElement* colours = mesh->GetLayer(0)->GetOrCreateElement(KScnLayerElement::eColor);
    colours->SetMappingMode(KScnLayerElement::eByPolygon);
    colours->AddDirectVector(KgeTVector(1, 0, 0, 1));
    colours->AddDirectVector(KgeTVector(0, 1, 0, 1));
    KScnLayerElement* groups = mesh->GetLayer(0)->GetOrCreateElement(KScnLayerElement::ePolygonGroup);
    groups->SetMappingMode(KScnLayerElement::eByPolygon);
    groups->SetReferenceMode(KScnLayerElement::eIndexToDirect);
    groups->AddIndex(1);
    groups->AddIndex(0);

    auto result = Triangulate(*mesh);
    ASSERT_EQ(result->GetPolygonCount(), 3);
    EXPECT_EQ(Indices(result->GetLayer(0)->GetMaterialElement()), (std::vector<int>{2, 2, 5}));
    EXPECT_EQ(Indices(result->GetLayer(0)->GetTextureElement()), (std::vector<int>{1, 1, 0}));
    EXPECT_EQ(Indices(result->GetLayer(0)->GetPolygonGroupElement()), (std::vector<int>{1, 1, 0}));
    const KScnLayerElement* c = result->GetLayer(0)->GetColorElement();
    ASSERT_EQ(c->GetDirectCount(), 3);
    EXPECT_EQ(c->GetDirectVector(1)[0], 1.0);
    EXPECT_EQ(c->GetDirectVector(2)[1], 1.0);
    // Elements with other mappings are copied unchanged; no element is added.
    EXPECT_EQ(result->GetLayer(0)->GetUVElement(), nullptr);
    EXPECT_EQ(result->GetLayerCount(), 1);
}

TEST(KScnTriangulator, ShortIndexArraysAndDegeneratePolygons)
{
    auto mesh = FlatMesh({{0, 0}, {1, 0}, {1, 1}, {0, 1}}, {{0, 1}, {0, 1, 2, 3}, {3, 2, 1}});
    mesh->InitTextureUVMapping(KScnLayerElement::eByPolygonVertex);
    KScnLayerElement* uv = mesh->GetLayer(0)->GetUVElement();
    for (int i : {40, 41, 42, 43}) // covers the 2-gon and half the quad only
        uv->AddIndex(i);
    mesh->InitMaterialMapping(KScnLayerElement::eByPolygon); // no entries at all
    auto result = Triangulate(*mesh);
    // The 2-gon is dropped; the quad's missing entries read entry 0, the
    // triangle's read 0.
    EXPECT_EQ(Vertices(*result), (std::vector<int>{0, 1, 2, 2, 3, 0, 3, 2, 1}));
    EXPECT_EQ(Indices(result->GetLayer(0)->GetUVElement()),
              (std::vector<int>{42, 43, 40, 40, 40, 42, 0, 0, 0}));
    EXPECT_EQ(Indices(result->GetLayer(0)->GetMaterialElement()), (std::vector<int>{0, 0, 0}));

    KScnFree<KScnMesh> empty(nullptr);
    auto none = Triangulate(empty);
    EXPECT_EQ(none->GetPolygonCount(), 0);
    EXPECT_EQ(none->GetLayerCount(), 0);
}

// A concave polygon is cut into triangles that cover it exactly: all of the
// polygon's orientation, areas summing to its area, every layer value
// following its control point.
TEST(KScnTriangulator, ConcavePolygonsAreCoveredWithLayersRemapped)
{
    const std::vector<std::vector<std::pair<double, double>>> shapes = {
        {{0, 0}, {4, 0}, {4, 1}, {1, 1}, {1, 4}, {0, 4}},                 // L, reflex at 3
        {{0, 0}, {2, 1}, {4, 0}, {4, 3}, {2, 2}, {0, 3}},                 // bow tie-like, two reflex
        {{0, 0}, {3, 0}, {3, 3}, {2, 3}, {2, 1}, {1, 1}, {1, 3}, {0, 3}}, // U
        {{0, 3}, {1, 3}, {1, 1}, {2, 1}, {2, 3}, {3, 3}, {3, 0}, {0, 0}}, // U, clockwise
        {{2, 0}, {2.5, 1.5}, {4, 2}, {2.5, 2.5}, {2, 4}, {1.5, 2.5}, {0, 2}, {1.5, 1.5}}, // star
    };
    for (size_t s = 0; s < shapes.size(); ++s)
    {
        const int n = static_cast<int>(shapes[s].size());
        std::vector<int> polygon(n);
        for (int i = 0; i < n; ++i)
            polygon[i] = (i + 2) % n; // start away from the first point
        auto mesh = FlatMesh(shapes[s], {polygon});
        mesh->InitTextureUVMapping(KScnLayerElement::eByPolygonVertex);
        KScnLayerElement* uv = mesh->GetLayer(0)->GetUVElement();
        for (int i = 0; i < n; ++i)
            uv->AddIndex(100 + polygon[i]);
        ASSERT_TRUE(mesh->InitNormals(n + 1)); // per polygon vertex, direct (one spare)
        for (int i = 0; i < n; ++i)
            mesh->GetNormals()[i] = KgeTVector(polygon[i], 0, 1, 0);

        auto result = Triangulate(*mesh);
        ASSERT_EQ(result->GetPolygonCount(), n - 2) << s;
        const double area = SignedArea(*mesh, polygon);
        double sum = 0.0;
        for (double a : TriangleAreas(*result))
        {
            EXPECT_GT(a * area, 0.0) << "shape " << s;
            sum += a;
        }
        EXPECT_NEAR(sum, area, 1e-9) << s;
        const std::vector<int> uvs = Indices(result->GetLayer(0)->GetUVElement());
        const KScnLayerElement* normals = result->GetLayer(0)->GetNormalElement();
        ASSERT_EQ(static_cast<int>(uvs.size()), 3 * (n - 2));
        ASSERT_EQ(normals->GetDirectCount(), 3 * (n - 2));
        for (int j = 0; j < 3 * (n - 2); ++j)
        {
            EXPECT_EQ(uvs[j], 100 + result->GetPolygonVertices()[j]);
            EXPECT_EQ(normals->GetDirectVector(j)[0], result->GetPolygonVertices()[j]);
        }
    }
}

TEST(KScnTriangulator, LargePolygonUsesTheZigZagOrder)
{
    const int n = 300; // past the stack buffer of corners
    EXPECT_EQ(Vertices(*Triangulate(*OnePolygon(WrittenCircle(n, 1.0, 0.0, 0.0)))), ZigZag(n));
}

TEST(KScnTriangulator, EveryLayerIsRemapped)
{
    auto mesh = FlatMesh({{0, 0}, {1, 0}, {1, 1}, {0, 1}}, {{0, 1, 2, 3}});
    mesh->CreateLayer();
    KScnLayerElement* colours = mesh->GetLayer(1)->GetOrCreateElement(KScnLayerElement::eColor);
    colours->SetMappingMode(KScnLayerElement::eByPolygonVertex);
    colours->SetReferenceMode(KScnLayerElement::eIndex);
    for (int i : {1, 2, 3, 4})
        colours->AddIndex(i);
    auto result = Triangulate(*mesh);
    EXPECT_EQ(Indices(result->GetLayer(1)->GetColorElement()), (std::vector<int>{1, 2, 3, 3, 4, 1}));
}

// Many convex polygons of mixed sizes in one mesh, every control point used
// once: each result vertex must carry the layer values of the source vertex
// it came from, and each triangle the values of its polygon.
TEST(KScnTriangulator, MixedPolygonsKeepTheirValues)
{
    std::srand(7);
    KScnFree<KScnMesh> mesh(nullptr);
    std::vector<int> sizes;
    int points = 0;
    for (int p = 0; p < 200; ++p)
    {
        sizes.push_back(3 + std::rand() % 10);
        points += sizes.back();
    }
    mesh.InitControlPoints(points);
    mesh.InitMaterialMapping(KScnLayerElement::eByPolygon);
    mesh.InitTextureUVMapping(KScnLayerElement::eByPolygonVertex);
    ASSERT_TRUE(mesh.InitNormals(points + 1)); // by polygon vertex, direct
    int c = 0;
    for (int p = 0; p < 200; ++p)
    {
        const int n = sizes[p];
        mesh.BeginPolygon(1000 + p, -1, p);
        for (int i = 0; i < n; ++i, ++c)
        {
            const double angle = 2 * M_PI * i / n;
            mesh.SetControlPointAt(KgeTVector(10 * p + std::cos(angle), std::sin(angle), 0.0), c);
            mesh.AddPolygonVertex(c, 5000 + c);
            mesh.GetNormals()[c] = KgeTVector(0, 0, 1, c);
        }
    }
    auto result = Triangulate(mesh);
    int triangles = 0;
    for (int n : sizes)
        triangles += n - 2;
    ASSERT_EQ(result->GetPolygonCount(), triangles);
    const std::vector<int> uvs = Indices(result->GetLayer(0)->GetUVElement());
    const std::vector<int> materials = Indices(result->GetLayer(0)->GetMaterialElement());
    const KScnLayerElement* normals = result->GetLayer(0)->GetNormalElement();
    ASSERT_EQ(static_cast<int>(uvs.size()), 3 * triangles);
    ASSERT_EQ(static_cast<int>(materials.size()), triangles);
    int t = 0;
    int first = 0; // first control point of the current source polygon
    for (int p = 0; p < 200; ++p)
    {
        for (int k = 0; k < sizes[p] - 2; ++k, ++t)
        {
            EXPECT_EQ(materials[t], 1000 + p);
            EXPECT_EQ(result->GetPolygonGroup(t), -1);
            for (int corner = 0; corner < 3; ++corner)
            {
                const int v = result->GetPolygonVertex(t, corner);
                EXPECT_GE(v, first);
                EXPECT_LT(v, first + sizes[p]);
                EXPECT_EQ(uvs[3 * t + corner], 5000 + v);
                EXPECT_EQ(normals->GetDirectVector(3 * t + corner)[3], v);
            }
        }
        first += sizes[p];
    }
}

// Made through the manager: listed with its attributes, given back with
// DestroyNodeAttribute (a second time is refused), or freed by the manager.
TEST(KScnTriangulator, TriangulatedMeshBelongsToTheManager)
{
    KScnSdkManager manager;
    KScnTriangulator* triangulator = manager.CreateTriangulator();
    KScnMesh* source = manager.CreateMesh();
    source->InitControlPoints(4);
    source->BeginPolygon();
    for (int c = 0; c < 4; ++c)
        source->AddPolygonVertex(c, -1);
    const int before = manager.GetNodeAttributeCount();
    KScnMesh* kept = triangulator->TriangulateMesh(*source);
    KScnMesh* given = triangulator->TriangulateMesh(*source);
    ASSERT_NE(given, nullptr);
    EXPECT_EQ(manager.GetNodeAttributeCount(), before + 2);
    EXPECT_EQ(manager.GetNodeAttribute(before + 1), given);
    EXPECT_TRUE(manager.DestroyNodeAttribute(given));
    EXPECT_EQ(manager.GetNodeAttributeCount(), before + 1);
    EXPECT_FALSE(manager.DestroyNodeAttribute(given));
    EXPECT_STREQ(manager.GetError().GetLastErrorString(), "Object not found");
    EXPECT_EQ(kept->GetPolygonCount(), 2) << "left for the manager's end";
}

// Polygons of many reflex corners are clipped (covering them exactly, no
// warning) with work about linear in their corners.
TEST(KScnTriangulator, ClippingWorkGrowsLinearly)
{
    uint64_t work[2] = {0, 0};
    const int sizes[2] = {1000, 4000};
    for (int k = 0; k < 2; ++k)
    {
        const auto mesh = OnePolygon(Star(sizes[k]));
        KScnTriangulator triangulator(nullptr);
        std::unique_ptr<KScnFree<KScnMesh>> result;
        work[k] = kerneltest::WorkOf([&] { result.reset(Free(triangulator.TriangulateMesh(*mesh))); });
        EXPECT_STREQ(triangulator.GetStatusText(), "");
        EXPECT_GT(work[k], 0u) << "the star is not convex";
        ASSERT_EQ(result->GetPolygonCount(), sizes[k] - 2);
        const std::vector<double> areas = TriangleAreas(*result);
        EXPECT_GE(*std::min_element(areas.begin(), areas.end()), -1e-12);
        EXPECT_NEAR(std::accumulate(areas.begin(), areas.end(), 0.0), SignedArea(*mesh, Vertices(*mesh)),
                    1e-9);
    }
    EXPECT_LE(work[1], 5 * work[0]) << work[0] << " then " << work[1];
}

// A figure eight whose small lobe runs the other way has no ear once the
// large lobe is clipped: past the budget it is fanned in the zig-zag order,
// with a warning.
TEST(KScnTriangulator, PolygonTooCostlyToClipIsFannedWithAWarning)
{
    auto points = WrittenCircle(600, 10.0, -10.0);
    const auto lobe = WrittenCircle(5000, 1.0, 1.0, 0.0);
    points.insert(points.end(), lobe.rbegin(), lobe.rend());
    const int n = static_cast<int>(points.size());
    KScnTriangulator triangulator(nullptr);
    std::unique_ptr<KScnFree<KScnMesh>> result(Free(triangulator.TriangulateMesh(*OnePolygon(points))));
    EXPECT_STREQ(triangulator.GetStatusText(),
                 ("warning: 1 concave polygon too costly to clip fanned instead (largest " +
                  std::to_string(n) + " corners)")
                     .c_str());
    EXPECT_EQ(Vertices(*result), ZigZag(n));
}

// Corners far apart, infinite or no number: still n - 2 triangles, no fault.
TEST(KScnTriangulator, FarAndBrokenCornersStillGiveTriangles)
{
    const double far = 1e300, inf = HUGE_VAL, nan = std::nan("");
    for (const auto& shape :
         {std::vector<std::pair<double, double>>{{-far, -far}, {far, -far}, {far, far}, {0, 0}, {-far, far}},
          {{0, 0}, {4, 0}, {4, 1}, {1, 1}, {1, inf}, {0, 4}},
          {{0, 0}, {4, 0}, {4, 1}, {nan, 1}, {1, 4}, {0, 4}}})
        EXPECT_EQ(Triangulate(*OnePolygon(shape))->GetPolygonCount(), static_cast<int>(shape.size()) - 2);
}

// The triangles each polygon gets, corner by corner: convex ones in the
// zig-zag order (a straight corner does not make one concave), concave ones
// ear by ear from corner 0 on, an ear being a convex corner (a straight one
// is not) whose triangle holds no corner left, not even on its edge, and
// after an ear going on past the next corner; a polygon that crosses itself
// is still cut into n - 2 triangles, a corner clipped even without an ear
// once a whole round found none (and a corner clipped so no longer blocks).
TEST(KScnTriangulator, TrianglesOfEachPolygonShape)
{
    const struct
    {
        const char* shape;
        std::vector<std::pair<double, double>> points;
        std::vector<int> triangles;
        bool simple; // covers its own area exactly
    } rows[] = {
        {"convex", {{0, 0}, {4, 0}, {5, 3}, {2, 5}, {-1, 3}}, {0, 1, 2, 2, 3, 0, 0, 3, 4}, true},
        {"convex, a straight corner",
         {{0, 0}, {2, 0}, {4, 0}, {4, 4}, {0, 4}},
         {0, 1, 2, 2, 3, 0, 0, 3, 4},
         true},
        {"L", {{0, 0}, {4, 0}, {4, 1}, {1, 1}, {1, 4}, {0, 4}}, {0, 1, 2, 3, 4, 5, 0, 2, 3, 3, 5, 0}, true},
        {"L, a straight corner",
         {{0, 0}, {2, 0}, {4, 0}, {4, 1}, {1, 1}, {1, 4}, {0, 4}},
         {1, 2, 3, 4, 5, 6, 0, 1, 3, 4, 6, 0, 0, 3, 4},
         true},
        {"notch with its tip on a diagonal",
         {{0, 0}, {4, 0}, {2, 1}, {4, 2}, {0, 2}},
         {0, 1, 2, 2, 3, 4, 4, 0, 2},
         true},
        {"square around a hole, through a slit of no width",
         {{0, 0}, {4, 0}, {4, 4}, {2, 4}, {2, 3}, {3, 3}, {3, 1}, {1, 1}, {1, 3}, {2, 3}, {2, 4}, {0, 4}},
         {2, 3, 4, 8, 9, 10, 2, 4, 5, 8, 10, 11, 1, 2, 5, 7, 8, 11, 1, 5, 6, 7, 11, 0, 0, 1, 6, 6, 7, 0},
         true},
        {"crossing itself",
         {{7, 5}, {7, 3}, {3, 6}, {5, 5}, {9, 0}, {9, 7}, {4, 1}},
         {6, 0, 1, 3, 4, 5, 5, 6, 1, 2, 3, 5, 5, 1, 2},
         false},
        {"crossing itself, a corner made convex blocking no more",
         {{2, 9}, {5, 5}, {0, 3}, {9, 0}, {3, 5}, {0, 0}},
         {4, 5, 0, 0, 1, 2, 3, 4, 0, 0, 2, 3},
         false},
    };
    for (const auto& row : rows)
    {
        const auto mesh = OnePolygon(row.points);
        const auto result = Triangulate(*mesh);
        EXPECT_EQ(Vertices(*result), row.triangles) << row.shape;
        if (!row.simple)
            continue;
        const std::vector<double> areas = TriangleAreas(*result);
        EXPECT_GE(*std::min_element(areas.begin(), areas.end()), 0.0) << row.shape;
        EXPECT_DOUBLE_EQ(std::accumulate(areas.begin(), areas.end(), 0.0), SignedArea(*mesh, Vertices(*mesh)))
            << row.shape;
    }
}

// Two figure eights too costly to clip, the larger first: the warning
// counts both and names the larger.
TEST(KScnTriangulator, FanWarningNamesTheLargestPolygon)
{
    std::vector<std::pair<double, double>> points;
    std::vector<std::vector<int>> polygons;
    for (const int lobe : {2000, 1500})
    {
        auto eight = WrittenCircle(300, 10.0, -10.0);
        const auto small = WrittenCircle(lobe, 1.0, 1.0, 0.0);
        eight.insert(eight.end(), small.rbegin(), small.rend());
        std::vector<int> polygon;
        for (const auto& p : eight)
        {
            polygon.push_back(static_cast<int>(points.size()));
            points.push_back(p);
        }
        polygons.push_back(polygon);
    }
    KScnTriangulator triangulator(nullptr);
    const std::unique_ptr<KScnFree<KScnMesh>> result(
        Free(triangulator.TriangulateMesh(*FlatMesh(points, polygons))));
    EXPECT_STREQ(triangulator.GetStatusText(),
                 "warning: 2 concave polygons too costly to clip fanned instead (largest 2300 corners)");
    EXPECT_EQ(result->GetPolygonCount(), 2298 + 1798);
}
