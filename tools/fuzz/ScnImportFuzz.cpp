// libFuzzer target: the whole import path of a scene file. The input is read
// by the importer into a scene; every take is made current and every node's
// global transform evaluated under it; every mesh is triangulated; the
// manager tears everything down; then the game's model importer loads and
// converts the same file. Any input must be refused or imported without a
// fault (run under AddressSanitizer and UBSan).

#include "app/Log.h"
#include "render/CModelData.h"
#include "render/CSCNLoader.h"
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
#include <memory>

using namespace scenesdk;

namespace
{

void ImportAndWalk(const std::string& path)
{
    KScnSdkManager manager;
    KScnSceneRoot* scene = manager.CreateScene();
    KScnImporter importer(&manager);
    if (!importer.Initialize(path.c_str()))
        return;
    if (!importer.Import(scene) && importer.GetLastErrorID() == KScnIO::ePasswordError)
    {
        importer.SetPassword("fuzz");
        if (!importer.Import(scene))
            return;
    }
    KScnSceneContents* contents = scene->GetContents();
    KPointerArray<KString> takes;
    scene->FillTakeNameList(takes);
    for (int t = 0; t < takes.GetCount() && t < 64; ++t)
    {
        scene->SetCurrentTake(takes[t]->Buffer());
        for (int i = 0; i < contents->GetNodeCount() && i < 4096; ++i)
            (void)contents->GetNode(i)->ComputeGlobalTransform();
    }
    KScnSceneRoot::ClearTakeNameList(takes);
    KScnTriangulator triangulator(&manager);
    for (int i = 0; i < contents->GetNodeCount(); ++i)
        if (KScnMesh* mesh = static_cast<KScnMesh*>(contents->GetNode(i)->GetMesh()))
            delete triangulator.TriangulateMesh(*mesh);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    FuzzQuietProcess();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string path = FuzzWriteFile("input.scn", data, size);
    ImportAndWalk(path);
    CRefPtr<CSCNLoader> loader(new CSCNLoader);
    CRefPtr<CModelData> model(new CModelData);
    if (loader->LoadScene(path))
        (void)loader->Load(model);
    ResetLogFiles();
    return 0;
}
