#pragma once

// KScnReaderDxf: the reader of DXF drawings, ASCII or binary (see
// KScnDxfParser for what is read, KStreamOptionsDxf for the choices).
//
// Scene: one node per layer holding model-space content (children of the
// root, named after the layer, in the order the file first names the
// layers), with one mesh of that layer's polygons: 3- and 4-sided from
// 3DFACE, polyface and polygon meshes, n-sided from closed outlines when
// asked, 2-sided (line segments) from LINE and outlines. Each INSERT is a
// node under its layer's node (or under the INSERT node of the block
// holding it), named after the block, whose translation, rotation and
// scaling (Euler XYZ, inheriting its parent's scaling exactly) place the
// block's base point at the insertion point; it holds a copy of the block's
// polygons (one per cell of an array INSERT, shifted by the spacing) and a
// node for each INSERT inside the block, per cell. Normals are computed,
// one per polygon (zero for a segment). Materials: one per
// resolved colour ("Color 3", "Color #FF8000"), diffuse the colour of the
// palette number (KScnDxfPalette) or the true colour; "by layer" takes the
// layer's colour (inside a block, entities on layer "0" take the INSERT's
// layer), "by block" the colour of the INSERT placing the block (white
// outside blocks). No UVs, textures, skeleton or animation.
//
// Refused with error 0 "File is corrupted" and the reason in the status
// text: every fault of the parser ("line 12: not a number: 1,5"), an insert
// cycle, blocks nested deeper than 256, and a drawing whose expansion
// exceeds the budget of its file size (KScnDxfSceneBuilder). Nothing of a
// refused file reaches the scene. The status text of a read names what was
// skipped.

#include "scenesdk/importers/KScnForeignReaderOf.h"
#include "scenesdk/importers/KStreamOptionsDxf.h"

namespace scenesdk
{

class KScnReaderDxf : public KScnForeignReaderOf<KStreamOptionsDxf>
{
public:
    explicit KScnReaderDxf(KScnSdkManager* manager) : KScnForeignReaderOf(manager, "DXF") {}

protected:
    bool Read(KScnImportBuilder& builder, const KStreamOptionsDxf& options) override;
};

} // namespace scenesdk
