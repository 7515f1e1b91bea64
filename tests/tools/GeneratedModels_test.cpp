// The generated models as the game draws them: with back faces culled
// (counter-clockwise fronts), a face shows only from the side its winding
// turns to. Every triangle's winding agrees with its stored vertex normals,
// and no model shows its inside: from every viewpoint outside a model, the
// first face a sight line meets is a front face (else the renderer skips it
// and the sky shows through the model).

#include "scenesdk/fileio/KScn.h"
#include "tests/support/GameData.h"
#include "tests/support/TempDir.h"
#include "tools/datagen/CDataGenerator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <vector>

namespace
{

using V3 = std::array<double, 3>;

V3 Sub(const V3& a, const V3& b)
{
    return {a[0] - b[0], a[1] - b[1], a[2] - b[2]};
}
double Dot(const V3& a, const V3& b)
{
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}
V3 Cross(const V3& a, const V3& b)
{
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

struct SMesh
{
    std::vector<V3> points, normals;
    std::vector<std::array<int, 3>> triangles;
};

std::vector<double> Numbers(scenesdk::KScn& scn, const char* field)
{
    std::vector<double> v;
    if (scn.OpenField(field))
        while (scn.RemainingValueCount() > 0)
            v.push_back(scn.NextValueAsDouble());
    return v;
}

std::vector<V3> Triples(const std::vector<double>& v)
{
    std::vector<V3> out;
    for (size_t i = 0; i + 2 < v.size(); i += 3)
        out.push_back({v[i], v[i + 1], v[i + 2]});
    return out;
}

// The first mesh of a generated model file: control points, their normals
// and the triangles.
bool ReadMesh(const std::string& path, SMesh& mesh)
{
    scenesdk::KScn scn;
    if (!scn.OpenFile(path.c_str()) || !scn.OpenField("Objects") || !scn.EnterFieldBlock() ||
        !scn.OpenField("Model") || !scn.EnterFieldBlock() || !scn.OpenField("Mesh") || !scn.EnterFieldBlock())
        return false;
    mesh.points = Triples(Numbers(scn, "ControlPoints"));
    const std::vector<double> corners = Numbers(scn, "PolygonVertices");
    if (!scn.OpenField("Layer") || !scn.EnterFieldBlock() || !scn.OpenField("LayerElementNormal") ||
        !scn.EnterFieldBlock())
        return false;
    mesh.normals = Triples(Numbers(scn, "Values"));
    for (double corner : corners)
        if (corner < 0 || corner >= mesh.points.size())
            return false;
    for (const V3& t : Triples(corners))
        mesh.triangles.push_back({static_cast<int>(t[0]), static_cast<int>(t[1]), static_cast<int>(t[2])});
    return mesh.normals.size() == mesh.points.size() && !mesh.triangles.empty();
}

// A triangle ready for sight lines: a corner, the two edges from it, the
// (unnormalised) normal of its winding and a sphere round it.
struct STarget
{
    V3 a, e1, e2, normal, centre;
    double radius2;
};

std::vector<STarget> Targets(const SMesh& m)
{
    std::vector<STarget> targets;
    for (const std::array<int, 3>& t : m.triangles)
    {
        STarget s;
        s.a = m.points[t[0]];
        s.e1 = Sub(m.points[t[1]], s.a);
        s.e2 = Sub(m.points[t[2]], s.a);
        s.normal = Cross(s.e1, s.e2);
        for (int k = 0; k < 3; ++k)
            s.centre[k] = s.a[k] + (s.e1[k] + s.e2[k]) / 3;
        s.radius2 = 0;
        for (const V3& corner : {s.a, m.points[t[1]], m.points[t[2]]})
            s.radius2 = std::max(s.radius2, Dot(Sub(corner, s.centre), Sub(corner, s.centre)) * 1.0001);
        targets.push_back(s);
    }
    return targets;
}

// Distance along the ray (dir of length 1) to the triangle, or -1 when the
// ray misses it.
double Hit(const STarget& t, const V3& from, const V3& dir)
{
    const V3 p = Cross(dir, t.e2);
    const double det = Dot(t.e1, p);
    if (std::fabs(det) < 1e-15)
        return -1;
    const V3 s = Sub(from, t.a);
    const double u = Dot(s, p) / det;
    if (u < 0 || u > 1)
        return -1;
    const V3 q = Cross(s, t.e1);
    const double v = Dot(dir, q) / det;
    if (v < 0 || u + v > 1)
        return -1;
    const double d = Dot(t.e2, q) / det;
    return d > 1e-9 ? d : -1;
}

// Viewpoints outside the model's box: a sphere of them well away, and rings
// close round the box at heights from the ground to above the top (an eye
// beside a house). Models standing on the ground (lowest point y = 0) are
// seen only from above it.
std::vector<V3> Viewpoints(const SMesh& m)
{
    V3 lo = m.points[0], hi = m.points[0];
    for (const V3& p : m.points)
        for (int k = 0; k < 3; ++k)
            lo[k] = std::min(lo[k], p[k]), hi[k] = std::max(hi[k], p[k]);
    const bool standing = std::fabs(lo[1]) < 1e-6;
    const V3 centre{(lo[0] + hi[0]) / 2, (lo[1] + hi[1]) / 2, (lo[2] + hi[2]) / 2};
    const double radius = std::sqrt(Dot(Sub(hi, centre), Sub(hi, centre)));
    std::vector<V3> views;
    const int far = 32;
    for (int i = 0; i < far; ++i)
    {
        // Fibonacci sphere of radius 3 x the model's.
        const double y = 1 - (i + 0.5) * 2 / far, r = std::sqrt(1 - y * y), a = i * 2.399963229728653;
        const V3 v{centre[0] + 3 * radius * r * std::cos(a), centre[1] + 3 * radius * y,
                   centre[2] + 3 * radius * r * std::sin(a)};
        if (!standing || v[1] > 0.05)
            views.push_back(v);
    }
    // Rings 0.6 units out from the box's outline.
    const double lowest = standing ? 0.1 : lo[1] - 0.5;
    const double hx = (hi[0] - lo[0]) / 2 + 0.6, hz = (hi[2] - lo[2]) / 2 + 0.6;
    for (double h = lowest; h < hi[1] + 1.0; h += (hi[1] + 1.0 - lowest) / 3.3)
        for (int side = 0; side < 12; ++side)
        {
            const double a = side * 2 * 3.14159265358979 / 12 + 0.11;
            const double c = std::cos(a), s = std::sin(a);
            const double k = std::min(hx / std::max(std::fabs(c), 1e-9), hz / std::max(std::fabs(s), 1e-9));
            views.push_back({centre[0] + c * k, h, centre[2] + s * k});
        }
    return views;
}

struct SSeeThrough
{
    int rays = 0, backFirst = 0;
    std::string example;
};

std::string Text(const V3& v)
{
    return "(" + std::to_string(v[0]) + ", " + std::to_string(v[1]) + ", " + std::to_string(v[2]) + ")";
}

// A triangle as seen from one viewpoint: the direction to the centre of its
// sphere, the cosine of the sphere's angular radius and the nearest
// distance it may be met at.
struct SInView
{
    V3 u;
    double cosine, nearest;
    const STarget* target;
};

// Sight lines from each viewpoint to a point of every triangle; counts those
// whose first face met is a back face.
SSeeThrough LookAt(const SMesh& m, const std::vector<V3>& views)
{
    const std::vector<STarget> targets = Targets(m);
    SSeeThrough result;
    for (const V3& eye : views)
    {
        // Nearest first, so that a line stops looking once it has met a face
        // nearer than any left.
        std::vector<SInView> near;
        for (const STarget& t : targets)
        {
            const V3 w = Sub(t.centre, eye);
            const double d2 = Dot(w, w), d = std::sqrt(d2);
            const bool around = d2 <= t.radius2;
            near.push_back({{w[0] / d, w[1] / d, w[2] / d},
                            around ? -2.0 : std::sqrt(1 - t.radius2 / d2),
                            around ? 0.0 : d - std::sqrt(t.radius2),
                            &t});
        }
        std::sort(near.begin(), near.end(),
                  [](const SInView& a, const SInView& b) { return a.nearest < b.nearest; });
        for (const STarget& target : targets)
        {
            V3 dir;
            for (int k = 0; k < 3; ++k)
                dir[k] = target.a[k] + (target.e1[k] + target.e2[k]) * 0.3 - eye[k];
            const double length = std::sqrt(Dot(dir, dir));
            for (double& d : dir)
                d /= length;
            // The nearest front and back faces met; where both lie at the
            // same distance (a face ending on another), the front one shows.
            double front = -1, back = -1;
            const STarget* backFace = nullptr;
            for (const SInView& v : near)
            {
                const double met = front < 0 ? back : back < 0 ? front : std::min(front, back);
                if (met >= 0 && v.nearest > met * (1 + 1e-6))
                    break;
                if (Dot(v.u, dir) < v.cosine)
                    continue;
                const double d = Hit(*v.target, eye, dir);
                if (d < 0)
                    continue;
                if (Dot(v.target->normal, dir) < 0)
                    front = front < 0 ? d : std::min(front, d);
                else if (back < 0 || d < back)
                {
                    back = d;
                    backFace = v.target;
                }
            }
            if (front < 0 && back < 0)
                continue;
            ++result.rays;
            if (back >= 0 && (front < 0 || back < front - 1e-7 * front) && result.backFirst++ == 0)
                result.example = "from " + Text(eye) + " the inside of the triangle at " + Text(backFace->a);
        }
    }
    return result;
}

} // namespace

TEST(GeneratedModels, WindingAgreesWithNormalsAndNoModelShowsItsInside)
{
    testsupport::TempDir dir;
    ASSERT_TRUE(testsupport::GenerateGameData(dir.Path() + "/Data"));
    for (const std::string& file : CDataGenerator::ModelFiles())
    {
        SCOPED_TRACE(file);
        SMesh mesh;
        ASSERT_TRUE(ReadMesh(dir.Path() + "/Data/" + file, mesh));
        // Every corner's normal lies on the front side of its triangle.
        int disagreeing = 0;
        for (const std::array<int, 3>& t : mesh.triangles)
        {
            const V3 n =
                Cross(Sub(mesh.points[t[1]], mesh.points[t[0]]), Sub(mesh.points[t[2]], mesh.points[t[0]]));
            ASSERT_GT(Dot(n, n), 0.0) << "a triangle without area";
            for (int k = 0; k < 3; ++k)
                disagreeing += Dot(n, mesh.normals[t[k]]) > 0 ? 0 : 1;
        }
        EXPECT_EQ(disagreeing, 0);

        const bool sky = file == "environment/envSphere.scn";
        const std::vector<V3> views =
            sky ? std::vector<V3>{{0, 0, 0}, {120, 35, -60}, {-200, 10, 150}, {30, -100, 20}}
                : Viewpoints(mesh);
        const SSeeThrough seen = LookAt(mesh, views);
        EXPECT_GT(seen.rays, static_cast<int>(mesh.triangles.size()));
        EXPECT_EQ(seen.backFirst, 0) << seen.example;
    }
}
