#pragma once

// KScnReadUndo: what a scene and its manager held before a read, so that a
// read stopped half-way by an exception (memory exhausted while building)
// can be taken back. Made before the read touches the scene; Restore then
// destroys, through the manager, the takes the objects the scene held
// before were given, the character poses (with their private scenes) and
// poses the scene gained, every scene, node, attribute, material, texture,
// video, generic node, deformer, constraint, character and shape the manager
// made since, and the user-property handles made since that no object holds;
// and puts back the scene's take descriptions (those the read appended go,
// those it replaced come back) and its metadata.
//
// What the scene's interface cannot take back stays: control-set plugs,
// changed global settings, and a camera switcher node a read put in place
// of the scene's own (which is gone) as it committed; Restore leaves it the
// takes the scene had.
//
// The record costs one pointer per object of the manager; making it may
// throw std::bad_alloc, before anything is changed. Restore allocates
// nothing, so it works while memory stays exhausted.

#include "scenesdk/kernel/KScnSceneRoot.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
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
    // no exception in flight; it allocates nothing.
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

    // The reason a read gives for the exception being handled: "out of
    // memory while <doing>" for std::bad_alloc, the meter's refusal for a
    // read past its budget (KScnReadOverBudget), else "<doing> failed:
    // <what>" (cut to fit), written into out without allocating, so that it
    // can be given while memory stays exhausted. Call it inside a catch.
    static constexpr size_t kReasonSize = 320;
    static const char* Reason(const char* doing, char (&out)[kReasonSize]);

private:
    KScnSdkManager& mManager;
    KScnSceneRoot& mScene;
    std::unordered_set<const void*> mObjects;                    // every object the manager listed
    std::unordered_map<KScnTakeNodeContainer*, int> mTakeCounts; // the scene's take owners
    std::vector<std::string> mTakeNames;                         // their takes' names
    std::unordered_set<std::string_view> mTakeNameSet;           // views of mTakeNames
    int mCharacterPoses = 0;
    int mPoses = 0;
    std::vector<KScnTakeDescription> mTakeInfos;
    std::unique_ptr<KScnSceneMetaData> mMetaData;
    bool mHadMetaData = false;
};

} // namespace scenesdk
