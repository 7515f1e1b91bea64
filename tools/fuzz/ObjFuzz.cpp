// libFuzzer target: the OBJ reader with its material library. The input is
// split at its first line "#mtl": the part before is the OBJ file, the part
// after its library "input.mtl" (the OBJ names it with "mtllib input.mtl").
// Both are read by the importer into a scene, every mesh is triangulated,
// then the game's model importer loads and converts the same file. Any input
// must be refused or imported without a fault (run under AddressSanitizer
// and UBSan).

#include "app/Log.h"
#include "render/CModelData.h"
#include "render/CSCNLoader.h"
#include "scenesdk/kernel/KScnFree.h"
#include "scenesdk/kernel/KScnImporter.h"
#include "scenesdk/kernel/KScnMesh.h"
#include "scenesdk/kernel/KScnNode.h"
#include "scenesdk/kernel/KScnSceneContents.h"
#include "scenesdk/kernel/KScnSceneRoot.h"
#include "scenesdk/kernel/KScnSdkManager.h"
#include "scenesdk/kernel/KScnTriangulator.h"
#include "tools/fuzz/ScnFuzzFile.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

using namespace scenesdk;

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    FuzzQuietProcess();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const size_t cut = input.find("\n#mtl\n");
    const size_t objSize = cut == std::string_view::npos ? size : cut + 1;
    const size_t mtlStart = cut == std::string_view::npos ? size : cut + 6;
    FuzzWriteFile("input.mtl", data + mtlStart, size - mtlStart);
    const std::string path = FuzzWriteFile("input.obj", data, objSize);
    // One manager and scene for the whole run (making a scene costs far more
    // than reading a small file): emptied after each input.
    static KScnSdkManager manager;
    static KScnSceneRoot* scene = manager.CreateScene();
    {
        KScnFree<KScnImporter> importer(&manager);
        importer.SetFileFormat(5);
        if (importer.Initialize(path.c_str()) && importer.Import(scene))
        {
            KScnSceneContents* contents = scene->GetContents();
            KScnTriangulator triangulator(&manager);
            for (int i = 0; i < contents->GetNodeCount(); ++i)
                if (KScnMesh* mesh = static_cast<KScnMesh*>(contents->GetNode(i)->GetMesh()))
                    manager.DestroyNodeAttribute(triangulator.TriangulateMesh(*mesh));
        }
        scene->Clear();
        while (manager.GetMaterialCount() > 0)
            manager.DestroyMaterial(manager.GetMaterial(manager.GetMaterialCount() - 1));
        while (manager.GetTextureCount() > 0)
            manager.DestroyTexture(manager.GetTexture(manager.GetTextureCount() - 1));
    }
    static CRefPtr<CSCNLoader> loader(new CSCNLoader);
    CRefPtr<CModelData> model(new CModelData);
    if (loader->LoadScene(path))
        (void)loader->Load(model);
    ResetLogFiles();
    return 0;
}
