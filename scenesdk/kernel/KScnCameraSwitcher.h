#pragma once

// KScnCameraSwitcher: the attribute of a scene's hidden camera-switcher node.
// It only remembers which camera is active (an index, -1 for none).
// Made and destroyed by the SDK manager.

#include "scenesdk/kernel/KScnNodeAttribute.h"

namespace scenesdk
{

class KScnCameraSwitcher : public KScnNodeAttribute
{
public:
    EAttributeKind GetAttributeKind() const override { return eCameraSwitcher; }
    KString GetTypeName() const override { return KString("CameraSwitcher"); }

    void SetCameraIndex(int index) { mCameraIndex = index; }
    int GetCameraIndex() const { return mCameraIndex; }
    void ResetCameraIndex() { mCameraIndex = -1; }

private:
    int mCameraIndex = -1;
};

} // namespace scenesdk
