#include "render/CTerrainBuilder.h"

#include "app/CEngineServices.h"
#include "app/CSettings.h"
#include "app/Log.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>

using STerrainSettings = CTerrainBuilder::STerrainSettings;

namespace
{

// How far below the surface the collision mesh counts as inside, in world units.
const float kCollisionDepth = 1000.0f;

// Everything a build computes before it makes the models. Vertices are the
// W * H grid points (row by row) followed by the (W - 1) * (H - 1) cell
// centres; triangles are four per cell, cells row by row.
struct STerrainMesh
{
    unsigned int width;
    unsigned int height;
    float cellX; // world size of a cell
    float cellZ;
    std::vector<float> points; // x, y, z per vertex
    std::vector<TTexCoord> uv0;
    std::vector<TTexCoord> uv1;
    std::vector<uint32_t> indices;
    std::vector<CVector3> faceNormals; // cell * 4 + triangle
    std::vector<CVector3> normals;

    uint32_t Centre(unsigned int x, unsigned int z) const { return width * height + z * (width - 1) + x; }
    CVector3 Position(uint32_t v) const
    {
        return CVector3(points[v * 3], points[v * 3 + 1], points[v * 3 + 2]);
    }
    const CVector3& Face(unsigned int x, unsigned int z, int triangle) const
    {
        return faceNormals[(static_cast<size_t>(z) * (width - 1) + x) * 4 + triangle];
    }
};

// Fetches a key of the section; a missing one is a fault (also when there
// are no settings at all).
bool GetKey(const std::string& section, const char* key, std::string& value, SSettingsFault& fault)
{
    CSettings* settings = CSettings::GetInstance();
    if (!settings || !settings->GetValue(section, key, value))
    {
        fault.Set(section, key, "the terrain needs it",
                  "Error: Couldn't get \"" + std::string(key) + "\"-Value from \"" + section +
                      "\" in CTerrainBuilder::BuildTerrain");
        return false;
    }
    return true;
}

void SetInvalid(const std::string& section, const char* key, const std::string& value, const char* need,
                SSettingsFault& fault)
{
    fault.Set(section, key, need,
              "Error: Invalid \"" + std::string(key) + "\"-Value \"" + value + "\" from \"" + section +
                  "\" in CTerrainBuilder::BuildTerrain");
}

// The leading number's length after the value's leading blanks, for the
// note about text after it.
void NoteRest(const char* key, const std::string& value, const char* begin, const char* end)
{
    const char* number = begin;
    while (*number == ' ' || *number == '\t')
        ++number;
    if (CSettings* settings = CSettings::GetInstance())
        settings->NoteIgnoredText(key, value, static_cast<size_t>(end - number));
}

// A decimal number whose 255-fold is still finite, so that no height (up to
// sample 255) or position overflows; sizes must also be positive.
bool GetFloatKey(const std::string& section, const char* key, bool positive, float& out,
                 SSettingsFault& fault)
{
    std::string value;
    if (!GetKey(section, key, value, fault))
        return false;
    const char* begin = value.c_str();
    char* end = nullptr;
    out = std::strtof(begin, &end);
    if (end == begin || !std::isfinite(out * 255.0f) || (positive && !(out > 0.0f)))
    {
        SetInvalid(section, key, value,
                   positive ? "a number above 0 (up to about 1e36)" : "a number (-1e36 to 1e36)", fault);
        return false;
    }
    NoteRest(key, value, begin, end);
    return true;
}

// A base-10 count of 1..65535: a count of 0 would divide by zero and larger
// ones cannot divide a heightmap edge.
bool GetSegmentsKey(const std::string& section, unsigned int& out, SSettingsFault& fault)
{
    std::string value;
    if (!GetKey(section, "Segments", value, fault))
        return false;
    const char* begin = value.c_str();
    char* end = nullptr;
    errno = 0;
    const long n = std::strtol(begin, &end, 10);
    if (end == begin || errno == ERANGE || n < 1 || n > 0xFFFF)
    {
        SetInvalid(section, "Segments", value, "a whole number from 1 to 65535", fault);
        return false;
    }
    NoteRest("Segments", value, begin, end);
    out = static_cast<unsigned int>(n);
    return true;
}

// The map must have at least one cell, its cells must split evenly into
// the segments, and every vertex and index must fit in 32 bits.
bool CheckMapSize(const std::string& section, const std::string& heightmap, unsigned int w, unsigned int h,
                  unsigned int segments, SSettingsFault& fault)
{
    char line[200];
    if (w < 2 || h < 2)
    {
        std::snprintf(
            line, sizeof line,
            "Error: Heightmap size (%u x %u) should be at least 2 x 2 in CTerrainBuilder::BuildTerrain", w,
            h);
        fault.Set(section, "Heightmap", "an image of at least 2 x 2 pixels", line);
        return false;
    }
    if ((w - 1) % segments != 0 || (h - 1) % segments != 0)
    {
        std::snprintf(line, sizeof line, "Error: Heightmap size (%u x %u) should be: (a multiple of %u) + 1",
                      w, h, segments);
        char need[160];
        std::snprintf(need, sizeof need,
                      "each side of the heightmap less 1 a multiple of it (\"%s\" is %u x %u)",
                      heightmap.c_str(), w, h);
        fault.Set(section, "Segments", need, line);
        return false;
    }
    const uint64_t indexCount = 12ull * (w - 1) * (h - 1);
    if (indexCount > 0xFFFFFFFFull)
    {
        std::snprintf(line, sizeof line,
                      "Error: Heightmap size (%u x %u) is too large in CTerrainBuilder::BuildTerrain", w, h);
        fault.Set(section, "Heightmap", "an image of at most about 18900 x 18900 pixels", line);
        return false;
    }
    return true;
}

} // namespace

bool CTerrainBuilder::ReadSettings(const std::string& section, CTextureLoader* loader, STerrainSettings& keys,
                                   CRefPtr<CTextureProperties>& heightmap, SSettingsFault& fault)
{
    if (!GetFloatKey(section, "XSize", true, keys.xSize, fault) ||
        !GetFloatKey(section, "ZSize", true, keys.zSize, fault) ||
        !GetFloatKey(section, "YScale", false, keys.yScale, fault) ||
        !GetSegmentsKey(section, keys.segments, fault) ||
        !GetKey(section, "Heightmap", keys.heightmap, fault))
        return false;

    CRefPtr<CTextureProperties> image(new CTextureProperties);
    image->m_strName = keys.heightmap;
    if (!loader || !loader->LoadImage(keys.heightmap, image) ||
        image->m_Pixels.size() <
            static_cast<size_t>(image->m_usWidth) * image->m_usHeight * image->GetBytesPerPixel() ||
        image->GetBytesPerPixel() == 0)
    {
        fault.Set(section, "Heightmap", "a TGA image that can be read (from the working folder)",
                  "Error: m_pTextureLoader->LoadImage(" + keys.heightmap +
                      ") failed in CTerrainBuilder::BuildTerrain");
        return false;
    }
    if (!CheckMapSize(section, keys.heightmap, image->m_usWidth, image->m_usHeight, keys.segments, fault))
        return false;
    // A size so small that a cell comes out as 0 would make every cell flat
    // and every height query divide by zero.
    const float cellX = keys.xSize / static_cast<float>(image->m_usWidth - 1);
    const float cellZ = keys.zSize / static_cast<float>(image->m_usHeight - 1);
    if (!(cellX > 0.0f) || !(cellZ > 0.0f))
    {
        const bool x = !(cellX > 0.0f);
        char line[200];
        std::snprintf(line, sizeof line,
                      "Error: Invalid \"%s\"-Value \"%g\" from \"%s\" in CTerrainBuilder::BuildTerrain",
                      x ? "XSize" : "ZSize", x ? keys.xSize : keys.zSize, section.c_str());
        fault.Set(section, x ? "XSize" : "ZSize", "a size large enough for a heightmap cell", line);
        return false;
    }
    if (!GetKey(section, "TerrainTexture1", keys.texture1, fault) ||
        !GetKey(section, "TerrainTexture2", keys.texture2, fault))
        return false;
    heightmap = image;
    return true;
}

namespace
{

void BuildVertices(const CImage& image, const STerrainSettings& keys, STerrainMesh& mesh)
{
    const unsigned int w = mesh.width, h = mesh.height;
    const unsigned int bpp = image.GetBytesPerPixel();
    const float cellX = mesh.cellX, cellZ = mesh.cellZ;
    const size_t count = static_cast<size_t>(w) * h + static_cast<size_t>(w - 1) * (h - 1);
    mesh.points.reserve(count * 3);
    mesh.uv0.reserve(count);
    mesh.uv1.reserve(count);

    for (unsigned int z = 0; z < h; ++z)
        for (unsigned int x = 0; x < w; ++x)
        {
            const float y = image.m_Pixels[(static_cast<size_t>(z) * w + x) * bpp] * keys.yScale;
            mesh.points.insert(mesh.points.end(),
                               {static_cast<float>(x) * cellX, y, static_cast<float>(z) * cellZ});
            mesh.uv0.push_back({static_cast<float>(x) / w, static_cast<float>(z) / h});
            mesh.uv1.push_back({static_cast<float>(x % 2), static_cast<float>(z % 2)});
        }
    for (unsigned int z = 0; z + 1 < h; ++z)
        for (unsigned int x = 0; x + 1 < w; ++x)
        {
            const uint32_t a = z * w + x;
            // The sum in double is exact, so a flat cell's centre keeps the corners' height.
            const double sum = static_cast<double>(mesh.points[a * 3 + 1]) + mesh.points[(a + 1) * 3 + 1] +
                               mesh.points[(a + w) * 3 + 1] + mesh.points[(a + w + 1) * 3 + 1];
            const float cx = static_cast<float>(x) + 0.5f, cz = static_cast<float>(z) + 0.5f;
            mesh.points.insert(mesh.points.end(), {cx * cellX, static_cast<float>(0.25 * sum), cz * cellZ});
            mesh.uv0.push_back({cx / w, cz / h});
            mesh.uv1.push_back({0.5f, 0.5f});
        }
}

// Four triangles per cell around its centre c: (a, c, a+1), (a+1, c, a+W+1),
// (a+W+1, c, a+W), (a+W, c, a). Seen from above they all turn the same way,
// so (v1 - v0) x (v2 - v0) points up for each.
void BuildIndices(STerrainMesh& mesh)
{
    const unsigned int w = mesh.width, h = mesh.height;
    mesh.indices.reserve(static_cast<size_t>(w - 1) * (h - 1) * 12);
    for (unsigned int z = 0; z + 1 < h; ++z)
        for (unsigned int x = 0; x + 1 < w; ++x)
        {
            const uint32_t a = z * w + x, c = mesh.Centre(x, z);
            mesh.indices.insert(mesh.indices.end(),
                                {a, c, a + 1, a + 1, c, a + w + 1, a + w + 1, c, a + w, a + w, c, a});
        }
}

void BuildNormals(STerrainMesh& mesh)
{
    const unsigned int w = mesh.width, h = mesh.height;
    const size_t triangles = mesh.indices.size() / 3;
    mesh.faceNormals.resize(triangles);
    for (size_t t = 0; t < triangles; ++t)
    {
        const CVector3 p0 = mesh.Position(mesh.indices[t * 3]);
        const CVector3 p1 = mesh.Position(mesh.indices[t * 3 + 1]);
        const CVector3 p2 = mesh.Position(mesh.indices[t * 3 + 2]);
        mesh.faceNormals[t] = (p1 - p0).Cross(p2 - p0).Normalized();
    }

    mesh.normals.resize(mesh.points.size() / 3);
    // A grid point touches two triangles of each cell around it (triangles
    // counted 0..3 here).
    for (unsigned int z = 0; z < h; ++z)
        for (unsigned int x = 0; x < w; ++x)
        {
            CVector3 sum;
            if (x > 0 && z > 0)
                sum += mesh.Face(x - 1, z - 1, 1) + mesh.Face(x - 1, z - 1, 2);
            if (x + 1 < w && z > 0)
                sum += mesh.Face(x, z - 1, 2) + mesh.Face(x, z - 1, 3);
            if (x > 0 && z + 1 < h)
                sum += mesh.Face(x - 1, z, 0) + mesh.Face(x - 1, z, 1);
            if (x + 1 < w && z + 1 < h)
                sum += mesh.Face(x, z, 0) + mesh.Face(x, z, 3);
            mesh.normals[static_cast<size_t>(z) * w + x] = sum.Normalized();
        }
    for (unsigned int z = 0; z + 1 < h; ++z)
        for (unsigned int x = 0; x + 1 < w; ++x)
        {
            const CVector3 sum =
                mesh.Face(x, z, 0) + mesh.Face(x, z, 1) + mesh.Face(x, z, 2) + mesh.Face(x, z, 3);
            mesh.normals[mesh.Centre(x, z)] = sum.Normalized();
        }
}

// The render material: white diffuse, black ambient, no lighting, no shader.
SMaterialData TerrainMaterial()
{
    SMaterialData m;
    for (int i = 0; i < 4; ++i)
    {
        m.m_Ambient[i] = 0.0;
        m.m_Diffuse[i] = 1.0;
        m.m_Emissive[i] = 0.0;
        m.m_Specular[i] = 0.0;
    }
    m.m_dShininess = 0.0;
    // The terrain is opaque.
    m.m_dOpacity = 1.0;
    m.m_dReflectivity = 0.0;
    m.m_bLighting = false;
    return m;
}

// One model per segment: its cells' triangles, corner by corner.
CRefPtr<CModelData> BuildSegment(const STerrainMesh& mesh, const STerrainSettings& keys, unsigned int sx,
                                 unsigned int sz)
{
    const unsigned int w = mesh.width;
    const unsigned int cellsX = (mesh.width - 1) / keys.segments, cellsZ = (mesh.height - 1) / keys.segments;
    CRefPtr<CModelData> model(new CModelData);
    STriangleGroupData* group = model->AddTriangleGroup(2);
    group->m_iMaterialIndex = model->AddMaterial(TerrainMaterial());
    group->m_LayerTextures[0] = static_cast<uint32_t>(model->AddTexture(STextureData(keys.texture1, 0)));
    group->m_LayerTextures[1] = static_cast<uint32_t>(model->AddTexture(STextureData(keys.texture2, 0)));
    group->m_LayerBlendModes.push_back(0);
    group->m_LayerBlendModes.push_back(0);

    for (unsigned int z = sz * cellsZ; z < (sz + 1) * cellsZ; ++z)
        for (unsigned int x = sx * cellsX; x < (sx + 1) * cellsX; ++x)
        {
            const size_t first = (static_cast<size_t>(z) * (w - 1) + x) * 12;
            for (size_t k = first; k < first + 12; ++k)
            {
                const uint32_t v = mesh.indices[k];
                const TTexCoord uv[2] = {mesh.uv0[v], mesh.uv1[v]};
                group->AddVertex(mesh.Position(v), mesh.normals[v], uv);
            }
        }
    return model;
}

} // namespace

CTerrainBuilder::CTerrainBuilder(const CRefPtr<CTextureLoader>& textureLoader)
    : m_pTextureLoader(textureLoader)
{
}

CTerrainBuilder::~CTerrainBuilder()
{
    m_pTextureLoader.Release();
}

bool CTerrainBuilder::BuildTerrain(const std::string& section, CTerrainInfo* info,
                                   std::vector<CRefPtr<CModelData>>& models)
{
    STerrainSettings keys;
    CRefPtr<CTextureProperties> image;
    SSettingsFault fault;
    if (!ReadSettings(section, m_pTextureLoader.Get(), keys, image, fault))
    {
        Log(1, "%s", fault.logLine.c_str());
        return false;
    }
    STerrainMesh mesh;
    mesh.width = image->m_usWidth;
    mesh.height = image->m_usHeight;
    mesh.cellX = keys.xSize / static_cast<float>(mesh.width - 1);
    mesh.cellZ = keys.zSize / static_cast<float>(mesh.height - 1);

    BuildVertices(*image, keys, mesh);
    BuildIndices(mesh);

    CRefPtr<CPhysXTriangleMesh> collision;
    if (CEngineServices* services = CEngineServices::GetInstance())
        if (CRefPtr<CPhysXMgr>& physics = services->GetPhysXMgr())
            collision = physics->CookTerrain(static_cast<uint32_t>(mesh.points.size() / 3),
                                             static_cast<uint32_t>(mesh.indices.size()), mesh.points.data(),
                                             mesh.indices.data(), kCollisionDepth);
    if (!collision)
    {
        Log(1, "Error: CookTerrain failed in CTerrainBuilder::BuildTerrain");
        return false;
    }
    if (info && !info->Create(image->m_usWidth, image->m_usHeight, image->m_Pixels.data(),
                              static_cast<uint8_t>(image->GetBytesPerPixel()), mesh.cellX, mesh.cellZ,
                              keys.yScale, collision))
    {
        Log(1, "Error: pTerrainInfo->Create failed in CTerrainBuilder::BuildTerrain");
        return false;
    }
    image.Release();

    BuildNormals(mesh);
    std::vector<CRefPtr<CModelData>> built(static_cast<size_t>(keys.segments) * keys.segments);
    for (unsigned int sz = 0; sz < keys.segments; ++sz)
        for (unsigned int sx = 0; sx < keys.segments; ++sx)
            built[static_cast<size_t>(sz) * keys.segments + sx] = BuildSegment(mesh, keys, sx, sz);
    models.swap(built);
    return true;
}
