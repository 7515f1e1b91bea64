#pragma once

// Internal to the scene reader (KScnReaderScn): what a Model field carries
// besides its properties, hierarchy, connections and mesh: the attribute's
// sub-kind, the node's shading and pivot switch, the patch and NURBS surface
// blocks, the shapes of a geometry and the camera switcher's index; and the
// texture fields besides names and properties. See the scene file format
// notes, sections 7.6 and 7.7.
//
// Like the rest of the reader, these parts are read into plain records
// first and checked (KScnModelChecks) before any object is made, so a file
// they refuse leaves the scene untouched.

#include "scenesdk/fileio/KScnReaderScnParts.h"

#include <set>
#include <string>
#include <vector>

namespace scenesdk
{

class KScnNodeAttribute;
class KScnSdkManager;
class KScnTexture;

namespace scnread
{

// One shape (morph target) of a geometry as the file gives it.
struct SShape
{
    std::string name; // as written; the geometry trims it
    std::vector<double> points;
    bool hasNormals = false;
    std::vector<double> normals;
};

// A Patch or Nurb block.
struct SSurface
{
    int given = 0; // blocks of this kind in the model
    int uCount = 0, vCount = 0;
    std::string uType, vType; // type or form names
    int uOrder = 0, vOrder = 0;
    std::vector<double> display; // SurfaceDisplay: mode, U step, V step
    std::vector<double> step;    // Step: U step, V step (patch)
    std::vector<double> closed, uCapped, vCapped;
    std::vector<double> points;
    std::vector<double> uKnots, vKnots;
};

struct SModelExtra
{
    std::string subKind; // the Model field's third value
    bool hasShading = false;
    std::string shading; // the Shading letter
    bool hasPivotEnabled = false;
    int pivotEnabled = 0;
    bool hasCameraIndex = false;
    int cameraIndex = 0;
    SSurface patch, nurb;
    std::vector<SShape> shapes;
};

// Reads the current field of a Model block into x when it is one of the
// fields above; false (nothing read) for any other field.
bool ReadModelField(KScn& f, SModelExtra& x);

// The checks of those parts, model by model, then once for the document.
class KScnModelChecks
{
public:
    // The model's effective attribute kind is "Mesh" when it has a mesh
    // block (meshPoints: its control points), else its kind. False with
    // error set for surfaces and shapes that do not fit, and for a camera
    // switcher with children.
    bool Check(const std::string& name, const std::string& kind, bool hasMesh, size_t meshPoints,
               const std::vector<std::string>& children, const SModelExtra& x, std::string& error);
    // False with error set for a second camera switcher or one that is
    // named as a child.
    bool Finish(std::string& error) const;

private:
    std::vector<std::string> mSwitchers;
    std::set<std::string> mChildren;
};

// The attribute of the kinds built from the model's own fields (Patch,
// Nurb, Camera, CameraSwitcher), detached; null for any other kind.
KScnNodeAttribute* MakeAttribute(KScnSdkManager* manager, const std::string& kind, const SModelExtra& x);

// Once the node has its attribute: the sub-kind, the shapes, the properties
// the node's own set did not take (rest: set through the attribute's
// setters), the camera switcher's default index, then the node's shading
// and pivot switch. What cannot be used is counted in skipped.
void FinishModel(KScnSdkManager* manager, KScnNode& node, const SModelExtra& x,
                 const std::vector<SValues>& rest, int& skipped);

// True when the node carries a camera switcher: such a node is not hung in
// the tree but becomes the scene's camera-switcher node (the scene's former
// one destroyed) as the read commits.
bool IsCameraSwitcher(const KScnNode& node);

// After the takes are read: the shape channels of older files in every take
// of the nodes' geometries are merged into the channels named after their
// shapes.
void RenameLegacyShapeChannels(const std::vector<KScnNode*>& nodes);

// ---- Textures ----

struct STextureExtra
{
    enum EField
    {
        eMappingType,
        ePlanarNormal,
        eCropping,
        eAlphaSource,
        eUVTranslation,
        eUVScaling,
        eFieldCount
    };
    bool given[eFieldCount] = {};
    std::vector<double> values[eFieldCount];
};

// Reads the current field of a Texture block into x when it is one of the
// fields above; false for any other field.
bool ReadTextureField(KScn& f, STextureExtra& x);
// Sets them through the texture's setters; values out of their range and
// too few values are counted in skipped.
void ApplyTextureFields(KScnTexture& texture, const STextureExtra& x, int& skipped);

} // namespace scnread
} // namespace scenesdk
