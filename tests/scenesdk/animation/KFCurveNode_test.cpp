// Channel tree nodes: building, searching, curve ownership, copies and
// change notifications.

#include "KFCurveNodeTestSupport.h"

#include "scenesdk/kernel/KDataType.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using namespace scenesdk;
using namespace channeltest;

namespace
{

std::vector<std::string> ChildNames(const KFCurveNode& node)
{
    std::vector<std::string> names;
    for (int i = 0; i < node.GetChildCount(); ++i)
    {
        names.push_back(node.GetChildAt(i)->GetName());
    }
    return names;
}

} // namespace

TEST(KFCurveNodeTest, ConstructionDefaults)
{
    KFCurveNode* node = KFCurveNode::Create("Lcl Translation", KDataTypeLclTranslation::Get());
    EXPECT_STREQ("Lcl Translation", node->GetName());
    EXPECT_STREQ("Lcl Translation", node->GetTypeName());
    EXPECT_EQ(KDataTypeLclTranslation::Get(), node->GetDataType());
    EXPECT_EQ(96u, node->GetFlags());
    EXPECT_TRUE(node->IsLayered());
    EXPECT_FALSE(node->IsReferenceNode());
    EXPECT_EQ(node, node->GetLayerOwner());
    EXPECT_FALSE(node->IsCacheValid());
    EXPECT_EQ(0, node->GetReferenceCount());
    KFCurveNode::Destroy(node);

    KFCurveNode* warp = KFCurveNode::Create("TimeWarp", KDataTypeTimeWarp::Get());
    EXPECT_STREQ("", warp->GetTypeName());
    delete warp;

    KFCurveNode nullNames(nullptr, nullptr, nullptr);
    EXPECT_STREQ("", nullNames.GetName());
    nullNames.SetNamingDataType(KDataTypeLclRotation::Get());
    EXPECT_STREQ("Lcl Rotation", nullNames.GetName());
}

TEST(KFCurveNodeTest, ChildrenAndSearchByName)
{
    KFCurveNode root("Root", "Root", nullptr);
    KFCurveNode* x = new KFCurveNode("X", "X", nullptr);
    EXPECT_EQ(0, root.AddChild(x));
    EXPECT_EQ(&root, x->GetParent());
    EXPECT_EQ(0, root.IndexOfChildByName("x"));
    EXPECT_EQ(-1, root.IndexOfChildByName("Y"));
    EXPECT_EQ(0, root.IndexOfChild(x));
    EXPECT_EQ(nullptr, root.GetChildAt(1));
    EXPECT_EQ(nullptr, root.GetChildAt(-1));

    // A child may not contain its parent, nor itself.
    EXPECT_EQ(-1, x->AddChild(&root));
    EXPECT_EQ(-1, root.AddChild(&root));
    EXPECT_EQ(-1, root.AddChild(nullptr));

    // Out-of-range removals change nothing.
    root.RemoveChildAt(5);
    root.DeleteChildAt(-1);
    EXPECT_EQ(1, root.GetChildCount());

    KFCurveNode* y = root.FindOrCreateChild("Y", true);
    ASSERT_NE(nullptr, y);
    EXPECT_NE(nullptr, y->GetFCurve());
    EXPECT_EQ(y, root.FindOrCreateChild("y", false));
    EXPECT_EQ(2, root.GetChildCount());
    EXPECT_TRUE(root.IsChild(y, false));

    root.RemoveChildAt(1);
    EXPECT_EQ(nullptr, y->GetParent());
    EXPECT_EQ(1, root.GetChildCount());
    delete y;

    root.DeleteChild(x);
    EXPECT_EQ(0, root.GetChildCount());
}

TEST(KFCurveNodeTest, InsertChildSortedIgnoresCase)
{
    KFCurveNode root("Root", "Root", nullptr);
    root.AddChild(new KFCurveNode("A", "A", nullptr));
    root.AddChild(new KFCurveNode("C", "C", nullptr));
    KFCurveNode* b = new KFCurveNode("b", "b", nullptr);
    EXPECT_EQ(1, root.InsertChildSorted(b));
    EXPECT_EQ((std::vector<std::string>{"A", "b", "C"}), ChildNames(root));
    EXPECT_EQ(nullptr, b->GetParent()); // the caller sets it
    b->SetParent(&root);

    KFCurveNode other("Root", "Root", nullptr);
    other.AddChild(new KFCurveNode("A", "A", nullptr));
    KFCurveNode* a = new KFCurveNode("a", "a", nullptr);
    EXPECT_EQ(0, other.InsertChildSorted(a));
    EXPECT_EQ(a, other.GetChildAt(0));
    a->SetParent(&other);
}

TEST(KFCurveNodeTest, FindDescendantByPathAndDataType)
{
    KFCurveNode root("Root", "Root", nullptr);
    KFCurveNode* group = new KFCurveNode("Group", "Group", nullptr);
    root.AddChild(group);
    KFCurveNode* lower = new KFCurveNode("t", "t", nullptr);
    group->AddChild(lower);
    KFCurveNode* translation = KFCurveNode::Create("Lcl Translation", KDataTypeLclTranslation::Get());
    root.AddChild(translation);
    KFCurveNode* rotation = Triple("Lcl Rotation", 0, 0, 0);
    rotation->GetNodeInfo()->mDataType = KDataTypeLclRotation::Get();
    root.AddChild(rotation);

    // "T" matches "t" by name first (depth first through Group).
    EXPECT_EQ(lower, root.FindDescendant("T"));
    // Without the name match, "T" finds the data type; "t" never does.
    group->DeleteChildAt(0);
    EXPECT_EQ(translation, root.FindDescendant("T"));
    EXPECT_EQ(nullptr, root.FindDescendant("t"));

    char path[] = "R/X";
    EXPECT_EQ(rotation->GetChildAt(0), root.FindDescendant(path));
    char missing[] = "R/W";
    EXPECT_EQ(nullptr, root.FindDescendant(missing));
    EXPECT_STREQ("R/W", missing);
    EXPECT_EQ(nullptr, root.FindDescendant(nullptr));
    EXPECT_EQ(nullptr, root.FindDescendant(""));

    EXPECT_EQ(rotation, root.FindDescendantByDataType(KDataTypeLclRotation::Get()));
    EXPECT_EQ(rotation, root.FindChildByDataType(KDataTypeLclRotation::Get()));
    EXPECT_EQ(nullptr, group->FindDescendantByDataType(KDataTypeLclRotation::Get()));
    EXPECT_TRUE(root.IsChild(rotation->GetChildAt(2), true));
    EXPECT_FALSE(root.IsChild(rotation->GetChildAt(2), false));
}

TEST(KFCurveNodeTest, CurveOwnership)
{
    KFCurveNode node("N", "N", nullptr);
    KFCurveNodeListenerRecord* record = new KFCurveNodeListenerRecord;
    node.SetListenerRecord(record);

    KFCurve* first = KFCurve::Create();
    EXPECT_EQ(nullptr, node.SetFCurve(first, false));
    EXPECT_EQ(4u, record->mChangeBits);
    EXPECT_EQ(nullptr, node.SetFCurve(first, true)); // same curve: nothing
    EXPECT_EQ(1, record->mChangeCount);

    KFCurve* second = KFCurve::Create();
    EXPECT_EQ(first, node.SetFCurve(second, false)); // kept, handed back
    delete first;
    EXPECT_EQ(nullptr, node.ReplaceFCurve(KFCurve::Create())); // second deleted
    EXPECT_EQ(3, node.GetChangeCounter());

    KFCurveNode tree("T", "T", nullptr);
    tree.AddChild(new KFCurveNode("X", "X", nullptr));
    tree.CreateFCurves();
    EXPECT_EQ(nullptr, tree.GetFCurve());
    EXPECT_NE(nullptr, tree.GetChildAt(0)->GetFCurve());
}

TEST(KFCurveNodeTest, ReferenceNodeKeepsChildren)
{
    KFCurveNode owner("Owner", "Owner", nullptr);
    KFCurveNode* child = new KFCurveNode("C", "C", nullptr);
    owner.AddChild(child);

    KFCurveNode* refs = new KFCurveNode("Refs", "Refs", nullptr);
    refs->SetFlags(KFCURVENODE_FLAG_REFERENCE, true);
    EXPECT_TRUE(refs->IsReferenceNode());
    refs->AddChild(child);
    EXPECT_EQ(&owner, child->GetParent());
    delete refs;
    EXPECT_EQ(&owner, child->GetParent());
    EXPECT_EQ(1, owner.GetChildCount());
}

TEST(KFCurveNodeTest, DestroyedChildLeavesItsParent)
{
    KFCurveNode root("Root", "Root", nullptr);
    KFCurveNode* a = new KFCurveNode("A", "A", nullptr);
    root.AddChild(a);
    root.AddChild(new KFCurveNode("B", "B", nullptr));
    delete a;
    EXPECT_EQ((std::vector<std::string>{"B"}), ChildNames(root));
}

TEST(KFCurveNodeTest, SharedInfoLivesWithItsLastUser)
{
    KFCurveNode* base = new KFCurveNode("Base", "Base", nullptr);
    KFCurveNode* copy = KFCurveNode::CreateCopy(base);
    EXPECT_EQ(base->GetNodeInfo(), copy->GetNodeInfo());
    EXPECT_EQ(2, base->GetNodeInfo()->mRefCount);
    base->GetNodeInfo()->mName = "Renamed";
    EXPECT_STREQ("Renamed", copy->GetName());
    delete base;
    EXPECT_STREQ("Renamed", copy->GetName());
    EXPECT_EQ(1, copy->GetNodeInfo()->mRefCount);
    delete copy;
    EXPECT_EQ(nullptr, KFCurveNode::CreateCopy(nullptr));
}

TEST(KFCurveNodeTest, CloneTreeCopiesShapeCurvesAndLayerIds)
{
    KFCurveNode source("R", "R", nullptr, 2, 3);
    source.AddChild(Leaf("X", 1.0, {{0, 1}, {1, 2}}));
    source.AddChild(Leaf("Y", 2.0));
    source.SetRotationOrder(4);
    source.SetUserWord(77);
    source.SetFlags(KFCURVENODE_FLAG_CLONED, true);

    KFCurveNode* copy = source.CloneTree(false, true, false, -1);
    ASSERT_NE(nullptr, copy);
    EXPECT_NE(source.GetNodeInfo(), copy->GetNodeInfo());
    EXPECT_EQ(3, copy->GetLayerId());
    EXPECT_EQ(3, copy->GetChildAt(0)->GetLayerId());
    EXPECT_EQ(3, copy->GetChildAt(1)->GetLayerId());
    EXPECT_EQ(4, copy->GetRotationOrder());
    EXPECT_EQ(77u, copy->GetUserWord());
    EXPECT_TRUE(copy->GetFlags() & KFCURVENODE_FLAG_CLONED);
    EXPECT_EQ(2, copy->GetChildAt(0)->GetFCurve()->GetKeyCount());
    EXPECT_NE(source.GetChildAt(0)->GetFCurve(), copy->GetChildAt(0)->GetFCurve());
    delete copy;

    KFCurveNode* empty = source.CloneTree(true, false, true, 0);
    EXPECT_EQ(source.GetNodeInfo(), empty->GetNodeInfo());
    EXPECT_EQ(0, empty->GetChildAt(0)->GetFCurve()->GetKeyCount());
    delete empty;

    KFCurveNode* bare = source.Clone(true);
    EXPECT_EQ(2, bare->GetChildAt(0)->GetFCurve()->GetKeyCount());
    delete bare;
}

TEST(KFCurveNodeTest, EvaluateTreeWritesDepthFirst)
{
    KFCurveNode root("Root", "Root", nullptr);
    KFCurveNode* t = Triple("T", 1, 2, 3);
    t->SetFCurve(KFCurve::Create());
    t->GetFCurve()->SetDefaultValue(9);
    root.AddChild(t);
    root.AddChild(Leaf("V", 4, {{0, 0}, {2, 8}}));
    EXPECT_EQ(5, root.GetTreeValueCount());
    double out[6] = {0};
    EXPECT_EQ(out + 5, root.EvaluateTree(out, Sec(1)));
    EXPECT_DOUBLE_EQ(9, out[0]);
    EXPECT_DOUBLE_EQ(1, out[1]);
    EXPECT_DOUBLE_EQ(3, out[3]);
    EXPECT_DOUBLE_EQ(4, out[4]);
}

namespace
{

struct CallLog
{
    std::vector<std::pair<int, uint32_t>> calls;
};

void RecordCall(KFCurveNode*, KFCurveNodeListenerRecord* record, void* data)
{
    CallLog* log = static_cast<CallLog*>(data);
    log->calls.emplace_back(static_cast<int>(log->calls.size()), record->mChangeBits);
}

void RecordSecond(KFCurveNode*, KFCurveNodeListenerRecord* record, void* data)
{
    static_cast<CallLog*>(data)->calls.emplace_back(100, record->mChangeBits);
}

} // namespace

TEST(KFCurveNodeTest, NotificationsCallLastFirstThenReset)
{
    CallLog log;
    KFCurveNode* node = new KFCurveNode("N", "N", nullptr);
    KFCurveNodeListenerRecord* record = new KFCurveNodeListenerRecord;
    record->mSendImmediately = true;
    record->AddCallback(RecordCall, &log);
    record->AddCallback(RecordSecond, &log);
    node->SetListenerRecord(record);

    node->SetFCurve(KFCurve::Create());
    ASSERT_EQ(2u, log.calls.size());
    EXPECT_EQ(100, log.calls[0].first); // the last callback first
    EXPECT_EQ(4u, log.calls[1].second);
    EXPECT_EQ(0u, record->mChangeBits);
    EXPECT_EQ(0, record->mChangeCount);

    delete node; // change 2 on the way out
    ASSERT_EQ(4u, log.calls.size());
    EXPECT_EQ(2u, log.calls[3].second);
}
