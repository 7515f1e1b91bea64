// A take added after a caller wrote through a pointer into the default take
// that it kept (so the take cannot know of the write) starts from the tree
// as written: the last snapshot is reused only when it equals the tree in
// every respect, one rule per row.

#include "tests/scenesdk/animation/TakeTestSupport.h"

#include "scenesdk/animation/KFCurveNode.h"
#include "scenesdk/animation/KScnTakeNodeEntry.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

using namespace scenesdk;
using taketest::TestMaterial;

namespace
{

// What a take reads of the tree: each channel's path, its curve's default
// value and keys, depth first.
std::string Describe(const KFCurveNode* node, const std::string& path = "")
{
    std::string text = path;
    if (const KFCurve* curve = node->GetFCurve())
    {
        text += " default " + std::to_string(curve->GetDefaultValue()) + " keys";
        for (int k = 0; k < curve->GetKeyCount(); ++k)
            text += " " + std::to_string(curve->GetKeyTime(k).Get()) + "=" + std::to_string(curve->GetKeyValue(k));
    }
    text += "\n";
    for (int i = 0; i < node->GetChildCount(); ++i)
        text += Describe(node->GetChildAt(i), path + "/" + node->GetChildAt(i)->GetName());
    return text;
}

TEST(TakeSnapshots, AWriteThroughAKeptPointerReachesTheNextTake)
{
    const struct
    {
        const char* write;
        std::function<void(KFCurveNode& root)> through;
    } rows[] = {
        {"a key appended", [](KFCurveNode& root)
         { root.FindDescendant("Opacity")->GetFCurve()->AppendKey(KTime(300), 0.5f); }},
        {"a key's value", [](KFCurveNode& root)
         { root.FindDescendant("Opacity")->GetFCurve()->SetKeyValue(1, 0.25f); }},
        {"a key's time", [](KFCurveNode& root)
         { root.FindDescendant("Opacity")->GetFCurve()->SetKeyTime(1, KTime(150)); }},
        {"a default value", [](KFCurveNode& root)
         { root.FindDescendant("Mode")->GetFCurve()->SetDefaultValue(3.0f); }},
        {"a channel removed", [](KFCurveNode& root) { root.DeleteChild(root.FindDescendant("Mode")); }},
        {"a component removed",
         [](KFCurveNode& root)
         {
             KFCurveNode* diffuse = root.FindDescendant("Diffuse");
             diffuse->DeleteChildAt(diffuse->GetChildCount() - 1);
         }},
        {"a channel added", [](KFCurveNode& root) { root.FindOrCreateChild("Extra", true); }},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.write);
        auto mat = std::make_unique<TestMaterial>();
        KFCurve* opacity = mat->Curve(0, "Opacity");
        opacity->AppendKey(KTime(0), 1.0f);
        opacity->AppendKey(KTime(100), 0.75f);
        // Kept by the caller across the next take's addition.
        KFCurveNode* root = mat->GetDefaultTakeNode()->GetRootCurveNode();
        const KScnTakeNodeEntry* before = mat->AddTakeNode("Before");
        row.through(*root);
        const KScnTakeNodeEntry* after = mat->AddTakeNode("After");
        const std::string written = Describe(root);
        EXPECT_EQ(Describe(after->GetRootCurveNode()), written);
        EXPECT_NE(Describe(before->GetRootCurveNode()), written) << "the earlier take keeps the tree it had";
    }
}

} // namespace
