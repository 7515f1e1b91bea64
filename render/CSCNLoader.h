#pragma once

#include "app/CRefCounted.h"
#include "render/CModelData.h"

#include <map>
#include <string>
#include <vector>

namespace scenesdk
{
class KScnImporter;
class KScnMaterial;
class KScnMesh;
class KScnNode;
class KScnSceneRoot;
class KScnSdkManager;
class KScnTriangulator;
} // namespace scenesdk

// The game's bridge to the scene SDK: imports one scene file at a time and
// converts the scene's first mesh, with its materials, textures and vertex
// data, into a CModelData. Every mesh is triangulated first
// (KScnTriangulator::TriangulateMesh): polygons of any size are drawn whole.
// Colours and texture coordinates are read per polygon corner by their
// elements' mapping (control point, polygon vertex, polygon, all same) and
// reference (direct or index to direct).
//
// Model-file convention: a null node named "mat_" + material name (anywhere
// below the root) carries the game settings of that material as user
// properties "reflectivity", "opacity", "exponent" (shininess / 128) and
// "useLighting"; a child "s_<base>" of it names the Cg shader "<base>.cg",
// and each child of a shader node is one string parameter named
// "<9-char name>?s?<value>". Reflectivity, opacity and shininess are each
// the node's value where it gives one, else the material's own where its
// file wrote one, else the game's default (reflectivity 0, opacity 1,
// shininess 90).
class CSCNLoader : public CRefCounted
{
public:
    CSCNLoader();
    virtual ~CSCNLoader();

    CSCNLoader(const CSCNLoader&) = delete;
    CSCNLoader& operator=(const CSCNLoader&) = delete;

    // Reads the file into a new scene (replacing the previous one). A
    // protected file prompts once for its password on standard input. A
    // failure's trace lines go to "Error.log" only; GetLastError says why.
    virtual bool LoadScene(const std::string& fileName);
    // Sets the triangulate flag, then LoadScene; the next conversion spends
    // the flag (every conversion triangulates, flag or not).
    virtual bool LoadSceneTriangulated(const std::string& fileName);
    // Converts the loaded scene's first mesh into target (again on every
    // call). On failure the target keeps what was added before it.
    virtual bool Load(CRefPtr<CModelData> target);
    // Store the raw pointer while a scene is loaded (true); never read here.
    virtual bool KeepObjectA(CRefPtr<CRefCounted> object);
    virtual bool KeepObjectB(CRefPtr<CRefCounted> object);

    // Import format from the file name's extension: "obj" 5, "3ds" 4, "dxf"
    // 3 (any case), else 0 (our own scene format).
    static int FileFormatFromName(const std::string& fileName);

    // Whether a model file is of a kind the importer reads for its name's
    // format, told from its first bytes only (nothing is imported): a text,
    // binary or encrypted scene file for our own format, a main chunk for
    // 3DS, text (or a binary DXF's sentinel) for OBJ and DXF. False for a
    // file that cannot be opened; kind then says what the file should be.
    static bool IsModelFile(const std::string& fileName, std::string& kind);

    bool IsInitialised() const { return m_bInitialised != 0; }
    // Why the last LoadScene or Load failed, for a player's message: the
    // importer's error with the reader's reason ("File is corrupted
    // (expected a value at byte 26486)"), or what the conversion missed;
    // empty after a success.
    const std::string& GetLastError() const { return m_strLastError; }

private:
    // Per-material state while a mesh converts.
    struct SGroupSlot
    {
        int m_iGroup = -1;
        int m_iLayerCount = 0;
    };
    std::map<int, SGroupSlot> m_GroupSlots;

    bool Import(const std::string& fileName);
    void LogTakes();
    // Logs the importer's error and keeps it as the last error.
    void LogImporterError();
    scenesdk::KScnNode* FindMeshNode() const;
    scenesdk::KScnNode* FindSettingsNode(const std::string& name) const;
    bool ConvertMesh();
    bool ConvertPolygons(bool useTexCoords);
    // Model-data material per polygon of the mesh (layer 0's material
    // element); false for an unsupported or broken element.
    bool CollectMaterials(std::vector<int>& perPolygon);
    bool OpenGroup(int polygon, int material, SGroupSlot& slot, bool useTexCoords);
    SMaterialData ConvertMaterial(scenesdk::KScnMaterial* material) const;
    void ReadShaderNodes(scenesdk::KScnNode* settings, SMaterialData& data) const;

    CModelData* m_pModelData = nullptr;
    void* m_pKeptA = nullptr;
    void* m_pKeptB = nullptr;
    uint8_t m_bInitialised = 0;
    scenesdk::KScnSdkManager* m_pManager = nullptr;
    scenesdk::KScnImporter* m_pImporter = nullptr;
    scenesdk::KScnTriangulator* m_pTriangulator = nullptr;
    scenesdk::KScnSceneRoot* m_pScene = nullptr;
    scenesdk::KScnNode* m_pRootNode = nullptr;
    scenesdk::KScnMesh* m_pMesh = nullptr;
    uint8_t m_bTriangulate = 0;
    // The loaded scene came from a foreign format (OBJ, 3DS, DXF): its
    // materials carry no game settings node and are lit by default.
    uint8_t m_bForeignScene = 0;
    std::string m_strLastError;
};
