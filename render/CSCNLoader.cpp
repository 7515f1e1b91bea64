#include "render/CSCNLoader.h"

#include "app/Log.h"
#include "platform/sys/PathResolver.h"
#include "scenesdk/fileio/KScnTree.h"
#include "scenesdk/kernel/KBlockArray.h"
#include "scenesdk/kernel/KColorRGBA.h"
#include "scenesdk/kernel/KScnImporter.h"
#include "scenesdk/kernel/KScnLayer.h"
#include "scenesdk/kernel/KScnLayerElement.h"
#include "scenesdk/kernel/KScnMaterial.h"
#include "scenesdk/kernel/KScnMesh.h"
#include "scenesdk/kernel/KScnNode.h"
#include "scenesdk/kernel/KScnNodeAttribute.h"
#include "scenesdk/kernel/KScnPropertyRef.h"
#include "scenesdk/kernel/KScnSceneRoot.h"
#include "scenesdk/kernel/KScnSdkManager.h"
#include "scenesdk/kernel/KScnTexture.h"
#include "scenesdk/kernel/KScnTriangulator.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <memory>
#include <system_error>
#include <vector>

using namespace scenesdk;

namespace
{

// Extension (lower case) to importer format; everything else is format 0.
struct SFormatEntry
{
    const char* m_szExtension;
    int m_iFormat;
};
const SFormatEntry kFormats[] = {{"obj", 5}, {"3ds", 4}, {"dxf", 3}};

// Texture blend mode (translucent, additive, modulate) to STextureData code;
// any other mode gives replace.
const int kBlendCodes[] = {STextureData::BLEND_REPLACE, STextureData::BLEND_ADD,
                           STextureData::BLEND_MODULATE};

// Import states switched on for our own scene formats (7 keeps its default).
const int kImportStates[] = {1, 2, 3, 4, 5, 6, 8};

const char* const kSettingsPrefix = "mat_";
const char* const kShaderPrefix = "s_";

std::string NameOf(const KScnNode* node)
{
    return node->GetNameWithoutPrefix().Buffer();
}

bool HasAttribute(const KScnNode* node, int kind)
{
    const KScnNodeAttribute* attribute = node->GetNodeAttribute();
    return attribute != nullptr && attribute->GetAttributeKind() == kind;
}

// Depth first from each child of the root in index order (the node, then its
// children); the root itself is not looked at. Any depth is walked.
KScnNode* FindBelow(KScnNode* node, const std::function<bool(KScnNode*)>& match)
{
    return KScnFindInTree(node, false, match);
}

void CopyColour(const KColorRGBA& colour, double* out)
{
    out[0] = colour.mRed;
    out[1] = colour.mGreen;
    out[2] = colour.mBlue;
    out[3] = colour.mAlpha;
}

// A Bool or Real user property as a number; false when missing or of another
// type.
bool ReadNumber(const KScnNode* node, const char* name, double& out)
{
    KScnPropertyRef* property = node->FindUserPropertyByName(name);
    if (property == nullptr)
        return false;
    switch (property->GetPropertyDataType())
    {
    case 1:
    {
        bool value = false;
        property->GetBool(value);
        out = value ? 1.0 : 0.0;
        return true;
    }
    case 2:
        property->GetDouble(out);
        return true;
    default:
        return false;
    }
}

// Entry n of an IndexToDirect element: the direct position, or -1 when the
// index entry or the position it names is outside its array.
int DirectIndex(const KScnLayerElement* element, int n)
{
    const int index = element->GetIndexAt(n);
    return index >= 0 && index < element->GetDirectCount() ? index : -1;
}

// Position in the element's direct array of the value one polygon corner
// takes, by the element's mapping (the corner's control point, its
// polygon-vertex position, its polygon, or the one value of all) and its
// reference (direct, or through the index array); -1 for another mapping or
// reference, or a position outside the arrays.
int ValueIndex(const KScnLayerElement* element, int controlPoint, int polygonVertex, int polygon)
{
    int n = -1;
    switch (element->GetMappingMode())
    {
    case KScnLayerElement::eByControlPoint:
        n = controlPoint;
        break;
    case KScnLayerElement::eByPolygonVertex:
        n = polygonVertex;
        break;
    case KScnLayerElement::eByPolygon:
        n = polygon;
        break;
    case KScnLayerElement::eAllSame:
        n = 0;
        break;
    default:
        return -1;
    }
    switch (element->GetReferenceMode())
    {
    case KScnLayerElement::eDirect:
        return n >= 0 && n < element->GetDirectCount() ? n : -1;
    case KScnLayerElement::eIndexToDirect:
        return DirectIndex(element, n);
    default:
        return -1;
    }
}

// True when ValueIndex can read the element: a mapping and a reference it
// knows.
bool Readable(const KScnLayerElement* element)
{
    const int mapping = element->GetMappingMode();
    const int reference = element->GetReferenceMode();
    return mapping >= KScnLayerElement::eByControlPoint && mapping <= KScnLayerElement::eAllSame &&
           (reference == KScnLayerElement::eDirect || reference == KScnLayerElement::eIndexToDirect);
}

std::string Lower(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

} // namespace

CSCNLoader::CSCNLoader()
{
    m_pManager = KScnSdkManager::CreateManager();
    if (m_pManager == nullptr)
    {
        Log(1, "SCN-SDK INIT Failed in CSCNLoader::CSCNLoader(void)");
        m_bInitialised = 0;
        return;
    }
    m_pImporter = m_pManager->CreateImporter();
    m_pTriangulator = m_pManager->CreateTriangulator();
    m_bInitialised = 1;
}

CSCNLoader::~CSCNLoader()
{
    if (m_pManager != nullptr)
    {
        if (m_pScene != nullptr)
            m_pManager->DestroyScene(m_pScene, true);
        if (m_pImporter != nullptr)
            m_pManager->DestroyImporter(m_pImporter);
        if (m_pTriangulator != nullptr)
            m_pManager->DestroyTriangulator(m_pTriangulator);
    }
    delete m_pManager;
}

int CSCNLoader::FileFormatFromName(const std::string& fileName)
{
    const size_t dot = fileName.rfind('.');
    if (dot == std::string::npos)
        return 0;
    const std::string ext = Lower(fileName.substr(dot + 1));
    for (const SFormatEntry& entry : kFormats)
    {
        if (ext == entry.m_szExtension)
            return entry.m_iFormat;
    }
    return 0;
}

bool CSCNLoader::IsModelFile(const std::string& fileName, std::string& kind)
{
    // Enough for a text scene file's leading comments.
    constexpr size_t kSample = 64 * 1024;
    std::vector<char> head(kSample);
    std::ifstream file(plat::ResolvePath(fileName), std::ios::binary);
    if (file)
        file.read(head.data(), static_cast<std::streamsize>(head.size()));
    head.resize(file.is_open() ? static_cast<size_t>(file.gcount()) : 0);
    const bool text = !head.empty() && std::find(head.begin(), head.end(), '\0') == head.end();
    switch (FileFormatFromName(fileName))
    {
    case 5:
        kind = "an OBJ model (text)";
        return text;
    case 4:
        kind = "a 3DS model (main chunk 4D4D)";
        return head.size() >= 6 && head[0] == 0x4D && head[1] == 0x4D;
    case 3:
        kind = "a DXF drawing (text or binary)";
        return text || (head.size() >= 22 && std::memcmp(head.data(), "AutoCAD Binary DXF", 18) == 0);
    default:
        kind = "a scene file (text, binary or encrypted)";
        return ScnDetectFileKind(head.data(), head.size()) != eScnKindUnknown;
    }
}

bool CSCNLoader::LoadScene(const std::string& fileName)
{
    m_strLastError.clear();
    if (!m_bInitialised)
    {
        m_strLastError = "the scene SDK could not be started";
        return false;
    }
    if (m_pScene != nullptr)
        m_pManager->DestroyScene(m_pScene, true);
    m_pScene = nullptr;
    m_pRootNode = nullptr;
    m_pMesh = nullptr;
    m_pScene = m_pManager->CreateScene();
    if (m_pScene == nullptr)
    {
        m_strLastError = "no scene could be made for it";
        return false;
    }
    if (!Import(fileName))
    {
        m_pManager->DestroyScene(m_pScene, true);
        m_pScene = nullptr;
        return false;
    }
    m_pRootNode = m_pScene->GetRootNode();
    m_bForeignScene = FileFormatFromName(fileName) >= 3 ? 1 : 0;
    return m_pRootNode != nullptr;
}

bool CSCNLoader::LoadSceneTriangulated(const std::string& fileName)
{
    m_bTriangulate = 1;
    return LoadScene(fileName);
}

bool CSCNLoader::Import(const std::string& fileName)
{
    const int format = FileFormatFromName(fileName);
    m_pImporter->SetFileFormat(format);
    // The model factory hands over lower-cased names, while the data folders
    // keep their mixed case: the path resolver finds the file as it is spelt.
    if (!m_pImporter->Initialize(plat::ResolvePath(fileName).c_str()))
    {
        Log(16, "Call to KScnImporter::Initialize() failed.\n");
        LogImporterError();
        const int id = m_pImporter->GetLastErrorID();
        if (id == KScnIO::eFileVersionNotSupportedYet || id == KScnIO::eFileVersionNotSupportedAnymore)
        {
            int version[3] = {0, 0, 0};
            KScnIO::GetCurrentVersion(&version[0], &version[1], &version[2]);
            Log(16, "SCN version number for this version of the scene SDK is %d.%d.%d\n", version[0],
                version[1], version[2]);
            m_pImporter->GetFileVersion(&version[0], &version[1], &version[2]);
            Log(16, "SCN version number for file %s is %d.%d.%d\n\n", fileName.c_str(), version[0], version[1],
                version[2]);
        }
        return false;
    }
    if (format <= 2)
        LogTakes();

    bool ok = m_pImporter->Import(m_pScene);
    if (!ok && m_pImporter->GetLastErrorID() == KScnIO::ePasswordError)
    {
        Log(8, "Please enter password: ");
        char password[1024] = "";
        // End of input leaves the password empty; the retry then fails.
        if (std::scanf("%1023s", password) != 1)
            password[0] = '\0';
        m_pImporter->SetPassword(password);
        ok = m_pImporter->Import(m_pScene);
        if (!ok && m_pImporter->GetLastErrorID() == KScnIO::ePasswordError)
        {
            Log(1, "\nPassword is wrong, import aborted.\n");
            m_strLastError = "the password is wrong";
        }
    }
    // Any other failure (a file without a reader, a missing file whose name
    // does not say it is a scene file, a broken body) is reported too, so
    // that no model fails silently.
    if (!ok && m_pImporter->GetLastErrorID() != KScnIO::ePasswordError)
    {
        Log(16, "Call to KScnImporter::Import() failed.\n");
        LogImporterError();
    }
    return ok;
}

// The importer's error, with the reader's own reason (the object and the
// problem) when it gave one that the error does not already say.
void CSCNLoader::LogImporterError()
{
    const char* reason = m_pImporter->GetStatusText();
    const char* error = m_pImporter->GetLastErrorString();
    m_strLastError = error != nullptr ? error : "";
    if (reason != nullptr && reason[0] != '\0' && (error == nullptr || std::strcmp(reason, error) != 0))
        m_strLastError += " (" + std::string(reason) + ")";
    Log(16, "Error returned: %s\n\n", m_strLastError.c_str());
}

void CSCNLoader::LogTakes()
{
    int version[3];
    m_pImporter->GetFileVersion(&version[0], &version[1], &version[2]);
    const int count = m_pImporter->GetTakeCount();
    for (int i = 0; i < count; ++i)
    {
        const KScnTakeDescription* take = m_pImporter->GetTakeDescription(i);
        if (take == nullptr)
            continue;
        Log(0, "    Take %d\n", i);
        Log(0, "         Name: \"%s\"\n", take->mName.Buffer());
        Log(0, "         Description: \"%s\"\n", take->mDescription.Buffer());
        Log(0, "         Import Name: \"%s\"\n", take->mImportName.Buffer());
        Log(0, "         Import State: %s\n", take->mFlags != 0 ? "true" : "false");
        Log(0, "\n");
    }
    for (int state : kImportStates)
        m_pImporter->SetState(state, true);
}

bool CSCNLoader::Load(CRefPtr<CModelData> target)
{
    m_strLastError.clear();
    if (m_pScene == nullptr || m_pRootNode == nullptr || !target)
    {
        m_strLastError = "no scene is loaded";
        return false;
    }
    m_pModelData = target.Get();
    KScnNode* meshNode = FindMeshNode();
    bool ok = false;
    if (meshNode != nullptr)
    {
        m_pMesh = static_cast<KScnMesh*>(meshNode->GetMesh());
        ok = m_pMesh != nullptr && ConvertMesh();
        if (!ok)
            m_strLastError = "its mesh cannot be converted";
    }
    else
        m_strLastError = "it holds no mesh";
    m_pModelData = nullptr;
    return ok;
}

bool CSCNLoader::KeepObjectA(CRefPtr<CRefCounted> object)
{
    if (m_pScene == nullptr)
        return false;
    m_pKeptA = object.Get();
    return true;
}

bool CSCNLoader::KeepObjectB(CRefPtr<CRefCounted> object)
{
    if (m_pScene == nullptr)
        return false;
    m_pKeptB = object.Get();
    return true;
}

KScnNode* CSCNLoader::FindMeshNode() const
{
    return FindBelow(m_pRootNode,
                     [](KScnNode* node) { return HasAttribute(node, KScnNodeAttribute::eMesh); });
}

KScnNode* CSCNLoader::FindSettingsNode(const std::string& name) const
{
    const std::string wanted = kSettingsPrefix + name;
    return FindBelow(m_pRootNode, [&wanted](KScnNode* node)
                     { return HasAttribute(node, KScnNodeAttribute::eNull) && NameOf(node) == wanted; });
}

bool CSCNLoader::ConvertMesh()
{
    KScnMesh* const sceneMesh = m_pMesh;
    // The game draws triangles: every mesh is triangulated, whatever file it
    // came from (the flag of LoadSceneTriangulated is spent all the same).
    // The triangulated copy lives for this conversion only; it goes back to
    // the manager that made it.
    KScnSdkManager* const manager = m_pManager;
    auto giveBack = [manager](KScnMesh* mesh) { manager->DestroyNodeAttribute(mesh); };
    std::unique_ptr<KScnMesh, decltype(giveBack)> triangulated(nullptr, giveBack);
    m_bTriangulate = 0;
    triangulated.reset(m_pTriangulator->TriangulateMesh(*sceneMesh));
    if (!triangulated)
        return false;
    const char* warning = m_pTriangulator->GetStatusText();
    if (warning != nullptr && warning[0] != '\0')
        Log(2, "%s", warning);
    m_pMesh = triangulated.get();
    bool ok = false;
    const KScnLayer* layer0 = m_pMesh->GetLayer(0);
    const KScnLayerElement* normals = layer0 != nullptr ? layer0->GetNormalElement() : nullptr;
    // Scene files give one normal per control point; the foreign formats one
    // per polygon corner (directly or through an index).
    const bool byPoint = normals != nullptr &&
                         normals->GetMappingMode() == KScnLayerElement::eByControlPoint &&
                         normals->GetReferenceMode() == KScnLayerElement::eDirect;
    const bool byCorner = normals != nullptr &&
                          normals->GetMappingMode() == KScnLayerElement::eByPolygonVertex &&
                          normals->GetReferenceMode() != KScnLayerElement::eIndex;
    if (m_pMesh->GetControlPoints() != nullptr && m_pMesh->GetNormals() != nullptr && (byPoint || byCorner))
    {
        const int texLayers = m_pMesh->GetLayerCount(KScnLayerElement::eTexture);
        const int uvLayers = m_pMesh->GetLayerCount(KScnLayerElement::eUV);
        ok = ConvertPolygons(texLayers > 0 && texLayers == uvLayers);
    }
    m_GroupSlots.clear();
    m_pMesh = sceneMesh;
    return ok;
}

bool CSCNLoader::CollectMaterials(std::vector<int>& perPolygon)
{
    const int polygons = m_pMesh->GetPolygonCount();
    const KScnLayerElement* element = m_pMesh->GetLayer(0)->GetMaterialElement();
    if (element == nullptr)
        return false;
    const int mapping = element->GetMappingMode();
    const int reference = element->GetReferenceMode();
    std::vector<int> list;
    if (mapping == KScnLayerElement::eByPolygon && reference == KScnLayerElement::eIndexToDirect)
    {
        for (int i = 0; i < element->GetDirectCount(); ++i)
            list.push_back(
                m_pModelData->AddMaterial(ConvertMaterial(element->GetDirect<KScnMaterial*>()[i])));
        for (int p = 0; p < polygons; ++p)
        {
            const int entry = DirectIndex(element, p);
            if (entry < 0)
                return false;
            perPolygon.push_back(list[entry]);
        }
        return true;
    }
    KScnMaterial* first = nullptr;
    if (mapping == KScnLayerElement::eAllSame && reference == KScnLayerElement::eIndexToDirect)
    {
        if (element->GetDirectCount() > 0)
            first = element->GetDirect<KScnMaterial*>()[0];
    }
    else if (mapping == KScnLayerElement::eAllSame && reference == KScnLayerElement::eIndex)
    {
        KPointerArray<KScnMaterial> materials;
        if (m_pScene->FillMaterialArray(materials) > 0)
            first = materials.GetAt(0);
    }
    if (first == nullptr)
        return false;
    perPolygon.assign(polygons, m_pModelData->AddMaterial(ConvertMaterial(first)));
    return true;
}

bool CSCNLoader::ConvertPolygons(bool useTexCoords)
{
    std::vector<int> materialOf;
    if (!CollectMaterials(materialOf))
        return false;
    const KScnLayer* layer0 = m_pMesh->GetLayer(0);
    // Colours and UVs are read by their elements' mapping and reference;
    // colours of a kind that cannot be read are left out.
    const KScnLayerElement* colours = layer0->GetColorElement();
    if (colours != nullptr && !Readable(colours))
        colours = nullptr;
    const KScnLayerElement* normals = layer0->GetNormalElement();
    const bool normalPerCorner = normals->GetMappingMode() == KScnLayerElement::eByPolygonVertex;
    const KgeTVector* points = m_pMesh->GetControlPoints();
    const int pointCount = normalPerCorner
                               ? m_pMesh->GetControlPointsCount()
                               : std::min(m_pMesh->GetControlPointsCount(), normals->GetDirectCount());
    for (int p = 0; p < m_pMesh->GetPolygonCount(); ++p)
    {
        SGroupSlot& slot = m_GroupSlots[materialOf[p]];
        if (slot.m_iGroup < 0 && !OpenGroup(p, materialOf[p], slot, useTexCoords))
            return false;
        STriangleGroupData* group = m_pModelData->m_TriangleGroups[slot.m_iGroup];
        const int firstCorner = m_pMesh->GetPolygonVertexIndex(p);
        for (int k = 0; k < 3; ++k)
        {
            const int polygonVertex = firstCorner + k;
            const int cp = m_pMesh->GetPolygonVertex(p, k);
            if (cp < 0 || cp >= pointCount)
                return false;
            const KgeTVector& pt = points[cp];
            const int normalAt = normalPerCorner ? normals->GetReferencedIndex(polygonVertex) : cp;
            if (normalAt < 0)
                return false;
            const KgeTVector n = normals->GetDirectVector(normalAt);
            const CVector3 position(static_cast<float>(pt[0]), static_cast<float>(pt[1]),
                                    static_cast<float>(pt[2]));
            const CVector3 normal(static_cast<float>(n[0]), static_cast<float>(n[1]),
                                  static_cast<float>(n[2]));
            TVertexColour colour = {1.0f, 1.0f, 1.0f, 1.0f};
            if (colours != nullptr)
            {
                const int c = ValueIndex(colours, cp, polygonVertex, p);
                if (c < 0)
                    return false;
                const KgeTVector value = colours->GetDirectVector(c);
                colour = {float(value[0]), float(value[1]), float(value[2]), float(value[3])};
            }
            std::vector<TTexCoord> uv(slot.m_iLayerCount);
            for (int l = 0; l < slot.m_iLayerCount; ++l)
            {
                const KScnLayer* layer = m_pMesh->GetLayerOfType(l, KScnLayerElement::eUV);
                const KScnLayerElement* uvs = layer->GetUVElement();
                const int u = ValueIndex(uvs, cp, polygonVertex, p);
                if (u < 0)
                    return false;
                const KgeUVVector& pair = uvs->GetDirect<KgeUVVector>()[u];
                uv[l] = {float(pair.u), float(pair.v)};
            }
            if (colours != nullptr && !uv.empty())
                group->AddVertex(position, normal, colour, uv.data());
            else if (!uv.empty())
                group->AddVertex(position, normal, uv.data());
            else if (colours != nullptr)
                group->AddVertex(position, normal, colour);
            else
                group->AddVertex(position, normal);
        }
    }
    return true;
}

bool CSCNLoader::OpenGroup(int polygon, int material, SGroupSlot& slot, bool useTexCoords)
{
    std::vector<uint32_t> textures;
    const int texLayers = useTexCoords ? m_pMesh->GetLayerCount(KScnLayerElement::eTexture) : 0;
    for (int l = 0; l < texLayers && textures.size() < 255; ++l)
    {
        const auto* element = m_pMesh->GetLayerOfType(l, KScnLayerElement::eTexture)->GetTextureElement();
        if (element->GetMappingMode() != KScnLayerElement::eByPolygon)
        {
            Log(16, "MappingMode for Texture on Layer %d not yet implemented!", l);
            return false;
        }
        if (element->GetReferenceMode() != KScnLayerElement::eIndexToDirect)
        {
            Log(16, "ReferenceMode for Texture on Layer %d not yet implemented!", l);
            return false;
        }
        if (element->GetIndexAt(polygon) == -1)
            continue;
        const int entry = DirectIndex(element, polygon);
        KScnTexture* texture = entry >= 0 ? element->GetDirect<KScnTexture*>()[entry] : nullptr;
        if (texture == nullptr)
            return false;
        const unsigned mode = static_cast<unsigned>(texture->GetBlendMode());
        const int blend = mode < sizeof kBlendCodes / sizeof kBlendCodes[0] ? kBlendCodes[mode]
                                                                            : STextureData::BLEND_REPLACE;
        textures.push_back(m_pModelData->AddTexture(STextureData(texture->GetFileName(), blend)));
    }
    slot.m_iGroup = static_cast<int>(m_pModelData->m_TriangleGroups.size());
    slot.m_iLayerCount = static_cast<int>(textures.size());
    STriangleGroupData* group = m_pModelData->AddTriangleGroup(static_cast<uint8_t>(textures.size()));
    group->m_iMaterialIndex = material;
    group->m_LayerTextures = textures;
    group->m_LayerBlendModes.assign(textures.size(), 0);
    return true;
}

SMaterialData CSCNLoader::ConvertMaterial(KScnMaterial* material) const
{
    SMaterialData data;
    // An entry whose material was destroyed is empty: the default material.
    if (material == nullptr)
        return data;
    const KScnMaterial& source = *material;
    CopyColour(source.GetAmbient(), data.m_Ambient);
    CopyColour(source.GetDiffuse(), data.m_Diffuse);
    CopyColour(source.GetSpecular(), data.m_Specular);
    CopyColour(source.GetEmissive(), data.m_Emissive);
    // Without settings a foreign model's colours show only when lit.
    data.m_bLighting = m_bForeignScene != 0;
    // Each value from the settings node where it gives one, else from the
    // material where its file wrote it, else the game's default.
    const KScnMaterialProperties& own = *source.GetMaterialProperties();
    data.m_dShininess = own.IsWritten(own.Shininess) ? 128.0 * source.GetDefaultShininess() : 90.0;
    data.m_dOpacity = own.IsWritten(own.Opacity) ? source.GetDefaultOpacity() : 1.0;
    data.m_dReflectivity = own.IsWritten(own.Reflectivity) ? source.GetDefaultReflectivity() : 0.0;
    KScnNode* settings = FindSettingsNode(material->GetNameWithoutPrefix().Buffer());
    if (settings == nullptr)
        return data;
    double value = 0.0;
    if (ReadNumber(settings, "reflectivity", value))
        data.m_dReflectivity = value;
    if (ReadNumber(settings, "opacity", value))
        data.m_dOpacity = value;
    if (ReadNumber(settings, "exponent", value))
        data.m_dShininess = 128.0 * value;
    if (ReadNumber(settings, "useLighting", value))
        data.m_bLighting = value != 0.0;
    ReadShaderNodes(settings, data);
    return data;
}

void CSCNLoader::ReadShaderNodes(KScnNode* settings, SMaterialData& data) const
{
    const size_t prefixLength = std::string(kShaderPrefix).size();
    for (int i = 0; i < settings->GetChildCount(); ++i)
    {
        KScnNode* shader = settings->GetChild(i);
        const std::string name = shader != nullptr ? NameOf(shader) : std::string();
        if (name.compare(0, prefixLength, kShaderPrefix) != 0)
            continue;
        data.m_strShader = name.substr(prefixLength) + ".cg";
        for (int k = 0; k < shader->GetChildCount(); ++k)
        {
            const KScnNode* parameter = shader->GetChild(k);
            const std::string text = parameter != nullptr ? NameOf(parameter) : std::string();
            // Name in characters 1-9, type letter 11, value from 13 on.
            if (text.size() >= 11 && text[10] == 's')
                data.m_Parameters.emplace_back(text.substr(0, 9), text.size() > 12 ? text.substr(12) : "");
        }
    }
}
