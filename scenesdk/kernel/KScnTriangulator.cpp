#include "scenesdk/kernel/KScnTriangulator.h"

#include "scenesdk/kernel/KScnFree.h"
#include "scenesdk/kernel/KScnMesh.h"
#include "scenesdk/kernel/KScnSdkManager.h"
#include "scenesdk/kernel/KSearchWork.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <new>
#include <string>
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

// Ear clipping over the projected polygon, around a ring of the corners
// left, starting at corner 0 and going on past the next corner after an
// ear. A corner is an ear when
// it is convex and no corner left lies inside or on its triangle; only
// corners that are not convex can (the triangle's own corners aside), and
// those are found through a grid of cells over the polygon, so that an
// ordinary polygon is clipped in time about linear in its corners. A
// polygon without a clean ear (self-intersecting) clips the current corner
// anyway once a whole round has found none, so that every polygon yields
// n - 2 triangles. False, with the buffer undefined, once the work passes
// budget (corners and grid entries looked at).
class EarClipper
{
public:
    EarClipper(const std::vector<Point2>& points, double sign) : mPoints(points), mSign(sign) {}

    bool Clip(int32_t* buffer, uint64_t budget)
    {
        const int n = static_cast<int>(mPoints.size());
        mNext.resize(n);
        mPrev.resize(n);
        for (int i = 0; i < n; ++i)
        {
            mNext[i] = (i + 1) % n;
            mPrev[i] = (i + n - 1) % n;
        }
        mGone.assign(n, 0);
        mReflex.assign(n, 0);
        for (int i = 0; i < n; ++i)
            mReflex[i] = !IsConvexAt(i);
        BuildGrid(0, n);
        int out = 0, current = 0, left = n, misses = 0, gridFor = n;
        uint64_t work = 0;
        while (left > 3)
        {
            if (++work > budget)
                return false;
            const int a = mPrev[current], b = current, c = mNext[current];
            const bool ear = misses >= left || (IsConvexAt(b) && Empty(a, b, c, work));
            if (work > budget)
                return false;
            if (!ear)
            {
                current = c;
                ++misses;
                continue;
            }
            buffer[out++] = a;
            buffer[out++] = b;
            buffer[out++] = c;
            mGone[b] = 1;
            mNext[a] = c;
            mPrev[c] = a;
            --left;
            // Clipping can only make the neighbours convex.
            mReflex[a] = mReflex[a] && !IsConvexAt(a);
            mReflex[c] = mReflex[c] && !IsConvexAt(c);
            // On past c: clipping corner after corner from one side would
            // fan from a, with triangles that span the polygon; every other
            // corner keeps them small and the cells they cover few.
            current = mNext[c];
            misses = 0;
            // As corners go, triangles grow: a grid for the corners left
            // keeps the cells a triangle covers few.
            if (2 * left < gridFor && left > 3)
            {
                BuildGrid(current, left);
                gridFor = left;
                work += static_cast<uint64_t>(left);
            }
        }
        buffer[out++] = mPrev[current];
        buffer[out++] = current;
        buffer[out++] = mNext[current];
        mWork = work;
        return true;
    }

    uint64_t GetWork() const { return mWork; }

private:
    bool IsConvexAt(int i) const
    {
        return mSign * Cross(mPoints[mPrev[i]], mPoints[i], mPoints[mNext[i]]) > 0.0;
    }

    // Square cells as wide as the mean edge of the count corners left from
    // first on, so that an outline puts a few corners in each cell it
    // crosses and a small triangle covers few cells; only the cells that
    // hold reflex corners are kept, sorted by cell.
    void BuildGrid(int first, int count)
    {
        mMinX = mMaxX = mPoints[first].x;
        mMinY = mMaxY = mPoints[first].y;
        double perimeter = 0.0;
        for (int i = first, k = 0; k < count; i = mNext[i], ++k)
        {
            const Point2& p = mPoints[i];
            const Point2& q = mPoints[mNext[i]];
            mMinX = std::min(mMinX, p.x);
            mMaxX = std::max(mMaxX, p.x);
            mMinY = std::min(mMinY, p.y);
            mMaxY = std::max(mMaxY, p.y);
            perimeter += std::fabs(q.x - p.x) + std::fabs(q.y - p.y);
        }
        // No more than about count cells a side, whatever the outline.
        const double span = std::max(mMaxX - mMinX, mMaxY - mMinY);
        mCell = std::max(perimeter / count, span / count);
        if (!(mCell > 0.0) || !std::isfinite(mCell))
            mCell = 1.0;
        mColumns = Cells((mMaxX - mMinX) / mCell);
        mRows = Cells((mMaxY - mMinY) / mCell);
        mEntries.clear();
        for (int i = first, k = 0; k < count; i = mNext[i], ++k)
            if (mReflex[i])
                mEntries.push_back({Key(Column(mPoints[i].x), Row(mPoints[i].y)), i});
        std::sort(mEntries.begin(), mEntries.end());
    }

    // Cells for a span of cells (one for a span that is no number or too
    // large: far-flung or infinite corners).
    static int64_t Cells(double span)
    {
        return span >= 0.0 && span < 4e9 ? static_cast<int64_t>(span) + 1 : 1;
    }
    // The cell of an offset (in cells) among count, clamped.
    static int64_t Clamp(double at, int64_t count)
    {
        return at > 0.0 ? (at < static_cast<double>(count - 1) ? static_cast<int64_t>(at) : count - 1) : 0;
    }
    int64_t Column(double x) const { return Clamp((x - mMinX) / mCell, mColumns); }
    int64_t Row(double y) const { return Clamp((y - mMinY) / mCell, mRows); }
    int64_t Key(int64_t column, int64_t row) const { return column * mRows + row; }

    // No reflex corner left, other than a, b and c, inside or on triangle
    // abc: the cells under the triangle's box are looked up one column at a
    // time, or every reflex corner looked at when there are fewer of those.
    bool Empty(int a, int b, int c, uint64_t& work) const
    {
        const Point2 &pa = mPoints[a], &pb = mPoints[b], &pc = mPoints[c];
        const int64_t x0 = Column(std::min({pa.x, pb.x, pc.x})), x1 = Column(std::max({pa.x, pb.x, pc.x}));
        const int64_t y0 = Row(std::min({pa.y, pb.y, pc.y})), y1 = Row(std::max({pa.y, pb.y, pc.y}));
        auto blocks = [&](int q)
        {
            return !mGone[q] && mReflex[q] && q != a && q != b && q != c &&
                   InTriangle(mPoints[q], pa, pb, pc, mSign);
        };
        const uint64_t entries = mEntries.size();
        if (static_cast<uint64_t>(x1 - x0 + 1) > entries / 8)
        {
            work += entries;
            for (const Entry& e : mEntries)
                if (blocks(e.corner))
                    return false;
            return true;
        }
        for (int64_t x = x0; x <= x1; ++x)
        {
            auto at = std::lower_bound(mEntries.begin(), mEntries.end(), Entry{Key(x, y0), -1});
            work += 1;
            for (const int64_t last = Key(x, y1); at != mEntries.end() && at->key <= last; ++at)
            {
                ++work;
                if (blocks(at->corner))
                    return false;
            }
        }
        return true;
    }

    struct Entry
    {
        int64_t key;
        int corner;
        bool operator<(const Entry& other) const
        {
            return key < other.key || (key == other.key && corner < other.corner);
        }
    };

    const std::vector<Point2>& mPoints;
    double mSign;
    std::vector<int> mNext, mPrev;
    std::vector<char> mGone, mReflex;
    double mMinX = 0, mMaxX = 0, mMinY = 0, mMaxY = 0, mCell = 1.0;
    int64_t mColumns = 1, mRows = 1;
    std::vector<Entry> mEntries;
    uint64_t mWork = 0;
};

// What clipping a polygon of n corners may cost before it is fanned
// instead: a few dozen looks per corner and level of a binary search.
uint64_t ClipBudget(int n)
{
    uint64_t levels = 1;
    while ((uint64_t(1) << levels) < static_cast<uint64_t>(n))
        ++levels;
    return 64u * static_cast<uint64_t>(n) * (levels + 1);
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
// False when the polygon was fanned for want of time (concave, too costly
// to clip).
bool PolygonCorners(const KScnMesh& mesh, int p, int32_t* buffer, std::vector<Point2>& points)
{
    const int n = mesh.GetPolygonSize(p);
    if (n < 3)
        return true;
    double sign = 1.0;
    if (n == 3 || !Project(mesh, p, points, sign) || IsConvex(points, sign))
    {
        KScnTriangulator::GetTriangleCorners(buffer, n);
        return true;
    }
    EarClipper clipper(points, sign);
    const uint64_t budget = ClipBudget(n);
    const bool clipped = clipper.Clip(buffer, budget);
    KSearchWork::Add(clipped ? clipper.GetWork() : budget);
    if (!clipped)
        KScnTriangulator::GetTriangleCorners(buffer, n);
    return clipped;
}
} // namespace

void KScnTriangulator::GetPolygonCorners(const KScnMesh& mesh, int p, int32_t* buffer)
{
    std::vector<Point2> points;
    PolygonCorners(mesh, p, buffer, points);
}

namespace
{
// A result under way: given back to the manager that made it (or deleted,
// without one) unless released.
struct MadeMesh
{
    void operator()(KScnMesh* mesh) const
    {
        if (manager != nullptr)
            manager->DestroyNodeAttribute(mesh);
        else
            delete static_cast<KScnFree<KScnMesh>*>(mesh); // made so below
    }
    KScnSdkManager* manager;
};
} // namespace

KScnMesh* KScnTriangulator::TriangulateMesh(const KScnMesh& source) const
{
    mStatus.clear();
    // Memory running out gives null: the mesh made so far goes back.
    try
    {
        return Triangulate(source);
    }
    catch (const std::bad_alloc&)
    {
        mStatus.clear();
        return nullptr;
    }
}

KScnMesh* KScnTriangulator::Triangulate(const KScnMesh& source) const
{
    std::unique_ptr<KScnMesh, MadeMesh> result(
        mManager != nullptr ? mManager->CreateMesh() : new KScnFree<KScnMesh>(nullptr), MadeMesh{mManager});
    if (!result)
        return nullptr;
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
    int fanned = 0, largest = 0;
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
        if (!PolygonCorners(source, p, corners, points))
        {
            ++fanned;
            largest = std::max(largest, n);
        }
        for (int c = 0; c < 3 * (n - 2); ++c)
            vertices[3 * t0 + c] = sourceVertices[s + corners[c]];
        for (int t = 0; t < n - 2; ++t)
            polygons[t0 + t] = {3 * (t0 + t), 3, -1};
        for (const RemapJob& job : jobs)
            RemapPolygon(job, p, s, n, corners, t0);
        t0 += n - 2;
    }
    if (fanned > 0)
        mStatus = "warning: " + std::to_string(fanned) + " concave polygon" + (fanned > 1 ? "s" : "") +
                  " too costly to clip fanned instead (largest " + std::to_string(largest) + " corners)";
    return result.release();
}

} // namespace scenesdk
