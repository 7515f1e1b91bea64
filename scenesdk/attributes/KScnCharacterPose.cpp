#include "scenesdk/attributes/KScnCharacterPose.h"

#include "scenesdk/attributes/KScnCharacter.h"
#include "scenesdk/kernel/KScnSceneContents.h"
#include "scenesdk/kernel/KScnSceneRoot.h"
#include "scenesdk/kernel/KScnSdkManager.h"

namespace scenesdk
{

KScnCharacterPose::KScnCharacterPose(KScnSdkManager* manager, const char* name)
    : KScnObject(manager, name), mPoseManager(manager)
{
    if (manager != nullptr)
    {
        mScene = manager->CreateScene();
        manager->SetOwned(mScene, true);
    }
    // Stopped part-way (memory running out), it gives its scene back.
    try
    {
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
    // reset would leave one more with the manager.
    while (mScene->GetCharacterCount() > 0)
    {
        KScnCharacter* character = mScene->GetCharacter(0);
        mScene->GetContents()->RemoveObject(character);
        mPoseManager->DestroyObject(character);
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
