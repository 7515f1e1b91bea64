#pragma once

// KStreamOptions3DS: what a caller may choose when reading a 3D Studio file
// (KScnReader3DS). The shared options (KStreamOptionsForeign) apply as
// follows: the unit scale multiplies every length (vertices, positions,
// pivots; not scale factors); the axis conversion turns the file's Z-up
// space into Y up for points, transforms and animation alike; the frame rate
// (30 by default: 3DS files do not store one) times the keyframer's frames.

#include "scenesdk/importers/KStreamOptionsForeign.h"

namespace scenesdk
{

class KStreamOptions3DS : public KStreamOptionsForeign
{
public:
    static int GetClassId() { return 0x33445345; }
    bool Is(int classId) const override
    {
        return classId == GetClassId() || KStreamOptionsForeign::Is(classId);
    }

    // Materials and their maps; without them every face uses one material
    // "default".
    bool mReadMaterials = true;
    bool mReadTextures = true;
    // The mapping coordinates (one UV set).
    bool mReadUVs = true;
    // Normals per face corner from the smoothing groups; without them the
    // meshes have no normals.
    bool mComputeNormals = true;
    // The keyframer's tracks as one take of translation, rotation and scale
    // curves. The keyframer's hierarchy and first-frame transforms are read
    // either way.
    bool mReadAnimation = true;
    // Nodes for the file's lights and cameras (placed, without attributes).
    bool mReadLightsAndCameras = true;
    // A texture named by an absolute path or through ".." is looked for by
    // its bare file name in the model's folder (with a warning): files from
    // untrusted sources name nothing outside the model's folder.
    bool mStayInModelFolder = true;

    // The switches above with the read options' own (KStreamOptionsScn::
    // EOption): both must be on.
    bool ReadsMaterials() const { return mReadMaterials && GetOption(eMaterials); }
    bool ReadsTextures() const { return mReadTextures && GetOption(eTextures); }
    bool ReadsAnimation() const { return mReadAnimation && GetOption(eTakes); }
};

} // namespace scenesdk
