// libFuzzer target: the 3D Studio reader on the whole import path. The input
// is read by the importer as a .3ds file into a scene; every take is made
// current and every node's global transform evaluated under it; every mesh
// is triangulated; the file is read again with the axis conversion and a
// unit scale. Inputs of odd length also go through the game's model importer,
// which loads and converts them. Any input must be refused or imported
// without a fault (run under AddressSanitizer and UBSan).
//
// One manager and scene serve every input (making a scene costs more than
// reading a small file): what an input added is destroyed after it.

#include "app/Log.h"
#include "render/CModelData.h"
#include "render/CSCNLoader.h"
#include "scenesdk/importers/KScnReader3DS.h"
#include "scenesdk/importers/KStreamOptions3DS.h"
#include "scenesdk/kernel/KScnFree.h"
#include "scenesdk/kernel/KScnImporter.h"
#include "scenesdk/kernel/KScnMaterial.h"
#include "scenesdk/kernel/KScnMesh.h"
#include "scenesdk/kernel/KScnNode.h"
#include "scenesdk/kernel/KScnSceneContents.h"
#include "scenesdk/kernel/KScnSceneRoot.h"
#include "scenesdk/kernel/KScnSdkManager.h"
#include "scenesdk/kernel/KScnTexture.h"
#include "scenesdk/kernel/KScnTriangulator.h"
#include "tools/fuzz/ScnFuzzFile.h"

#include <cstddef>
#include <cstdint>

using namespace scenesdk;

namespace
{

KScnSdkManager* gManager = nullptr;
KScnSceneRoot* gScene = nullptr;

// Destroys what a read added to the scene.
void Clear()
{
    KScnNode* root = gScene->GetRootNode();
    while (root->GetChildCount() > 0)
        gManager->DestroyNode(root->GetChild(0), true);
    KScnSceneContents* contents = gScene->GetContents();
    while (contents->GetMaterialCount() > 0)
    {
        KScnMaterial* material = contents->GetMaterial(0);
        contents->RemoveMaterial(material);
        gManager->DestroyMaterial(material);
    }
    while (contents->GetTextureCount() > 0)
    {
        KScnTexture* texture = contents->GetTexture(0);
        contents->RemoveTexture(texture);
        gManager->DestroyTexture(texture);
    }
}

void ImportAndWalk(const std::string& path)
{
    KScnFree<KScnImporter> importer(gManager);
    importer.SetFileFormat(KScnImporter::FindFileFormat("3ds"));
    if (importer.Initialize(path.c_str()) && importer.Import(gScene))
    {
        KScnSceneContents* contents = gScene->GetContents();
        KPointerArray<KString> takes;
        gScene->FillTakeNameList(takes);
        for (int t = 0; t < takes.GetCount() && t < 64; ++t)
        {
            gScene->SetCurrentTake(takes[t]->Buffer());
            for (int i = 0; i < contents->GetNodeCount() && i < 4096; ++i)
                (void)contents->GetNode(i)->ComputeGlobalTransform();
        }
        KScnSceneRoot::ClearTakeNameList(takes);
        KScnTriangulator triangulator(gManager);
        for (int i = 0; i < contents->GetNodeCount(); ++i)
            if (KScnMesh* mesh = static_cast<KScnMesh*>(contents->GetNode(i)->GetMesh()))
                gManager->DestroyNodeAttribute(triangulator.TriangulateMesh(*mesh));
    }
    Clear();

    KScnReader3DS reader(gManager);
    KStreamOptions3DS options;
    options.mAxisConversion = KStreamOptionsForeign::eAxisZUpToYUp;
    options.mUnitScale = 0.01;
    if (reader.OpenFile(path.c_str()))
        (void)reader.ReadScene(gScene, &options);
    Clear();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    FuzzQuietProcess();
    gManager = new KScnSdkManager;
    gScene = gManager->CreateScene();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string path = FuzzWriteFile("input.3ds", data, size);
    ImportAndWalk(path);
    if (size % 2 == 1)
    {
        CRefPtr<CSCNLoader> loader(new CSCNLoader);
        CRefPtr<CModelData> model(new CModelData);
        if (loader->LoadScene(path))
            (void)loader->Load(model);
        ResetLogFiles();
    }
    return 0;
}
