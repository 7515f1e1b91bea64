#include "tools/datagen/CModelBuilder.h"

#include <algorithm>
#include <cmath>
#include <fstream>

namespace
{

constexpr double kPi = 3.14159265358979323846;

Vec3 Sub(const Vec3& a, const Vec3& b)
{
    return {a[0] - b[0], a[1] - b[1], a[2] - b[2]};
}
Vec3 Add(const Vec3& a, const Vec3& b)
{
    return {a[0] + b[0], a[1] + b[1], a[2] + b[2]};
}
double Dot(const Vec3& a, const Vec3& b)
{
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}
Vec3 Cross(const Vec3& a, const Vec3& b)
{
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
Vec3 Normalise(const Vec3& v)
{
    const double l = std::sqrt(Dot(v, v));
    return l > 0 ? Vec3{v[0] / l, v[1] / l, v[2] / l} : Vec3{0, 1, 0};
}
// Tidies values such as 1e-17 to 0 so that files stay short and stable.
double Clean(double v)
{
    const double r = std::round(v * 1e6) / 1e6;
    return r == 0.0 ? 0.0 : r;
}

} // namespace

int CModelBuilder::AddMaterial(const SModelMaterial& material)
{
    // The game's model data merges materials whose colours are equal (the
    // first one's texture then serves both), so each material of a model
    // gets a shade of its own: a step of 1/256 down per earlier material
    // with the same diffuse colour, too small to see.
    SModelMaterial own = material;
    for (const SModelMaterial& earlier : m_Materials)
        if (earlier.diffuse == own.diffuse)
            for (double& c : own.diffuse)
                c = std::max(0.0, c - 1.0 / 256.0);
    m_Materials.push_back(own);
    return static_cast<int>(m_Materials.size()) - 1;
}

void CModelBuilder::SetPlacement(const Vec3& offset, double yaw, double scale, double pitch)
{
    m_Pitch = pitch;
    m_Offset = offset;
    m_Yaw = yaw;
    m_Scale = scale;
}

Vec3 CModelBuilder::Turn(const Vec3& n) const
{
    const double cp = std::cos(m_Pitch);
    const double sp = std::sin(m_Pitch);
    const Vec3 r{n[0], n[1] * cp - n[2] * sp, n[1] * sp + n[2] * cp};
    const double c = std::cos(m_Yaw);
    const double s = std::sin(m_Yaw);
    return {c * r[0] + s * r[2], r[1], -s * r[0] + c * r[2]};
}

Vec3 CModelBuilder::Place(const Vec3& p) const
{
    const Vec3 t = Turn({p[0] * m_Scale, p[1] * m_Scale, p[2] * m_Scale});
    return Add(t, m_Offset);
}

int CModelBuilder::Vertex(const Vec3& p, const Vec3& n, double u, double v)
{
    SPoint pt{Place(p), Normalise(Turn(n)), Clean(u), Clean(v)};
    for (int i = 0; i < 3; ++i)
    {
        pt.p[i] = Clean(pt.p[i]);
        pt.n[i] = Clean(pt.n[i]);
    }
    const auto key = std::make_tuple(pt.p[0], pt.p[1], pt.p[2], pt.n[0], pt.n[1], pt.n[2], pt.u, pt.v);
    auto it = m_Index.find(key);
    if (it != m_Index.end())
    {
        return it->second;
    }
    m_Points.push_back(pt);
    const int index = static_cast<int>(m_Points.size()) - 1;
    m_Index.emplace(key, index);
    return index;
}

void CModelBuilder::Triangle(int a, int b, int c)
{
    m_Triangles.insert(m_Triangles.end(), {a, b, c});
    m_TriangleMaterials.push_back(m_Current);
}

void CModelBuilder::FlatTriangle(const Vec3& a, const Vec3& b, const Vec3& c)
{
    const Vec3 n = Normalise(Cross(Sub(b, a), Sub(c, a)));
    // Planar mapping on the plane the face is most parallel to, 1 repeat per
    // 2 units.
    auto uv = [&](const Vec3& p, double& u, double& v)
    {
        if (std::fabs(n[1]) >= std::fabs(n[0]) && std::fabs(n[1]) >= std::fabs(n[2]))
        {
            u = p[0] * 0.5;
            v = p[2] * 0.5;
        }
        else if (std::fabs(n[0]) >= std::fabs(n[2]))
        {
            u = p[2] * 0.5;
            v = p[1] * 0.5;
        }
        else
        {
            u = p[0] * 0.5;
            v = p[1] * 0.5;
        }
    };
    double u[3], v[3];
    uv(a, u[0], v[0]);
    uv(b, u[1], v[1]);
    uv(c, u[2], v[2]);
    // One statement each: the control-point order must not depend on the
    // compiler's order of evaluating arguments.
    const int ia = Vertex(a, n, u[0], v[0]);
    const int ib = Vertex(b, n, u[1], v[1]);
    const int ic = Vertex(c, n, u[2], v[2]);
    Triangle(ia, ib, ic);
}

void CModelBuilder::FlatQuad(const Vec3& a, const Vec3& b, const Vec3& c, const Vec3& d, double uScale,
                             double vScale)
{
    const Vec3 n = Normalise(Cross(Sub(b, a), Sub(c, a)));
    const int ia = Vertex(a, n, 0, 0);
    const int ib = Vertex(b, n, uScale, 0);
    const int ic = Vertex(c, n, uScale, vScale);
    const int id = Vertex(d, n, 0, vScale);
    Triangle(ia, ib, ic);
    Triangle(ic, id, ia);
}

void CModelBuilder::Box(const Vec3& base, const Vec3& size, double uvScale)
{
    const double x0 = base[0] - size[0] / 2, x1 = base[0] + size[0] / 2;
    const double y0 = base[1], y1 = base[1] + size[1];
    const double z0 = base[2] - size[2] / 2, z1 = base[2] + size[2] / 2;
    const double us = uvScale;
    // Each face counter-clockwise seen from outside.
    FlatQuad({x0, y0, z1}, {x1, y0, z1}, {x1, y1, z1}, {x0, y1, z1}, size[0] * us, size[1] * us); // +z
    FlatQuad({x1, y0, z0}, {x0, y0, z0}, {x0, y1, z0}, {x1, y1, z0}, size[0] * us, size[1] * us); // -z
    FlatQuad({x1, y0, z1}, {x1, y0, z0}, {x1, y1, z0}, {x1, y1, z1}, size[2] * us, size[1] * us); // +x
    FlatQuad({x0, y0, z0}, {x0, y0, z1}, {x0, y1, z1}, {x0, y1, z0}, size[2] * us, size[1] * us); // -x
    FlatQuad({x0, y1, z1}, {x1, y1, z1}, {x1, y1, z0}, {x0, y1, z0}, size[0] * us, size[2] * us); // +y
    FlatQuad({x0, y0, z0}, {x1, y0, z0}, {x1, y0, z1}, {x0, y0, z1}, size[0] * us, size[2] * us); // -y
}

void CModelBuilder::GableRoof(const Vec3& base, double sx, double sz, double height, double overhang)
{
    const double x0 = base[0] - sx / 2 - overhang, x1 = base[0] + sx / 2 + overhang;
    const double z0 = base[2] - sz / 2 - overhang, z1 = base[2] + sz / 2 + overhang;
    const double y0 = base[1], y1 = base[1] + height;
    const double zm = base[2];
    const double slope = std::sqrt((sz / 2 + overhang) * (sz / 2 + overhang) + height * height);
    FlatQuad({x0, y0, z1}, {x1, y0, z1}, {x1, y1, zm}, {x0, y1, zm}, (x1 - x0) * 0.5, slope * 0.5);
    FlatQuad({x1, y0, z0}, {x0, y0, z0}, {x0, y1, zm}, {x1, y1, zm}, (x1 - x0) * 0.5, slope * 0.5);
    // Gable ends flush with the overhang, so that the roof is closed: an open
    // end would let a sight line into the roof, where it meets only the
    // backs of the slopes, and the culled faces would show what lies behind.
    FlatTriangle({x1, y0, z1}, {x1, y0, z0}, {x1, y1, zm});
    FlatTriangle({x0, y0, z0}, {x0, y0, z1}, {x0, y1, zm});
    // Underside of the overhang.
    FlatQuad({x0, y0, z0}, {x1, y0, z0}, {x1, y0, z1}, {x0, y0, z1}, 1, 1);
}

void CModelBuilder::Pyramid(const Vec3& base, double sx, double sz, double height)
{
    const double x0 = base[0] - sx / 2, x1 = base[0] + sx / 2;
    const double z0 = base[2] - sz / 2, z1 = base[2] + sz / 2;
    const double y0 = base[1];
    const Vec3 top{base[0], base[1] + height, base[2]};
    FlatTriangle({x0, y0, z1}, {x1, y0, z1}, top);
    FlatTriangle({x1, y0, z1}, {x1, y0, z0}, top);
    FlatTriangle({x1, y0, z0}, {x0, y0, z0}, top);
    FlatTriangle({x0, y0, z0}, {x0, y0, z1}, top);
    FlatQuad({x0, y0, z0}, {x1, y0, z0}, {x1, y0, z1}, {x0, y0, z1}, 1, 1);
}

void CModelBuilder::Cylinder(const Vec3& base, double radius, double height, int segments, bool caps)
{
    std::vector<int> lower, upper;
    for (int i = 0; i <= segments; ++i)
    {
        const double a = 2 * kPi * i / segments;
        const Vec3 n{std::cos(a), 0, -std::sin(a)};
        const Vec3 p{base[0] + radius * n[0], base[1], base[2] + radius * n[2]};
        const double u = static_cast<double>(i) / segments * 2.0;
        lower.push_back(Vertex(p, n, u, 0));
        upper.push_back(Vertex({p[0], p[1] + height, p[2]}, n, u, height * 0.5));
    }
    // Angle grows counter-clockwise seen from above (x towards -z).
    for (int i = 0; i < segments; ++i)
    {
        Triangle(lower[i], lower[i + 1], upper[i + 1]);
        Triangle(upper[i + 1], upper[i], lower[i]);
    }
    if (!caps)
    {
        return;
    }
    for (int i = 0; i < segments; ++i)
    {
        const double a0 = 2 * kPi * i / segments, a1 = 2 * kPi * (i + 1) / segments;
        const Vec3 p0{base[0] + radius * std::cos(a0), 0, base[2] - radius * std::sin(a0)};
        const Vec3 p1{base[0] + radius * std::cos(a1), 0, base[2] - radius * std::sin(a1)};
        const double yt = base[1] + height;
        FlatTriangle({base[0], yt, base[2]}, {p0[0], yt, p0[2]}, {p1[0], yt, p1[2]});
        FlatTriangle({base[0], base[1], base[2]}, {p1[0], base[1], p1[2]}, {p0[0], base[1], p0[2]});
    }
}

void CModelBuilder::Cone(const Vec3& base, double radius, double height, int segments)
{
    const double slant = std::atan2(radius, height);
    for (int i = 0; i < segments; ++i)
    {
        const double a0 = 2 * kPi * i / segments, a1 = 2 * kPi * (i + 1) / segments, am = (a0 + a1) / 2;
        auto dir = [](double a) { return Vec3{std::cos(a), 0, -std::sin(a)}; };
        auto normal = [&](double a)
        {
            const Vec3 d = dir(a);
            return Vec3{d[0] * std::cos(slant), std::sin(slant), d[2] * std::cos(slant)};
        };
        const Vec3 d0 = dir(a0), d1 = dir(a1);
        const int b0 = Vertex({base[0] + radius * d0[0], base[1], base[2] + radius * d0[2]}, normal(a0),
                              static_cast<double>(i) / segments * 2, 0);
        const int b1 = Vertex({base[0] + radius * d1[0], base[1], base[2] + radius * d1[2]}, normal(a1),
                              static_cast<double>(i + 1) / segments * 2, 0);
        const int top =
            Vertex({base[0], base[1] + height, base[2]}, normal(am), (i + 0.5) / segments * 2, height * 0.5);
        Triangle(b0, b1, top);
        FlatTriangle({base[0], base[1], base[2]},
                     {base[0] + radius * d1[0], base[1], base[2] + radius * d1[2]},
                     {base[0] + radius * d0[0], base[1], base[2] + radius * d0[2]});
    }
}

void CModelBuilder::Sphere(const Vec3& centre, double radius, int slices, int stacks, bool inward)
{
    std::vector<std::vector<int>> rows;
    for (int j = 0; j <= stacks; ++j)
    {
        const double phi = kPi * j / stacks; // 0 at the top
        std::vector<int> row;
        for (int i = 0; i <= slices; ++i)
        {
            const double theta = 2 * kPi * i / slices;
            const Vec3 d{std::sin(phi) * std::cos(theta), std::cos(phi), -std::sin(phi) * std::sin(theta)};
            const Vec3 n = inward ? Vec3{-d[0], -d[1], -d[2]} : d;
            row.push_back(
                Vertex({centre[0] + radius * d[0], centre[1] + radius * d[1], centre[2] + radius * d[2]}, n,
                       static_cast<double>(i) / slices, 1.0 - static_cast<double>(j) / stacks));
        }
        rows.push_back(row);
    }
    for (int j = 0; j < stacks; ++j)
    {
        for (int i = 0; i < slices; ++i)
        {
            const int a = rows[j][i], b = rows[j][i + 1], c = rows[j + 1][i + 1], d = rows[j + 1][i];
            // Outward: (d, c, b) and (b, a, d) wind counter-clockwise outside.
            if (j != stacks - 1)
            {
                inward ? Triangle(b, c, d) : Triangle(d, c, b);
            }
            if (j != 0)
            {
                inward ? Triangle(d, a, b) : Triangle(b, a, d);
            }
        }
    }
}

bool CModelBuilder::Check(std::string& error) const
{
    if (m_Triangles.empty())
    {
        error = "no triangles";
        return false;
    }
    int bumped = 0;
    for (const SModelMaterial& m : m_Materials)
    {
        if (m.texture.empty())
        {
            error = "material " + m.name + " has no texture";
            return false;
        }
        bumped += m.normalMap.empty() ? 0 : 1;
    }
    if (bumped > 1)
    {
        error = "more than one bump-mapped material";
        return false;
    }
    for (int m : m_TriangleMaterials)
    {
        if (m < 0 || m >= static_cast<int>(m_Materials.size()))
        {
            error = "a triangle without a material";
            return false;
        }
    }
    return true;
}

std::vector<std::string> CModelBuilder::TextureFiles(std::vector<int>& materialTexture) const
{
    std::vector<std::string> textures;
    materialTexture.clear();
    for (const SModelMaterial& m : m_Materials)
    {
        int index = -1;
        for (size_t t = 0; t < textures.size(); ++t)
        {
            if (textures[t] == m.texture)
            {
                index = static_cast<int>(t);
            }
        }
        if (index < 0)
        {
            textures.push_back(m.texture);
            index = static_cast<int>(textures.size()) - 1;
        }
        materialTexture.push_back(index);
    }
    return textures;
}

namespace
{

std::string TextureName(size_t index)
{
    return "Tex" + std::to_string(index);
}

// Opens a layer element's block with its mapping and reference; the caller
// writes the arrays and closes it with EndElement.
void BeginElement(CScnWriter& w, const char* name, const char* mapping, const char* reference)
{
    w.BeginField(name);
    w.BeginBlock();
    w.BeginField("Mapping");
    w.AddWord(mapping);
    w.EndField();
    w.BeginField("Reference");
    w.AddWord(reference);
    w.EndField();
}

void EndElement(CScnWriter& w)
{
    w.EndBlock();
    w.EndField();
}

void DoublesField(CScnWriter& w, const char* name, const std::vector<double>& v)
{
    w.BeginField(name);
    w.AddDoubles(v.data(), v.size());
    w.EndField();
}

void IntsField(CScnWriter& w, const char* name, const std::vector<int32_t>& v)
{
    w.BeginField(name);
    w.AddInts(v.data(), v.size());
    w.EndField();
}

void UserProperty(CScnWriter& w, const char* name, const char* type, double value)
{
    w.BeginField("UserProperty");
    w.AddString(name);
    w.AddString(type);
    w.AddString("");
    if (std::string(type) == "Bool")
    {
        w.AddInt(value != 0.0 ? 1 : 0);
    }
    else
    {
        w.AddDouble(value);
    }
    w.EndField();
}

} // namespace

void CModelBuilder::WriteMesh(CScnWriter& w, const std::vector<int>& materialTexture) const
{
    std::vector<double> points, normals, uvs;
    for (const SPoint& p : m_Points)
    {
        points.insert(points.end(), p.p.begin(), p.p.end());
        normals.insert(normals.end(), p.n.begin(), p.n.end());
        uvs.insert(uvs.end(), {p.u, p.v});
    }
    const std::vector<int32_t> sizes(m_Triangles.size() / 3, 3);
    const std::vector<int32_t> corners(m_Triangles.begin(), m_Triangles.end());
    const std::vector<int32_t> polygonMaterials(m_TriangleMaterials.begin(), m_TriangleMaterials.end());
    std::vector<int32_t> polygonTextures;
    for (int m : m_TriangleMaterials)
    {
        polygonTextures.push_back(materialTexture[m]);
    }

    w.BeginField("Mesh");
    w.BeginBlock();
    DoublesField(w, "ControlPoints", points);
    IntsField(w, "PolygonSizes", sizes);
    IntsField(w, "PolygonVertices", corners);
    w.BeginField("Layer");
    w.AddInt(0);
    w.BeginBlock();
    BeginElement(w, "LayerElementNormal", "ByControlPoint", "Direct");
    DoublesField(w, "Values", normals);
    EndElement(w);
    BeginElement(w, "LayerElementMaterial", "ByPolygon", "IndexToDirect");
    IntsField(w, "Indices", polygonMaterials);
    EndElement(w);
    BeginElement(w, "LayerElementTexture", "ByPolygon", "IndexToDirect");
    w.IntField("BlendMode", 2); // modulate
    w.IntField("Alpha", 1);
    IntsField(w, "Indices", polygonTextures);
    EndElement(w);
    // The uv of a polygon corner is its control point's.
    BeginElement(w, "LayerElementUV", "ByPolygonVertex", "IndexToDirect");
    DoublesField(w, "Values", uvs);
    IntsField(w, "Indices", corners);
    EndElement(w);
    w.EndBlock(); // Layer
    w.EndField();
    w.EndBlock(); // Mesh
    w.EndField();
}

void CModelBuilder::WriteSettingsNodes(CScnWriter& w) const
{
    for (const SModelMaterial& m : m_Materials)
    {
        w.BeginField("Model");
        w.AddString("mat_" + m.name);
        w.AddWord("Null");
        w.BeginBlock();
        UserProperty(w, "reflectivity", "Real", m.reflectivity);
        UserProperty(w, "opacity", "Real", m.opacity);
        UserProperty(w, "exponent", "Real", m.exponent);
        UserProperty(w, "useLighting", "Bool", m.useLighting ? 1.0 : 0.0);
        if (!m.normalMap.empty())
        {
            w.BeginField("Children");
            w.AddString("s_simpleBump");
            w.EndField();
        }
        w.EndBlock();
        w.EndField();
        if (m.normalMap.empty())
        {
            continue;
        }
        // Parameter node: 9 characters of name, a separator, the type letter,
        // a separator, then the value.
        const std::string parameter = "texNormal_s_" + m.normalMap;
        w.BeginField("Model");
        w.AddString("s_simpleBump");
        w.AddWord("Null");
        w.BeginBlock();
        w.BeginField("Children");
        w.AddString(parameter);
        w.EndField();
        w.EndBlock();
        w.EndField();
        w.BeginField("Model");
        w.AddString(parameter);
        w.AddWord("Null");
        w.EndField();
    }
}

void CModelBuilder::WriteMaterials(CScnWriter& w) const
{
    for (const SModelMaterial& m : m_Materials)
    {
        w.BeginField("Material");
        w.AddString(m.name);
        w.BeginBlock();
        w.StringField("ShadingModel", "phong");
        w.IntField("MultiLayer", 0);
        w.BeginField("Properties");
        w.BeginBlock();
        const Vec3 ambient{m.diffuse[0] * 0.5, m.diffuse[1] * 0.5, m.diffuse[2] * 0.5};
        DoublesField(w, "Emissive", {m.emissive.begin(), m.emissive.end()});
        DoublesField(w, "Ambient", {ambient.begin(), ambient.end()});
        DoublesField(w, "Diffuse", {m.diffuse.begin(), m.diffuse.end()});
        DoublesField(w, "Specular", {m.specular.begin(), m.specular.end()});
        w.DoubleField("Opacity", m.opacity);
        w.DoubleField("Reflectivity", m.reflectivity);
        w.DoubleField("Shininess", m.exponent * 128.0);
        w.EndBlock();
        w.EndField();
        w.EndBlock();
        w.EndField();
    }
}

void CModelBuilder::WriteTextures(CScnWriter& w, const std::vector<std::string>& textures)
{
    const std::string prefix = "Data/";
    for (size_t t = 0; t < textures.size(); ++t)
    {
        w.BeginField("Texture");
        w.AddString(TextureName(t));
        w.BeginBlock();
        w.StringField("FileName", textures[t]);
        if (textures[t].compare(0, prefix.size(), prefix) == 0)
        {
            w.StringField("RelativeFileName", textures[t].substr(prefix.size()));
        }
        w.BeginField("Properties");
        w.BeginBlock();
        w.IntField("CurrentTextureBlendMode", 2);
        w.EndBlock();
        w.EndField();
        w.EndBlock();
        w.EndField();
    }
}

bool CModelBuilder::Encode(CScnWriter::EForm form, std::string& out, std::string& error) const
{
    if (!Check(error))
    {
        return false;
    }
    std::vector<int> materialTexture;
    const std::vector<std::string> textures = TextureFiles(materialTexture);

    CScnWriter w(form);
    w.WriteHeader("vostrel data generator");
    w.BeginField("Objects");
    w.BeginBlock();
    // The mesh node comes first: the game converts the first mesh it finds.
    w.BeginField("Model");
    w.AddString("Body");
    w.AddWord("Mesh");
    w.BeginBlock();
    w.BeginField("Materials");
    for (const SModelMaterial& m : m_Materials)
    {
        w.AddString(m.name);
    }
    w.EndField();
    w.BeginField("Textures");
    for (size_t t = 0; t < textures.size(); ++t)
    {
        w.AddString(TextureName(t));
    }
    w.EndField();
    WriteMesh(w, materialTexture);
    w.EndBlock();
    w.EndField();
    WriteSettingsNodes(w);
    WriteMaterials(w);
    WriteTextures(w, textures);
    w.EndBlock(); // Objects
    w.EndField();
    if (!w.Finish(out))
    {
        error = w.Error();
        return false;
    }
    return true;
}

bool CModelBuilder::Save(const std::string& path, CScnWriter::EForm form, std::string& error) const
{
    std::string bytes;
    if (!Encode(form, bytes, error))
    {
        return false;
    }
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!f)
    {
        error = "cannot write " + path;
        return false;
    }
    return true;
}
