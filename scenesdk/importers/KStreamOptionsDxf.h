#pragma once

// KStreamOptionsDxf: what a caller may choose when reading a DXF drawing
// (KScnReaderDxf). The shared unit scale applies to every length (points and
// node translations); the axis conversion defaults to Z up to Y up, since
// DXF drawings are always Z up. The frame rate is not used.

#include "scenesdk/importers/KStreamOptionsForeign.h"

namespace scenesdk
{

class KStreamOptionsDxf : public KStreamOptionsForeign
{
public:
    static int GetClassId() { return 0x44584653; }
    bool Is(int classId) const override
    {
        return classId == GetClassId() || KStreamOptionsForeign::Is(classId);
    }

    KStreamOptionsDxf() { mAxisConversion = eAxisZUpToYUp; }

    // Which kinds of content are read; the others are skipped.
    bool mReadFaces = true;    // 3DFACE
    bool mReadMeshes = true;   // polyface and polygon meshes (POLYLINE)
    bool mReadOutlines = true; // LWPOLYLINE, 2D and 3D POLYLINE
    bool mReadLines = true;    // LINE
    bool mReadInserts = true;  // INSERT of blocks
    // Closed outlines as one polygon (a flat cap) instead of their edges.
    bool mClosedOutlinesAsPolygons = false;
    // Lengths in the unit the file states ($INSUNITS) become metres before
    // the unit scale applies; a unitless file is read as it is.
    bool mUseFileUnits = false;
};

} // namespace scenesdk
