#pragma once

// Reading a foreign file through the importer and looking at what it made
// through the scene's public classes: a node's mesh, a point placed by the
// node's global transform, the material of a polygon, a curve's value.

#include "scenesdk/animation/KFCurve.h"
#include "scenesdk/fileio/KStreamOptionsScn.h"
#include "scenesdk/kernel/KProperty.h"
#include "scenesdk/kernel/KScnImporter.h"
#include "scenesdk/kernel/KScnMaterial.h"
#include "scenesdk/kernel/KScnMesh.h"
#include "scenesdk/kernel/KScnNode.h"
#include "scenesdk/kernel/KScnSceneContents.h"
#include "scenesdk/kernel/KScnSceneRoot.h"
#include "scenesdk/kernel/KScnSdkManager.h"
#include "scenesdk/kernel/KScnTexture.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace importtest
{

// The file read by the importer (its format found from the extension) with
// the options given (null: the importer's own) into a new scene of the
// manager; null, with a test failure, when it is refused. The status text
// goes to status when asked.
inline scenesdk::KScnSceneRoot* Import(scenesdk::KScnSdkManager& manager, const std::string& path,
                                       scenesdk::KStreamOptionsScn* options = nullptr,
                                       std::string* status = nullptr)
{
    scenesdk::KScnImporter* importer = manager.CreateImporter();
    importer->SetFileFormat(scenesdk::KScnImporter::FindFileFormat(path.substr(path.rfind('.') + 1).c_str()));
    scenesdk::KScnSceneRoot* scene = manager.CreateScene();
    const bool ok = importer->Initialize(path.c_str()) && importer->Import(scene, options);
    EXPECT_TRUE(ok) << path << ": " << importer->GetStatusText();
    if (status != nullptr)
        *status = importer->GetStatusText();
    return ok ? scene : nullptr;
}

inline scenesdk::KScnMesh* MeshOf(scenesdk::KScnNode* node)
{
    return node != nullptr ? static_cast<scenesdk::KScnMesh*>(node->GetMesh()) : nullptr;
}

// A control point of the node's mesh placed by the node's global transform
// (row vectors: p' = p M).
inline scenesdk::KgeTVector Placed(scenesdk::KScnNode* node, int point)
{
    const scenesdk::KgeTVector p = MeshOf(node)->GetControlPointAt(point);
    const double* m = node->ComputeGlobalTransform();
    scenesdk::KgeTVector out;
    for (int j = 0; j < 3; ++j)
        out[j] = p[0] * m[j] + p[1] * m[4 + j] + p[2] * m[8 + j] + m[12 + j];
    return out;
}

inline void ExpectPoint(const scenesdk::KgeTVector& v, double x, double y, double z, double tolerance = 1e-9,
                        const char* what = "")
{
    EXPECT_NEAR(v[0], x, tolerance) << what;
    EXPECT_NEAR(v[1], y, tolerance) << what;
    EXPECT_NEAR(v[2], z, tolerance) << what;
}

inline void ExpectColour(const scenesdk::KColorRGBA& c, double r, double g, double b, double tolerance = 1e-6)
{
    ExpectPoint(scenesdk::KgeTVector(c.mRed, c.mGreen, c.mBlue), r, g, b, tolerance);
}

inline scenesdk::KScnMaterial* MaterialOf(scenesdk::KScnMesh* mesh, int polygon)
{
    const scenesdk::KScnLayerElement* e = mesh->GetLayer(0)->GetMaterialElement();
    return e->GetDirect<scenesdk::KScnMaterial*>()[e->GetIndexAt(polygon)];
}

using Ints = std::vector<int>;
using Names = std::vector<std::string>;

// The corner count of each polygon of the mesh.
inline Ints Sizes(scenesdk::KScnMesh* mesh)
{
    Ints sizes;
    for (int i = 0; i < mesh->GetPolygonCount(); ++i)
        sizes.push_back(mesh->GetPolygonSize(i));
    return sizes;
}

// The material name (without its prefix) of each polygon of the mesh.
inline Names Colours(scenesdk::KScnMesh* mesh)
{
    Names names;
    for (int i = 0; i < mesh->GetPolygonCount(); ++i)
        names.push_back(MaterialOf(mesh, i)->GetNameWithoutPrefix().Buffer());
    return names;
}

// The normal of a polygon corner (counted over the whole mesh).
inline scenesdk::KgeTVector CornerNormal(scenesdk::KScnMesh* mesh, int corner)
{
    const scenesdk::KScnLayerElement* normals = mesh->GetLayer(0)->GetNormalElement();
    return normals->GetDirectVector(normals->GetIndexAt(corner));
}

// The root's children in short: each name without its prefix, its local
// translation when not zero, "hidden" when not visible; "; " between.
inline std::string Nodes(scenesdk::KScnSceneRoot* scene)
{
    std::ostringstream out;
    for (int i = 0; i < scene->GetRootNode()->GetChildCount(); ++i)
    {
        scenesdk::KScnNode* node = scene->GetRootNode()->GetChild(i);
        scenesdk::KgeTVector t;
        node->GetLocalTranslation(t);
        out << (i > 0 ? "; " : "") << node->GetNameWithoutPrefix().Buffer();
        if (t[0] != 0 || t[1] != 0 || t[2] != 0)
            out << ' ' << t[0] << ',' << t[1] << ',' << t[2];
        out << (node->GetVisibility() ? "" : " hidden");
    }
    return out.str();
}

inline scenesdk::KScnNode* Child(scenesdk::KScnSceneRoot* scene, int i)
{
    return scene != nullptr && scene->GetRootNode()->GetChildCount() > i ? scene->GetRootNode()->GetChild(i)
                                                                         : nullptr;
}

// The texture a polygon carries, null when none.
inline scenesdk::KScnTexture* PolygonTexture(scenesdk::KScnMesh* mesh, int polygon)
{
    const scenesdk::KScnLayerElementTexture* e = mesh->GetLayer(0)->GetTextureElement();
    return e == nullptr || e->GetIndexAt(polygon) < 0
               ? nullptr
               : e->GetDirect<scenesdk::KScnTexture*>()[e->GetIndexAt(polygon)];
}

// One value of a material: a colour in r, g, b; a single value in r;
// shading: r 1 Phong, 0 Lambert; two-sided: r 1 set.
enum EMaterialValue
{
    eAmbient,
    eDiffuse,
    eSpecular,
    eEmissive,
    eShininess,
    eOpacity,
    eShading,
    eTwoSided
};

inline void ExpectMaterialValue(scenesdk::KScnMaterial* m, EMaterialValue what, double r, double g, double b)
{
    scenesdk::KProperty* twoSided = m->GetPropertyHandler()->FindProperty("TwoSided");
    switch (what)
    {
    case eAmbient:
        return ExpectColour(m->GetAmbient(), r, g, b);
    case eDiffuse:
        return ExpectColour(m->GetDiffuse(), r, g, b);
    case eSpecular:
        return ExpectColour(m->GetSpecular(), r, g, b);
    case eEmissive:
        return ExpectColour(m->GetEmissive(), r, g, b);
    case eShininess:
        EXPECT_NEAR(m->GetDefaultShininess(), r, 1e-6);
        return;
    case eOpacity:
        EXPECT_NEAR(m->GetDefaultOpacity(), r, 1e-6);
        return;
    case eShading:
        EXPECT_STREQ(m->GetShadingModel(), r > 0 ? "Phong" : "Lambert");
        return;
    case eTwoSided:
        EXPECT_EQ(twoSided != nullptr && twoSided->GetInt() == 1, r > 0);
        return;
    }
}

// A scene's texture in short (or their count when not one): its use, "p"
// when polygon 0 of the mesh carries it, its file, offset, scale, turn and
// wrap in u and v ("r" repeat, "c" clamp).
inline std::string TextureText(scenesdk::KScnSceneRoot* scene, scenesdk::KScnMesh* mesh)
{
    if (scene->GetContents()->GetTextureCount() != 1)
        return "textures " + std::to_string(scene->GetContents()->GetTextureCount());
    scenesdk::KScnTexture* t = scene->GetContents()->GetTexture(0);
    double x = 0, y = 0, turn = 0;
    t->GetDefaultRotation(x, y, turn);
    std::ostringstream out;
    out << t->GetTextureUse() << (PolygonTexture(mesh, 0) == t ? " p " : " - ") << t->GetRelativeFileName()
        << " o" << t->GetUVTranslation().u << ',' << t->GetUVTranslation().v << " s" << t->GetUVScaling().u
        << ',' << t->GetUVScaling().v << " r" << turn << ' '
        << (t->GetWrapModeU() == scenesdk::eWrapClamp ? 'c' : 'r')
        << (t->GetWrapModeV() == scenesdk::eWrapClamp ? 'c' : 'r');
    return out.str();
}

inline float At(scenesdk::KFCurve* curve, double seconds)
{
    scenesdk::KTime time;
    time.SetSeconds(seconds);
    return curve->Evaluate(time);
}

} // namespace importtest
