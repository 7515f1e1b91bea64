#include "scenesdk/attributes/KScnSceneCameraSettings.h"

#include "scenesdk/attributes/KScnCamera.h"
#include "scenesdk/kernel/KScnFree.h"
#include "scenesdk/kernel/KScnNode.h"
#include "scenesdk/kernel/KScnSceneContents.h"
#include "scenesdk/kernel/KScnSdkManager.h"

#include <cstring>

namespace scenesdk
{

namespace
{

const char* const kCameraMessages[] = {"Null parameter.", "Unknown camera name."};

const char* const kProducerNames[] = {"Producer Perspective", "Producer Top",  "Producer Bottom",
                                      "Producer Front",       "Producer Back", "Producer Right",
                                      "Producer Left"};

struct ProducerPlacement
{
    int projection;
    double nearPlane;
    double farPlane;
    double position[3];
    double up[3];
};

// In producer order (Perspective, Top, Bottom, Front, Back, Right, Left).
const ProducerPlacement kPlacements[] = {{0, 10.0, 4000.0, {0.0, 71.3, 287.5}, {0.0, 1.0, 0.0}},
                                         {1, 1.0, 30000.0, {0.0, 4000.0, 0.0}, {0.0, 0.0, -1.0}},
                                         {1, 1.0, 30000.0, {0.0, -4000.0, 0.0}, {0.0, 0.0, -1.0}},
                                         {1, 1.0, 30000.0, {0.0, 0.0, 4000.0}, {0.0, 1.0, 0.0}},
                                         {1, 1.0, 30000.0, {0.0, 0.0, -4000.0}, {0.0, 1.0, 0.0}},
                                         {1, 1.0, 30000.0, {4000.0, 0.0, 0.0}, {0.0, 1.0, 0.0}},
                                         {1, 1.0, 30000.0, {-4000.0, 0.0, 0.0}, {0.0, 1.0, 0.0}}};

} // namespace

KScnSceneCameraSettings::Body::Body() : error(kCameraMessages, 2) {}

KScnSceneCameraSettings::KScnSceneCameraSettings(KScnSdkManager* manager, KScnSceneContents* contents)
    : mBody(new Body)
{
    mBody->manager = manager;
    mBody->contents = contents;
    // Stopped part-way (memory running out), it gives back what it made.
    try
    {
        for (int i = 0; i < eProducerCount; ++i)
        {
            mBody->cameras[i] =
                manager != nullptr ? manager->CreateCamera() : new KScnFree<KScnCamera>(nullptr);
        }
        for (int i = 0; i < eProducerCount; ++i)
        {
            KScnNode* node =
                manager != nullptr
                    ? manager->CreateNode(kProducerNames[i])
                    : new KScnFree<KScnNode>(
                          nullptr, KScnSdkManager::PrefixName("Model::", kProducerNames[i]).Buffer());
            mBody->nodes[i] = node;
            node->SetNodeAttribute(mBody->cameras[i]);
            node->SetVisibility(false);
        }
        if (manager != nullptr)
        {
            for (int i = 0; i < eProducerCount; ++i)
            {
                manager->SetOwned(mBody->nodes[i], true);
                manager->SetOwned(mBody->cameras[i], true);
            }
        }
        RestoreDefaults();
    }
    catch (...)
    {
        ReleaseProducers();
        throw;
    }
}

KScnSceneCameraSettings::~KScnSceneCameraSettings()
{
    ReleaseProducers();
}

void KScnSceneCameraSettings::ReleaseProducers()
{
    for (int i = 0; mBody->manager != nullptr && i < eProducerCount; ++i)
    {
        mBody->manager->SetOwned(mBody->nodes[i], false);
        mBody->manager->SetOwned(mBody->cameras[i], false);
    }
    for (int i = 0; i < eProducerCount; ++i)
    {
        KScnNode* node = mBody->nodes[i];
        mBody->nodes[i] = nullptr;
        if (mBody->manager != nullptr)
        {
            // False when the manager already destroyed the node; the node's
            // destructor detached the camera then.
            mBody->manager->DestroyNode(node, true);
        }
        else
        {
            delete static_cast<KScnFree<KScnNode>*>(node); // made so above
        }
    }
    for (KScnCamera*& camera : mBody->cameras)
    {
        // The manager's cameras went with their nodes, unless a node was
        // destroyed on its own before (its camera is then still listed).
        if (mBody->manager != nullptr)
        {
            KScnSdkManager* manager = mBody->manager;
            if (manager->HasNodeAttribute(camera))
            {
                manager->DestroyNodeAttribute(camera);
            }
        }
        else
        {
            delete static_cast<KScnFree<KScnCamera>*>(camera); // made so above
        }
        camera = nullptr;
    }
}

KScnNode* KScnSceneCameraSettings::GetProducerNode(int which) const
{
    return which >= 0 && which < eProducerCount ? mBody->nodes[which] : nullptr;
}

const char* KScnSceneCameraSettings::GetProducerName(int which)
{
    return which >= 0 && which < eProducerCount ? kProducerNames[which] : nullptr;
}

void KScnSceneCameraSettings::RestoreDefaults()
{
    mBody->defaultCamera = "Producer Perspective";
    mBody->defaultViewingMode = 0;
    for (int i = 0; i < eProducerCount; ++i)
    {
        KScnCamera* camera = mBody->cameras[i];
        const ProducerPlacement& place = kPlacements[i];
        camera->Reset();
        camera->SetApertureAngle(40.0);
        camera->SetProjectionType(place.projection);
        camera->SetNearPlane(place.nearPlane);
        camera->SetFarPlane(place.farPlane);
        camera->SetPosition(KgeTVector(place.position[0], place.position[1], place.position[2], 1.0));
        camera->SetUpVector(KgeTVector(place.up[0], place.up[1], place.up[2], 1.0));
    }
}

bool KScnSceneCameraSettings::SetDefaultCamera(const char* name)
{
    if (name == nullptr)
    {
        mBody->error.SetLastErrorID(eNullParameter);
        return false;
    }
    bool known = std::strcmp(name, "Camera Switcher") == 0;
    for (int i = 0; i < eProducerCount && !known; ++i)
    {
        known = std::strcmp(name, kProducerNames[i]) == 0;
    }
    // The contents' root now: it may have been replaced or destroyed.
    KScnNode* root = !known && mBody->contents != nullptr ? mBody->contents->GetRootNode() : nullptr;
    if (root != nullptr)
    {
        known = root->FindChild(name, true) != nullptr;
    }
    if (!known)
    {
        mBody->error.SetLastErrorID(eUnknownCameraName);
        return false;
    }
    mBody->defaultCamera = name;
    return true;
}

void KScnSceneCameraSettings::CopyProducerCamera(const char* name, const KScnCamera* camera)
{
    if (name == nullptr || *name == '\0' || camera == nullptr)
    {
        return;
    }
    for (int i = 0; i < eProducerCount; ++i)
    {
        if (std::strcmp(name, kProducerNames[i]) == 0)
        {
            mBody->cameras[i]->Copy(*camera);
            return;
        }
    }
}

} // namespace scenesdk
