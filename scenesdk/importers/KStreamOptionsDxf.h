#pragma once

// KStreamOptionsDxf: what a caller may choose when reading a DXF drawing
// (KScnReaderDxf). The shared unit scale and axis conversion apply to
// positions (drawings are Z up: eAxisZUpToYUp gives the scene's Y up).

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

    // Closed LWPOLYLINE / POLYLINE outlines as n-gon polygons.
    bool mReadPolylines = true;
    // One material per resolved colour (palette index or true colour).
    bool mReadMaterials = true;
};

} // namespace scenesdk
