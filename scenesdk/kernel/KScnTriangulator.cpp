#include "scenesdk/kernel/KScnTriangulator.h"

#include "scenesdk/kernel/KScnMesh.h"

#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

namespace scenesdk
{

namespace
{
// Corner lists up to this many entries live on the stack.
constexpr int kStackCorners = 512;

// One layer element of the result that must follow the new triangles.
struct RemapJob
{
    KScnLayerElement* target;
    const KScnLayerElement* source;
    bool perVertex; // ByPolygonVertex; otherwise ByPolygon
    bool indexed;   // the index array carries the values; otherwise the direct array
};

std::vector<RemapJob> CollectJobs(KScnMesh& result, const KScnMesh& source)
{
    std::vector<RemapJob> jobs;
    for (int l = 0; l < result.GetLayerCount(); ++l)
    {
        for (int type = KScnLayerElement::kFirstType; type <= KScnLayerElement::kLastType; ++type)
        {
            KScnLayerElement* target = result.GetLayer(l)->GetElement(type);
            const KScnLayerElement* from =
                source.GetLayer(l) ? source.GetLayer(l)->GetElement(type) : nullptr;
            if (target == nullptr || from == nullptr)
                continue;
            const int mapping = target->GetMappingMode();
            if (mapping != KScnLayerElement::eByPolygonVertex && mapping != KScnLayerElement::eByPolygon)
                continue;
            jobs.push_back({target, from, mapping == KScnLayerElement::eByPolygonVertex,
                            target->GetReferenceMode() != KScnLayerElement::eDirect});
        }
    }
    return jobs;
}

// Empties the job's target array and sizes it for the result (zero-filled).
bool SizeTarget(const RemapJob& job, int triangles)
{
    const int count = job.perVertex ? 3 * triangles : triangles;
    KBlockArray& array = job.indexed ? job.target->GetIndexArray() : job.target->GetDirectArray();
    array.Clear();
    return array.SetCount(count) == count;
}

// Value of the source index array for a per-vertex position; out-of-range
// positions of a triangle read 0, of a larger polygon the first entry.
int32_t SourceIndex(const KScnLayerElement& source, int position, bool triangle)
{
    const int k = source.GetIndexCount();
    if (position < k)
        return source.GetIndices()[position];
    return (!triangle && k >= 1) ? source.GetIndices()[0] : 0;
}

void CopyDirect(KScnLayerElement& target, int to, const KScnLayerElement& source, int from)
{
    if (from >= source.GetDirectCount())
        return; // target items are zero-filled already
    const int size = source.GetDirectArray().GetItemSize();
    std::memcpy(static_cast<unsigned char*>(target.GetDirectArray().GetData()) +
                    static_cast<size_t>(to) * size,
                static_cast<const unsigned char*>(source.GetDirectArray().GetData()) +
                    static_cast<size_t>(from) * size,
                size);
}

// Fills the job's entries of one polygon (p, first vertex s, n corners) whose
// triangles start at result triangle t0.
void RemapPolygon(const RemapJob& job, int p, int s, int n, const int32_t* corners, int t0)
{
    const int triangles = n - 2;
    if (job.perVertex)
    {
        for (int c = 0; c < 3 * triangles; ++c)
        {
            const int to = 3 * t0 + c;
            if (job.indexed)
                job.target->GetIndices()[to] = SourceIndex(*job.source, s + corners[c], n < 4);
            else
                CopyDirect(*job.target, to, *job.source, s + corners[c]);
        }
        return;
    }
    for (int t = 0; t < triangles; ++t)
    {
        if (job.indexed)
            job.target->GetIndices()[t0 + t] =
                p < job.source->GetIndexCount() ? job.source->GetIndices()[p] : 0;
        else
            CopyDirect(*job.target, t0 + t, *job.source, p);
    }
}

struct Point2
{
    double x, y;
};

double Cross(const Point2& a, const Point2& b, const Point2& c)
{
    return (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
}

// Whether q lies inside or on triangle abc of orientation sign.
bool InTriangle(const Point2& q, const Point2& a, const Point2& b, const Point2& c, double sign)
{
    return sign * Cross(a, b, q) >= 0.0 && sign * Cross(b, c, q) >= 0.0 && sign * Cross(c, a, q) >= 0.0;
}

// Projects the polygon onto the plane of its largest normal component (into
// points, reused between polygons). False when a vertex names a missing
// control point or the polygon has no area.
bool Project(const KScnMesh& mesh, int p, std::vector<Point2>& points, double& sign)
{
    const int n = mesh.GetPolygonSize(p);
    const int32_t* vertices = mesh.GetPolygonVertices() + mesh.GetPolygonVertexIndex(p);
    const KgeTVector* controlPoints = mesh.GetControlPoints();
    for (int i = 0; i < n; ++i)
        if (vertices[i] < 0 || vertices[i] >= mesh.GetControlPointsCount())
            return false;
    double normal[3] = {0.0, 0.0, 0.0};
    for (int i = 0; i < n; ++i)
    {
        const double* a = controlPoints[vertices[i]].Buffer();
        const double* b = controlPoints[vertices[(i + 1) % n]].Buffer();
        normal[0] += (a[1] - b[1]) * (a[2] + b[2]);
        normal[1] += (a[2] - b[2]) * (a[0] + b[0]);
        normal[2] += (a[0] - b[0]) * (a[1] + b[1]);
    }
    int axis = 0;
    for (int k = 1; k < 3; ++k)
        if (std::fabs(normal[k]) > std::fabs(normal[axis]))
            axis = k;
    if (!(std::fabs(normal[axis]) > 0.0))
        return false;
    const int u = (axis + 1) % 3;
    const int v = (axis + 2) % 3;
    points.resize(n);
    for (int i = 0; i < n; ++i)
    {
        const double* a = controlPoints[vertices[i]].Buffer();
        points[i] = {a[u], a[v]};
    }
    sign = normal[axis] > 0.0 ? 1.0 : -1.0;
    return true;
}

bool IsConvex(const std::vector<Point2>& points, double sign)
{
    const int n = static_cast<int>(points.size());
    for (int i = 0; i < n; ++i)
        if (sign * Cross(points[(i + n - 1) % n], points[i], points[(i + 1) % n]) < 0.0)
            return false;
    return true;
}

// Ear clipping over the projected polygon; a polygon without a clean ear
// (self-intersecting) clips the current vertex anyway so that every polygon
// yields n - 2 triangles.
void ClipEars(const std::vector<Point2>& points, double sign, int32_t* buffer)
{
    std::vector<int32_t> remaining(points.size());
    for (size_t i = 0; i < remaining.size(); ++i)
        remaining[i] = static_cast<int32_t>(i);
    int out = 0;
    size_t i = 0;
    size_t misses = 0;
    while (remaining.size() > 3)
    {
        const size_t m = remaining.size();
        const int32_t a = remaining[(i + m - 1) % m], b = remaining[i % m], c = remaining[(i + 1) % m];
        bool ear = sign * Cross(points[a], points[b], points[c]) > 0.0 || misses >= m;
        for (size_t j = 0; ear && misses < m && j < m; ++j)
        {
            const int32_t q = remaining[j];
            if (q != a && q != b && q != c && InTriangle(points[q], points[a], points[b], points[c], sign))
                ear = false;
        }
        if (!ear)
        {
            i = (i + 1) % m;
            ++misses;
            continue;
        }
        buffer[out++] = a;
        buffer[out++] = b;
        buffer[out++] = c;
        remaining.erase(remaining.begin() + static_cast<std::ptrdiff_t>(i % m));
        i = i % remaining.size();
        misses = 0;
    }
    buffer[out++] = remaining[0];
    buffer[out++] = remaining[1];
    buffer[out++] = remaining[2];
}
} // namespace

void KScnTriangulator::GetTriangleCorners(int32_t* buffer, int n)
{
    if (n < 3 || buffer == nullptr)
        return;
    const int total = 3 * (n - 2);
    int out = 0;
    buffer[out++] = 0;
    buffer[out++] = 1;
    buffer[out++] = 2;
    int a = 2, b = 3, c = 0, d = n - 1;
    while (b <= d && out < total)
    {
        buffer[out++] = a;
        buffer[out++] = b;
        buffer[out++] = c;
        if (out >= total)
            break;
        buffer[out++] = c;
        buffer[out++] = b;
        buffer[out++] = d;
        a = b;
        b = b + 1;
        c = d;
        d = d - 1;
    }
}

namespace
{
void PolygonCorners(const KScnMesh& mesh, int p, int32_t* buffer, std::vector<Point2>& points)
{
    const int n = mesh.GetPolygonSize(p);
    if (n < 3)
        return;
    double sign = 1.0;
    if (n == 3 || !Project(mesh, p, points, sign) || IsConvex(points, sign))
        KScnTriangulator::GetTriangleCorners(buffer, n);
    else
        ClipEars(points, sign, buffer);
}
} // namespace

void KScnTriangulator::GetPolygonCorners(const KScnMesh& mesh, int p, int32_t* buffer)
{
    std::vector<Point2> points;
    PolygonCorners(mesh, p, buffer, points);
}

KScnMesh* KScnTriangulator::TriangulateMesh(const KScnMesh& source) const
{
    std::unique_ptr<KScnMesh> result(new KScnMesh(mManager));
    // Triangles keep the control points, so links and shapes still fit.
    result->KScnGeometry::CopyFrom(source);

    int triangles = 0;
    for (int p = 0; p < source.GetPolygonCount(); ++p)
        if (source.GetPolygonSize(p) >= 3)
            triangles += source.GetPolygonSize(p) - 2;

    if (result->mPolygons.SetCount(triangles) != triangles ||
        result->mPolygonVertices.SetCount(3 * triangles) != 3 * triangles)
        return nullptr;
    const std::vector<RemapJob> jobs = CollectJobs(*result, source);
    for (const RemapJob& job : jobs)
        if (!SizeTarget(job, triangles))
            return nullptr;

    auto* polygons = static_cast<KScnMesh::Polygon*>(result->mPolygons.GetData());
    int32_t* vertices = result->GetPolygonVertices();
    const int32_t* sourceVertices = source.GetPolygonVertices();
    int32_t stackCorners[kStackCorners];
    std::vector<int32_t> heapCorners;
    std::vector<Point2> points;
    int t0 = 0;
    for (int p = 0; p < source.GetPolygonCount(); ++p)
    {
        const int n = source.GetPolygonSize(p);
        if (n < 3)
            continue;
        const int s = source.GetPolygonVertexIndex(p);
        int32_t* corners = stackCorners;
        if (3 * (n - 2) >= kStackCorners)
        {
            heapCorners.resize(static_cast<size_t>(3) * (n - 2));
            corners = heapCorners.data();
        }
        PolygonCorners(source, p, corners, points);
        for (int c = 0; c < 3 * (n - 2); ++c)
            vertices[3 * t0 + c] = sourceVertices[s + corners[c]];
        for (int t = 0; t < n - 2; ++t)
            polygons[t0 + t] = {3 * (t0 + t), 3, -1};
        for (const RemapJob& job : jobs)
            RemapPolygon(job, p, s, n, corners, t0);
        t0 += n - 2;
    }
    return result.release();
}

} // namespace scenesdk
