#pragma once

// KScnTakeNodeEntry: one take of one animatable object. It owns the root of
// the object's channel tree for that take (a node named "Defaults") and an
// error record whose only message is id 0 "Curve not found".
//
// The curve getters walk a fixed channel path from the root; a missing node
// or a node without a curve answers null and records error 0.
//
// Reading and writing: every accessor comes in two forms. The const ones
// (reached through a const entry) read: they never copy a tree. The others
// hand out a pointer the caller may write through: a take that still reads
// a shared snapshot (see CreateSnapshotCopy) first makes the tree its own.
// A take added to an object starts with the default take's tree as it is at
// that moment; takes added while that tree stays as it was share one
// read-only copy of it, so a take that nobody writes costs no tree.
//
// That copy is the default take's tree itself while nothing can write it
// unseen (no writable pointer into it went to a caller, and a copy would
// hold all of it: no layers, time warps, ...): the default take then costs
// no second tree either. Its first write (a property pushed to it, a
// writable pointer handed out, a link's curve asked for) gives it a copy of
// its own to write, onto which its curve links move; the takes keep reading
// the tree as it was, so a const pointer into it reads the same as before.
//
// A tree a pointer came from lives as long as the take it was read from
// (but for the channels that leave the object, see GetRootCurveNodeToPrune):
// a take that stops reading a tree it handed const pointers out of keeps it
// until it goes itself.

#include "scenesdk/kernel/KCompactText.h"
#include "scenesdk/kernel/KErrorRecord.h"
#include "scenesdk/kernel/KString.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace scenesdk
{

class KDataType;
class KFCurve;
class KFCurveNode;
class KScnTakeNodeContainer;

class KScnTakeNodeEntry
{
public:
    explicit KScnTakeNodeEntry(const char* name);
    // Copies the name and the source's whole channel tree, curves and keys
    // included (a source that reads a snapshot is given the same snapshot).
    KScnTakeNodeEntry(const KScnTakeNodeEntry& source);
    // An entry named name whose tree is the source's tree as it is now. The
    // copy is a read-only snapshot, shared by every entry made so while the
    // source's tree stays equal to it; the first write to an entry makes its
    // own copy of the snapshot. The source keeps its tree: a pointer into it
    // handed out before stays the source's, and a write through it never
    // shows in the entry. Null when memory ran out.
    static KScnTakeNodeEntry* CreateSnapshotCopy(KScnTakeNodeEntry& source, const char* name);
    // An entry named name whose tree the container builds
    // (KScnTakeNodeContainer::BuildDeferredTakePart) only when it is first
    // needed; until then the entry holds no tree. A curve looked up by its
    // path (FindCurve and the getters) builds the tree a part at a time, in
    // order, up to the part that holds it (a lookup that finds nothing
    // builds it all): what is found is what the whole tree holds there, as
    // the parts come in the order the tree is walked. Anything else that
    // reads the tree builds the rest first.
    static KScnTakeNodeEntry* CreateDeferredBuild(const char* name, KScnTakeNodeContainer* container);
    KScnTakeNodeEntry& operator=(const KScnTakeNodeEntry&) = delete;
    // Nodes that hold references (flag 8) do not own their children; they are
    // emptied depth first before the root and everything it owns is deleted.
    ~KScnTakeNodeEntry();

    // Writes of the SDK's own that keep no pointer once done: while a scope
    // is open, the pointers handed out are not counted as held by a caller
    // (the next snapshot may then be shared without comparing the trees).
    class EditScope
    {
    public:
        explicit EditScope(const KScnTakeNodeEntry& entry) : mEntry(entry) { ++mEntry.mEditDepth; }
        ~EditScope() { --mEntry.mEditDepth; }
        EditScope(const EditScope&) = delete;
        EditScope& operator=(const EditScope&) = delete;

    private:
        const KScnTakeNodeEntry& mEntry;
    };

    void SetName(const char* name);
    // How many times any entry was renamed (containers keep name indexes).
    static uint64_t GetRenameCount();
    const char* GetName() const { return mName.Get(); }
    // The tree to write through; never null unless memory ran out.
    KFCurveNode* GetRootCurveNode();
    // The tree to read: the entry's own or the snapshot it shares.
    const KFCurveNode* GetRootCurveNode() const;
    // The tree the entry reads, to delete channels from (a node attribute or
    // a property leaving the object), without building or copying a tree:
    // the entry's own tree, the tree it lends, or the snapshot it shares. A
    // snapshot is read only by takes of the same object (and copies of
    // them), so a channel deleted from it leaves every take that reads it:
    // a take is its object's, and what leaves the object leaves each take.
    // While the tree waits for its build, its parts built so far (null
    // when none: built later, the rest holds what the object has then). A
    // detach or a teardown so never copies a tree and never allocates.
    KFCurveNode* GetRootCurveNodeToPrune();
    // While the tree waits: its parts built so far (null when none), to
    // write a value into a channel built already; never builds. Otherwise
    // null.
    KFCurveNode* GetBuiltPartsOfWaitingTree() { return mBuilder != nullptr ? mRoot : nullptr; }
    // While the tree waits: the curve at that path (as FindCurve) among its
    // parts built so far, null when it is not among them; never builds.
    // Otherwise FindCurve.
    const KFCurve* FindBuiltCurve(const char* first, const char* second, const char* third) const;
    // Whether the entry still reads a snapshot it shares.
    bool IsSharingSnapshot() const { return mShared != nullptr; }
    // Whether the entry's own tree is the snapshot that takes copied from
    // it share (see above).
    bool IsLendingTree() const { return mLent; }
    // Whether the entry still waits for its container to build its tree.
    bool IsBuildDeferred() const { return mBuilder != nullptr; }
    // The tree will never be built: the container is going.
    void DropDeferredBuild() { mBuilder = nullptr; }
    // Made when first asked for or first set: most takes never report.
    KErrorRecord& GetError() const;

    // Each non-null name is searched below the node reached so far (a null
    // name is skipped); the last node's curve is the result. The writable
    // forms empty the evaluation caches of the channel whose curve they
    // hand out (and of the nodes above it): the caller may write through it.
    KFCurve* FindCurve(const char* first, const char* second, const char* third);
    const KFCurve* FindCurve(const char* first, const char* second, const char* third) const;
    // As FindCurve, but the last step is a depth-first search by data type.
    KFCurve* FindCurveByDataType(const char* first, const char* second, const KDataType* dataType);
    const KFCurve* FindCurveByDataType(const char* first, const char* second, const KDataType* dataType) const;

    KFCurve* GetTranslationXCurve() { return FindCurve("Transform", "T", "X"); }
    const KFCurve* GetTranslationXCurve() const { return FindCurve("Transform", "T", "X"); }
    KFCurve* GetTranslationYCurve() { return FindCurve("Transform", "T", "Y"); }
    const KFCurve* GetTranslationYCurve() const { return FindCurve("Transform", "T", "Y"); }
    KFCurve* GetTranslationZCurve() { return FindCurve("Transform", "T", "Z"); }
    const KFCurve* GetTranslationZCurve() const { return FindCurve("Transform", "T", "Z"); }
    KFCurve* GetRotationXCurve() { return FindCurve("Transform", "R", "X"); }
    const KFCurve* GetRotationXCurve() const { return FindCurve("Transform", "R", "X"); }
    KFCurve* GetRotationYCurve() { return FindCurve("Transform", "R", "Y"); }
    const KFCurve* GetRotationYCurve() const { return FindCurve("Transform", "R", "Y"); }
    KFCurve* GetRotationZCurve() { return FindCurve("Transform", "R", "Z"); }
    const KFCurve* GetRotationZCurve() const { return FindCurve("Transform", "R", "Z"); }
    KFCurve* GetScalingXCurve() { return FindCurve("Transform", "S", "X"); }
    const KFCurve* GetScalingXCurve() const { return FindCurve("Transform", "S", "X"); }
    KFCurve* GetScalingYCurve() { return FindCurve("Transform", "S", "Y"); }
    const KFCurve* GetScalingYCurve() const { return FindCurve("Transform", "S", "Y"); }
    KFCurve* GetScalingZCurve() { return FindCurve("Transform", "S", "Z"); }
    const KFCurve* GetScalingZCurve() const { return FindCurve("Transform", "S", "Z"); }
    KFCurve* GetColorXCurve() { return FindCurve(nullptr, "Color", "X"); }
    const KFCurve* GetColorXCurve() const { return FindCurve(nullptr, "Color", "X"); }
    KFCurve* GetColorYCurve() { return FindCurve(nullptr, "Color", "Y"); }
    const KFCurve* GetColorYCurve() const { return FindCurve(nullptr, "Color", "Y"); }
    KFCurve* GetColorZCurve() { return FindCurve(nullptr, "Color", "Z"); }
    const KFCurve* GetColorZCurve() const { return FindCurve(nullptr, "Color", "Z"); }
    KFCurve* GetIntensityCurve() { return FindCurve(nullptr, nullptr, "Intensity"); }
    const KFCurve* GetIntensityCurve() const { return FindCurve(nullptr, nullptr, "Intensity"); }
    KFCurve* GetConeAngleCurve() { return FindCurve(nullptr, nullptr, "Cone angle"); }
    const KFCurve* GetConeAngleCurve() const { return FindCurve(nullptr, nullptr, "Cone angle"); }
    KFCurve* GetFogCurve() { return FindCurve(nullptr, nullptr, "Fog"); }
    const KFCurve* GetFogCurve() const { return FindCurve(nullptr, nullptr, "Fog"); }
    KFCurve* GetFieldOfViewCurve() { return FindCurve(nullptr, nullptr, "FieldOfView"); }
    const KFCurve* GetFieldOfViewCurve() const { return FindCurve(nullptr, nullptr, "FieldOfView"); }
    KFCurve* GetFieldOfViewXCurve() { return FindCurve(nullptr, nullptr, "FieldOfViewX"); }
    const KFCurve* GetFieldOfViewXCurve() const { return FindCurve(nullptr, nullptr, "FieldOfViewX"); }
    KFCurve* GetFieldOfViewYCurve() { return FindCurve(nullptr, nullptr, "FieldOfViewY"); }
    const KFCurve* GetFieldOfViewYCurve() const { return FindCurve(nullptr, nullptr, "FieldOfViewY"); }
    KFCurve* GetOpticalCenterXCurve() { return FindCurve(nullptr, nullptr, "OpticalCenterX"); }
    const KFCurve* GetOpticalCenterXCurve() const { return FindCurve(nullptr, nullptr, "OpticalCenterX"); }
    KFCurve* GetOpticalCenterYCurve() { return FindCurve(nullptr, nullptr, "OpticalCenterY"); }
    const KFCurve* GetOpticalCenterYCurve() const { return FindCurve(nullptr, nullptr, "OpticalCenterY"); }
    KFCurve* GetRollCurve() { return FindCurve(nullptr, nullptr, "Roll"); }
    const KFCurve* GetRollCurve() const { return FindCurve(nullptr, nullptr, "Roll"); }
    KFCurve* GetTurnTableCurve() { return FindCurve(nullptr, nullptr, "TurnTable"); }
    const KFCurve* GetTurnTableCurve() const { return FindCurve(nullptr, nullptr, "TurnTable"); }
    KFCurve* GetBackgroundColorXCurve() { return FindCurve(nullptr, "BackgroundColor", "X"); }
    const KFCurve* GetBackgroundColorXCurve() const { return FindCurve(nullptr, "BackgroundColor", "X"); }
    KFCurve* GetBackgroundColorYCurve() { return FindCurve(nullptr, "BackgroundColor", "Y"); }
    const KFCurve* GetBackgroundColorYCurve() const { return FindCurve(nullptr, "BackgroundColor", "Y"); }
    KFCurve* GetBackgroundColorZCurve() { return FindCurve(nullptr, "BackgroundColor", "Z"); }
    const KFCurve* GetBackgroundColorZCurve() const { return FindCurve(nullptr, "BackgroundColor", "Z"); }
    KFCurve* GetCameraIndexCurve() { return FindCurve(nullptr, nullptr, "Camera Index"); }
    const KFCurve* GetCameraIndexCurve() const { return FindCurve(nullptr, nullptr, "Camera Index"); }
    KFCurve* GetTextureTranslationXCurve() { return FindCurve(nullptr, "Translation", "X"); }
    const KFCurve* GetTextureTranslationXCurve() const { return FindCurve(nullptr, "Translation", "X"); }
    KFCurve* GetTextureTranslationYCurve() { return FindCurve(nullptr, "Translation", "Y"); }
    const KFCurve* GetTextureTranslationYCurve() const { return FindCurve(nullptr, "Translation", "Y"); }
    KFCurve* GetTextureTranslationZCurve() { return FindCurve(nullptr, "Translation", "Z"); }
    const KFCurve* GetTextureTranslationZCurve() const { return FindCurve(nullptr, "Translation", "Z"); }
    KFCurve* GetTextureRotationXCurve() { return FindCurve(nullptr, "Rotation", "X"); }
    const KFCurve* GetTextureRotationXCurve() const { return FindCurve(nullptr, "Rotation", "X"); }
    KFCurve* GetTextureRotationYCurve() { return FindCurve(nullptr, "Rotation", "Y"); }
    const KFCurve* GetTextureRotationYCurve() const { return FindCurve(nullptr, "Rotation", "Y"); }
    KFCurve* GetTextureRotationZCurve() { return FindCurve(nullptr, "Rotation", "Z"); }
    const KFCurve* GetTextureRotationZCurve() const { return FindCurve(nullptr, "Rotation", "Z"); }
    KFCurve* GetTextureScalingXCurve() { return FindCurve(nullptr, "Scaling", "X"); }
    const KFCurve* GetTextureScalingXCurve() const { return FindCurve(nullptr, "Scaling", "X"); }
    KFCurve* GetTextureScalingYCurve() { return FindCurve(nullptr, "Scaling", "Y"); }
    const KFCurve* GetTextureScalingYCurve() const { return FindCurve(nullptr, "Scaling", "Y"); }
    KFCurve* GetTextureScalingZCurve() { return FindCurve(nullptr, "Scaling", "Z"); }
    const KFCurve* GetTextureScalingZCurve() const { return FindCurve(nullptr, "Scaling", "Z"); }
    KFCurve* GetAlphaCurve() { return FindCurve(nullptr, nullptr, "Alpha"); }
    const KFCurve* GetAlphaCurve() const { return FindCurve(nullptr, nullptr, "Alpha"); }
    KFCurve* GetEmissiveXCurve() { return FindCurve(nullptr, "Emissive", "X"); }
    const KFCurve* GetEmissiveXCurve() const { return FindCurve(nullptr, "Emissive", "X"); }
    KFCurve* GetEmissiveYCurve() { return FindCurve(nullptr, "Emissive", "Y"); }
    const KFCurve* GetEmissiveYCurve() const { return FindCurve(nullptr, "Emissive", "Y"); }
    KFCurve* GetEmissiveZCurve() { return FindCurve(nullptr, "Emissive", "Z"); }
    const KFCurve* GetEmissiveZCurve() const { return FindCurve(nullptr, "Emissive", "Z"); }
    KFCurve* GetAmbientXCurve() { return FindCurve(nullptr, "Ambient", "X"); }
    const KFCurve* GetAmbientXCurve() const { return FindCurve(nullptr, "Ambient", "X"); }
    KFCurve* GetAmbientYCurve() { return FindCurve(nullptr, "Ambient", "Y"); }
    const KFCurve* GetAmbientYCurve() const { return FindCurve(nullptr, "Ambient", "Y"); }
    KFCurve* GetAmbientZCurve() { return FindCurve(nullptr, "Ambient", "Z"); }
    const KFCurve* GetAmbientZCurve() const { return FindCurve(nullptr, "Ambient", "Z"); }
    KFCurve* GetDiffuseXCurve() { return FindCurve(nullptr, "Diffuse", "X"); }
    const KFCurve* GetDiffuseXCurve() const { return FindCurve(nullptr, "Diffuse", "X"); }
    KFCurve* GetDiffuseYCurve() { return FindCurve(nullptr, "Diffuse", "Y"); }
    const KFCurve* GetDiffuseYCurve() const { return FindCurve(nullptr, "Diffuse", "Y"); }
    KFCurve* GetDiffuseZCurve() { return FindCurve(nullptr, "Diffuse", "Z"); }
    const KFCurve* GetDiffuseZCurve() const { return FindCurve(nullptr, "Diffuse", "Z"); }
    KFCurve* GetSpecularXCurve() { return FindCurve(nullptr, "Specular", "X"); }
    const KFCurve* GetSpecularXCurve() const { return FindCurve(nullptr, "Specular", "X"); }
    KFCurve* GetSpecularYCurve() { return FindCurve(nullptr, "Specular", "Y"); }
    const KFCurve* GetSpecularYCurve() const { return FindCurve(nullptr, "Specular", "Y"); }
    KFCurve* GetSpecularZCurve() { return FindCurve(nullptr, "Specular", "Z"); }
    const KFCurve* GetSpecularZCurve() const { return FindCurve(nullptr, "Specular", "Z"); }
    KFCurve* GetOpacityCurve() { return FindCurve(nullptr, nullptr, "Opacity"); }
    const KFCurve* GetOpacityCurve() const { return FindCurve(nullptr, nullptr, "Opacity"); }
    KFCurve* GetReflectivityCurve() { return FindCurve(nullptr, nullptr, "Reflectivity"); }
    const KFCurve* GetReflectivityCurve() const { return FindCurve(nullptr, nullptr, "Reflectivity"); }
    KFCurve* GetShininessCurve() { return FindCurve(nullptr, nullptr, "Shininess"); }
    const KFCurve* GetShininessCurve() const { return FindCurve(nullptr, nullptr, "Shininess"); }

    // Channels found by the data types of a marker's channels.
    KFCurve* GetOcclusionCurve();
    const KFCurve* GetOcclusionCurve() const;
    KFCurve* GetIKReachTranslationCurve();
    const KFCurve* GetIKReachTranslationCurve() const;
    KFCurve* GetIKReachRotationCurve();
    const KFCurve* GetIKReachRotationCurve() const;

private:
    using Snapshot = std::shared_ptr<KFCurveNode>;

    KScnTakeNodeEntry(const char* name, Snapshot shared);
    static const KFCurveNode* Walk(const KFCurveNode* root, const char* first, const char* second);
    const KFCurve* CurveOf(const KFCurveNode* node) const;
    KFCurve* WritableCurveOf(const KFCurveNode* node);
    const KFCurveNode* FindChannel(const char* first, const char* second, const char* third) const;
    const KFCurveNode* FindChannelByDataType(const char* first, const char* second,
                                             const KDataType* dataType) const;
    // The tree to read, built first when it waits for its container.
    const KFCurveNode* ReadRoot() const;
    // Builds the next part of a tree that waits, whole or not at all (memory
    // running out leaves the parts as they were); the entry stops waiting
    // after the last. Answers whether the part made a channel.
    bool BuildNextPart() const;
    // The node at the path below root (null names skipped), null for a null root.
    static const KFCurveNode* WalkPath(const KFCurveNode* root, const char* first, const char* second,
                                       const char* third);
    // ReadRoot for a caller that may keep a pointer into the tree.
    const KFCurveNode* ReadRootHandedOut() const;
    // A tree the entry stops reading is kept when const pointers went out
    // of it: room is made first (false when memory ran out, nothing
    // changed), then Retire keeps it without allocating.
    bool ReserveRetirement();
    void Retire(const Snapshot& tree) noexcept;
    // A pointer into the tree leaves: the entry's own tree, copied from the
    // snapshot it shared when it had none (or from the tree it lent). False
    // when there is none (memory ran out making the copy): nothing may be
    // written then, least of all a snapshot other takes read.
    bool PrepareWrite();
    // A snapshot equal to the tree as it is now: the last one when the tree
    // is still equal to it, else the tree itself lent when it may be (see
    // above), else a new copy.
    Snapshot TakeSnapshot();
    // The own tree stops being lent before it is written: taken back when
    // no take reads it any more, else the entry gets a copy to write and
    // its curve links move onto it. False when memory ran out (still lent).
    bool StopLending();
    // The lent tree is taken back when no take reads it any more (false
    // while one does); allocates nothing.
    bool TakeBackLentTree() noexcept;
    static void DestroyTree(KFCurveNode* root);

    KCompactText mName;
    mutable std::unique_ptr<KErrorRecord> mError;
    // The entry's own tree; null while it shares a snapshot or waits.
    mutable KFCurveNode* mRoot = nullptr;
    // The read-only tree the entry reads until its first write.
    Snapshot mShared;
    // The last snapshot made of the own tree, for the next copy.
    Snapshot mLastSnapshot;
    // Trees the entry read and handed const pointers out of, kept for them
    // after it stopped reading them.
    std::vector<Snapshot> mRetired;
    // A const pointer went out of the tree the entry reads but does not own
    // alone (a snapshot it shares, or its own tree while lent).
    mutable bool mReadOut = false;
    // The own tree is known to equal mLastSnapshot (no pointer into it was
    // handed out since the snapshot was made or checked).
    bool mSnapshotCurrent = false;
    // A pointer into the own tree went to a caller that may still hold it:
    // the tree is compared with the last snapshot before that is reused.
    bool mHandedOut = false;
    // The own tree is mLastSnapshot's tree (owned through it).
    bool mLent = false;
    mutable int mEditDepth = 0;
    // While the build is deferred: the container that builds the tree, and
    // the parts it built so far (into mRoot).
    mutable KScnTakeNodeContainer* mBuilder = nullptr;
    mutable int mBuiltParts = 0;
};

} // namespace scenesdk
