#pragma once

// KScnDxfData: what KScnDxfParser collects from a DXF drawing before
// KScnDxfSceneBuilder makes the scene: layers with their colours, the
// geometry of model space (per layer) and of each block, and the INSERTs
// that place blocks. Coordinates are the file's (world coordinates, or the
// block's own), already out of any object coordinate system; every index is
// checked while parsing.

#include <cstdint>
#include <string>
#include <vector>

namespace scenesdk
{

// An entity's colour as written: by block, by layer, a palette number
// 1..255, or kDxfTrueColour | 0xRRGGBB.
constexpr int32_t kDxfByBlock = 0;
constexpr int32_t kDxfByLayer = 256;
constexpr int32_t kDxfTrueColour = 0x1000000;
// The colour of the layers and blocks that give none (palette white).
constexpr int32_t kDxfDefaultColour = 7;

// One INSERT: the block placed, a grid of columns x rows copies of it.
struct KScnDxfInsert
{
    int32_t block = -1; // index into KScnDxfDrawing::mBlocks
    int32_t layer = 0;
    int32_t colour = kDxfByLayer;
    double point[3] = {0.0, 0.0, 0.0}; // in the insert's object coordinates
    double scale[3] = {1.0, 1.0, 1.0};
    double rotation = 0.0; // degrees about the extrusion
    double extrusion[3] = {0.0, 0.0, 1.0};
    int32_t columns = 1;
    int32_t rows = 1;
    double columnSpacing = 0.0;
    double rowSpacing = 0.0;
};

// Polygons (2 corners: a line segment) over a point list, each with the
// layer and colour of the entity it came from, and the INSERTs of one
// space.
struct KScnDxfGeometry
{
    std::vector<double> mPoints;   // x, y, z
    std::vector<int32_t> mSizes;   // corners of each polygon
    std::vector<int32_t> mCorners; // point of each corner
    std::vector<int32_t> mLayers;  // per polygon
    std::vector<int32_t> mColours; // per polygon
    std::vector<KScnDxfInsert> mInserts;

    bool IsEmpty() const { return mSizes.empty() && mInserts.empty(); }
};

struct KScnDxfLayer
{
    std::string mName;
    int32_t mColour = kDxfDefaultColour; // palette number or true colour
};

struct KScnDxfBlock
{
    std::string mName;
    double mBase[3] = {0.0, 0.0, 0.0};
    KScnDxfGeometry mGeometry;
};

struct KScnDxfDrawing
{
    std::vector<KScnDxfLayer> mLayers;   // layer "0" first
    std::vector<KScnDxfGeometry> mModel; // model space, one per layer
    std::vector<KScnDxfBlock> mBlocks;   // in file order
    int mUnits = 0;                      // $INSUNITS (0 unitless)
    int mSkipped = 0;                    // entities not read
    std::string mFirstSkipped;           // the type of the first
    int mUnusedCornerFaces = 0;          // polyface faces with a 0 before a used index
    std::vector<std::string> mWarnings;  // what was read differently
};

} // namespace scenesdk
