// libFuzzer target: the DXF reader through the importer. The input is read
// as a .dxf file into a scene, every node's global transform evaluated and
// every mesh triangulated; then parsed again with the other choices of
// content (closed outlines as polygons, file units). Any input must be
// refused with a reason, leaving the scene as it was, or read without a
// fault (run under AddressSanitizer and UBSan).

#include "scenesdk/importers/KScnDxfData.h"
#include "scenesdk/importers/KScnDxfParser.h"
#include "scenesdk/importers/KStreamOptionsDxf.h"
#include "scenesdk/kernel/KScnFree.h"
#include "scenesdk/kernel/KScnImporter.h"
#include "scenesdk/kernel/KScnMaterial.h"
#include "scenesdk/kernel/KScnMesh.h"
#include "scenesdk/kernel/KScnNode.h"
#include "scenesdk/kernel/KScnSceneContents.h"
#include "scenesdk/kernel/KScnSceneRoot.h"
#include "scenesdk/kernel/KScnSdkManager.h"
#include "scenesdk/kernel/KScnTriangulator.h"
#include "tools/fuzz/ScnFuzzFile.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

using namespace scenesdk;

namespace
{

// One manager and one scene for the whole run: making them costs more than
// most reads. Each read's nodes and materials are taken away after it.
KScnSdkManager& Manager()
{
    static KScnSdkManager* manager = new KScnSdkManager;
    return *manager;
}

KScnSceneRoot* Scene()
{
    static KScnSceneRoot* scene = Manager().CreateScene();
    return scene;
}

void Walk(KScnSceneRoot* scene)
{
    KScnSceneContents* contents = scene->GetContents();
    for (int i = 0; i < contents->GetNodeCount(); ++i)
        (void)contents->GetNode(i)->ComputeGlobalTransform();
    KScnTriangulator triangulator(&Manager());
    for (int i = 0; i < contents->GetNodeCount(); ++i)
        if (KScnMesh* mesh = static_cast<KScnMesh*>(contents->GetNode(i)->GetMesh()))
            Manager().DestroyNodeAttribute(triangulator.TriangulateMesh(*mesh));
}

void Clear(KScnSceneRoot* scene)
{
    KScnSdkManager& manager = Manager();
    KScnNode* root = scene->GetRootNode();
    while (root->GetChildCount() > 0)
        manager.DestroyNode(root->RemoveChild(root->GetChild(root->GetChildCount() - 1)), true);
    // The materials left the scene with the nodes that used them.
    while (manager.GetMaterialCount() > 0)
        manager.DestroyMaterial(manager.GetMaterial(manager.GetMaterialCount() - 1));
}

void ImportAndWalk(const std::string& path)
{
    KScnSdkManager& manager = Manager();
    KScnSceneRoot* scene = Scene();
    const int nodes = manager.GetNodeCount();
    const int materials = manager.GetMaterialCount();
    KScnFree<KScnImporter> importer(&manager);
    importer.SetFileFormat(3);
    if (!importer.Initialize(path.c_str()))
        std::abort();
    if (importer.Import(scene))
        Walk(scene);
    else if (importer.GetStatusText()[0] == '\0' || manager.GetNodeCount() != nodes ||
             manager.GetMaterialCount() != materials)
        std::abort();
    Clear(scene);
    if (manager.GetNodeCount() != nodes || manager.GetMaterialCount() != materials)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    FuzzQuietProcess();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    ImportAndWalk(FuzzWriteFile("input.dxf", data, size));
    KStreamOptionsDxf options;
    options.mClosedOutlinesAsPolygons = true;
    options.mUseFileUnits = true;
    KScnDxfDrawing drawing;
    std::string why;
    KScnDxfParser parser(options, drawing);
    (void)parser.Parse(reinterpret_cast<const char*>(data), size, why);
    return 0;
}
