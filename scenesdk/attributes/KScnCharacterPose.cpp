#include "scenesdk/attributes/KScnCharacterPose.h"

#include "scenesdk/attributes/KScnCharacter.h"
#include "scenesdk/kernel/KScnSceneContents.h"
#include "scenesdk/kernel/KScnSceneRoot.h"
#include "scenesdk/kernel/KScnSdkManager.h"

#include <algorithm>
#include <new>

namespace scenesdk
{

KScnCharacterPose::KScnCharacterPose(KScnSdkManager* manager, const char* name)
    : KScnObject(manager, name), mPoseManager(manager)
{
    if (manager != nullptr)
    {
        // Null only when memory ran out: a pose is not made without its scene.
        mScene = manager->CreateScene();
        if (mScene == nullptr)
        {
            throw std::bad_alloc();
        }
    }
    // Stopped part-way (memory running out), it gives its scene back.
    try
    {
        if (manager != nullptr)
        {
            manager->SetOwned(mScene, true);
        }
        Reset();
    }
    catch (...)
    {
        DestroyScene();
        throw;
    }
}

KScnCharacterPose::~KScnCharacterPose()
{
    DestroyScene();
}

void KScnCharacterPose::DestroyScene()
{
    if (mScene != nullptr)
    {
        DestroyCharacters();
        mPoseManager->SetOwned(mScene, false);
        mPoseManager->DestroyScene(mScene, true);
        mScene = nullptr;
    }
}

void KScnCharacterPose::DestroyCharacters()
{
    // Clearing a scene does not destroy its characters: without this each
    // reset would leave one more with the manager. The contents' objects
    // are walked from the end, not searched by kind: that index would be
    // made first, and a pose stopped part-way goes while memory may be
    // exhausted.
    KScnSceneContents* contents = mScene->GetContents();
    for (int i = contents->GetObjectCount() - 1; i >= 0; i = std::min(i - 1, contents->GetObjectCount() - 1))
    {
        auto* character = dynamic_cast<KScnCharacter*>(contents->GetObject(i));
        if (character != nullptr)
        {
            contents->RemoveObject(character);
            mPoseManager->DestroyObject(character);
        }
    }
}

void KScnCharacterPose::Reset()
{
    if (mScene == nullptr)
    {
        return;
    }
    DestroyCharacters();
    mScene->Clear();
    mScene->CreateCharacter("PoseCharacter");
}

} // namespace scenesdk
