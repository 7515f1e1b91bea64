// The scene reader's node attributes: sub-kinds, attribute properties set
// through the attributes' setters, patch and NURBS surfaces, shapes, the
// camera switcher, and the model and texture fields besides the common ones.

#include "scenesdk/animation/KScnTakeNodeEntry.h"
#include "scenesdk/attributes/KScnCamera.h"
#include "scenesdk/attributes/KScnCameraSwitcher.h"
#include "scenesdk/attributes/KScnLight.h"
#include "scenesdk/attributes/KScnMarker.h"
#include "scenesdk/attributes/KScnNull.h"
#include "scenesdk/attributes/KScnNurb.h"
#include "scenesdk/attributes/KScnPatch.h"
#include "scenesdk/attributes/KScnShape.h"
#include "scenesdk/attributes/KScnSkeleton.h"
#include "scenesdk/fileio/KScn.h"
#include "scenesdk/fileio/KScnReaderScnAttributes.h"
#include "scenesdk/kernel/KSaturate.h"
#include "scenesdk/kernel/KScnGeometry.h"
#include "scenesdk/kernel/KScnNode.h"
#include "scenesdk/kernel/KScnSceneRoot.h"
#include "scenesdk/kernel/KScnSdkManager.h"
#include "scenesdk/kernel/KScnTexture.h"

#include <algorithm>
#include <cstring>

namespace scenesdk
{
namespace scnread
{

namespace
{

bool Is(KScn& f, const char* name)
{
    return std::strcmp(f.GetFieldName(), name) == 0;
}

// The field's first two values as texts ("" where missing).
void TwoTexts(KScn& f, std::string& first, std::string& second)
{
    first = f.RemainingValueCount() > 0 ? f.NextValueAsString() : "";
    second = f.RemainingValueCount() > 0 ? f.NextValueAsString() : "";
}

void ReadShape(KScn& f, SShape& s)
{
    s.name = f.RemainingValueCount() > 0 ? f.NextValueAsString() : "";
    if (!f.HasFieldBlock() || !f.EnterFieldBlock())
        return;
    while (f.OpenNextField())
    {
        if (Is(f, "ControlPoints"))
            s.points = Numbers(f);
        else if (Is(f, "Normals"))
        {
            s.hasNormals = true;
            s.normals = Numbers(f);
        }
    }
    f.LeaveFieldBlock();
}

// Two integers of a field (missing ones stay as they were).
void Pair(KScn& f, int& a, int& b)
{
    if (f.RemainingValueCount() > 0)
        a = f.NextValueAsInt();
    if (f.RemainingValueCount() > 0)
        b = f.NextValueAsInt();
}

void ReadSurface(KScn& f, SSurface& s)
{
    ++s.given;
    if (!f.HasFieldBlock() || !f.EnterFieldBlock())
        return;
    while (f.OpenNextField())
    {
        if (Is(f, "Dimensions"))
            Pair(f, s.uCount, s.vCount);
        else if (Is(f, "Order"))
            Pair(f, s.uOrder, s.vOrder);
        else if (Is(f, "PatchType") || Is(f, "Form"))
            TwoTexts(f, s.uType, s.vType);
        else if (Is(f, "SurfaceDisplay"))
            s.display = Numbers(f);
        else if (Is(f, "Step"))
            s.step = Numbers(f);
        else if (Is(f, "Closed"))
            s.closed = Numbers(f);
        else if (Is(f, "UCapped"))
            s.uCapped = Numbers(f);
        else if (Is(f, "VCapped"))
            s.vCapped = Numbers(f);
        else if (Is(f, "ControlPoints"))
            s.points = Numbers(f);
        else if (Is(f, "KnotVectorU"))
            s.uKnots = Numbers(f);
        else if (Is(f, "KnotVectorV"))
            s.vKnots = Numbers(f);
    }
    f.LeaveFieldBlock();
}

// The name as the geometry keeps it: without ASCII white space at the ends.
std::string Trimmed(const std::string& name)
{
    const char* const blanks = " \t\n\v\f\r";
    const size_t first = name.find_first_not_of(blanks);
    if (first == std::string::npos)
        return std::string();
    return name.substr(first, name.find_last_not_of(blanks) - first + 1);
}

// Numbers per control point of a geometry kind: a NURBS point has a weight.
size_t NumbersPerPoint(const std::string& kind)
{
    return kind == "Nurb" ? 4 : 3;
}

std::string CheckSurface(const std::string& kind, const SSurface& s)
{
    if (s.given > 1)
        return kind + " block given twice";
    const int points = SurfacePointCount(s.uCount, s.vCount);
    if (points < 0)
        return "bad " + kind + " dimensions";
    if (s.points.size() != static_cast<size_t>(points) * NumbersPerPoint(kind))
        return std::to_string(s.points.size()) + " control point numbers where the " + kind + " needs " +
               std::to_string(static_cast<size_t>(points) * NumbersPerPoint(kind));
    if (kind != "Nurb")
        return std::string();
    if (s.uOrder < 0 || s.vOrder < 0)
        return "negative Nurb order";
    const int uKnots = KScnNurb::KnotCount(s.uCount, s.uOrder, KScnNurb::NurbTypeFromText(s.uType.c_str()));
    const int vKnots = KScnNurb::KnotCount(s.vCount, s.vOrder, KScnNurb::NurbTypeFromText(s.vType.c_str()));
    if (uKnots < 0 || vKnots < 0 || s.uKnots.size() != static_cast<size_t>(uKnots) ||
        s.vKnots.size() != static_cast<size_t>(vKnots))
        return "knot vectors of " + std::to_string(s.uKnots.size()) + " and " +
               std::to_string(s.vKnots.size()) + " where the Nurb needs " + std::to_string(uKnots) + " and " +
               std::to_string(vKnots);
    return std::string();
}

std::string CheckShapes(const std::string& kind, size_t points, const std::vector<SShape>& shapes)
{
    std::set<std::string> names;
    for (const SShape& s : shapes)
    {
        const std::string name = Trimmed(s.name);
        if (name.empty())
            return "shape without a name";
        if (!names.insert(name).second)
            return "shape \"" + name + "\" given twice";
        if (s.points.size() != points * NumbersPerPoint(kind))
            return "shape \"" + name + "\": " + std::to_string(s.points.size()) +
                   " control point numbers where the geometry needs " +
                   std::to_string(points * NumbersPerPoint(kind));
        if (s.hasNormals && s.normals.size() != points * 3)
            return "shape \"" + name + "\": " + std::to_string(s.normals.size()) +
                   " normal numbers where the geometry needs " + std::to_string(points * 3);
    }
    return std::string();
}

bool IsGeometry(const std::string& kind)
{
    return kind == "Mesh" || kind == "Patch" || kind == "Nurb";
}

bool IsGeometry(const KScnNodeAttribute* attribute)
{
    const int kind = attribute != nullptr ? attribute->GetAttributeKind() : -1;
    return kind == KScnNodeAttribute::eMesh || kind == KScnNodeAttribute::ePatch ||
           kind == KScnNodeAttribute::eNurb;
}

} // namespace

bool ReadModelField(KScn& f, SModelExtra& x)
{
    if (Is(f, "Shading"))
    {
        x.hasShading = true;
        x.shading = f.RemainingValueCount() > 0 ? f.NextValueAsString() : "";
    }
    else if (Is(f, "PivotEnabled") && f.RemainingValueCount() > 0)
    {
        x.hasPivotEnabled = true;
        x.pivotEnabled = f.NextValueAsInt();
    }
    else if (Is(f, "CameraIndex"))
    {
        x.hasCameraIndex = f.RemainingValueCount() > 0;
        x.cameraIndex = x.hasCameraIndex ? f.NextValueAsInt() : 0;
    }
    else if (Is(f, "Patch"))
        ReadSurface(f, x.patch);
    else if (Is(f, "Nurb"))
        ReadSurface(f, x.nurb);
    else if (Is(f, "Shape"))
    {
        x.shapes.emplace_back();
        ReadShape(f, x.shapes.back());
    }
    else
        return false;
    return true;
}

bool KScnModelChecks::Check(const std::string& name, const std::string& kind, bool hasMesh, size_t meshPoints,
                            const std::vector<std::string>& children, const SModelExtra& x,
                            std::string& error)
{
    mChildren.insert(children.begin(), children.end());
    const std::string effective = hasMesh ? "Mesh" : kind;
    std::string err;
    size_t points = meshPoints;
    if (effective == "Patch" || effective == "Nurb")
    {
        const SSurface& s = effective == "Patch" ? x.patch : x.nurb;
        err = CheckSurface(effective, s);
        points = static_cast<size_t>(s.uCount) * static_cast<size_t>(s.vCount);
    }
    if (err.empty() && IsGeometry(effective))
        err = CheckShapes(effective, points, x.shapes);
    if (err.empty() && effective == "CameraSwitcher")
    {
        mSwitchers.push_back(name);
        if (!children.empty())
            err = "a camera switcher has no children";
    }
    if (!err.empty())
        error = "model \"" + name + "\": " + err;
    return err.empty();
}

bool KScnModelChecks::Finish(std::string& error) const
{
    if (mSwitchers.size() > 1)
    {
        error = "model \"" + mSwitchers[1] + "\": a second camera switcher";
        return false;
    }
    if (!mSwitchers.empty() && mChildren.count(mSwitchers[0]) != 0)
    {
        error = "model \"" + mSwitchers[0] + "\": a camera switcher is no child";
        return false;
    }
    return true;
}

namespace
{

KScnPatch* MakePatch(KScnSdkManager* manager, const SSurface& s)
{
    KScnPatch* patch = manager->CreatePatch();
    if (patch == nullptr || s.given == 0)
        return patch;
    patch->InitControlPoints(s.uCount, KScnPatch::PatchTypeFromText(s.uType.c_str()), s.vCount,
                             KScnPatch::PatchTypeFromText(s.vType.c_str()));
    for (int i = 0; i < patch->GetControlPointsCount(); ++i)
        patch->SetControlPointAt(KgeTVector(s.points[3 * i], s.points[3 * i + 1], s.points[3 * i + 2], 1.0),
                                 i);
    // The steps of Step stand over those of SurfaceDisplay.
    if (!s.display.empty())
        patch->SetSurfaceMode(KSaturateToInt(s.display[0]));
    if (s.display.size() >= 3)
        patch->SetStep(KSaturateToInt(s.display[1]), KSaturateToInt(s.display[2]));
    if (s.step.size() >= 2)
        patch->SetStep(KSaturateToInt(s.step[0]), KSaturateToInt(s.step[1]));
    if (s.closed.size() >= 2)
        patch->SetClosed(s.closed[0] != 0.0, s.closed[1] != 0.0);
    if (s.uCapped.size() >= 2)
        patch->SetUCapped(s.uCapped[0] != 0.0, s.uCapped[1] != 0.0);
    if (s.vCapped.size() >= 2)
        patch->SetVCapped(s.vCapped[0] != 0.0, s.vCapped[1] != 0.0);
    return patch;
}

KScnNurb* MakeNurb(KScnSdkManager* manager, const SSurface& s)
{
    KScnNurb* nurb = manager->CreateNurb();
    if (nurb == nullptr || s.given == 0)
        return nurb;
    // The orders first: they size the knot vectors.
    nurb->SetOrder(s.uOrder, s.vOrder);
    if (!nurb->InitControlPoints(s.uCount, KScnNurb::NurbTypeFromText(s.uType.c_str()), s.vCount,
                                 KScnNurb::NurbTypeFromText(s.vType.c_str())))
        return nurb;
    for (int i = 0; i < nurb->GetControlPointsCount(); ++i)
        nurb->SetControlPointAt(
            KgeTVector(s.points[4 * i], s.points[4 * i + 1], s.points[4 * i + 2], s.points[4 * i + 3]), i);
    std::copy(s.uKnots.begin(), s.uKnots.end(), nurb->GetUKnotVector());
    std::copy(s.vKnots.begin(), s.vKnots.end(), nurb->GetVKnotVector());
    if (!s.display.empty())
        nurb->SetSurfaceMode(KSaturateToInt(s.display[0]));
    if (s.display.size() >= 3)
        nurb->SetStep(KSaturateToInt(s.display[1]), KSaturateToInt(s.display[2]));
    return nurb;
}

} // namespace

KScnNodeAttribute* MakeAttribute(KScnSdkManager* manager, const std::string& kind, const SModelExtra& x)
{
    if (kind == "Patch")
        return MakePatch(manager, x.patch);
    if (kind == "Nurb")
        return MakeNurb(manager, x.nurb);
    if (kind == "Camera")
        return manager->CreateCamera();
    if (kind == "CameraSwitcher")
        return manager->CreateCameraSwitcher();
    return nullptr;
}

namespace
{

// ---- Sub-kinds ----

const char* const kSkeletonKinds[] = {"Root", "Limb", "LimbNode", "Effector"};
const char* const kMarkerKinds[] = {"Marker", "OpticalMarker", "IKEffector", "FKEffector"};

int IndexOf(const char* const (&words)[4], const std::string& word)
{
    for (int i = 0; i < 4; ++i)
        if (word == words[i])
            return i;
    return -1;
}

// A sub-kind the attribute does not have is counted; attributes without
// sub-kinds ignore the value.
void SetSubKind(KScnNodeAttribute& attribute, const std::string& word, int& skipped)
{
    if (word.empty())
        return;
    if (attribute.GetAttributeKind() == KScnNodeAttribute::eSkeleton)
    {
        const int kind = IndexOf(kSkeletonKinds, word);
        if (kind >= 0)
            static_cast<KScnSkeleton&>(attribute).SetSkeletonKind(
                static_cast<KScnSkeleton::ESkeletonKind>(kind));
        skipped += kind < 0 ? 1 : 0;
    }
    else if (attribute.GetAttributeKind() == KScnNodeAttribute::eMarker)
    {
        const int kind = IndexOf(kMarkerKinds, word);
        if (kind >= 0)
            static_cast<KScnMarker&>(attribute).SetMarkerKind(static_cast<KScnMarker::EMarkerKind>(kind));
        skipped += kind < 0 ? 1 : 0;
    }
}

// ---- Shapes ----

void AddShapes(KScnSdkManager* manager, KScnGeometry& geometry, const std::vector<SShape>& shapes)
{
    const size_t per = geometry.GetAttributeKind() == KScnNodeAttribute::eNurb ? 4 : 3;
    for (const SShape& s : shapes)
    {
        KScnShape* shape = manager->CreateShape();
        if (shape == nullptr)
            continue;
        // The read's until the geometry takes it: refused, or memory
        // running out, it goes back to the manager.
        struct SHeld
        {
            KScnSdkManager* manager;
            KScnShape* shape;
            ~SHeld()
            {
                if (shape != nullptr)
                    manager->DestroyShape(shape);
            }
        } held{manager, shape};
        const int points = static_cast<int>(s.points.size() / per);
        if (!shape->InitControlPoints(points))
            continue;
        for (int i = 0; i < points; ++i)
        {
            const double* p = &s.points[per * static_cast<size_t>(i)];
            shape->SetControlPointAt(KgeTVector(p[0], p[1], p[2], per == 4 ? p[3] : 1.0), i);
        }
        if (s.hasNormals && shape->InitNormals(points))
            if (KgeTVector* normals = shape->GetNormals())
                for (int i = 0; i < points; ++i)
                    normals[i] =
                        KgeTVector(s.normals[3 * i], s.normals[3 * i + 1], s.normals[3 * i + 2], 0.0);
        // The names were checked; a shape the geometry still refuses goes.
        if (geometry.AddShape(shape, s.name.c_str()) >= 0)
            held.shape = nullptr;
    }
}

// ---- Attribute properties ----

using NumbersSetter = bool (*)(KScnNodeAttribute&, const std::vector<double>&);

// The properties whose attribute setter does more than store the value:
// channels of the default take, "set" flags, kind rules. The colours go
// through KColorRGBA, which keeps each component within 0..1.
struct SSetter
{
    KScnNodeAttribute::EAttributeKind kind;
    const char* name;
    size_t values;
    NumbersSetter set;
};

using Kind = KScnNodeAttribute;
using V = const std::vector<double>&;

KColorRGBA Color(V v)
{
    return KColorRGBA(v[0], v[1], v[2], 1.0);
}

template <class T, void (T::*Set)(double)> bool Scalar(Kind& a, V v)
{
    (static_cast<T&>(a).*Set)(v[0]);
    return true;
}

template <class T, void (T::*Set)(const KColorRGBA&)> bool Colour(Kind& a, V v)
{
    (static_cast<T&>(a).*Set)(Color(v));
    return true;
}

bool LimbLength(Kind& a, V v)
{
    return static_cast<KScnSkeleton&>(a).SetLimbLength(v[0]);
}

bool LimbColor(Kind& a, V v)
{
    return static_cast<KScnSkeleton&>(a).SetLimbColor(Color(v));
}

const SSetter kSetters[] = {
    {Kind::eNull, "Size", 1, Scalar<KScnNull, &KScnNull::SetSize>},
    {Kind::eMarker, "Color", 3, Colour<KScnMarker, &KScnMarker::SetColor>},
    {Kind::eSkeleton, "Size", 1, Scalar<KScnSkeleton, &KScnSkeleton::SetSize>},
    {Kind::eSkeleton, "LimbLength", 1, LimbLength},
    {Kind::eSkeleton, "Color", 3, LimbColor},
    {Kind::eLight, "Color", 3, Colour<KScnLight, &KScnLight::SetColor>},
    {Kind::eLight, "Intensity", 1, Scalar<KScnLight, &KScnLight::SetIntensity>},
    {Kind::eLight, "Cone angle", 1, Scalar<KScnLight, &KScnLight::SetConeAngle>},
    {Kind::eLight, "Fog", 1, Scalar<KScnLight, &KScnLight::SetFog>},
    {Kind::eCamera, "FieldOfView", 1, Scalar<KScnCamera, &KScnCamera::SetFieldOfView>},
    {Kind::eCamera, "FieldOfViewX", 1, Scalar<KScnCamera, &KScnCamera::SetFieldOfViewX>},
    {Kind::eCamera, "FieldOfViewY", 1, Scalar<KScnCamera, &KScnCamera::SetFieldOfViewY>},
    {Kind::eCamera, "OpticalCenterX", 1, Scalar<KScnCamera, &KScnCamera::SetOpticalCenterX>},
    {Kind::eCamera, "OpticalCenterY", 1, Scalar<KScnCamera, &KScnCamera::SetOpticalCenterY>},
    {Kind::eCamera, "Roll", 1, Scalar<KScnCamera, &KScnCamera::SetRoll>},
    {Kind::eCamera, "TurnTable", 1, Scalar<KScnCamera, &KScnCamera::SetTurnTable>},
    {Kind::eCamera, "BackgroundColor", 3, Colour<KScnCamera, &KScnCamera::SetBackgroundColor>},
};

template <class T> T& As(KScnNodeAttribute& a)
{
    return static_cast<T&>(a);
}

// The attribute's property set, where its plain setters store; null for
// attributes without one.
KObject* PropertySet(KScnNodeAttribute& a)
{
    switch (a.GetAttributeKind())
    {
    case Kind::eNull:
        return As<KScnNull>(a).GetProperties();
    case Kind::eMarker:
        return As<KScnMarker>(a).GetProperties();
    case Kind::eSkeleton:
        return As<KScnSkeleton>(a).GetProperties();
    case Kind::eLight:
        return As<KScnLight>(a).GetProperties();
    case Kind::eCamera:
        return As<KScnCamera>(a).GetProperties();
    default:
        return nullptr;
    }
}

bool SetAttributeProperty(KScnNodeAttribute& attribute, const SValues& p)
{
    for (const SSetter& s : kSetters)
        if (s.kind == attribute.GetAttributeKind() && p.name == s.name)
            return p.numbers.size() >= s.values && s.set(attribute, p.numbers);
    // Every other property's setter only stores it.
    return SetByName(PropertySet(attribute), p);
}

// The Shading letters by mode 1 .. 5.
const char kShadingLetters[] = "WFYTU";

} // namespace

void FinishModel(KScnSdkManager* manager, KScnNode& node, const SModelExtra& x,
                 const std::vector<SValues>& rest, int& skipped)
{
    KScnNodeAttribute* attribute = node.GetNodeAttribute();
    if (attribute != nullptr)
        SetSubKind(*attribute, x.subKind, skipped);
    if (IsGeometry(attribute))
        AddShapes(manager, static_cast<KScnGeometry&>(*attribute), x.shapes);
    else
        skipped += static_cast<int>(x.shapes.size());
    for (const SValues& p : rest)
        if (attribute == nullptr || !SetAttributeProperty(*attribute, p))
            ++skipped;
    if (x.hasCameraIndex)
    {
        if (attribute != nullptr && attribute->GetAttributeKind() == Kind::eCameraSwitcher)
            As<KScnCameraSwitcher>(*attribute).SetDefaultCameraIndex(x.cameraIndex);
        else
            ++skipped;
    }
    if (x.hasShading)
    {
        const char* letter = x.shading.size() == 1 ? std::strchr(kShadingLetters, x.shading[0]) : nullptr;
        if (letter != nullptr && *letter != '\0')
            node.SetShadingMode(static_cast<int>(letter - kShadingLetters) + 1);
        else
            ++skipped;
    }
    // The state word counts the other way: 0 is a pivot set in use.
    if (x.hasPivotEnabled)
        node.SetPivotState(0, x.pivotEnabled == 0 ? 1 : 0);
}

bool IsCameraSwitcher(const KScnNode& node)
{
    const KScnNodeAttribute* attribute = node.GetNodeAttribute();
    return attribute != nullptr && attribute->GetAttributeKind() == Kind::eCameraSwitcher;
}

void RenameLegacyShapeChannels(const std::vector<KScnNode*>& nodes)
{
    for (KScnNode* node : nodes)
    {
        KScnNodeAttribute* attribute = node->GetNodeAttribute();
        if (!IsGeometry(attribute))
            continue;
        auto* geometry = static_cast<KScnGeometry*>(attribute);
        if (geometry->GetShapeCount() == 0)
            continue;
        for (int i = 0; i < node->GetTakeNodeCount(); ++i)
        {
            KScnTakeNodeEntry* take = node->GetTakeNode(i);
            const KScnTakeNodeEntry::EditScope scope(*take);
            geometry->RenameLegacyShapeChannels(take);
        }
    }
}

// ---- Textures ----

namespace
{

const char* const kTextureFields[STextureExtra::eFieldCount] = {"MappingType", "PlanarNormal",  "Cropping",
                                                                "AlphaSource", "UVTranslation", "UVScaling"};
// Values each field needs.
const size_t kTextureValues[STextureExtra::eFieldCount] = {1, 1, 4, 1, 2, 2};

} // namespace

bool ReadTextureField(KScn& f, STextureExtra& x)
{
    for (int i = 0; i < STextureExtra::eFieldCount; ++i)
        if (Is(f, kTextureFields[i]))
        {
            x.given[i] = true;
            x.values[i] = Numbers(f);
            return true;
        }
    return false;
}

void ApplyTextureFields(KScnTexture& texture, const STextureExtra& x, int& skipped)
{
    using E = STextureExtra;
    int v[E::eFieldCount][4] = {};
    bool ok[E::eFieldCount] = {};
    for (int i = 0; i < E::eFieldCount; ++i)
    {
        ok[i] = x.given[i] && x.values[i].size() >= kTextureValues[i];
        for (size_t k = 0; ok[i] && k < kTextureValues[i] && k < 4; ++k)
            v[i][k] = KSaturateToInt(x.values[i][k]);
    }
    ok[E::eMappingType] = ok[E::eMappingType] && v[E::eMappingType][0] >= 1 && v[E::eMappingType][0] <= 7;
    ok[E::ePlanarNormal] = ok[E::ePlanarNormal] && v[E::ePlanarNormal][0] >= 0 && v[E::ePlanarNormal][0] <= 2;
    for (int i = 0; i < E::eFieldCount; ++i)
        skipped += x.given[i] && !ok[i] ? 1 : 0;
    // The normal first: the mapping type then applies it, whatever the
    // order of the fields.
    if (ok[E::ePlanarNormal])
        texture.SetPlanarMappingNormal(v[E::ePlanarNormal][0]);
    if (ok[E::eMappingType])
        texture.SetMappingType(v[E::eMappingType][0]);
    if (ok[E::eCropping])
        texture.SetCropping(v[E::eCropping][0], v[E::eCropping][1], v[E::eCropping][2], v[E::eCropping][3]);
    if (ok[E::eAlphaSource])
        texture.SetAlphaSource(v[E::eAlphaSource][0]);
    const std::vector<double>& t = x.values[E::eUVTranslation];
    if (ok[E::eUVTranslation])
        texture.SetUVTranslation(KgeUVVector(t[0], t[1]));
    const std::vector<double>& s = x.values[E::eUVScaling];
    if (ok[E::eUVScaling])
        texture.SetUVScaling(KgeUVVector(s[0], s[1]));
}

} // namespace scnread
} // namespace scenesdk
