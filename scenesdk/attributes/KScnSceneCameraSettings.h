#pragma once

// Scene camera settings: the seven producer cameras (each carried by an
// invisible producer node) and the name of the default camera.
//
// Ownership: the settings own the producer cameras and nodes. With a
// manager, they are made through it and marked as owned there, so that its
// destroyers refuse them (KScnSdkManager::IsOwned), and the settings destroy
// them through it (a manager that is destroyed first takes them with it,
// which the settings tolerate); without one, the settings make and delete
// them themselves. The scene contents are only asked for their root node,
// at each search, and must outlive the settings' use.

#include "scenesdk/kernel/KErrorRecord.h"
#include "scenesdk/kernel/KString.h"

#include <memory>

namespace scenesdk
{

class KScnCamera;
class KScnNode;
class KScnSceneContents;
class KScnSdkManager;

class KScnSceneCameraSettings
{
public:
    enum EError
    {
        eNullParameter = 0,
        eUnknownCameraName = 1
    };
    enum EProducer
    {
        ePerspective = 0,
        eTop,
        eBottom,
        eFront,
        eBack,
        eRight,
        eLeft,
        eProducerCount
    };

    // contents: the contents whose root node SetDefaultCamera searches (may
    // be null).
    KScnSceneCameraSettings(KScnSdkManager* manager, KScnSceneContents* contents);
    ~KScnSceneCameraSettings();
    KScnSceneCameraSettings(const KScnSceneCameraSettings&) = delete;
    KScnSceneCameraSettings& operator=(const KScnSceneCameraSettings&) = delete;

    // Default camera "Producer Perspective", viewing mode 0, and every
    // producer camera reset and placed.
    void RestoreDefaults();

    // A producer name or "Camera Switcher" is always accepted; any other
    // name must be a node below the contents' current root node. False
    // (with the error) for null or an unknown name, keeping the stored name.
    bool SetDefaultCamera(const char* name);
    const char* GetDefaultCamera() const { return mBody->defaultCamera.Buffer(); }
    void SetDefaultViewingMode(int mode) { mBody->defaultViewingMode = mode; }
    int GetDefaultViewingMode() const { return mBody->defaultViewingMode; }

    KScnCamera* GetProducerPerspective() const { return mBody->cameras[ePerspective]; }
    KScnCamera* GetProducerTop() const { return mBody->cameras[eTop]; }
    KScnCamera* GetProducerBottom() const { return mBody->cameras[eBottom]; }
    KScnCamera* GetProducerFront() const { return mBody->cameras[eFront]; }
    KScnCamera* GetProducerBack() const { return mBody->cameras[eBack]; }
    KScnCamera* GetProducerRight() const { return mBody->cameras[eRight]; }
    KScnCamera* GetProducerLeft() const { return mBody->cameras[eLeft]; }
    KScnNode* GetProducerNode(int which) const;
    // "Producer Perspective" ... "Producer Left"; null out of range.
    static const char* GetProducerName(int which);

    // Copies camera into the producer camera of that name; other names, an
    // empty name or a null camera are ignored.
    void CopyProducerCamera(const char* name, const KScnCamera* camera);

    KErrorRecord& GetError() { return mBody->error; }

private:
    // Unmarks and destroys the producer nodes and cameras made.
    void ReleaseProducers();
    struct Body
    {
        Body();
        KScnSdkManager* manager = nullptr;
        KScnSceneContents* contents = nullptr;
        KString defaultCamera{"Producer Perspective"};
        int defaultViewingMode = 0;
        KScnCamera* cameras[eProducerCount] = {};
        KScnNode* nodes[eProducerCount] = {};
        KErrorRecord error;
    };
    std::unique_ptr<Body> mBody;
};

} // namespace scenesdk
