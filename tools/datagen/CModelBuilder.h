#pragma once

// Builds one game model (a single mesh with its materials and textures) and
// writes it as a scene file in the layout of docs/scene-file-format.md,
// section 7, following the game's model-file convention: every material gets
// a "mat_" settings node with its game values and, for a bump-mapped
// material, an "s_simpleBump" shader node with a "texNormal_s_<map>"
// parameter node below it.
//
// Everything about the file layout lives in CModelBuilder::Encode and the
// Write* helpers it calls (CModelBuilder.cpp), so a change of the layout
// touches one place.
//
// Geometry is triangles only (the game reads the first three corners of each
// polygon). Normals map by control point, so a vertex is one (position,
// normal, uv) triple; flat faces get vertices of their own. Front faces wind
// counter-clockwise seen from outside. Units are world units, y up, and a
// model's forward is -z.

#include "tools/scnwriter/CScnWriter.h"

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <tuple>
#include <vector>

using Vec3 = std::array<double, 3>;

struct SModelMaterial
{
    std::string name;            // material name, unique in the model
    Vec3 diffuse{0.8, 0.8, 0.8}; // ambient is half of it
    Vec3 specular{0.1, 0.1, 0.1};
    Vec3 emissive{0, 0, 0};
    std::string texture;       // file name as the game opens it; required
    double reflectivity = 0.0; // 0..1, weight of the environment map
    double opacity = 1.0;
    double exponent = 0.1; // shininess / 128
    bool useLighting = true;
    std::string normalMap; // base name under Data/shader/; "" = no bump shader
};

class CModelBuilder
{
public:
    // Returns the material's index; later triangles use it after SetMaterial.
    int AddMaterial(const SModelMaterial& material);
    void SetMaterial(int index) { m_Current = index; }

    // Placement of the primitives that follow: scale, then a turn about x
    // (pitch; -pi/2 turns +y into -z, the forward axis), then a turn about y
    // (yaw, counter-clockwise seen from above), then the offset. Radians.
    void SetPlacement(const Vec3& offset, double yaw = 0.0, double scale = 1.0, double pitch = 0.0);

    // One vertex (position, normal, uv), de-duplicated; placement applied.
    int Vertex(const Vec3& p, const Vec3& n, double u, double v);
    void Triangle(int a, int b, int c);
    // Flat triangle and quad (corners counter-clockwise seen from the front).
    void FlatTriangle(const Vec3& a, const Vec3& b, const Vec3& c);
    void FlatQuad(const Vec3& a, const Vec3& b, const Vec3& c, const Vec3& d, double uScale = 1.0,
                  double vScale = 1.0);

    // Primitives, all centred on x and z of their base point.
    void Box(const Vec3& base, const Vec3& size, double uvScale = 1.0);
    // Gable roof over a box of size (sx, sz), ridge along x: a closed prism
    // that overhangs the box by overhang on every side.
    void GableRoof(const Vec3& base, double sx, double sz, double height, double overhang);
    void Pyramid(const Vec3& base, double sx, double sz, double height);
    void Cylinder(const Vec3& base, double radius, double height, int segments, bool caps);
    void Cone(const Vec3& base, double radius, double height, int segments);
    // A sphere around its centre; inward turns its faces to the inside.
    void Sphere(const Vec3& centre, double radius, int slices, int stacks, bool inward = false);

    size_t TriangleCount() const { return m_Triangles.size() / 3; }
    size_t VertexCount() const { return m_Points.size(); }

    // The scene file; false (with a reason in error) when the model is not
    // writable: no triangles, a triangle without a material, a material
    // without texture, or two bump-mapped materials (their shader nodes
    // would share the name "s_simpleBump").
    bool Encode(CScnWriter::EForm form, std::string& out, std::string& error) const;
    bool Save(const std::string& path, CScnWriter::EForm form, std::string& error) const;

private:
    bool Check(std::string& error) const;
    // Distinct texture files in order of first use; materialTexture receives
    // each material's index among them.
    std::vector<std::string> TextureFiles(std::vector<int>& materialTexture) const;
    // The parts of the file, in file order.
    void WriteMesh(CScnWriter& w, const std::vector<int>& materialTexture) const;
    void WriteSettingsNodes(CScnWriter& w) const;
    void WriteMaterials(CScnWriter& w) const;
    static void WriteTextures(CScnWriter& w, const std::vector<std::string>& textures);

    Vec3 Place(const Vec3& p) const;
    Vec3 Turn(const Vec3& n) const;

    std::vector<SModelMaterial> m_Materials;
    int m_Current = -1;
    Vec3 m_Offset{0, 0, 0};
    double m_Yaw = 0.0;
    double m_Scale = 1.0;
    double m_Pitch = 0.0;

    struct SPoint
    {
        Vec3 p, n;
        double u, v;
    };
    std::vector<SPoint> m_Points;
    std::map<std::tuple<double, double, double, double, double, double, double, double>, int> m_Index;
    std::vector<int> m_Triangles;         // three control points each
    std::vector<int> m_TriangleMaterials; // material per triangle
};
