#include "render/CTerrainInfo.h"

#include "app/Log.h"

#include <cmath>

namespace
{

// Corner samples of a cell, in this order: (i, j), (i + 1, j), (i, j + 1),
// (i + 1, j + 1).
enum
{
    S00,
    S10,
    S01,
    S11
};

// One quadrant of a cell: the triangle between the centre and one cell edge.
// The edge runs from corner `first` (where `along` is 0) to corner `second`;
// `across` grows from 0 at the edge to 1 at the centre.
struct SQuadrant
{
    char name;
    int first;
    int second;
    // Whether the position along the edge is fx (else fz); the corner term's
    // weight depends on it, the centre term's on the other fraction.
    bool alongX;
    // across = acrossBase + acrossSign * (the other fraction).
    double acrossBase;
    double acrossSign;
};

const SQuadrant kQuadrantA = {'A', S00, S10, true, 0.0, 1.0};   // edge z = j
const SQuadrant kQuadrantB = {'B', S10, S11, false, 1.0, -1.0}; // edge x = i + 1
const SQuadrant kQuadrantC = {'C', S01, S11, true, 1.0, -1.0};  // edge z = j + 1
const SQuadrant kQuadrantD = {'D', S00, S01, false, 0.0, 1.0};  // edge x = i

const SQuadrant& PickQuadrant(double fx, double fz)
{
    if (fx + fz <= 1.0)
        return fx >= fz ? kQuadrantA : kQuadrantD;
    return fx >= fz ? kQuadrantB : kQuadrantC;
}

// Cell index and fraction along one axis for grid coordinate g (0 <= g <=
// cells): the far edge belongs to the last cell, at fraction 1.
void CellAndFraction(double g, unsigned int cells, unsigned int& cell, double& fraction)
{
    double whole = std::floor(g);
    if (whole >= cells)
    {
        cell = cells - 1;
        fraction = 1.0;
        return;
    }
    cell = static_cast<unsigned int>(whole);
    fraction = g - whole;
}

} // namespace

CTerrainInfo::CTerrainInfo()
    : m_usWidth(0), m_usHeight(0), m_fCellSizeX(0.0f), m_fCellSizeZ(0.0f), m_fHeightScale(0.0f)
{
}

CTerrainInfo::~CTerrainInfo()
{
    m_pMesh.Release();
}

bool CTerrainInfo::Create(uint16_t width, uint16_t height, const uint8_t* pixels, uint8_t bytesPerPixel,
                          float cellSizeX, float cellSizeZ, float heightScale,
                          const CRefPtr<CPhysXTriangleMesh>& mesh)
{
    if (!pixels || bytesPerPixel == 0 || width < 2 || height < 2)
        return false;
    if (!(cellSizeX > 0.0f) || !std::isfinite(cellSizeX) || !(cellSizeZ > 0.0f) ||
        !std::isfinite(cellSizeZ) || !std::isfinite(heightScale))
        return false;

    const size_t count = static_cast<size_t>(width) * height;
    std::vector<uint8_t> samples(count);
    for (size_t k = 0; k < count; ++k)
        samples[k] = pixels[k * bytesPerPixel];

    m_usWidth = width;
    m_usHeight = height;
    m_Samples.swap(samples);
    m_fCellSizeX = cellSizeX;
    m_fCellSizeZ = cellSizeZ;
    m_fHeightScale = heightScale;
    m_pMesh = mesh;
    return true;
}

float CTerrainInfo::GetSizeX() const
{
    return m_usWidth > 0 ? (m_usWidth - 1) * m_fCellSizeX : 0.0f;
}

float CTerrainInfo::GetSizeZ() const
{
    return m_usHeight > 0 ? (m_usHeight - 1) * m_fCellSizeZ : 0.0f;
}

float CTerrainInfo::GetHeightAt(float x, float z, bool debug) const
{
    // The negated comparisons also catch NaN.
    if (m_Samples.empty() || !(x >= 0.0f) || !(z >= 0.0f) || !(x <= GetSizeX()) || !(z <= GetSizeZ()))
    {
        if (debug)
            Log(0, "Outside of terrain!");
        return 0.0f;
    }

    unsigned int i, j;
    double fx, fz;
    CellAndFraction(static_cast<double>(x) / m_fCellSizeX, m_usWidth - 1u, i, fx);
    CellAndFraction(static_cast<double>(z) / m_fCellSizeZ, m_usHeight - 1u, j, fz);

    const double s[4] = {static_cast<double>(GetSample(i, j)), static_cast<double>(GetSample(i + 1, j)),
                         static_cast<double>(GetSample(i, j + 1)),
                         static_cast<double>(GetSample(i + 1, j + 1))};
    const double centre = (s[S00] + s[S10] + s[S01] + s[S11]) * 0.25;
    if (debug)
        Log(0, "Cell: %u, %u; Sub: %.2f, %.2f", i, j, fx, fz);

    const SQuadrant& q = PickQuadrant(fx, fz);
    const double along = q.alongX ? fx : fz;
    const double across = q.acrossBase + q.acrossSign * (q.alongX ? fz : fx);
    const bool firstHalf = along <= 0.5;
    const double edge = (s[q.first] + s[q.second]) * 0.5;
    const double corner = firstHalf ? s[q.first] : s[q.second];
    const double cornerWeight = firstHalf ? 1.0 - 2.0 * along : 2.0 * (along - 0.5);
    const double centreWeight = 2.0 * across;
    const double height = edge + (corner - edge) * cornerWeight + (centre - edge) * centreWeight;

    if (debug)
    {
        const double scale = m_fHeightScale;
        // The term whose weight follows fx is printed as X, the other as Z.
        const double cornerDiff = (corner - edge) * scale;
        const double centreDiff = (centre - edge) * scale;
        Log(0, "Quadrant: %c%c", q.name, firstHalf ? '1' : '2');
        if (q.alongX)
            Log(0, "Base: %.2f; X: %.2f*%.2f; Z: %.2f*%.2f; Height = %.2f", edge * scale, cornerDiff,
                cornerWeight, centreDiff, centreWeight, height * scale);
        else
            Log(0, "Base: %.2f; X: %.2f*%.2f; Z: %.2f*%.2f; Height = %.2f", edge * scale, centreDiff,
                centreWeight, cornerDiff, cornerWeight, height * scale);
    }
    return static_cast<float>(height * m_fHeightScale);
}
