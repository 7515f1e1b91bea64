#pragma once

// KScnCamera: the node attribute of kind 7. Its values live in a
// KScnCameraProperties set; the camera keeps related values consistent
// (format and aperture presets, clamps, near/far ordering, focal length from
// an aperture angle). The position is the owning node's local translation.
//
// While attached, the camera's channels ("FieldOfView" ... "TurnTable",
// "BackgroundColor" X/Y/Z) are in every take of the node, and the channel
// setters also write the default take's curve defaults. Detaching removes
// the channels except "BackgroundColor" from every take and unlinks the kept
// "BackgroundColor" curves (see KScnNodeAttribute::DetachFromNode).
//
// Ownership: the camera owns its property set. It refers to its node only;
// destroying an attached camera detaches it from the node first.

#include "scenesdk/attributes/KScnCameraProperties.h"
#include "scenesdk/kernel/KColorRGBA.h"
#include "scenesdk/kernel/KScnNodeAttribute.h"
#include "scenesdk/kernel/KgeTVector.h"

namespace scenesdk
{

class KScnObject;
class KScnSdkManager;
class KScnTakeNodeEntry;

class KScnCamera : public KScnNodeAttribute
{
public:
    enum ECameraAspectRatioMode
    {
        eWindowSize = 0,
        eFixedRatio = 1,
        eFixedResolution = 2,
        eFixedWidthResolution = 3,
        eFixedHeightResolution = 4
    };
    enum ECameraApertureMode
    {
        eHorizontalAndVertical = 0,
        eHorizontal = 1,
        eVertical = 2
    };
    enum ECameraFormat
    {
        eCustomFormat = 0,
        eD1NTSC = 1,
        eNTSC = 2,
        ePAL = 3,
        eD1PAL = 4,
        eHD = 5,
        e640x480 = 6,
        e320x200 = 7,
        e320x240 = 8,
        eFullScreen = 10
    };
    enum ECameraApertureFormat
    {
        eCustomAperture = 0,
        e16mmTheatrical = 1,
        eSuper16mm = 2,
        e35mmAcademy = 3,
        e35mmTVProjection = 4,
        e35mmFullAperture = 5,
        e35mm185Projection = 6,
        e35mmAnamorphic = 7,
        e70mmProjection = 8,
        eVistaVision = 9,
        eDynaVision = 10,
        eIMAX = 11
    };
    enum ECameraBackgroundDisplayMode
    {
        eDisabled = 0,
        eAlways = 1,
        eWhenMedia = 2
    };
    enum ECameraBackgroundDistanceMode
    {
        eRelativeToInterest = 0,
        eRelativeToCamera = 1
    };
    enum ECameraBackgroundDrawingMode
    {
        eBackground = 0,
        eForeground = 1,
        eBackgroundAndForeground = 2
    };
    enum ECameraSafeAreaStyle
    {
        eRound = 0,
        eSquare = 1
    };
    enum ECameraProjectionType
    {
        ePerspective = 0,
        eOrthogonal = 1
    };
    enum ECameraFocusDistanceSource
    {
        eCameraInterest = 0,
        eSpecificDistance = 1
    };

    explicit KScnCamera(KScnSdkManager* manager = nullptr);

protected:
    // Destroyed only by the manager (KScnFree.h: one made without a manager).
    ~KScnCamera() override;
    friend class KScnSdkManager;

public:
    EAttributeKind GetAttributeKind() const override { return eCamera; }
    // Channels of one take node; see the class comment.
    void AddChannels(KScnTakeNodeEntry* take) override;
    void RemoveChannels(KScnTakeNodeEntry* take) override;
    void CollectHandlerProperties(std::vector<KProperty*>& out) override;
    KObject* GetHandlerPropertySet() const override;
    KString GetTypeName() const override { return KString("Camera"); }
    KStringList GetTypeNameList() const override;

    KScnCameraProperties* GetProperties() const { return mProperties; }
    KScnSdkManager* GetManager() const { return mManager; }

    void Reset();
    // Copies the values of another camera as stored (no clamps); channels
    // other than roll, turntable and background colour are not copied.
    void Copy(const KScnCamera& source);

    // ---- Position and orientation ----
    void SetPosition(const KgeTVector& position);
    KgeTVector GetPosition() const;
    void SetUpVector(const KgeTVector& v) { mUpVector = v; }
    KgeTVector GetUpVector() const { return mUpVector; }
    void SetLookAt(const KgeTVector& v) { mLookAt = v; }
    KgeTVector GetLookAt() const { return mLookAt; }
    // Connects the object's property set as a source of the node's set.
    void ConnectTarget(KScnObject* object);

    // ---- Plain setters ----
    void SetProjectionType(int type) { mProperties->CameraProjectionType.SetValue(type); }
    int GetProjectionType() const { return mProperties->CameraProjectionType.GetValue(); }
    void SetLockMode(bool on) { mProperties->LockMode.SetValue(on); }
    void SetApertureMode(int mode) { mProperties->ApertureMode.SetValue(mode); }
    int GetApertureMode() const { return mProperties->ApertureMode.GetValue(); }
    void SetFocalLength(double millimetres) { mProperties->FocalLength.SetValue(millimetres); }
    double GetFocalLength() const { return mProperties->FocalLength.GetValue(); }
    void SetOrthoZoom(double zoom) { mOrthoZoom = zoom; }
    double GetOrthoZoom() const { return mOrthoZoom; }
    void SetBackgroundTextureName(const char* name) { mBackgroundTextureName = name != nullptr ? name : ""; }
    void SetBackgroundMediaName(const char* name) { mBackgroundMediaName = name != nullptr ? name : ""; }
    // Null when empty.
    const char* GetBackgroundTextureName() const;
    const char* GetBackgroundMediaName() const;
    void SetViewFrustumBackPlaneMode(int mode) { mProperties->ViewFrustumBackPlaneMode.SetValue(mode); }
    void SetBackgroundMode(int mode) { mProperties->BackgroundMode.SetValue(mode); }
    void SetForegroundTransparent(bool on) { mProperties->ForegroundTransparent.SetValue(on); }
    void SetBackgroundAlphaTreshold(double value) { mProperties->BackgroundAlphaTreshold.SetValue(value); }
    void SetBackPlaneDistance(double value) { mProperties->BackPlaneDistance.SetValue(value); }
    void SetBackPlaneDistanceMode(int mode) { mProperties->BackPlaneDistanceMode.SetValue(mode); }
    void SetViewCameraToLookAt(bool on) { mProperties->ViewCameraToLookAt.SetValue(on); }
    void SetViewFrustumNearFarPlane(bool on) { mProperties->ViewFrustumNearFarPlane.SetValue(on); }
    void SetShowGrid(bool on) { mProperties->ShowGrid.SetValue(on); }
    void SetShowAzimut(bool on) { mProperties->ShowAzimut.SetValue(on); }
    void SetShowName(bool on) { mProperties->ShowName.SetValue(on); }
    void SetShowTimeCode(bool on) { mProperties->ShowTimeCode.SetValue(on); }
    void SetDisplaySafeArea(bool on) { mProperties->DisplaySafeArea.SetValue(on); }
    void SetShowInfoOnMoving(bool on) { mShowInfoOnMoving = on; }
    bool GetShowInfoOnMoving() const { return mShowInfoOnMoving; }
    void SetDisplaySafeAreaOnRender(bool on) { mDisplaySafeAreaOnRender = on; }
    bool GetDisplaySafeAreaOnRender() const { return mDisplaySafeAreaOnRender; }
    void SetShowAudio(bool on) { mShowAudio = on; }
    bool GetShowAudio() const { return mShowAudio; }
    void SetSafeAreaDisplayStyle(int style) { mProperties->SafeAreaDisplayStyle.SetValue(style); }
    void SetAudioColor(const KColorRGBA& color) { mAudioColor = color; }
    KColorRGBA GetAudioColor() const { return mAudioColor; }
    void SetUseFrameColor(bool on) { mProperties->UseFrameColor.SetValue(on); }
    void SetFrameColor(const KColorRGBA& color);
    void SetUseAntialiasing(bool on) { mProperties->UseAntialiasing.SetValue(on); }
    void SetAntialiasingIntensity(double value) { mProperties->AntialiasingIntensity.SetValue(value); }
    void SetAntialiasingMethod(int method) { mAntialiasingMethod = method; }
    int GetAntialiasingMethod() const { return mAntialiasingMethod; }
    void SetFrameSamplingType(int type) { mFrameSamplingType = type; }
    int GetFrameSamplingType() const { return mFrameSamplingType; }
    void SetFrameSamplingCount(int count) { mProperties->FrameSamplingCount.SetValue(count); }
    void SetUseAccumulationBuffer(bool on) { mProperties->UseAccumulationBuffer.SetValue(on); }
    void SetUseDepthOfField(bool on) { mProperties->UseDepthOfField.SetValue(on); }
    void SetFocusSource(int source) { mProperties->FocusSource.SetValue(source); }
    void SetFocusDistance(double value) { mProperties->FocusDistance.SetValue(value); }
    void SetFocusAngle(double value) { mProperties->FocusAngle.SetValue(value); }

    // Bit 0 FitImage, bit 1 Center, bit 2 KeepRatio, bit 3 Crop.
    void SetBackgroundPlacement(int flags);
    // 0 turns real-time depth of field and antialiasing on, 1 off; others
    // change nothing.
    void SetUseOverSamplingTime(int value);

    // ---- Channels ----
    // Each writes the property and, on an attached camera, the default
    // value of the default take's curve: memory running out (that take's
    // tree made its own) throws std::bad_alloc with both as they were.
    void SetFieldOfView(double degrees);
    void SetFieldOfViewX(double value);
    void SetFieldOfViewY(double value);
    void SetOpticalCenterX(double value);
    void SetOpticalCenterY(double value);
    void SetRoll(double degrees);
    void SetTurnTable(double value);
    void SetDefaultRoll(double degrees) { SetRoll(degrees); }
    void SetDefaultTurnTable(double value) { SetTurnTable(value); }
    double GetDefaultRoll() const;
    double GetDefaultTurnTable() const;
    // Alpha is always stored as 1.0.
    void SetBackgroundColor(const KColorRGBA& color);
    void SetDefaultBackgroundColor(const KColorRGBA& color) { SetBackgroundColor(color); }
    KColorRGBA GetDefaultBackgroundColor() const;
    // From the default take's curve defaults while attached.
    KColorRGBA GetBackgroundColor() const;

    // ---- Resolution, format and aperture ----
    void SetAspect(int mode, double width, double height);
    void SetPixelRatio(double ratio);
    void SetFormat(int format);
    void SetApertureFormat(int format);
    void SetApertureWidth(double inches);
    void SetApertureHeight(double inches);
    void SetSqueezeRatio(double ratio);
    void SetApertureAngle(double degrees);
    void SetNearPlane(double distance);
    void SetFarPlane(double distance);
    // Aperture (mm, width x squeeze unless the aperture mode is Vertical)
    // over twice the tangent of half the angle.
    double ComputeFocalLength(double filmWidth, double filmHeight, double degrees) const;

private:
    void SetChannel(KProperty* property, const char* curveName, double value);

    KScnSdkManager* mManager;
    KScnCameraProperties* mProperties;
    KgeTVector mUpVector{0.0, 1.0, 0.0, 1.0};
    KgeTVector mLookAt{0.0, 0.0, 0.0, 1.0};
    double mOrthoZoom = 1.0;
    KString mBackgroundMediaName;
    KString mBackgroundTextureName;
    bool mShowInfoOnMoving = true;
    bool mDisplaySafeAreaOnRender = false;
    bool mShowAudio = false;
    KColorRGBA mAudioColor{0.0, 1.0, 0.0, 1.0};
    int mAntialiasingMethod = 0;
    int mFrameSamplingType = 1;
};

} // namespace scenesdk
