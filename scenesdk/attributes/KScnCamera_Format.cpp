// KScnCamera: resolution, format and aperture presets, clipping planes, reset
// and copy.

#include "scenesdk/attributes/KScnCamera.h"

#include <cmath>

namespace scenesdk
{

namespace
{

struct FormatPreset
{
    int width;
    int height;
    double displayRatio;
};

// Indexed by format - 1 (formats 1..10); format 9 has no preset.
const FormatPreset kFormats[] = {
    {720, 486, 1.3333333333},  {640, 480, 1.3333333333},   {570, 486, 1.3333333333},
    {720, 576, 1.3333333333},  {1920, 1080, 1.7777777777}, {640, 480, 1.3333333333},
    {320, 200, 1.3333333333},  {320, 240, 1.3333333333},   {0, 0, 0.0},
    {1280, 1024, 1.3333333333}};

struct AperturePreset
{
    double width;
    double height;
    double squeeze;
};

// Indexed by aperture format - 1 (formats 1..11); inches.
const AperturePreset kApertures[] = {{0.404, 0.295, 1.0}, {0.493, 0.292, 1.0}, {0.864, 0.630, 1.0},
                                     {0.816, 0.612, 1.0}, {0.980, 0.735, 1.0}, {0.825, 0.446, 1.0},
                                     {0.864, 0.732, 2.0}, {2.066, 0.906, 1.0}, {1.485, 0.991, 1.0},
                                     {2.080, 1.480, 1.0}, {2.772, 2.072, 1.0}};

// Clamp that sends NaN to the lower bound.
double Clamp(double value, double low, double high)
{
    if (!(value >= low))
    {
        return low;
    }
    return value > high ? high : value;
}

double AtLeast(double value, double low)
{
    return value >= low ? value : low;
}

} // namespace

void KScnCamera::SetAspect(int mode, double width, double height)
{
    KScnCameraProperties& p = *mProperties;
    switch (mode)
    {
    case eWindowSize:
        break;
    case eFixedRatio:
        p.AspectW.SetValue(AtLeast(width, 0.001));
        p.AspectH.SetValue(1.0);
        break;
    case eFixedResolution:
        p.AspectW.SetValue(AtLeast(width, 1.0));
        p.AspectH.SetValue(AtLeast(height, 1.0));
        break;
    case eFixedWidthResolution:
        p.AspectW.SetValue(AtLeast(width, 1.0));
        p.AspectH.SetValue(AtLeast(height, 0.001));
        break;
    case eFixedHeightResolution:
        p.AspectW.SetValue(AtLeast(width, 0.001));
        p.AspectH.SetValue(AtLeast(height, 1.0));
        break;
    default:
        // No such mode: storing it would leave a resolution mode without a
        // name, so nothing changes.
        return;
    }
    SetFormat(eCustomFormat);
    p.ResolutionMode.SetValue(mode);
}

void KScnCamera::SetPixelRatio(double ratio)
{
    // Compared after clamping, so that repeating an out-of-range ratio is a
    // no-op as well.
    const double clamped = Clamp(ratio, 0.05, 20.0);
    if (clamped == mProperties->PixelAspectRatio.GetValue())
    {
        return;
    }
    mProperties->PixelAspectRatio.SetValue(clamped);
    SetFormat(eCustomFormat);
}

void KScnCamera::SetFormat(int format)
{
    KScnCameraProperties& p = *mProperties;
    if (format < 1 || format > 10 || kFormats[format - 1].width == 0)
    {
        p.CameraFormat.SetValue(eCustomFormat);
        return;
    }
    const int oldMode = p.ResolutionMode.GetValue();
    const FormatPreset& preset = kFormats[format - 1];
    SetAspect(eFixedResolution, preset.width, preset.height);
    const int width = preset.width != 0 ? preset.width : 1;
    const int height = preset.height != 0 ? preset.height : 1;
    SetPixelRatio(preset.displayRatio * height / width);
    p.CameraFormat.SetValue(format);
    switch (oldMode)
    {
    case eFixedRatio:
        p.AspectW.SetValue(p.AspectW.GetValue() / p.AspectH.GetValue() * p.PixelAspectRatio.GetValue());
        p.AspectH.SetValue(1.0);
        p.ResolutionMode.SetValue(eFixedRatio);
        break;
    case eFixedWidthResolution:
        p.AspectH.SetValue(p.AspectH.GetValue() / p.AspectW.GetValue());
        p.ResolutionMode.SetValue(eFixedWidthResolution);
        break;
    case eFixedHeightResolution:
        p.AspectW.SetValue(p.AspectW.GetValue() / p.AspectH.GetValue());
        p.ResolutionMode.SetValue(eFixedHeightResolution);
        break;
    default:
        break; // stays Fixed Resolution
    }
}

void KScnCamera::SetApertureFormat(int format)
{
    KScnCameraProperties& p = *mProperties;
    if (format >= 1 && format <= 11)
    {
        const AperturePreset& preset = kApertures[format - 1];
        p.FilmFormatIndex.SetValue(format);
        p.FilmWidth.SetValue(preset.width);
        p.FilmHeight.SetValue(preset.height);
        p.FilmSqueezeRatio.SetValue(preset.squeeze);
    }
    else
    {
        p.FilmFormatIndex.SetValue(eCustomAperture);
    }
    const double ratio = p.FilmWidth.GetValue() / p.FilmHeight.GetValue();
    p.FilmAspectRatio.Set(&ratio);
}

void KScnCamera::SetApertureWidth(double inches)
{
    const double value = AtLeast(inches, 0.0001);
    if (value == mProperties->FilmWidth.GetValue())
    {
        return;
    }
    mProperties->FilmWidth.SetValue(value);
    SetApertureFormat(eCustomAperture);
}

void KScnCamera::SetApertureHeight(double inches)
{
    const double value = AtLeast(inches, 0.0001);
    if (value == mProperties->FilmHeight.GetValue())
    {
        return;
    }
    mProperties->FilmHeight.SetValue(value);
    SetApertureFormat(eCustomAperture);
}

void KScnCamera::SetSqueezeRatio(double ratio)
{
    const double value = AtLeast(ratio, 0.0001);
    if (value == mProperties->FilmSqueezeRatio.GetValue())
    {
        return;
    }
    mProperties->FilmSqueezeRatio.SetValue(value);
    SetApertureFormat(eCustomAperture);
}

double KScnCamera::ComputeFocalLength(double filmWidth, double filmHeight, double degrees) const
{
    const double aperture = mProperties->ApertureMode.GetValue() == eVertical
                                ? filmHeight * 25.4
                                : filmWidth * 25.4 * mProperties->FilmSqueezeRatio.GetValue();
    return aperture / std::tan(degrees * 0.008726646259971648) * 0.5;
}

void KScnCamera::SetApertureAngle(double degrees)
{
    const double angle = Clamp(degrees, 1.0, 179.0);
    mProperties->FocalLength.SetValue(
        ComputeFocalLength(mProperties->FilmWidth.GetValue(), mProperties->FilmHeight.GetValue(), angle));
}

void KScnCamera::SetNearPlane(double distance)
{
    KScnCameraProperties& p = *mProperties;
    p.NearPlane.SetValue(Clamp(distance, 0.001, 600000.0));
    if (p.NearPlane.GetValue() > p.FarPlane.GetValue())
    {
        p.FarPlane.SetValue(p.NearPlane.GetValue());
    }
}

void KScnCamera::SetFarPlane(double distance)
{
    KScnCameraProperties& p = *mProperties;
    p.FarPlane.SetValue(Clamp(distance, 0.001, 600000.0));
    if (p.NearPlane.GetValue() >= p.FarPlane.GetValue())
    {
        p.NearPlane.SetValue(p.FarPlane.GetValue());
    }
}

void KScnCamera::Reset()
{
    KScnCameraProperties& p = *mProperties;
    SetPosition(KgeTVector(0.0, 0.0, -50.0, 1.0));
    mUpVector = KgeTVector(0.0, 1.0, 0.0, 1.0);
    mLookAt = KgeTVector(0.0, 0.0, 0.0, 1.0);
    p.CameraProjectionType.SetValue(ePerspective);
    SetDefaultRoll(0.0);
    SetFieldOfView(40.0);
    SetFieldOfViewX(1.0);
    SetFieldOfViewY(1.0);
    SetOpticalCenterX(0.0);
    SetOpticalCenterY(0.0);
    SetBackgroundColor(KColorRGBA(0.63, 0.63, 0.63, 1.0));
    SetDefaultTurnTable(0.0);
    p.DisplayTurnTableIcon.SetValue(true);
    if (p.MotionBlurIntensity != nullptr)
    {
        p.MotionBlurIntensity->SetDouble(1.0);
    }
    p.UseMotionBlur.SetValue(false);
    p.UseRealTimeMotionBlur.SetValue(true);
    p.ResolutionMode.SetValue(eWindowSize);
    p.CameraFormat.SetValue(eCustomFormat);
    p.AspectW.SetValue(320.0);
    p.AspectH.SetValue(200.0);
    p.PixelAspectRatio.SetValue(1.0);
    p.UseFrameColor.SetValue(false);
    p.ShowName.SetValue(true);
    p.ShowGrid.SetValue(true);
    p.ShowOpticalCenter.SetValue(false);
    p.ShowAzimut.SetValue(true);
    p.ShowTimeCode.SetValue(false);
    p.NearPlane.SetValue(10.0);
    p.FarPlane.SetValue(4000.0);
    SetApertureFormat(e35mmTVProjection);
    p.ApertureMode.SetValue(eVertical);
    p.FocalLength.SetValue(35.0);
    p.ViewFrustum.SetValue(true);
    p.ViewFrustumNearFarPlane.SetValue(false);
    p.ViewFrustumBackPlaneMode.SetValue(eWhenMedia);
    p.BackPlaneDistance.SetValue(100.0);
    p.BackPlaneDistanceMode.SetValue(eRelativeToInterest);
    p.ViewCameraToLookAt.SetValue(true);
    p.LockMode.SetValue(false);
    p.FitImage.SetValue(false);
    p.Crop.SetValue(false);
    p.Center.SetValue(true);
    p.KeepRatio.SetValue(true);
    p.BackgroundMode.SetValue(eBackground);
    mBackgroundMediaName = "";
    mBackgroundTextureName = "";
    p.BackgroundAlphaTreshold.SetValue(0.5);
    p.ForegroundTransparent.SetValue(true);
    p.DisplaySafeArea.SetValue(false);
    mDisplaySafeAreaOnRender = false;
    mShowInfoOnMoving = true;
    mShowAudio = false;
    const int style = eSquare;
    p.SafeAreaDisplayStyle.Set(&style);
    const double safeRatio = 1.33333333333333;
    p.SafeAreaAspectRatio.Set(&safeRatio);
    mAudioColor = KColorRGBA(0.0, 1.0, 0.0, 1.0);
    const KgeRGBVector frame(0.3, 0.3, 0.3, 1.0);
    p.FrameColor.Set(&frame);
    mOrthoZoom = 1.0;
    p.Use2DMagnifierZoom.SetValue(false);
    p.UseRealTimeDOFAndAA.SetValue(false);
    p.UseDepthOfField.SetValue(false);
    p.FocusSource.SetValue(eCameraInterest);
    p.FocusAngle.SetValue(3.5);
    p.FocusDistance.SetValue(200.0);
    p.UseAntialiasing.SetValue(false);
    p.AntialiasingIntensity.SetValue(0.77777);
    mAntialiasingMethod = 0;
    p.UseAccumulationBuffer.SetValue(false);
    p.FrameSamplingCount.SetValue(7);
    mFrameSamplingType = 1;
    for (auto entry : {std::make_pair(p.MagnifierZoom, 100.0), std::make_pair(p.MagnifierX, 50.0),
                       std::make_pair(p.MagnifierY, 50.0)})
    {
        if (entry.first != nullptr)
        {
            entry.first->SetDouble(entry.second);
        }
    }
}

void KScnCamera::Copy(const KScnCamera& source)
{
    KScnCameraProperties& p = *mProperties;
    KScnCameraProperties& s = *source.mProperties;
    if (&source == this)
    {
        return;
    }
    mUpVector = source.mUpVector;
    mLookAt = source.mLookAt;
    SetPosition(source.GetPosition());
    SetDefaultRoll(source.GetDefaultRoll());
    SetDefaultTurnTable(source.GetDefaultTurnTable());
    p.CameraProjectionType.SetValue(s.CameraProjectionType.GetValue());
    p.CameraFormat.SetValue(s.CameraFormat.GetValue());
    p.ResolutionMode.SetValue(s.ResolutionMode.GetValue());
    p.AspectW.SetValue(s.AspectW.GetValue());
    p.AspectH.SetValue(s.AspectH.GetValue());
    p.PixelAspectRatio.SetValue(s.PixelAspectRatio.GetValue());
    p.NearPlane.SetValue(s.NearPlane.GetValue());
    p.FarPlane.SetValue(s.FarPlane.GetValue());
    p.LockMode.SetValue(s.LockMode.GetValue());
    p.FilmFormatIndex.SetValue(s.FilmFormatIndex.GetValue());
    p.ApertureMode.SetValue(s.ApertureMode.GetValue());
    p.FilmWidth.SetValue(s.FilmWidth.GetValue());
    p.FilmHeight.SetValue(s.FilmHeight.GetValue());
    p.FilmSqueezeRatio.SetValue(s.FilmSqueezeRatio.GetValue());
    p.FocalLength.SetValue(s.FocalLength.GetValue());
    mBackgroundMediaName = source.mBackgroundMediaName;
    mBackgroundTextureName = source.mBackgroundTextureName;
    p.ViewFrustumBackPlaneMode.SetValue(s.ViewFrustumBackPlaneMode.GetValue());
    p.BackgroundMode.SetValue(s.BackgroundMode.GetValue());
    p.ForegroundTransparent.SetValue(s.ForegroundTransparent.GetValue());
    p.BackgroundAlphaTreshold.SetValue(s.BackgroundAlphaTreshold.GetValue());
    p.FitImage.SetValue(s.FitImage.GetValue());
    p.Center.SetValue(s.Center.GetValue());
    p.KeepRatio.SetValue(s.KeepRatio.GetValue());
    p.Crop.SetValue(s.Crop.GetValue());
    p.BackPlaneDistance.SetValue(s.BackPlaneDistance.GetValue());
    p.BackPlaneDistanceMode.SetValue(s.BackPlaneDistanceMode.GetValue());
    p.ViewFrustum.SetValue(s.ViewFrustum.GetValue());
    p.ViewFrustumNearFarPlane.SetValue(s.ViewFrustumNearFarPlane.GetValue());
    p.ShowGrid.SetValue(s.ShowGrid.GetValue());
    p.ShowAzimut.SetValue(s.ShowAzimut.GetValue());
    p.ShowName.SetValue(s.ShowName.GetValue());
    mShowInfoOnMoving = source.mShowInfoOnMoving;
    p.ShowTimeCode.SetValue(s.ShowTimeCode.GetValue());
    p.DisplaySafeArea.SetValue(s.DisplaySafeArea.GetValue());
    p.SafeAreaDisplayStyle.SetValue(s.SafeAreaDisplayStyle.GetValue());
    mDisplaySafeAreaOnRender = source.mDisplaySafeAreaOnRender;
    mShowAudio = source.mShowAudio;
    SetBackgroundColor(source.GetDefaultBackgroundColor());
    mAudioColor = source.mAudioColor;
    p.UseFrameColor.SetValue(s.UseFrameColor.GetValue());
    const KgeRGBVector frame = s.FrameColor.GetValue();
    p.FrameColor.SetValue(KgeRGBVector(frame[0], frame[1], frame[2], p.FrameColor.GetValue()[3]));
    mOrthoZoom = source.mOrthoZoom;
    p.UseRealTimeDOFAndAA.SetValue(s.UseRealTimeDOFAndAA.GetValue());
    p.UseAntialiasing.SetValue(s.UseAntialiasing.GetValue());
    p.AntialiasingIntensity.SetValue(s.AntialiasingIntensity.GetValue());
    mAntialiasingMethod = source.mAntialiasingMethod;
    p.FrameSamplingCount.SetValue(s.FrameSamplingCount.GetValue());
    mFrameSamplingType = source.mFrameSamplingType;
    p.UseAccumulationBuffer.SetValue(s.UseAccumulationBuffer.GetValue());
    p.UseDepthOfField.SetValue(s.UseDepthOfField.GetValue());
    p.FocusSource.SetValue(s.FocusSource.GetValue());
    p.FocusDistance.SetValue(s.FocusDistance.GetValue());
    p.FocusAngle.SetValue(s.FocusAngle.GetValue());
}

} // namespace scenesdk
