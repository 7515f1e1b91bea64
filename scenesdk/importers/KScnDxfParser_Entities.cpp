// KScnDxfParser: the entities, turned into polygons and inserts of their
// space (model space per layer, or their block).

#include "scenesdk/importers/KScnDxfKeyword.h"
#include "scenesdk/importers/KScnDxfOcs.h"
#include "scenesdk/importers/KScnDxfParser.h"
#include "scenesdk/importers/KStreamOptionsDxf.h"

namespace scenesdk
{

namespace
{

bool SamePoint(const double* a, const double* b)
{
    return a[0] == b[0] && a[1] == b[1] && a[2] == b[2];
}

const double* PointAt(const KScnDxfGeometry& g, int32_t index)
{
    return &g.mPoints[3 * static_cast<size_t>(index)];
}

// A face record of a polyface mesh, as opposed to a position.
bool IsFaceRecord(int64_t flags)
{
    return (flags & 128) != 0 && (flags & 64) == 0;
}

} // namespace

KScnDxfGeometry& KScnDxfParser::Target(int32_t block, int32_t layer)
{
    return block >= 0 ? mOut.mBlocks[static_cast<size_t>(block)].mGeometry
                      : mOut.mModel[static_cast<size_t>(layer)];
}

void KScnDxfParser::Skip(std::string_view type)
{
    if (mOut.mSkipped++ == 0)
        mOut.mFirstSkipped = KScnDxfKeyword::Shown(KScnDxfKeyword::Trim(type));
}

bool KScnDxfParser::Entity(const SRecord& r, int32_t block)
{
    const std::string_view type = r.type;
    if (mPolylineBlock != -2)
    {
        if (KScnDxfKeyword::Is(type, "VERTEX"))
        {
            AddVertex(r);
            return true;
        }
        // Some writers end the vertex list with the next entity instead.
        if (!FinishPolyline())
            return false;
        if (KScnDxfKeyword::Is(type, "SEQEND"))
            return true;
    }
    // Records that belong to a POLYLINE or INSERT whose owner was skipped.
    if (KScnDxfKeyword::Is(type, "VERTEX") || KScnDxfKeyword::Is(type, "SEQEND") ||
        KScnDxfKeyword::Is(type, "ATTRIB"))
        return true;
    if (r.paperSpace)
    {
        Skip(type);
        return true;
    }
    if (KScnDxfKeyword::Is(type, "3DFACE"))
    {
        if (mOptions.mReadFaces)
            Face(Target(block, r.layer), r);
    }
    else if (KScnDxfKeyword::Is(type, "LINE"))
    {
        if (mOptions.mReadLines)
            Line(Target(block, r.layer), r);
    }
    else if (KScnDxfKeyword::Is(type, "LWPOLYLINE"))
    {
        if (mOptions.mReadOutlines)
            LwPolyline(Target(block, r.layer), r);
    }
    else if (KScnDxfKeyword::Is(type, "POLYLINE"))
        StartPolyline(block, r);
    else if (KScnDxfKeyword::Is(type, "INSERT"))
        return !mOptions.mReadInserts || Insert(block, r);
    else
        Skip(type);
    return true;
}

int32_t KScnDxfParser::AddPoint(KScnDxfGeometry& g, const double* p)
{
    g.mPoints.insert(g.mPoints.end(), p, p + 3);
    return static_cast<int32_t>(g.mPoints.size() / 3 - 1);
}

// A polygon of three or more distinct corners; a corner equal to the one
// before it (or the last equal to the first) is one corner.
void KScnDxfParser::AddPolygon(KScnDxfGeometry& g, const int32_t* corners, int count, int32_t layer,
                               int32_t colour)
{
    mCorners.clear();
    for (int k = 0; k < count; ++k)
        if (mCorners.empty() || !SamePoint(PointAt(g, corners[k]), PointAt(g, mCorners.back())))
            mCorners.push_back(corners[k]);
    if (mCorners.size() > 1 && SamePoint(PointAt(g, mCorners.back()), PointAt(g, mCorners[0])))
        mCorners.pop_back();
    if (mCorners.size() < 3)
        return;
    g.mSizes.push_back(static_cast<int32_t>(mCorners.size()));
    g.mCorners.insert(g.mCorners.end(), mCorners.begin(), mCorners.end());
    g.mLayers.push_back(layer);
    g.mColours.push_back(colour);
}

void KScnDxfParser::AddSegment(KScnDxfGeometry& g, int32_t a, int32_t b, int32_t layer, int32_t colour)
{
    if (SamePoint(PointAt(g, a), PointAt(g, b)))
        return;
    g.mSizes.push_back(2);
    g.mCorners.insert(g.mCorners.end(), {a, b});
    g.mLayers.push_back(layer);
    g.mColours.push_back(colour);
}

void KScnDxfParser::AddOutline(KScnDxfGeometry& g, int32_t first, int count, bool closed, int32_t layer,
                               int32_t colour)
{
    if (closed && mOptions.mClosedOutlinesAsPolygons && count >= 3)
    {
        mScratch.clear();
        for (int k = 0; k < count; ++k)
            mScratch.push_back(first + k);
        AddPolygon(g, mScratch.data(), count, layer, colour);
        return;
    }
    const int segments = closed && count > 2 ? count : count - 1;
    for (int k = 0; k < segments; ++k)
        AddSegment(g, first + k, first + (k + 1) % count, layer, colour);
}

// Corners compared before any point is added: a triangle written with its
// fourth corner equal to the third has three points.
void KScnDxfParser::Face(KScnDxfGeometry& g, const SRecord& r)
{
    const double* kept[4];
    int n = 0;
    for (int k = 0; k < 4; ++k)
    {
        const double* p = r.points[k < 3 || r.hasPoint[3] ? k : 2];
        if (n == 0 || !SamePoint(p, kept[n - 1]))
            kept[n++] = p;
    }
    if (n > 1 && SamePoint(kept[n - 1], kept[0]))
        --n;
    if (n < 3)
        return;
    int32_t corners[4];
    for (int k = 0; k < n; ++k)
        corners[k] = AddPoint(g, kept[k]);
    AddPolygon(g, corners, n, r.layer, r.colour);
}

void KScnDxfParser::Line(KScnDxfGeometry& g, const SRecord& r)
{
    if (SamePoint(r.points[0], r.points[1]))
        return;
    const int32_t a = AddPoint(g, r.points[0]);
    AddSegment(g, a, AddPoint(g, r.points[1]), r.layer, r.colour);
}

void KScnDxfParser::LwPolyline(KScnDxfGeometry& g, const SRecord& r)
{
    const KScnDxfOcs ocs(r.extrusion);
    const int32_t first = static_cast<int32_t>(g.mPoints.size() / 3);
    const size_t count = r.vertices.size() / 2;
    for (size_t k = 0; k < count; ++k)
    {
        double p[3];
        ocs.ToWorld(r.vertices[2 * k], r.vertices[2 * k + 1], r.elevation, p);
        AddPoint(g, p);
    }
    AddOutline(g, first, static_cast<int>(count), (r.ints[0] & 1) != 0, r.layer, r.colour);
}

bool KScnDxfParser::Insert(int32_t block, const SRecord& r)
{
    const std::string_view name = KScnDxfKeyword::Trim(r.name);
    if (name.empty())
        return ErrorAt(mRecordAt, "INSERT without a block name");
    const std::string shown = KScnDxfKeyword::Shown(name);
    if (r.ints[0] < 0 || r.ints[1] < 0)
        return ErrorAt(mRecordAt, "INSERT of " + shown + " with a negative column or row count");
    if (r.scale[0] == 0.0 || r.scale[1] == 0.0 || r.scale[2] == 0.0)
        return ErrorAt(mRecordAt, "INSERT of " + shown + " with scale 0");
    KScnDxfInsert insert;
    insert.layer = r.layer;
    insert.colour = r.colour;
    for (int i = 0; i < 3; ++i)
    {
        insert.point[i] = r.points[0][i];
        insert.scale[i] = r.scale[i];
        insert.extrusion[i] = r.extrusion[i];
    }
    insert.rotation = r.rotation;
    // 0 is what some writers give for a plain insert.
    insert.columns = r.ints[0] > 0 ? static_cast<int32_t>(r.ints[0]) : 1;
    insert.rows = r.ints[1] > 0 ? static_cast<int32_t>(r.ints[1]) : 1;
    insert.columnSpacing = r.spacing[0];
    insert.rowSpacing = r.spacing[1];
    KScnDxfGeometry& g = Target(block, r.layer);
    mPending.push_back({block, r.layer, g.mInserts.size(), name});
    g.mInserts.push_back(insert);
    return true;
}

void KScnDxfParser::StartPolyline(int32_t block, const SRecord& r)
{
    mPolyline = r;
    mPolylineBlock = block;
    mPolylineAt = mRecordAt;
    mVertices.clear();
}

void KScnDxfParser::AddVertex(const SRecord& r)
{
    SVertex v;
    for (int i = 0; i < 3; ++i)
        v.point[i] = r.points[0][i];
    v.flags = r.ints[0];
    for (int k = 0; k < 4; ++k)
        v.indices[k] = r.ints[k + 1];
    v.colour = r.colour;
    v.hasColour = r.hasColour;
    mVertices.push_back(v);
}

bool KScnDxfParser::FinishPolyline()
{
    if (mPolylineBlock == -2)
        return true;
    KScnDxfGeometry& g = Target(mPolylineBlock, mPolyline.layer);
    mPolylineBlock = -2;
    const int64_t flags = mPolyline.ints[0];
    if ((flags & 64) != 0)
        return !mOptions.mReadMeshes || Polyface(g);
    if ((flags & 16) != 0)
        return !mOptions.mReadMeshes || PolygonMesh(g);
    if (mOptions.mReadOutlines)
        PolylineOutline(g, (flags & 8) == 0);
    return true;
}

// Positions first (face records may come before them), then the faces.
bool KScnDxfParser::Polyface(KScnDxfGeometry& g)
{
    const int32_t first = static_cast<int32_t>(g.mPoints.size() / 3);
    int64_t count = 0;
    for (const SVertex& v : mVertices)
        if (!IsFaceRecord(v.flags))
        {
            AddPoint(g, v.point);
            ++count;
        }
    for (const SVertex& v : mVertices)
    {
        if (!IsFaceRecord(v.flags))
            continue;
        int32_t corners[4];
        int n = 0;
        bool unused = false, gap = false;
        for (int64_t index : v.indices)
        {
            // 64-bit: the absolute value of the most negative 16-bit index fits.
            index = index < 0 ? -index : index;
            if (index == 0)
            {
                unused = true;
                continue;
            }
            // An unused corner before a used one (0 in the first corner, say):
            // the face is read without it, counted in the status text.
            gap = gap || unused;
            if (index > count)
                return ErrorAt(mPolylineAt, "polyface face index " + std::to_string(index) +
                                                " out of range (" + std::to_string(count) + " vertices)");
            corners[n++] = first + static_cast<int32_t>(index - 1);
        }
        if (gap)
            ++mOut.mUnusedCornerFaces;
        // A face without a colour of its own has the mesh's.
        const int32_t colour = v.hasColour && v.colour != kDxfByLayer ? v.colour : mPolyline.colour;
        AddPolygon(g, corners, n, mPolyline.layer, colour);
    }
    return true;
}

bool KScnDxfParser::PolygonMesh(KScnDxfGeometry& g)
{
    int64_t m = mPolyline.ints[1], n = mPolyline.ints[2];
    const int64_t count = static_cast<int64_t>(mVertices.size());
    const int64_t smooth = mPolyline.ints[5];
    const int64_t sm = mPolyline.ints[3], sn = mPolyline.ints[4];
    if (m < 0 || n < 0)
        return ErrorAt(mPolylineAt,
                       "polygon mesh of " + std::to_string(m) + " x " + std::to_string(n) + " positions");
    // A smoothed mesh may store its surface grid instead of the control grid.
    if (m * n != count && (smooth == 5 || smooth == 6 || smooth == 8) && sm >= 0 && sn >= 0 &&
        sm * sn == count)
    {
        m = sm;
        n = sn;
    }
    if (m * n != count)
        return ErrorAt(mPolylineAt, "polygon mesh of " + std::to_string(m) + " x " + std::to_string(n) +
                                        " positions with " + std::to_string(count) + " vertices");
    const int32_t first = static_cast<int32_t>(g.mPoints.size() / 3);
    for (const SVertex& v : mVertices)
        AddPoint(g, v.point);
    const int64_t flags = mPolyline.ints[0];
    const int64_t rows = (flags & 1) != 0 ? m : m - 1;
    const int64_t columns = (flags & 32) != 0 ? n : n - 1;
    for (int64_t i = 0; i < rows; ++i)
        for (int64_t j = 0; j < columns; ++j)
        {
            const int64_t i1 = (i + 1) % m, j1 = (j + 1) % n;
            const int32_t quad[4] = {
                first + static_cast<int32_t>(i * n + j), first + static_cast<int32_t>(i * n + j1),
                first + static_cast<int32_t>(i1 * n + j1), first + static_cast<int32_t>(i1 * n + j)};
            AddPolygon(g, quad, 4, mPolyline.layer, mPolyline.colour);
        }
    return true;
}

// A 3D polyline in world coordinates, a 2D one in its object coordinates at
// the header's elevation; spline frame points are not part of the curve.
void KScnDxfParser::PolylineOutline(KScnDxfGeometry& g, bool flat)
{
    const KScnDxfOcs ocs(mPolyline.extrusion);
    const double elevation = mPolyline.points[0][2];
    const int32_t first = static_cast<int32_t>(g.mPoints.size() / 3);
    int count = 0;
    for (const SVertex& v : mVertices)
    {
        if ((v.flags & 16) != 0)
            continue;
        double p[3] = {v.point[0], v.point[1], v.point[2]};
        if (flat)
            ocs.ToWorld(v.point[0], v.point[1], elevation, p);
        AddPoint(g, p);
        ++count;
    }
    AddOutline(g, first, count, (mPolyline.ints[0] & 1) != 0, mPolyline.layer, mPolyline.colour);
}

} // namespace scenesdk
