// Name look-ups in a large curve tree go through an index once a search has
// walked many nodes: every answer must stay the one a walk would give (the
// first match depth first, case-blind; the first child of a name) through
// the changes the tree goes through: children added with new or known
// names, at the top or deeper, removed and deleted, nodes renamed by their
// naming data type, and children listed by a reference node.

#include "scenesdk/animation/KFCurveNode.h"
#include "scenesdk/kernel/KDataType.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

using namespace scenesdk;

namespace
{

bool SameName(const char* a, const std::string& b)
{
    const std::string text(a != nullptr ? a : "");
    if (text.size() != b.size())
        return false;
    for (size_t i = 0; i < b.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(text[i])) !=
            std::toupper(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

// What a walk finds: the first match depth first.
const KFCurveNode* Walk(const KFCurveNode* node, const std::string& name)
{
    for (int i = 0; i < node->GetChildCount(); ++i)
    {
        const KFCurveNode* child = node->GetChildAt(i);
        if (child == nullptr)
            continue;
        if (SameName(child->GetName(), name))
            return child;
        if (const KFCurveNode* below = Walk(child, name))
            return below;
    }
    return nullptr;
}

int FirstChild(const KFCurveNode* node, const std::string& name)
{
    for (int i = 0; i < node->GetChildCount(); ++i)
        if (node->GetChildAt(i) != nullptr && SameName(node->GetChildAt(i)->GetName(), name))
            return i;
    return -1;
}

const std::vector<std::string> kNames = {"C0", "c17", "C299", "C200", "deep",
                                         "X",  "Y",   "V",    "New1", "new2",
                                         "C7", "Z1",  "none", "C3",   "Lcl Translation"};

// Each name searched twice (the first search may make the index, the
// second uses it), from the root and from the vector channel.
void ExpectAsWalked(KFCurveNode* root, const char* when)
{
    SCOPED_TRACE(when);
    for (int round = 0; round < 2; ++round)
        for (const std::string& name : kNames)
        {
            EXPECT_EQ(root->FindDescendant(name.c_str()), Walk(root, name)) << name;
            EXPECT_EQ(root->IndexOfChildByName(name.c_str()), FirstChild(root, name)) << name;
        }
}

TEST(CurveNodeNameIndex, AnswersAsAWalkThroughEveryChange)
{
    KFCurveNode* root = KFCurveNode::Create("Defaults", nullptr);
    for (int i = 0; i < 300; ++i)
        root->FindOrCreateChild(("C" + std::to_string(i)).c_str(), true);
    KFCurveNode* vector = root->FindOrCreateChild("V", false);
    for (const char* axis : {"X", "Y", "Z"})
        vector->FindOrCreateChild(axis, true);
    // A deeper node of a name a later child has: depth first finds it first.
    KFCurveNode* c5 = root->GetChildAt(5);
    c5->AddChild(KFCurveNode::Create("C200", nullptr));
    c5->AddChild(KFCurveNode::Create("deep", nullptr));
    ExpectAsWalked(root, "made");
    EXPECT_EQ(root->FindDescendant("c200")->GetParent(), c5);

    root->AddChild(KFCurveNode::Create("New1", nullptr)); // a new name: kept in the index
    ExpectAsWalked(root, "a new name added");
    root->AddChild(KFCurveNode::Create("C7", nullptr)); // a known name
    ExpectAsWalked(root, "a known name added");
    root->GetChildAt(9)->AddChild(KFCurveNode::Create("Z1", nullptr)); // deeper, new
    root->GetChildAt(10)->AddChild(KFCurveNode::Create("x", nullptr)); // deeper, known
    ExpectAsWalked(root, "added below");
    KFCurveNode* moved = root->GetChildAt(20);
    root->RemoveChildAt(20);
    root->GetChildAt(0)->AddChild(moved); // C20 with a new parent
    root->DeleteChildAt(3);
    ExpectAsWalked(root, "removed, moved and deleted");
    root->GetChildAt(30)->SetNamingDataType(KDataTypeLclTranslation::Get());
    ExpectAsWalked(root, "renamed");
    EXPECT_STREQ(root->FindDescendant("Lcl Translation")->GetName(), root->GetChildAt(30)->GetName());

    // A reference node lists children that name another parent.
    KFCurveNode* reference = KFCurveNode::Create("Ref", nullptr);
    reference->SetFlags(KFCURVENODE_FLAG_REFERENCE, true);
    root->AddChild(reference);
    reference->AddChild(root->GetChildAt(40));
    ExpectAsWalked(root, "a reference node added");
    root->GetChildAt(40)->AddChild(KFCurveNode::Create("new2", nullptr));
    ExpectAsWalked(root, "added below a node a reference lists");
    reference->RemoveChildAt(0);
    KFCurveNode::Destroy(root);
}

} // namespace
