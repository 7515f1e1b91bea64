#pragma once

// KScnPose: the transforms a set of nodes, named by their node names, had in
// a reference pose: a bind pose ('b') or a rest pose ('r'). Entries are keyed
// by node name. Across all bind poses that share a pose scope (the poses of
// every scene of one SDK manager) a node name keeps one matrix: adding a node
// that another bind pose holds with a different matrix is refused.
//
// Ownership: the pose owns its entries and its (empty) property set. The
// scope is not owned; it must outlive the pose or be reset to null.

#include "scenesdk/animation/KScnTakeNodeContainer.h"
#include "scenesdk/attributes/KScnPropertyHandler.h"
#include "scenesdk/kernel/KBlockArray.h"
#include "scenesdk/kernel/KErrorRecord.h"
#include "scenesdk/kernel/KString.h"
#include "scenesdk/kernel/KStringList.h"
#include "scenesdk/kernel/KgeTransformMatrix.h"

namespace scenesdk
{

class KScnPose;
class KScnSdkManager;

// One recorded node transform.
struct KScnPoseEntry
{
    KString mNodeName;
    KgeTransformMatrix mMatrix;
    bool mLocal = false;
};

// Every pose of every scene of one SDK manager, scenes in list order and each
// scene's poses in its own order. The scene list implements this; a pose
// without a scope checks only itself.
class KScnPoseScope
{
public:
    virtual ~KScnPoseScope() = default;
    virtual int GetPoseCount() const = 0;
    // Null outside 0 .. count - 1.
    virtual KScnPose* GetPose(int index) const = 0;
};

class KScnPoseProperties : public KScnPropertyHandler
{
    KCLASSID_DECLARE(KScnPoseProperties)

public:
    explicit KScnPoseProperties(KScnPose* owner) : mOwner(owner) {}
    void PushPropertyToTakes(KProperty& property) override;
    KScnTakeNodeContainer* GetOwner() override;

protected:
    ~KScnPoseProperties() override = default;

private:
    KScnPose* mOwner;
};

namespace detail
{
// Built ahead of the take-node container, which keeps a pointer to it.
struct KScnPoseErrorHolder
{
    KErrorRecord mErrorRecord;
    KScnPoseErrorHolder();
};
} // namespace detail

class KScnPose : private detail::KScnPoseErrorHolder, public KScnTakeNodeContainer
{
public:
    // Two matrices are the same pose when every element differs by at most this.
    static constexpr double kMatrixTolerance = 1e-6;

    // A bind pose when bindPose is true, else a rest pose. No take is added.
    KScnPose(KScnSdkManager* manager, const char* name, bool bindPose);

protected:
    // Destroyed only by the manager (KScnFree.h: one made without a manager).
    ~KScnPose() override;
    friend class KScnSdkManager;

public:
    // "Pose::" + name, the name the manager's factory gives.
    static KString MakeObjectName(const char* name);

    // ---- Scene-object operations ----
    void Detach();
    int GetObjectKind() const override { return eKindPose; }
    KScnPropertyHandler* GetPropertyHandler() override { return mProperties; }
    // "BindPose" or "RestPose".
    KString GetTypeName() const override;
    // Empty.
    KStringList GetTypeNameList() const override { return KStringList(); }
    // The property set is empty: nothing is made.
    void BuildTakeChannels(KScnTakeNodeEntry* take) override;

    bool IsBindPose() const { return mType == 'b'; }
    char GetPoseType() const { return mType; }
    KErrorRecord& GetError() { return mErrorRecord; }
    void SetPoseScope(const KScnPoseScope* scope) { mScope = scope; }
    const KScnPoseScope* GetPoseScope() const { return mScope; }

    // ---- Entries ----
    // Index of the entry for nodeName. An existing entry with the same matrix
    // (within kMatrixTolerance) gives its index and stays as it is; a
    // differing matrix here, or in another bind pose of the scope for a bind
    // pose, gives -1 and changes nothing. A null or empty name gives -1.
    int Add(const char* nodeName, const KgeTransformMatrix& matrix, bool local = false);
    int GetCount() const { return mEntries.GetCount(); }
    // Null / empty / identity / false outside 0 .. count - 1.
    const KScnPoseEntry* GetEntry(int index) const { return mEntries.GetAt(index); }
    KString GetNodeName(int index) const;
    KgeTransformMatrix GetMatrix(int index) const;
    bool IsLocalMatrix(int index) const;
    // Index of the entry for nodeName (exact comparison), -1 when none.
    int Find(const char* nodeName) const;
    // False for an index outside 0 .. count - 1; later entries move down.
    bool Remove(int index);
    void Clear();

    // True when nodeName may be added with matrix; index receives the
    // position of this pose's entry of that name, or -1 (also when another
    // bind pose of the scope is the one that refuses).
    bool IsValidEntry(const char* nodeName, const KgeTransformMatrix& matrix, int& index) const;
    // pose accepts nodeName with matrix: it has no entry of that name (index
    // -1), or the first such entry (index) holds an equal matrix.
    static bool FindEntryMatch(const KScnPose& pose, const char* nodeName, const KgeTransformMatrix& matrix,
                               int& index);
    // Element-wise |a - b| <= kMatrixTolerance.
    static bool MatricesMatch(const KgeTransformMatrix& a, const KgeTransformMatrix& b);

private:
    KScnPoseProperties* mProperties;
    char mType;
    KPointerArray<KScnPoseEntry> mEntries{16};
    const KScnPoseScope* mScope = nullptr;
};

} // namespace scenesdk
