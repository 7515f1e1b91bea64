#pragma once

// KStreamOptionsObj: what a caller may choose when reading a Wavefront OBJ
// file with its material libraries (KScnReaderObj). The shared unit scale
// and axis conversion (KStreamOptionsForeign) apply to positions and
// normals; the frame rate is not used.

#include "scenesdk/importers/KStreamOptionsForeign.h"

namespace scenesdk
{

class KStreamOptionsObj : public KStreamOptionsForeign
{
public:
    static int GetClassId() { return 0x4f424a4f; }
    bool Is(int classId) const override
    {
        return classId == GetClassId() || KStreamOptionsForeign::Is(classId);
    }

    // In a file without "o" objects: one node per "g" group (true) or one
    // node for the whole file, named "default" (false). A file with objects
    // always gives one node per object.
    bool mNodePerGroup = true;
    bool mReadNormals = true;
    bool mReadUVs = true;
    bool mReadVertexColors = true;
    // Material libraries ("mtllib"); without them every polygon uses one
    // default material.
    bool mReadMaterials = true;
    bool mReadTextures = true;
    // Polygon corners without a normal get one computed from the polygon,
    // averaged over the polygons of the same smoothing group sharing the
    // point.
    bool mComputeNormals = true;
    // v becomes 1 - v (for images whose origin is the top-left corner).
    bool mFlipV = false;
    // A material library or texture named by an absolute path or through
    // ".." is not followed (a warning in the status text): files from
    // untrusted sources reach nothing outside the model's folder.
    bool mStayInModelFolder = true;

    // The switches above with the read options' own (KStreamOptionsScn::
    // EOption): both must be on.
    bool ReadsMaterials() const { return mReadMaterials && GetOption(eMaterials); }
    bool ReadsTextures() const { return mReadTextures && GetOption(eTextures); }
};

} // namespace scenesdk
