#pragma once

// KScnTakeNodeEntry: one take of one animatable object. It owns the root of
// the object's channel tree for that take (a node named "Defaults") and an
// error record whose only message is id 0 "Curve not found".
//
// The curve getters walk a fixed channel path from the root; a missing node
// or a node without a curve answers null and records error 0.

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
    // Copies the name and the source's whole channel tree, curves and keys included.
    KScnTakeNodeEntry(const KScnTakeNodeEntry& source);
    // An entry named name whose tree is a copy of the source's tree as it is
    // now, made only when first needed: until then the entry holds no tree,
    // and the source makes the copy before its own tree can change (before
    // it hands its tree out), or before it is destroyed. An object has a take
    // per take of its scene; most stay as made, and cost no tree.
    static KScnTakeNodeEntry* CreateDeferredCopy(KScnTakeNodeEntry& source, const char* name);
    // An entry named name whose tree the container builds
    // (KScnTakeNodeContainer::BuildDeferredTake) only when it is first
    // needed; until then the entry holds no tree.
    static KScnTakeNodeEntry* CreateDeferredBuild(const char* name, KScnTakeNodeContainer* container);
    KScnTakeNodeEntry& operator=(const KScnTakeNodeEntry&) = delete;
    // Nodes that hold references (flag 8) do not own their children; they are
    // emptied depth first before the root and everything it owns is deleted.
    ~KScnTakeNodeEntry();

    void SetName(const char* name);
    // How many times any entry was renamed (containers keep name indexes).
    static uint64_t GetRenameCount();
    const char* GetName() const { return mName.Get(); }
    // Never null unless memory ran out. Makes the copies this tree still owes.
    KFCurveNode* GetRootCurveNode() const
    {
        MakeOwedTrees();
        return mRoot;
    }
    // Whether the entry still waits for its copy of another entry's tree.
    bool IsCopyDeferred() const { return mSource != nullptr; }
    // Whether the entry still waits for its container to build its tree.
    bool IsBuildDeferred() const { return mBuilder != nullptr; }
    // The tree will never be built: the container is going.
    void DropDeferredBuild() { mBuilder = nullptr; }
    // Made when first asked for or first set: most takes never report.
    KErrorRecord& GetError();

    // Each non-null name is searched below the node reached so far (a null
    // name is skipped); the last node's curve is the result.
    KFCurve* FindCurve(const char* first, const char* second, const char* third);
    // As FindCurve, but the last step is a depth-first search by data type.
    KFCurve* FindCurveByDataType(const char* first, const char* second, const KDataType* dataType);

    KFCurve* GetTranslationXCurve() { return FindCurve("Transform", "T", "X"); }
    KFCurve* GetTranslationYCurve() { return FindCurve("Transform", "T", "Y"); }
    KFCurve* GetTranslationZCurve() { return FindCurve("Transform", "T", "Z"); }
    KFCurve* GetRotationXCurve() { return FindCurve("Transform", "R", "X"); }
    KFCurve* GetRotationYCurve() { return FindCurve("Transform", "R", "Y"); }
    KFCurve* GetRotationZCurve() { return FindCurve("Transform", "R", "Z"); }
    KFCurve* GetScalingXCurve() { return FindCurve("Transform", "S", "X"); }
    KFCurve* GetScalingYCurve() { return FindCurve("Transform", "S", "Y"); }
    KFCurve* GetScalingZCurve() { return FindCurve("Transform", "S", "Z"); }
    KFCurve* GetColorXCurve() { return FindCurve(nullptr, "Color", "X"); }
    KFCurve* GetColorYCurve() { return FindCurve(nullptr, "Color", "Y"); }
    KFCurve* GetColorZCurve() { return FindCurve(nullptr, "Color", "Z"); }
    KFCurve* GetIntensityCurve() { return FindCurve(nullptr, nullptr, "Intensity"); }
    KFCurve* GetConeAngleCurve() { return FindCurve(nullptr, nullptr, "Cone angle"); }
    KFCurve* GetFogCurve() { return FindCurve(nullptr, nullptr, "Fog"); }
    KFCurve* GetFieldOfViewCurve() { return FindCurve(nullptr, nullptr, "FieldOfView"); }
    KFCurve* GetFieldOfViewXCurve() { return FindCurve(nullptr, nullptr, "FieldOfViewX"); }
    KFCurve* GetFieldOfViewYCurve() { return FindCurve(nullptr, nullptr, "FieldOfViewY"); }
    KFCurve* GetOpticalCenterXCurve() { return FindCurve(nullptr, nullptr, "OpticalCenterX"); }
    KFCurve* GetOpticalCenterYCurve() { return FindCurve(nullptr, nullptr, "OpticalCenterY"); }
    KFCurve* GetRollCurve() { return FindCurve(nullptr, nullptr, "Roll"); }
    KFCurve* GetTurnTableCurve() { return FindCurve(nullptr, nullptr, "TurnTable"); }
    KFCurve* GetBackgroundColorXCurve() { return FindCurve(nullptr, "BackgroundColor", "X"); }
    KFCurve* GetBackgroundColorYCurve() { return FindCurve(nullptr, "BackgroundColor", "Y"); }
    KFCurve* GetBackgroundColorZCurve() { return FindCurve(nullptr, "BackgroundColor", "Z"); }
    KFCurve* GetCameraIndexCurve() { return FindCurve(nullptr, nullptr, "Camera Index"); }
    KFCurve* GetTextureTranslationXCurve() { return FindCurve(nullptr, "Translation", "X"); }
    KFCurve* GetTextureTranslationYCurve() { return FindCurve(nullptr, "Translation", "Y"); }
    KFCurve* GetTextureTranslationZCurve() { return FindCurve(nullptr, "Translation", "Z"); }
    KFCurve* GetTextureRotationXCurve() { return FindCurve(nullptr, "Rotation", "X"); }
    KFCurve* GetTextureRotationYCurve() { return FindCurve(nullptr, "Rotation", "Y"); }
    KFCurve* GetTextureRotationZCurve() { return FindCurve(nullptr, "Rotation", "Z"); }
    KFCurve* GetTextureScalingXCurve() { return FindCurve(nullptr, "Scaling", "X"); }
    KFCurve* GetTextureScalingYCurve() { return FindCurve(nullptr, "Scaling", "Y"); }
    KFCurve* GetTextureScalingZCurve() { return FindCurve(nullptr, "Scaling", "Z"); }
    KFCurve* GetAlphaCurve() { return FindCurve(nullptr, nullptr, "Alpha"); }
    KFCurve* GetEmissiveXCurve() { return FindCurve(nullptr, "Emissive", "X"); }
    KFCurve* GetEmissiveYCurve() { return FindCurve(nullptr, "Emissive", "Y"); }
    KFCurve* GetEmissiveZCurve() { return FindCurve(nullptr, "Emissive", "Z"); }
    KFCurve* GetAmbientXCurve() { return FindCurve(nullptr, "Ambient", "X"); }
    KFCurve* GetAmbientYCurve() { return FindCurve(nullptr, "Ambient", "Y"); }
    KFCurve* GetAmbientZCurve() { return FindCurve(nullptr, "Ambient", "Z"); }
    KFCurve* GetDiffuseXCurve() { return FindCurve(nullptr, "Diffuse", "X"); }
    KFCurve* GetDiffuseYCurve() { return FindCurve(nullptr, "Diffuse", "Y"); }
    KFCurve* GetDiffuseZCurve() { return FindCurve(nullptr, "Diffuse", "Z"); }
    KFCurve* GetSpecularXCurve() { return FindCurve(nullptr, "Specular", "X"); }
    KFCurve* GetSpecularYCurve() { return FindCurve(nullptr, "Specular", "Y"); }
    KFCurve* GetSpecularZCurve() { return FindCurve(nullptr, "Specular", "Z"); }
    KFCurve* GetOpacityCurve() { return FindCurve(nullptr, nullptr, "Opacity"); }
    KFCurve* GetReflectivityCurve() { return FindCurve(nullptr, nullptr, "Reflectivity"); }
    KFCurve* GetShininessCurve() { return FindCurve(nullptr, nullptr, "Shininess"); }

    // Channels found by the data types of a marker's channels.
    KFCurve* GetOcclusionCurve();
    KFCurve* GetIKReachTranslationCurve();
    KFCurve* GetIKReachRotationCurve();

private:
    KScnTakeNodeEntry(const char* name, KScnTakeNodeEntry* source);
    KFCurveNode* Walk(const char* first, const char* second) const;
    KFCurve* CurveOf(KFCurveNode* node);
    // This entry's own copy when it is deferred, and the copies of this tree
    // that other entries wait for (before the tree is handed out).
    void MakeOwedTrees() const;
    void MakeOwnCopy() const;
    KScnTakeNodeEntry* StopWaiting() const;

    KCompactText mName;
    std::unique_ptr<KErrorRecord> mError;
    mutable KFCurveNode* mRoot = nullptr;
    // While the copy is deferred: the entry whose tree it copies (which
    // lists this entry among its waiting copies).
    mutable KScnTakeNodeEntry* mSource = nullptr;
    // The copies that wait for this entry's tree (made with the first one).
    mutable std::unique_ptr<std::vector<KScnTakeNodeEntry*>> mWaiting;
    bool HasWaiting() const { return mWaiting && !mWaiting->empty(); }
    // While the build is deferred: the container that builds the tree.
    mutable KScnTakeNodeContainer* mBuilder = nullptr;
};

} // namespace scenesdk
