#pragma once

// KScnReadUndo: what a scene and its manager held before a read, so that a
// read stopped half-way by an exception (memory exhausted while building)
// can be taken back. Made before the read touches the scene; Restore then
// destroys, through the manager, every node, attribute, material, texture,
// generic node, deformer, constraint and character the manager made since,
// the character poses and poses the scene gained, takes the objects the
// scene held before were given, and puts back the take descriptions the
// read replaced and the scene's metadata.
//
// What the scene's interface cannot take back stays: take descriptions the
// read appended (the readers list them last, all or none), control-set
// plugs, changed global settings, and a camera switcher node the read put
// in place of the scene's own (which is gone).
//
// The record costs one pointer per object of the manager; making it may
// throw std::bad_alloc, before anything is changed.

#include "scenesdk/kernel/KScnSceneRoot.h"

#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace scenesdk
{

class KScnSceneMetaData;
class KScnSdkManager;
class KScnTakeNodeContainer;

class KScnReadUndo
{
public:
    KScnReadUndo(KScnSdkManager& manager, KScnSceneRoot& scene);
    ~KScnReadUndo();
    KScnReadUndo(const KScnReadUndo&) = delete;
    KScnReadUndo& operator=(const KScnReadUndo&) = delete;

    // Takes the read back as far as it can (see above). Call it once, with
    // no exception in flight; it allocates little (a list of what to go).
    void Restore();

    // The names of the takes of the scene's take owners, each once, in the
    // order met (KScnSceneRoot::GetTakeNames without its temporary strings,
    // which an exception would leak).
    static std::vector<std::string> TakeNames(KScnSceneRoot& scene);
    // The number of the scene's take owners (each gets every take a read
    // adds); withoutTakes, when given, gets how many have no take besides
    // the default one (the first take given to one builds its channels and
    // a copy of them).
    static size_t TakeOwnerCount(KScnSceneRoot& scene, size_t* withoutTakes = nullptr);

    // The reason a read gives for an exception caught: "out of memory while
    // <doing>" for std::bad_alloc, the meter's refusal for a read past its
    // budget (KScnReadOverBudget), else "<doing> failed: <what>".
    static std::string Reason(const char* doing);

private:
    KScnSdkManager& mManager;
    KScnSceneRoot& mScene;
    std::unordered_set<const void*> mObjects;                    // every object the manager listed
    std::unordered_map<KScnTakeNodeContainer*, int> mTakeCounts; // the scene's take owners
    int mCharacterPoses = 0;
    int mPoses = 0;
    std::vector<KScnTakeDescription> mTakeInfos;
    std::unique_ptr<KScnSceneMetaData> mMetaData;
    bool mHadMetaData = false;
};

} // namespace scenesdk
