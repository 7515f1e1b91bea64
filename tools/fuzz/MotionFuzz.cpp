// libFuzzer target: the motion-capture readers, all eight. The first byte
// of an input picks the format (its value modulo 8, so the digits '0' to
// '7' pick them in order): BVH, HTR, TRC, ASF, AMC, C3D, Adaptive Optics
// (AOA) and Wavefront MOV (the seeds "motion-*" start with theirs). The rest
// is the file "input.<extension>", read by the importer into a scene; for
// AMC, the part after a line "#asf" is written beside it as "input.asf",
// the skeleton the AMC reader looks for beside a motion of that stem. Every
// node read then has each take made current, its translation and rotation
// curves evaluated at their ends and its global transform computed. Any
// input must be refused or imported without a fault (run under
// AddressSanitizer and UBSan); a refused one must leave the scene as it
// was, every node a read made must go with the scene's nodes, and the
// reading walk must leave every take that shared a tree sharing it.

#include "scenesdk/animation/KFCurve.h"
#include "scenesdk/animation/KScnTakeNodeEntry.h"
#include "scenesdk/kernel/KScnFree.h"
#include "scenesdk/kernel/KScnImporter.h"
#include "scenesdk/kernel/KScnNode.h"
#include "scenesdk/kernel/KScnSceneRoot.h"
#include "scenesdk/kernel/KScnSdkManager.h"
#include "tools/fuzz/ScnFuzzFile.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

using namespace scenesdk;

namespace
{

struct SFormat
{
    const char* extension; // of the file written
    int format;            // the importer's format number
};

const SFormat kFormats[8] = {{"bvh", 6},  {"htr", 7},  {"trc", 8},  {"asf", 9},
                             {"amc", 10}, {"c3d", 11}, {"aoa", 12}, {"mov", 15}};

// One manager and scene for the whole run (making a scene, with its
// cameras, costs more than most reads); what each read adds is destroyed
// after it.
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

void EvaluateEnds(const KFCurve* curve)
{
    if (curve != nullptr && curve->GetKeyCount() > 0)
    {
        (void)curve->Evaluate(curve->GetKeyTime(0));
        (void)curve->Evaluate(curve->GetKeyTime(curve->GetKeyCount() - 1));
    }
}

// Nodes visited are capped: a read may make thousands of markers. The
// takes are read through const entries, which copy no tree (a take that
// shares the tree of others stays so).
void Walk(KScnNode* node, int& budget)
{
    for (int c = 0; c < node->GetChildCount() && budget > 0; ++c, --budget)
    {
        KScnNode* child = node->GetChild(c);
        const KScnNode& reader = *child;
        for (int t = 1; t < child->GetTakeNodeCount(); ++t)
        {
            child->SelectTakeNodeByIndex(t);
            const KScnTakeNodeEntry* take = reader.GetCurrentTakeNode();
            const bool sharing = take->IsSharingSnapshot();
            EvaluateEnds(take->GetTranslationXCurve());
            EvaluateEnds(take->GetTranslationZCurve());
            EvaluateEnds(take->GetRotationYCurve());
            (void)child->ComputeGlobalTransform();
            if (sharing && !take->IsSharingSnapshot())
                std::abort(); // a read copied the tree
        }
        Walk(child, budget);
    }
}

// Where the line "#asf" starts in text (at its start or after a line
// break), or npos.
size_t SkeletonMark(std::string_view text)
{
    for (size_t at = 0; (at = text.find("#asf\n", at)) != std::string_view::npos; ++at)
        if (at == 0 || text[at - 1] == '\n')
            return at;
    return std::string_view::npos;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    FuzzQuietProcess();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const SFormat& format = kFormats[data[0] % 8];
    const std::string_view file(reinterpret_cast<const char*>(data) + 1, size - 1);
    size_t length = file.size();
    if (format.format == 10)
    {
        const size_t mark = SkeletonMark(file);
        length = mark == std::string_view::npos ? file.size() : mark;
        const size_t skeleton = mark == std::string_view::npos ? file.size() : mark + 5;
        FuzzWriteFile("input.asf", data + 1 + skeleton, file.size() - skeleton);
    }
    const std::string path =
        FuzzWriteFile((std::string("input.") + format.extension).c_str(), data + 1, length);

    KScnSdkManager& manager = Manager();
    KScnSceneRoot* scene = Scene();
    const int nodes = manager.GetNodeCount();
    {
        KScnFree<KScnImporter> importer(&manager);
        importer.SetFileFormat(format.format);
        const bool imported = importer.Initialize(path.c_str()) && importer.Import(scene);
        if (!imported && manager.GetNodeCount() != nodes)
            std::abort(); // a refused file left nodes behind
        if (imported)
        {
            int budget = 4096;
            Walk(scene->GetRootNode(), budget);
        }
    }
    KScnNode* root = scene->GetRootNode();
    while (root->GetChildCount() > 0)
        manager.DestroyNode(root->GetChild(root->GetChildCount() - 1), true);
    if (manager.GetNodeCount() != nodes)
        std::abort(); // a read made nodes the scene does not hold
    return 0;
}
