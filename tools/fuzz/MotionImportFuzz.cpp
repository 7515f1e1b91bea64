// libFuzzer target: the motion-capture readers (BVH, HTR, TRC). Each input
// is read by the importer as each of the three formats into a scene; every
// take is made current and every node's global transform evaluated at the
// last key of its curves. Any input must be refused or imported without a
// fault (run under AddressSanitizer and UBSan).

#include "scenesdk/animation/KFCurve.h"
#include "scenesdk/animation/KScnTakeNodeEntry.h"
#include "scenesdk/kernel/KScnImporter.h"
#include "scenesdk/kernel/KScnNode.h"
#include "scenesdk/kernel/KScnSceneContents.h"
#include "scenesdk/kernel/KScnSceneRoot.h"
#include "scenesdk/kernel/KScnSdkManager.h"
#include "tools/fuzz/ScnFuzzFile.h"

#include <cstddef>
#include <cstdint>

using namespace scenesdk;

namespace
{

// One manager and scene for the whole run (making a scene, with its
// producer cameras, costs more than most reads); what each read adds to the
// scene is destroyed after it.
KScnSdkManager& Manager()
{
    static KScnSdkManager* manager = new KScnSdkManager();
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
    KPointerArray<KString> takes;
    scene->FillTakeNameList(takes);
    for (int t = 0; t < takes.GetCount() && t < 4; ++t)
    {
        scene->SetCurrentTake(takes[t]->Buffer());
        for (int i = 0; i < contents->GetNodeCount() && i < 4096; ++i)
        {
            KScnNode* node = contents->GetNode(i);
            KScnTakeNodeEntry* take = node->GetCurrentTakeNode();
            KFCurve* curve = take != nullptr ? take->GetRotationXCurve() : nullptr;
            if (curve != nullptr && curve->GetKeyCount() > 0)
                curve->SetDefaultValue(curve->Evaluate(curve->GetKeyTime(curve->GetKeyCount() - 1)));
            (void)node->ComputeGlobalTransform();
        }
    }
    KScnSceneRoot::ClearTakeNameList(takes);
}

void ImportAndWalk(const std::string& path, const char* extension)
{
    KScnSdkManager& manager = Manager();
    KScnSceneRoot* scene = Scene();
    KScnImporter importer(&manager);
    importer.SetFileFormat(KScnImporter::FindFileFormat(extension));
    if (importer.Initialize(path.c_str()) && importer.Import(scene))
        Walk(scene);
    KScnNode* root = scene->GetRootNode();
    while (root->GetChildCount() > 0)
        manager.DestroyNode(root->GetChild(root->GetChildCount() - 1), true);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    FuzzQuietProcess();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    for (const char* extension : {"bvh", "htr", "trc"})
        ImportAndWalk(FuzzWriteFile((std::string("input.") + extension).c_str(), data, size), extension);
    return 0;
}
