// libFuzzer target: the whole import path of a scene file, from memory. The
// input is parsed, its read options are taken and it is read by the importer
// into a scene; every take is made current and every node's global transform
// evaluated under it; every mesh is triangulated. Any input must be refused
// or imported without a fault (run under AddressSanitizer and UBSan).
//
// One manager, scene, importer and triangulator serve every input: making a
// scene costs far more than most imports. After each input the scene is
// brought back to its first state and checked against it (the objects of
// every list and the live plugs); should anything be left over, everything
// is made again, so no input sees what an earlier one left.
//
// The game's model loader, which reads files by name and makes a scene of its
// own each time, has a target of its own (ScnModelLoadFuzz).

#include "scenesdk/fileio/KScn.h"
#include "scenesdk/fileio/KStreamOptionsScn.h"
#include "scenesdk/kernel/KPlug.h"
#include "scenesdk/kernel/KScnImporter.h"
#include "scenesdk/kernel/KScnMesh.h"
#include "scenesdk/kernel/KScnNode.h"
#include "scenesdk/kernel/KScnSceneContents.h"
#include "scenesdk/kernel/KScnSceneRoot.h"
#include "scenesdk/kernel/KScnSdkManager.h"
#include "scenesdk/kernel/KScnTriangulator.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

using namespace scenesdk;

namespace
{

class CImportBench
{
public:
    CImportBench() { Build(); }
    ~CImportBench() { Teardown(); }
    CImportBench(const CImportBench&) = delete;
    CImportBench& operator=(const CImportBench&) = delete;

    void Run(const uint8_t* data, size_t size)
    {
        if (Import(data, size))
        {
            Walk();
            m_pScene->Clear();
            DestroyLeftovers();
        }
        if (Fingerprint() != m_Pristine)
        {
            Teardown();
            Build();
        }
    }

private:
    void Build()
    {
        m_pManager = std::make_unique<KScnSdkManager>();
        m_pScene = m_pManager->CreateScene();
        m_pImporter = m_pManager->CreateImporter();
        m_pTriangulator = m_pManager->CreateTriangulator();
        m_Pristine = Fingerprint();
    }

    void Teardown()
    {
        // The manager destroys whatever it still holds.
        m_pManager.reset();
        m_pScene = nullptr;
        m_pImporter = nullptr;
        m_pTriangulator = nullptr;
    }

    bool Import(const uint8_t* data, size_t size)
    {
        KScn file;
        if (!file.OpenMemory(data, size))
            return false;
        KStreamOptionsScn* options = m_pImporter->GetFileReadOptions(&file);
        if (options == nullptr)
            return false;
        const bool ok = m_pImporter->ImportFromFile(m_pScene, options, &file);
        options->Destroy(0);
        return ok;
    }

    void Walk()
    {
        KScnSceneContents* contents = m_pScene->GetContents();
        KPointerArray<KString> takes;
        m_pScene->FillTakeNameList(takes);
        for (int t = 0; t < takes.GetCount() && t < 64; ++t)
        {
            m_pScene->SetCurrentTake(takes[t]->Buffer());
            for (int i = 0; i < contents->GetNodeCount() && i < 4096; ++i)
                (void)contents->GetNode(i)->ComputeGlobalTransform();
        }
        KScnSceneRoot::ClearTakeNameList(takes);
        for (int i = 0; i < contents->GetNodeCount(); ++i)
            if (KScnMesh* mesh = static_cast<KScnMesh*>(contents->GetNode(i)->GetMesh()))
                m_pManager->DestroyNodeAttribute(m_pTriangulator->TriangulateMesh(*mesh));
    }

    // What the scene's Clear leaves with the manager: the objects the reader
    // made besides nodes.
    void DestroyLeftovers()
    {
        KScnSdkManager& m = *m_pManager;
        while (m.GetMaterialCount() > 0)
            m.DestroyMaterial(m.GetMaterial(m.GetMaterialCount() - 1));
        while (m.GetTextureCount() > 0)
            m.DestroyTexture(m.GetTexture(m.GetTextureCount() - 1));
        while (m.GetHandlerObjectCount() > 0)
            if (!m.DestroyObject(m.GetHandlerObject(m.GetHandlerObjectCount() - 1)))
                break;
    }

    // Sizes of everything an import can add to; equal to the first state's
    // means the scene and the manager are as new.
    std::vector<int> Fingerprint() const
    {
        const KScnSdkManager& m = *m_pManager;
        const KScnSceneContents* c = m_pScene->GetContents();
        const KScnNode* root = m_pScene->GetRootNode();
        return {KPlug::GetLivePlugCount(),
                m.GetSceneCount(),
                m.GetNodeCount(),
                m.GetNodeAttributeCount(),
                m.GetLinkCount(),
                m.GetShapeCount(),
                m.GetMaterialCount(),
                m.GetTextureCount(),
                m.GetVideoCount(),
                m.GetPoseListCount(),
                m.GetUserPropertyCount(),
                m.GetGenericNodeCount(),
                m.GetHandlerObjectCount(),
                m.GetSceneMetaDataCount(),
                c->GetNodeCount(),
                c->GetMaterialCount(),
                c->GetTextureCount(),
                c->GetVideoCount(),
                c->GetGenericNodeCount(),
                c->GetObjectCount(),
                root != nullptr ? root->GetChildCount() : -1,
                root != nullptr ? root->GetTakeNodeCount() : -1,
                m_pScene->GetControlSetPlugCount(),
                m_pScene->GetCharacterPoseCount(),
                m_pScene->GetPoseCount(),
                m_pScene->GetTakeInfoCount(),
                m_pScene->GetSceneMetaData() != nullptr ? 1 : 0};
    }

    std::unique_ptr<KScnSdkManager> m_pManager;
    KScnSceneRoot* m_pScene = nullptr;
    KScnImporter* m_pImporter = nullptr;
    KScnTriangulator* m_pTriangulator = nullptr;
    std::vector<int> m_Pristine;
};

CImportBench* g_pBench = nullptr;

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    g_pBench = new CImportBench;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    g_pBench->Run(data, size);
    return 0;
}
