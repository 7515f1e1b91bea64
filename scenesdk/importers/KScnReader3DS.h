#pragma once

// KScnReader3DS: the reader of 3D Studio (.3ds) files. A node per named
// object (mesh, and light or camera when the options ask), placed and
// parented by the keyframer when the file has one; triangle meshes with
// normals computed from the smoothing groups, one UV set, per-face
// materials and the diffuse textures of those materials; the materials with
// their diffuse, bump, opacity and specular maps; the keyframer's tracks as
// one take of translation, rotation and scale curves at the options' frame
// rate (30 by default). See KScn3DSSceneBuilder for the mapping and
// KStreamOptions3DS for the choices.
//
// Refused with error 0 "File is corrupted" and the chunk and the reason as
// status text ("chunk 0x4120 at byte 58: object Box: face 3 uses vertex 9
// of 4"): anything KScn3DSParser refuses. A read that succeeds lists what
// it left out or guessed (unknown material names, mismatched mapping lists,
// skipped chunks) in the status text.

#include "scenesdk/importers/KScnForeignReaderOf.h"
#include "scenesdk/importers/KStreamOptions3DS.h"

namespace scenesdk
{

class KScnReader3DS : public KScnForeignReaderOf<KStreamOptions3DS>
{
public:
    explicit KScnReader3DS(KScnSdkManager* manager) : KScnForeignReaderOf(manager, "3DS") {}

protected:
    bool Read(KScnImportBuilder& builder, const KStreamOptions3DS& options) override;
};

} // namespace scenesdk
