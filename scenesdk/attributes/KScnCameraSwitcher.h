#pragma once

// KScnCameraSwitcher: the attribute of the scene's camera-switcher node
// (kind 8). It keeps the names of the cameras it switches between, and each
// take of its node gets a "Camera Index" channel saying which camera is
// active over time.
//
// Ownership: the switcher owns its names. Destroying a switcher that is
// still on a node first takes it off the node.

#include "scenesdk/kernel/KScnNodeAttribute.h"

#include <vector>

namespace scenesdk
{

class KScnSdkManager;

class KScnCameraSwitcher : public KScnNodeAttribute
{
public:
    explicit KScnCameraSwitcher(KScnSdkManager* manager = nullptr);

protected:
    // Destroyed only by the manager (KScnFree.h: one made without a manager).
    // Deletes the names from the last to the first.
    ~KScnCameraSwitcher() override;
    friend class KScnSdkManager;

public:
    EAttributeKind GetAttributeKind() const override { return eCameraSwitcher; }
    // "Camera Index" (with a curve, default 1.0) under the take's root.
    void AddChannels(KScnTakeNodeEntry* take) override;
    void RemoveChannels(KScnTakeNodeEntry* take) override;

    // A null text is kept as a null string (read back as "").
    void AddCameraName(const char* name);
    int GetCameraNameCount() const { return static_cast<int>(mCameraNames.size()); }
    // Null for an index outside [0, count).
    const char* GetCameraName(int index) const;

    // Only when attached and the default take has the channel: the default
    // value of the default take's "Camera Index" curve.
    void SetDefaultCameraIndex(int index);

    KScnSdkManager* GetManager() const { return mManager; }

private:
    KScnSdkManager* mManager;
    std::vector<KString*> mCameraNames;
};

} // namespace scenesdk
