#pragma once

#include "app/CPhysXMgr.h"
#include "app/CRefCounted.h"

#include <cstdint>
#include <vector>

// The height record of a heightmap terrain: one byte sample (0..255) per grid
// point, the world size of a cell, the world height of one sample unit and the
// cooked collision mesh. The terrain spans 0..GetSizeX() along world x and
// 0..GetSizeZ() along world z; grid point (x, z) lies at (x * cell size x,
// z * cell size z). A plain value type (copies share the mesh handle).
class CTerrainInfo
{
public:
    CTerrainInfo();
    ~CTerrainInfo();

    // Takes the first byte of each of the width * height pixels (stepping by
    // bytesPerPixel) as the samples, row after row, and keeps the sizes and the
    // mesh handle. pixels must hold width * height * bytesPerPixel bytes.
    // Refuses (false, record unchanged) null pixels, a pixel size of 0, fewer
    // than 2 x 2 samples (no cell) and cell sizes that are not positive and
    // finite, or a height scale that is not finite: with any of these a height
    // query could not be answered.
    bool Create(uint16_t width, uint16_t height, const uint8_t* pixels, uint8_t bytesPerPixel,
                float cellSizeX, float cellSizeZ, float heightScale, const CRefPtr<CPhysXTriangleMesh>& mesh);

    // (width - 1) * cell size x and (height - 1) * cell size z; 0 before Create.
    float GetSizeX() const;
    float GetSizeZ() const;

    // The ground height at world (x, z), interpolated over the same four
    // triangles per cell (around the cell centre, at the mean of the corner
    // heights) as the terrain mesh, so it matches what is drawn and collided
    // with. 0 outside 0..GetSizeX() x 0..GetSizeZ() (edges included as
    // inside), for NaN coordinates and before Create. With debug, the cell,
    // quadrant and terms go to the log with flag 0.
    float GetHeightAt(float x, float z, bool debug = false) const;

    uint16_t GetWidth() const { return m_usWidth; }
    uint16_t GetHeight() const { return m_usHeight; }
    // Sample of grid point (x, z); both must be inside the grid.
    uint8_t GetSample(unsigned int x, unsigned int z) const { return m_Samples[z * m_usWidth + x]; }
    float GetCellSizeX() const { return m_fCellSizeX; }
    float GetCellSizeZ() const { return m_fCellSizeZ; }
    float GetHeightScale() const { return m_fHeightScale; }
    const CRefPtr<CPhysXTriangleMesh>& GetMesh() const { return m_pMesh; }

private:
    uint16_t m_usWidth;
    uint16_t m_usHeight;
    // sample(x, z) at z * width + x.
    std::vector<uint8_t> m_Samples;
    float m_fCellSizeX;
    float m_fCellSizeZ;
    float m_fHeightScale;
    CRefPtr<CPhysXTriangleMesh> m_pMesh;
};
