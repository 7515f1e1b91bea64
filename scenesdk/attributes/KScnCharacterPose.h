#pragma once

// KScnCharacterPose: a stand-alone character pose (object kind 9, no property
// set). It owns a private scene made by the SDK manager, holding one
// character "Constraint::PoseCharacter" and whatever nodes the file reader
// adds to describe the pose.
//
// Ownership: made and destroyed by the scene that lists it; the private scene
// (with its character) is the pose's own: the manager lists it but refuses
// to destroy it (KScnSdkManager::IsOwned), and the pose gives it back to the
// manager when it goes.

#include "scenesdk/kernel/KScnObject.h"

namespace scenesdk
{

class KScnSceneRoot;

class KScnCharacterPose : public KScnObject
{
public:
    // name: the full name (the scene puts "Pose::" before it). A null
    // manager leaves the pose without a scene.
    KScnCharacterPose(KScnSdkManager* manager, const char* name);

protected:
    // Destroyed only by the scene that owns it (KScnFree.h: one made outside a scene).
    ~KScnCharacterPose() override;
    friend class KScnSceneRoot;

public:
    int GetObjectKind() const override { return eKindCharacterPose; }

    // Empties the private scene (its characters are destroyed) and makes
    // the one character "PoseCharacter" again.
    void Reset();

    KScnSceneRoot* GetScene() const { return mScene; }

private:
    void DestroyCharacters();
    // Destroys the characters and gives the private scene back to the manager.
    void DestroyScene();

    KScnSdkManager* mPoseManager;
    KScnSceneRoot* mScene = nullptr;
};

} // namespace scenesdk
