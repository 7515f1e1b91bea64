#include "scenesdk/importers/KScnDxfSceneBuilder.h"

#include "scenesdk/fileio/KScnReadBudget.h"
#include "scenesdk/importers/KScnDxfData.h"
#include "scenesdk/importers/KScnDxfOcs.h"
#include "scenesdk/importers/KScnDxfPalette.h"
#include "scenesdk/importers/KScnImportBuilder.h"
#include "scenesdk/importers/KScnMeshBuilder.h"
#include "scenesdk/importers/KScnMeshData.h"
#include "scenesdk/importers/KStreamOptionsDxf.h"
#include "scenesdk/kernel/KScnMaterial.h"
#include "scenesdk/kernel/KScnNode.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <unordered_map>
#include <vector>

namespace scenesdk
{

namespace
{

constexpr double kPi = 3.14159265358979323846;
constexpr uint64_t kSaturated = uint64_t(1) << 62;

uint64_t Add(uint64_t a, uint64_t b)
{
    return std::min(a + b, kSaturated); // both below 2^62: no wrap
}

uint64_t Multiply(uint64_t a, uint64_t b)
{
    return a != 0 && b > kSaturated / a ? kSaturated : std::min(a * b, kSaturated);
}

// Metres per unit of $INSUNITS codes 0..20 (0: unitless, read as it is).
const double kUnitMetres[] = {1.0,
                              0.0254,
                              0.3048,
                              1609.344,
                              0.001,
                              0.01,
                              1.0,
                              1000.0,
                              2.54e-8,
                              2.54e-5,
                              0.9144,
                              1e-10,
                              1e-9,
                              1e-6,
                              0.1,
                              10.0,
                              100.0,
                              1e9,
                              1.495978707e11,
                              9.4607304725808e15,
                              3.0856775814913673e16};

// 3x3 matrices in column form (points as column vectors), row by row.
struct SMatrix
{
    double m[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
};

SMatrix Multiply(const SMatrix& a, const SMatrix& b)
{
    SMatrix out;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            out.m[i][j] = a.m[i][0] * b.m[0][j] + a.m[i][1] * b.m[1][j] + a.m[i][2] * b.m[2][j];
    return out;
}

SMatrix Transposed(const SMatrix& a)
{
    SMatrix out;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            out.m[i][j] = a.m[j][i];
    return out;
}

void Apply(const SMatrix& a, const double* v, double* out)
{
    for (int i = 0; i < 3; ++i)
        out[i] = a.m[i][0] * v[0] + a.m[i][1] * v[1] + a.m[i][2] * v[2];
}

// The node's XYZ Euler angles (degrees) of a rotation in column form. The
// node evaluates its rotation for row vectors, the transpose; the angles
// stay exact up to a quarter turn about the middle axis.
void EulerXYZ(const SMatrix& r, double* angles)
{
    const double m02 = r.m[2][0], m01 = r.m[1][0], m00 = r.m[0][0];
    const double m12 = r.m[2][1], m22 = r.m[2][2], m10 = r.m[0][1], m11 = r.m[1][1];
    const double cy = std::sqrt(m00 * m00 + m01 * m01);
    const double degrees = 180.0 / kPi;
    if (cy > 1e-12)
    {
        angles[0] = std::atan2(m12, m22) * degrees;
        angles[1] = std::atan2(-m02, cy) * degrees;
        angles[2] = std::atan2(m01, m00) * degrees;
    }
    else
    {
        angles[0] = std::atan2(m02 < 0 ? m10 : -m10, m11) * degrees;
        angles[1] = m02 < 0 ? 90.0 : -90.0;
        angles[2] = 0.0;
    }
}

// The context a block's content is placed in.
struct SContext
{
    int32_t layer;   // the layer entities on layer "0" take; -1 outside blocks
    int32_t byBlock; // the colour entities "by block" take
};

class CDxfBuild
{
public:
    CDxfBuild(KScnImportBuilder& builder, const KScnDxfDrawing& drawing, const KStreamOptionsDxf& options,
              std::string& why)
        : mBuilder(builder), mDrawing(drawing), mOptions(options), mWhy(why)
    {
    }

    bool Measure(uint64_t budget);
    bool Make();

private:
    bool BlockCost(int32_t block, int depth, uint64_t& out);
    bool GeometryCost(const KScnDxfGeometry& g, int depth, uint64_t& out);
    bool Fill(KScnNode* node, const KScnDxfGeometry& g, const SContext& context,
              const std::vector<double>& shifts);
    bool Place(KScnNode* parent, const KScnDxfInsert& insert, const SContext& context, const double* shift);
    bool MakeMesh(KScnNode* node, const KScnDxfGeometry& g, const SContext& context,
                  const std::vector<double>& shifts);
    void Normals(KScnMeshData& d) const;
    int32_t Resolve(int32_t layer, int32_t colour, const SContext& context) const;
    KScnMaterial* Material(int32_t colour);
    bool Position(double* p) const;
    bool Fail(const std::string& text);

    KScnImportBuilder& mBuilder;
    const KScnDxfDrawing& mDrawing;
    const KStreamOptionsDxf& mOptions;
    std::string& mWhy;
    std::vector<uint64_t> mCost;
    std::vector<char> mState; // per block: 0 not measured, 1 being measured, 2 measured
    std::vector<int32_t> mStack;
    std::unordered_map<int32_t, KScnMaterial*> mMaterials;
    double mScale = 1.0;
};

bool CDxfBuild::Fail(const std::string& text)
{
    mWhy = text;
    return false;
}

bool CDxfBuild::GeometryCost(const KScnDxfGeometry& g, int depth, uint64_t& out)
{
    out = Add(g.mPoints.size() / 3, g.mCorners.size());
    for (const KScnDxfInsert& insert : g.mInserts)
    {
        uint64_t block = 0;
        if (!BlockCost(insert.block, depth + 1, block))
            return false;
        // One node, holding every cell's copy of the block; a cell costs
        // at least one unit even when its block is empty.
        const uint64_t cells = Multiply(uint64_t(insert.columns), uint64_t(insert.rows));
        const uint64_t node = KScnDxfSceneBuilder::NodeCost(mDrawing.mBlocks[static_cast<size_t>(insert.block)].mName);
        out = Add(out, Add(node, Multiply(cells, Add(1, block))));
    }
    return true;
}

// Memoised over the blocks: linear in the blocks and inserts reached.
bool CDxfBuild::BlockCost(int32_t block, int depth, uint64_t& out)
{
    const size_t b = static_cast<size_t>(block);
    const std::string& name = mDrawing.mBlocks[b].mName;
    if (depth > KScnDxfSceneBuilder::kMaxDepth)
        return Fail("blocks nested deeper than " + std::to_string(KScnDxfSceneBuilder::kMaxDepth) +
                    " (at block " + name + ")");
    if (mState[b] == 2)
    {
        out = mCost[b];
        return true;
    }
    if (mState[b] == 1)
    {
        std::string cycle;
        auto from = std::find(mStack.begin(), mStack.end(), block);
        for (auto it = from; it != mStack.end(); ++it)
            cycle += mDrawing.mBlocks[static_cast<size_t>(*it)].mName + " > ";
        return Fail("insert cycle: " + cycle + name);
    }
    mState[b] = 1;
    mStack.push_back(block);
    if (!GeometryCost(mDrawing.mBlocks[b].mGeometry, depth, out))
        return false;
    mStack.pop_back();
    mState[b] = 2;
    mCost[b] = out;
    return true;
}

bool CDxfBuild::Measure(uint64_t budget)
{
    mCost.assign(mDrawing.mBlocks.size(), 0);
    mState.assign(mDrawing.mBlocks.size(), 0);
    uint64_t total = 0;
    for (size_t layer = 0; layer < mDrawing.mModel.size(); ++layer)
    {
        const KScnDxfGeometry& g = mDrawing.mModel[layer];
        if (g.IsEmpty())
            continue;
        uint64_t cost = 0;
        if (!GeometryCost(g, 0, cost))
            return false;
        total = Add(total, Add(KScnDxfSceneBuilder::NodeCost(mDrawing.mLayers[layer].mName), cost));
    }
    if (total > budget)
        return Fail("the drawing expands beyond " + std::to_string(budget) +
                    " points, corners and nodes (the limit for a file of this size; "
                    "KStreamOptionsDxf::mBudgetScale raises it)");
    return true;
}

bool CDxfBuild::Position(double* p) const
{
    p[0] *= mScale;
    p[1] *= mScale;
    p[2] *= mScale;
    mOptions.ConvertDirection(p[0], p[1], p[2]);
    return std::isfinite(p[0]) && std::isfinite(p[1]) && std::isfinite(p[2]);
}

int32_t CDxfBuild::Resolve(int32_t layer, int32_t colour, const SContext& context) const
{
    if ((colour & kDxfTrueColour) != 0 || (colour >= 1 && colour <= 255))
        return colour;
    if (colour == kDxfByBlock)
        return context.byBlock;
    // Entities on layer "0" inside a block take the layer of the INSERT.
    const int32_t from = layer == 0 && context.layer >= 0 ? context.layer : layer;
    return mDrawing.mLayers[static_cast<size_t>(from)].mColour;
}

// One material per resolved colour: "Color 3" for a palette number,
// "Color #RRGGBB" for a true colour.
KScnMaterial* CDxfBuild::Material(int32_t colour)
{
    const auto found = mMaterials.find(colour);
    if (found != mMaterials.end())
        return found->second;
    uint32_t rgb = 0xFFFFFF;
    char name[32];
    if ((colour & kDxfTrueColour) != 0)
    {
        rgb = static_cast<uint32_t>(colour) & 0xFFFFFF;
        std::snprintf(name, sizeof(name), "Color #%06X", rgb);
    }
    else
    {
        KScnDxfPalette::GetRGB(colour, rgb);
        std::snprintf(name, sizeof(name), "Color %d", colour);
    }
    KScnMaterial* material = mBuilder.CreateMaterial(name);
    if (material != nullptr)
    {
        material->SetDefaultDiffuse(((rgb >> 16) & 255) / 255.0, ((rgb >> 8) & 255) / 255.0,
                                    (rgb & 255) / 255.0);
        material->SetShadingModel("Lambert");
    }
    mMaterials.emplace(colour, material);
    return material;
}

// The geometry once per shift (block coordinates), points converted, one
// material per colour met, one normal per polygon (none is stored in the
// file; a segment's is zero).
bool CDxfBuild::MakeMesh(KScnNode* node, const KScnDxfGeometry& g, const SContext& context,
                         const std::vector<double>& shifts)
{
    KScnMeshData d;
    const size_t copies = shifts.size() / 3;
    const size_t points = g.mPoints.size() / 3;
    d.mPoints.reserve(copies * g.mPoints.size());
    d.mPolygonSizes.reserve(copies * g.mSizes.size());
    d.mPolygonVertices.reserve(copies * g.mCorners.size());
    for (size_t c = 0; c < copies; ++c)
    {
        for (size_t i = 0; i < g.mPoints.size(); i += 3)
        {
            double p[3] = {g.mPoints[i] + shifts[3 * c], g.mPoints[i + 1] + shifts[3 * c + 1],
                           g.mPoints[i + 2] + shifts[3 * c + 2]};
            if (!Position(p))
                return Fail("a coordinate too large for the scene");
            d.mPoints.insert(d.mPoints.end(), p, p + 3);
        }
        d.mPolygonSizes.insert(d.mPolygonSizes.end(), g.mSizes.begin(), g.mSizes.end());
        const int32_t first = static_cast<int32_t>(c * points);
        for (int32_t corner : g.mCorners)
            d.mPolygonVertices.push_back(first + corner);
    }
    std::vector<int32_t> materials; // per polygon of one copy
    materials.reserve(g.mSizes.size());
    std::unordered_map<int32_t, int32_t> local;
    // Without materials (KStreamOptionsScn::eMaterials off) the mesh has none.
    for (size_t p = 0; mOptions.GetOption(KStreamOptionsScn::eMaterials) && p < g.mSizes.size(); ++p)
    {
        const int32_t colour = Resolve(g.mLayers[p], g.mColours[p], context);
        const auto found = local.emplace(colour, static_cast<int32_t>(d.mMaterials.size()));
        if (found.second)
            d.mMaterials.push_back(Material(colour));
        materials.push_back(found.first->second);
    }
    for (size_t c = 0; c < copies; ++c)
        d.mPolygonMaterials.insert(d.mPolygonMaterials.end(), materials.begin(), materials.end());
    Normals(d);
    return KScnMeshBuilder::Build(mBuilder, node, d, mWhy) != nullptr;
}

void CDxfBuild::Normals(KScnMeshData& d) const
{
    d.mNormals.reserve(3 * d.mPolygonSizes.size());
    d.mNormalIndices.reserve(d.mPolygonVertices.size());
    size_t corner = 0;
    for (size_t p = 0; p < d.mPolygonSizes.size(); ++p)
    {
        const size_t n = static_cast<size_t>(d.mPolygonSizes[p]);
        double xyz[3];
        KScnMeshBuilder::PolygonNormal(d, corner, n, xyz);
        double x = xyz[0], y = xyz[1], z = xyz[2];
        const double length = std::sqrt(x * x + y * y + z * z);
        if (length > 0.0 && std::isfinite(length))
            x /= length, y /= length, z /= length;
        else
            x = y = z = 0.0;
        d.mNormals.insert(d.mNormals.end(), {x, y, z});
        d.mNormalIndices.insert(d.mNormalIndices.end(), n, static_cast<int32_t>(p));
        corner += n;
    }
}

bool CDxfBuild::Fill(KScnNode* node, const KScnDxfGeometry& g, const SContext& context,
                     const std::vector<double>& shifts)
{
    if (!g.mSizes.empty() && !MakeMesh(node, g, context, shifts))
        return false;
    for (size_t c = 0; c < shifts.size(); c += 3)
        for (const KScnDxfInsert& insert : g.mInserts)
            if (!Place(node, insert, context, &shifts[c]))
                return false;
    return true;
}

// One node per INSERT: world = OCS x translate(point) x rotate(rotation) x
// translate(column and row spacing) x scale x translate(-base). The node
// takes OCS x translate(point) x rotate x scale x translate(-base), turned
// into its translation, rotation and scaling in scene axes; the cells of an
// array are copies of the block shifted by the spacing over the scale, in
// the node's one mesh. shift moves the INSERT within its parent's block.
bool CDxfBuild::Place(KScnNode* parent, const KScnDxfInsert& insert, const SContext& context,
                      const double* shift)
{
    const KScnDxfBlock& block = mDrawing.mBlocks[static_cast<size_t>(insert.block)];
    const SContext inner = {insert.layer == 0 && context.layer >= 0 ? context.layer : insert.layer,
                            Resolve(insert.layer, insert.colour, context)};
    const KScnDxfOcs ocs(insert.extrusion);
    SMatrix rotation;
    for (int i = 0; i < 3; ++i)
    {
        rotation.m[i][0] = ocs.X[i];
        rotation.m[i][1] = ocs.Y[i];
        rotation.m[i][2] = ocs.Z[i];
    }
    const double angle = std::fmod(insert.rotation, 360.0) * kPi / 180.0;
    SMatrix turn;
    turn.m[0][0] = turn.m[1][1] = std::cos(angle);
    turn.m[1][0] = std::sin(angle);
    turn.m[0][1] = -turn.m[1][0];
    rotation = Multiply(rotation, turn);
    double t[3], scaledBase[3], base[3];
    ocs.ToWorld(insert.point[0], insert.point[1], insert.point[2], t);
    for (int i = 0; i < 3; ++i)
        scaledBase[i] = insert.scale[i] * block.mBase[i];
    Apply(rotation, scaledBase, base);
    for (int i = 0; i < 3; ++i)
        t[i] += shift[i] - base[i];
    if (!Position(t))
        return Fail("an INSERT of " + block.mName + " placed too far for the scene");

    // The scene's axes: C R C^T, and the scaling's axes permuted alike.
    SMatrix axes;
    for (int k = 0; k < 3; ++k)
        mOptions.ConvertDirection(axes.m[0][k], axes.m[1][k], axes.m[2][k]);
    SMatrix scale;
    for (int i = 0; i < 3; ++i)
        scale.m[i][i] = insert.scale[i];
    const SMatrix sceneScale = Multiply(Multiply(axes, scale), Transposed(axes));
    double angles[3];
    EulerXYZ(Multiply(Multiply(axes, rotation), Transposed(axes)), angles);
    KScnNode* node = mBuilder.CreateNode(block.mName.c_str(), parent);
    if (node == nullptr)
        return Fail("cannot make a node");
    node->SetTransformInheritType(eInheritRSrs);
    node->SetLocalTranslation(t[0], t[1], t[2]);
    node->SetLocalRotation(angles[0], angles[1], angles[2]);
    node->SetLocalScaling(sceneScale.m[0][0], sceneScale.m[1][1], sceneScale.m[2][2]);

    std::vector<double> shifts;
    shifts.reserve(3 * size_t(insert.rows) * size_t(insert.columns));
    for (int32_t row = 0; row < insert.rows; ++row)
        for (int32_t column = 0; column < insert.columns; ++column)
            shifts.insert(shifts.end(), {column * insert.columnSpacing / insert.scale[0],
                                         row * insert.rowSpacing / insert.scale[1], 0.0});
    return Fill(node, block.mGeometry, inner, shifts);
}

bool CDxfBuild::Make()
{
    mScale = mOptions.mUnitScale;
    if (mOptions.mUseFileUnits && mDrawing.mUnits > 0 &&
        mDrawing.mUnits < static_cast<int>(sizeof(kUnitMetres) / sizeof(kUnitMetres[0])))
        mScale *= kUnitMetres[mDrawing.mUnits];
    const SContext top = {-1, kDxfDefaultColour};
    const std::vector<double> kNoShift(3, 0.0);
    for (size_t layer = 0; layer < mDrawing.mModel.size(); ++layer)
    {
        const KScnDxfGeometry& g = mDrawing.mModel[layer];
        if (g.IsEmpty())
            continue;
        const std::string& name = mDrawing.mLayers[layer].mName;
        KScnNode* node = mBuilder.CreateNode(name.c_str());
        if (node == nullptr)
            return Fail("cannot make a node");
        if (!Fill(node, g, top, kNoShift))
        {
            mWhy = "layer " + name + ": " + mWhy;
            return false;
        }
    }
    return true;
}

} // namespace

uint64_t KScnDxfSceneBuilder::NodeCost(const std::string& name)
{
    return kNodeCost + name.size() / kNameBytesPerUnit;
}

uint64_t KScnDxfSceneBuilder::Budget(size_t fileSize, double scale)
{
    const KScnReadBudget budget = {double(kBaseBudget), double(kBudgetPerByte), double(kMaxBudget)};
    return budget.Allowed(fileSize, scale);
}

bool KScnDxfSceneBuilder::Build(KScnImportBuilder& builder, const KScnDxfDrawing& drawing, size_t fileSize,
                                const KStreamOptionsDxf& options, std::string& why)
{
    CDxfBuild build(builder, drawing, options, why);
    return build.Measure(Budget(fileSize, options.mBudgetScale)) && build.Make();
}

} // namespace scenesdk
