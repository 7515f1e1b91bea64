#pragma once

// KScnGeometry: the common base of mesh, NURBS surface and patch. On top of
// the control points and layers of KScnGeometryBase it holds the skin links
// that bind the geometry to a skeleton, its shapes (morph targets, each under
// a unique trimmed name), a transform matrix and an error record.
//
// Shapes are animatable: while the geometry is attached to a node, each shape
// has a "Shape" property on the node's property set and a channel named after
// it in every take of the node.
//
// Ownership: links and shapes are made by the SDK manager and destroyed
// through it by the geometry's destructor (and by CopyFrom, which replaces
// them); ClearLinks and ClearShapes only forget them. While a geometry holds
// a link or a shape, it is the geometry's own (KScnSdkManager::IsOwned): the
// manager's destroyers refuse it and no other geometry takes it. A geometry
// made without a manager destroys nothing and copies no links or shapes.
//
// Failures set the error record (codes below) and answer -1 or null; the
// lists are left unchanged.

#include "scenesdk/kernel/KErrorRecord.h"
#include "scenesdk/kernel/KScnGeometryBase.h"
#include "scenesdk/kernel/KgeTransformMatrix.h"

#include <vector>

namespace scenesdk
{

class KFCurveNode;
class KProperty;
class KScnLink;
class KScnSceneContents;
class KScnShape;

class KScnGeometry : public KScnGeometryBase
{
public:
    enum EError
    {
        eOutOfRange = 0,
        eParameterNull = 1,
        eMaterialNotFound = 2,
        eMaterialAlreadyAdded = 3,
        eTextureNotFound = 4,
        eTextureAlreadyAdded = 5,
        eShapeAlreadyAdded = 6,
        eShapeNameInvalid = 7,
        eShapeNameUsed = 8,
        eNoShapeCurve = 9,
        eLinkAlreadyAdded = 10,
        eErrorCount
    };

    // Number of entries of the shape-channel colour table.
    static constexpr int kShapeColorCount = 20;

    explicit KScnGeometry(KScnSdkManager* manager);

protected:
    // Destroyed only by the manager (KScnFree.h: one made without a manager).
    // Leaves its node, then destroys every link and shape through the manager.
    ~KScnGeometry() override;
    friend class KScnSdkManager;
    // Its binding takes back the links it gave when memory runs out.
    friend class KScnSceneRoot;

public:
    // ---- Links ----
    int GetLinkCount() const { return mLinks.GetCount(); }
    // Null with error 0 for an index outside 0..count-1.
    KScnLink* GetLink(int index);
    // Appends; returns the index. -1 with error 1 for null, 10 for a link a
    // geometry holds already. Memory running out throws std::bad_alloc with
    // the geometry as it was and the link still the caller's.
    int AddLink(KScnLink* link);
    // A deformer link of a skin binds the geometry like any other link.
    int AddDeformer(KScnLink* link) { return AddLink(link); }
    // Forgets the links without destroying them (the manager still has them).
    void ClearLinks();

    // ---- Shapes ----
    int GetShapeCount() const { return mShapes.GetCount(); }
    // Null with error 0 for an index outside 0..count-1.
    KScnShape* GetShape(int index);
    const char* GetShapeName(int index);
    // Appends the shape under the name trimmed of ASCII white space; returns
    // its index. -1 with error 1 (null shape), 6 (already added, here or to
    // another geometry), 7 (empty name) or 8 (name already used, exact
    // comparison). While attached, the
    // node gets the shape's property (unless it has one of that name) and
    // every take its channel; the shape joins the geometry's scene contents.
    int AddShape(KScnShape* shape, const char* name);
    // Removes the shape channels from the node's takes (the node stays),
    // takes the shapes' materials and textures out of the scene contents,
    // and forgets the shapes and their names (nothing is destroyed).
    void ClearShapes();

    // ---- Transform ----
    void GetTransform(KgeTransformMatrix& out) const { out = mTransform; }
    void SetTransform(const KgeTransformMatrix& m) { mTransform = m; }

    // Control points and layers, then links (new ones from the manager,
    // copies of the source's), shapes (likewise, under the source's names,
    // with their properties and fresh channels on the node) and the
    // matrix. The geometry's own links and shapes are destroyed (their
    // channels leave the node's takes). Copying from itself changes
    // nothing. Whole or not at all: exhausted memory throws std::bad_alloc
    // with the geometry, its node's takes and the scene's uses as they
    // were (everything new is made apart first, then takes the old one's
    // place, which takes no memory).
    void CopyFrom(const KScnGeometry& source);

    // ---- Channel names ----
    // "Shape %02d (Shape)" of index + 1; empty for a negative index.
    static KString GetShapeChannelName(int index);
    // The name with " (Shape)" appended unless it already ends so.
    static KString MakeShapeChannelName(const char* name);
    // Merges the channels older files kept under "<name> (Shape)" or
    // "Shape NN (Shape)" into the channel named after the shape. Meshes and
    // detached geometries are left alone.
    void RenameLegacyShapeChannels(KScnTakeNodeEntry* take);

    // ---- Node attribute ----
    // Channels for every take, then each shape joins the node's scene
    // contents and gets its property, then the geometry joins the contents.
    int AttachToNode(KScnNode* node) override;
    // Takes the geometry's and shapes' materials and textures out of the
    // scene contents, then removes the channels.
    void DetachFromNode() override;
    void AddChannels(KScnTakeNodeEntry* take) override;
    void RemoveChannels(KScnTakeNodeEntry* take) override;

    // The channel colour of shape i (entry i modulo 20; red, green, blue).
    static const float* GetShapeColor(int index);

    KErrorRecord& GetError() { return mError; }

private:
    // The node's scene contents as a material/texture register; null when
    // detached or when the node belongs to no scene.
    KScnSceneContents* NodeContents() const;
    // The shape's property on the node, unless it has one of that name;
    // the property made, or null.
    KProperty* CreateShapeProperty(const char* name);
    // Per take of the node, whether its tree has a channel of that name.
    std::vector<bool> TakesWithChannel(const char* name) const;
    // AddShape stopped part-way: the channels it made (in the takes that
    // had none), the property it made and the shape's listing go again,
    // the shape the caller's; allocates nothing.
    void TakeBackShape(int index, const std::vector<bool>& hadChannel, KProperty* made);
    void AddShapeChannel(KScnTakeNodeEntry* take, int index);
    // CopyFrom in steps (see there): what the copy makes, each step
    // allocating, then its take-back or its taking place, neither of which
    // allocates.
    struct SCopyParts;
    void MakeCopiedLinks(const KScnGeometry& source, SCopyParts& parts);
    void MakeCopiedShapes(const KScnGeometry& source, SCopyParts& parts);
    void MakeCopiedShapeChannels(SCopyParts& parts);
    void MakeCopiedShapeChannel(KFCurveNode* root, int index, SCopyParts& parts);
    void TakeBackCopy(SCopyParts& parts);
    void PutCopyInPlace(SCopyParts& parts);
    void DestroyLinks();
    // Takes a link out of the list, the caller's again; allocates nothing.
    void DropLink(KScnLink* link);
    void DestroyShapes();
    void DeleteShapeNames();

    KPointerArray<KScnLink> mLinks{16};
    KPointerArray<KScnShape> mShapes{16};
    KPointerArray<KString> mShapeNames{16};
    KgeTransformMatrix mTransform;
    KErrorRecord mError;
};

} // namespace scenesdk
