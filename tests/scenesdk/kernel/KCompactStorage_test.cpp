// What plugs, properties, curves and nodes make only when first needed: each
// reads as before while the part is missing, and behaves as before once made.

#include "scenesdk/animation/KFCurve.h"
#include "scenesdk/kernel/KCompactText.h"
#include "scenesdk/kernel/KObject.h"
#include "scenesdk/kernel/KPlugFilter.h"
#include "scenesdk/kernel/KPropertyTemplate.h"
#include "scenesdk/kernel/KScnNode.h"
#include "scenesdk/kernel/KScnSceneContents.h"
#include "scenesdk/kernel/KScnSceneRoot.h"
#include "scenesdk/kernel/KScnSdkManager.h"
#include "scenesdk/kernel/KStringList.h"

#include "tests/scenesdk/kernel/KernelTestSupport.h"

#include <gtest/gtest.h>

#include <string>

using namespace scenesdk;
using kerneltest::PlugScope;

namespace
{

int gCalls = 0;
void CountCall(void*, const KEventPath*, int, KPlug*, const void*, const void*, const void*)
{
    ++gCalls;
}

const char* TwoNames(int value)
{
    return value == 0 ? "zero" : value == 1 ? "one" : nullptr;
}

} // namespace

TEST(CompactText, ShortLongSelfAndNullTexts)
{
    KCompactText t;
    EXPECT_STREQ("", t.Get());
    t.Set("23 bytes fit in place..");
    EXPECT_STREQ("23 bytes fit in place..", t.Get());
    const std::string longText(300, 'x');
    t = longText.c_str();
    EXPECT_EQ(longText, t.Get());
    t.Set(t.Get()); // its own long text
    EXPECT_EQ(longText, t.Get());
    t.Set(t.Get() + 290); // a part of its own text, short now
    EXPECT_STREQ("xxxxxxxxxx", t.Get());
    t.Set(t.Get() + 5);
    EXPECT_STREQ("xxxxx", t.Get());
    t.Set(nullptr);
    EXPECT_STREQ("", t.Get());
}

TEST(CompactStorage, PropertyAttributesReadTheirDefaultsUntilSet)
{
    PlugScope scope;
    KObject* owner = scope.Add(new KObject);
    KProperty* p = owner->CreateProperty("A property name longer than twenty-three bytes", eKPropDouble);
    ASSERT_NE(p, nullptr);
    EXPECT_STREQ("A property name longer than twenty-three bytes", p->GetName());
    EXPECT_STREQ("", p->GetLabel());
    EXPECT_EQ(0.0, p->GetMin());
    EXPECT_EQ(100.0, p->GetMax());
    EXPECT_EQ(nullptr, p->GetEnumList(false));
    EXPECT_EQ(nullptr, p->GetEnumNameFunction());
    EXPECT_EQ(nullptr, p->GetEnumName(0));

    p->SetLabel("Weight");
    EXPECT_STREQ("Weight", p->GetLabel());
    EXPECT_EQ(100.0, p->GetMax()) << "a label leaves the limits at their defaults";
    p->SetLabel("");
    EXPECT_STREQ("", p->GetLabel());
    EXPECT_TRUE(p->SetMinMax(-1.0, 1.0));
    EXPECT_EQ(-1.0, p->GetMin());
    EXPECT_EQ(1.0, p->GetMax());
    EXPECT_TRUE(p->SetMax(5.0));
    EXPECT_EQ(-1.0, p->GetMin());
    EXPECT_EQ(5.0, p->GetMax());

    // A clone takes the limits along; renaming to a long and a short name.
    KProperty* clone = p->Clone(owner);
    ASSERT_NE(clone, nullptr);
    EXPECT_EQ(-1.0, clone->GetMin());
    EXPECT_EQ(5.0, clone->GetMax());
    EXPECT_TRUE(p->SetName("Short"));
    EXPECT_STREQ("Short", p->GetName());
    EXPECT_EQ(p, owner->FindProperty("Short"));

    // Enum names: the function first, the owned list otherwise.
    KProperty* e = owner->CreateProperty("Mode", eKPropEnum);
    ASSERT_NE(e, nullptr);
    e->GetEnumList(true)->Add("listed");
    EXPECT_STREQ("listed", e->GetEnumName(0));
    e->SetEnumNameFunction(&TwoNames);
    EXPECT_EQ(&TwoNames, e->GetEnumNameFunction());
    EXPECT_STREQ("one", e->GetEnumName(1));
    EXPECT_EQ(nullptr, e->GetEnumName(2));
    e->SetEnumNameFunction(nullptr);
    EXPECT_STREQ("listed", e->GetEnumName(0)) << "the list outlives the function";
}

TEST(CompactStorage, PlugsWithoutEntriesReadEmptyAndMakeTheirListsWhenLinked)
{
    PlugScope scope;
    KPlug* a = scope.Add(new KPlug);
    KPlug* b = scope.Add(new KPlug);
    EXPECT_EQ(0, a->GetSrcCount());
    EXPECT_EQ(0, a->GetDstCount());
    EXPECT_EQ(0, a->GetChildCount());
    EXPECT_EQ(nullptr, a->GetSrc(0));
    EXPECT_EQ(nullptr, a->GetChild(0));
    EXPECT_EQ(-1, a->FindSrc(b));
    EXPECT_FALSE(a->IsDstConnected(b));
    EXPECT_EQ(nullptr, a->GetConnectionFilter());
    EXPECT_TRUE(a->FilterAccepts(b));
    EXPECT_FALSE(a->DisconnectSrc(b));
    EXPECT_FALSE(a->RemoveCallback(&gCalls));
    a->DisconnectAll(); // nothing to take apart
    a->SetConnectionFilter(nullptr);
    EXPECT_EQ(nullptr, a->GetConnectionFilter());

    ASSERT_TRUE(a->ConnectSrc(b));
    EXPECT_EQ(b, a->GetSrc(0));
    EXPECT_EQ(a, b->GetDst(0));
    ASSERT_TRUE(a->DisconnectSrc(b));
    EXPECT_EQ(0, a->GetSrcCount());
    EXPECT_EQ(0, b->GetDstCount());

    // Callbacks of a plug without an owner, on a plug that had no lists.
    KPlug* c = scope.Add(new KPlug);
    gCalls = 0;
    c->AddCallback(&gCalls, &CountCall, &CountCall, nullptr);
    c->NotifyEvent14(nullptr, KPlug::eValueChanged, c, nullptr, nullptr, nullptr);
    EXPECT_EQ(1, gCalls);
    EXPECT_TRUE(c->RemoveCallback(&gCalls));
    c->NotifyEvent14(nullptr, KPlug::eValueChanged, c, nullptr, nullptr, nullptr);
    EXPECT_EQ(1, gCalls);

    // An owner that gave its list back its spare room still adopts more.
    KObject* owner = scope.Add(new KObject);
    KProperty* first = owner->CreateProperty("first", eKPropInt);
    owner->CompactPropertyList();
    KProperty* second = owner->CreateProperty("second", eKPropInt);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(2, owner->GetPropertyCount());
    EXPECT_EQ(owner, first->GetOwnerObject());
    EXPECT_EQ(owner, second->GetOwnerObject());
    EXPECT_TRUE(owner->DestroyPropertyAt(0));
    EXPECT_EQ(second, owner->GetProperty(0));
    // A filtered view let go and the lists given back: no child is left.
    KObject* viewed = scope.Add(new KObject);
    EXPECT_EQ(0, viewed->GetSrcCount(KObject::ClassId));
    KPlug* view = viewed->GetChild(0);
    ASSERT_TRUE(viewed->ReleaseChild(view));
    view->Destroy();
    viewed->CompactPropertyList();
    EXPECT_EQ(0, viewed->GetChildCount());
    EXPECT_EQ(nullptr, viewed->GetChild(0));
}

TEST(CompactStorage, CurveEvaluatesAlikeBeforeAndAfterItsSegmentCacheIsMade)
{
    KFCurve* curve = KFCurve::Create();
    ASSERT_NE(curve, nullptr);
    curve->SetDefaultValue(3.0f);
    EXPECT_EQ(3.0f, curve->Evaluate(KTime(0)));
    const KTime second(KTime::kOneSecond);
    curve->AppendKey(KTime(0), 0.0f);
    EXPECT_EQ(0.0f, curve->Evaluate(second)) << "one key: its value everywhere";
    curve->AppendKey(second * 2, 4.0f);
    const float first = curve->Evaluate(second);
    EXPECT_GT(first, 0.0f);
    EXPECT_LT(first, 4.0f);
    EXPECT_EQ(first, curve->Evaluate(second)) << "the cached segment gives the same value";
    curve->SetKeyValue(1, 8.0f);
    EXPECT_GT(curve->Evaluate(second), first) << "a changed key is not read from the cache";
    curve->RemoveKey(1);
    EXPECT_EQ(0.0f, curve->Evaluate(second));
    KFCurve::Destroy(curve);
}

TEST(CompactStorage, NodeTransformCacheIsMadeAtTheFirstTransform)
{
    KScnSdkManager manager;
    KScnNode* parent = manager.CreateNode("parent");
    KScnNode* child = manager.CreateNode("child");
    parent->AddChild(child);
    // Never computed: an invalid cache with identity matrices.
    EXPECT_FALSE(child->GetTransformCache().mGlobalValid);
    EXPECT_EQ(1.0, child->GetTransformCache().mGlobal[0]);
    EXPECT_EQ(0.0, child->GetTransformCache().mGlobal[12]);
    parent->InvalidateTransformCaches(); // nothing to clear yet

    parent->SetLocalTranslation(1, 0, 0);
    child->SetLocalTranslation(0, 2, 0);
    parent->SelectTakeNodeByIndex(0);
    const double* global = child->ComputeGlobalTransform();
    EXPECT_DOUBLE_EQ(1.0, global[12]);
    EXPECT_DOUBLE_EQ(2.0, global[13]);
    EXPECT_TRUE(child->GetTransformCache().mGlobalValid);
    EXPECT_TRUE(parent->GetTransformCache().mGlobalValid) << "the parent was computed on the way";
    parent->InvalidateTransformCaches();
    EXPECT_FALSE(child->GetTransformCache().mGlobalValid);
}

// Guards of what a node's parts cost in place (64-bit builds).
TEST(CompactStorage, EmptyNodePartsStaySmall)
{
    EXPECT_LE(sizeof(KPlug), 48u);
    EXPECT_LE(sizeof(KProperty), 128u);
    EXPECT_LE(sizeof(KPropertyTemplate<bool>), 144u);
    EXPECT_LE(sizeof(KScnNodeProperties), 11u * 1024u);
    EXPECT_LE(sizeof(KScnNode), 1024u);
}

// A subtree hung under a scene's root joins its contents depth first, each
// node before its children and the children in their order.
TEST(CompactStorage, SubtreeJoinsTheSceneInTreeOrder)
{
    KScnSdkManager manager;
    KScnSceneRoot* scene = manager.CreateScene();
    KScnNode* top = manager.CreateNode("top");
    KScnNode* a = manager.CreateNode("a");
    KScnNode* b = manager.CreateNode("b");
    KScnNode* a1 = manager.CreateNode("a1");
    KScnNode* a2 = manager.CreateNode("a2");
    KScnNode* b1 = manager.CreateNode("b1");
    top->AddChild(a);
    top->AddChild(b);
    a->AddChild(a1);
    a->AddChild(a2);
    b->AddChild(b1);
    KScnSceneContents* contents = scene->GetContents();
    const int before = contents->GetNodeCount();
    scene->GetRootNode()->AddChild(top);
    const KScnNode* expected[] = {top, a, a1, a2, b, b1};
    ASSERT_EQ(before + 6, contents->GetNodeCount());
    for (int i = 0; i < 6; ++i)
    {
        EXPECT_EQ(expected[i], contents->GetNode(before + i)) << i;
    }
    // Selecting the default take on the top clears the caches of the subtree.
    b1->ComputeGlobalTransform();
    EXPECT_TRUE(b1->GetTransformCache().mGlobalValid);
    top->SelectTakeNodeByIndex(0);
    EXPECT_FALSE(b1->GetTransformCache().mGlobalValid);
}
