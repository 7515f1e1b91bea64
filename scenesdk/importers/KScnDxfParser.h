#pragma once

// KScnDxfParser: reads the sections of a DXF drawing (ASCII or binary, see
// KScnDxfGroupReader) into KScnDxfDrawing: $INSUNITS from the header, the
// LAYER table, the blocks and the model-space entities the options ask for:
//
// - 3DFACE: a quad, or a triangle when a corner repeats (the common fourth
//   corner equal to the third);
// - POLYLINE with its VERTEX records up to SEQEND (or the next other
//   entity): polyface meshes (faces of 3 or 4 of the positions, 1-based,
//   negative for an invisible edge, 0 for none; face records may come
//   before the positions; a face without a colour of its own has the
//   mesh's), polygon meshes (M x N positions row after row,
//   closed in M or N by the flags; a smoothed mesh may give its 73 x 74
//   surface instead), 3D polylines and 2D polylines in their object
//   coordinates at the header's elevation;
// - LWPOLYLINE (vertices counted as read, never from group 90), 2D in its
//   object coordinates; bulges are read as straight segments;
// - LINE; outlines and lines become 2-corner polygons (closed outlines one
//   polygon when the options say so);
// - INSERT with its scale, rotation, extrusion and column/row array.
// Entities in paper space and of other types are skipped and counted;
// degenerate faces (fewer than three distinct corners) and zero-length
// segments are dropped.
//
// Refused (false, why "line N: reason" or "byte N: reason": the line of
// the value at fault, or where the pair or entity at fault begins): any
// fault of the group reader, a file without its EOF, a section or block not
// ended, a colour number above 257, a polyface index out of range, a
// polygon mesh whose positions do not fill its grid, an INSERT of an
// unknown block, with a negative column or row count or a zero scale.
// Memory is what the file fills: nothing is reserved from a count the file
// gives.

#include "scenesdk/importers/KScnDxfData.h"
#include "scenesdk/importers/KScnDxfGroupReader.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace scenesdk
{

class KStreamOptionsDxf;

class KScnDxfParser
{
public:
    KScnDxfParser(const KStreamOptionsDxf& options, KScnDxfDrawing& out);

    // False with why on the first fault; the drawing is then partial and
    // must not be used.
    bool Parse(const char* data, size_t size, std::string& why);

private:
    // The groups of one record (an entity, a layer, a block header).
    struct SRecord
    {
        std::string_view type;
        std::string_view name; // 2
        int32_t layer = 0;
        int32_t colour = kDxfByLayer;
        bool hasColour = false;
        bool paperSpace = false;
        double points[4][3] = {}; // 10..13, 20..23, 30..33
        bool hasPoint[4] = {};
        double extrusion[3] = {0.0, 0.0, 1.0};
        double elevation = 0.0;            // 38
        double scale[3] = {1.0, 1.0, 1.0}; // 41..43
        double spacing[2] = {0.0, 0.0};    // 44, 45
        double rotation = 0.0;             // 50
        int64_t ints[6] = {};              // 70..75
        std::vector<double> vertices;      // LWPOLYLINE: x, y per vertex
    };
    struct SVertex
    {
        double point[3];
        int64_t flags;
        int64_t indices[4]; // 71..74
        int32_t colour;
        bool hasColour;
    };
    // An INSERT waiting for its block's index.
    struct SPendingInsert
    {
        int32_t block; // index of the block holding it, -1 model space
        int32_t layer; // its model-space layer
        size_t index;  // in that geometry's mInserts
        std::string_view name;
    };

    // Sections.
    bool Section();
    bool Header();
    // The records of a table or block section up to ENDSEC: those of type
    // wanted to read, the others skipped; what names the section in a fault.
    bool Records(const char* wanted, bool (KScnDxfParser::*read)(), const char* what);
    bool LayerRecord();
    bool Block();
    bool EntityList(int32_t block, const char* end, const std::string& what);
    bool SkipSection();
    bool SkipRecord();
    bool ReadRecord(std::string_view type, SRecord& record);
    bool RecordGroup(const KScnDxfGroup& group, SRecord& record, bool lightweight);
    bool Colour(int64_t value, int32_t& out);
    bool Finish();

    // Entities (KScnDxfParser_Entities.cpp).
    bool Entity(const SRecord& record, int32_t block);
    KScnDxfGeometry& Target(int32_t block, int32_t layer);
    void Face(KScnDxfGeometry& g, const SRecord& r);
    void Line(KScnDxfGeometry& g, const SRecord& r);
    void LwPolyline(KScnDxfGeometry& g, const SRecord& r);
    bool Insert(int32_t block, const SRecord& r);
    void StartPolyline(int32_t block, const SRecord& r);
    void AddVertex(const SRecord& r);
    bool FinishPolyline();
    bool Polyface(KScnDxfGeometry& g);
    bool PolygonMesh(KScnDxfGeometry& g);
    void PolylineOutline(KScnDxfGeometry& g, bool flat);
    void AddPolygon(KScnDxfGeometry& g, const int32_t* corners, int count, int32_t layer, int32_t colour);
    void AddSegment(KScnDxfGeometry& g, int32_t a, int32_t b, int32_t layer, int32_t colour);
    void AddOutline(KScnDxfGeometry& g, int32_t first, int count, bool closed, int32_t layer, int32_t colour);
    int32_t AddPoint(KScnDxfGeometry& g, const double* p);
    void Skip(std::string_view type);

    int32_t LayerIndex(std::string_view name);
    // The reason after the place of the last pair, or of a record.
    bool Error(const std::string& reason);
    bool ErrorAt(size_t position, const std::string& reason);

    const KStreamOptionsDxf& mOptions;
    KScnDxfDrawing& mOut;
    KScnDxfGroupReader mReader;
    std::string mWhy;
    std::unordered_map<std::string, int32_t> mLayerOf; // upper-case name
    std::unordered_map<std::string, int32_t> mBlockOf; // upper-case name
    std::string_view mLastLayerName;
    int32_t mLastLayer = 0;
    std::vector<SPendingInsert> mPending;
    SRecord mRecord;
    size_t mRecordAt = 0; // where the record being read began
    // The POLYLINE being read, -2 when none (else its block, -1 model space).
    int32_t mPolylineBlock = -2;
    SRecord mPolyline;
    size_t mPolylineAt = 0;
    std::vector<SVertex> mVertices;
    std::vector<int32_t> mScratch;
    std::vector<int32_t> mCorners;
};

} // namespace scenesdk
