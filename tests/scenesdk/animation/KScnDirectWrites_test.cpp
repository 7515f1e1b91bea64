// A value written straight into an animatable property of a node, a texture
// or a material (not through a user-property handle) reaches the property's
// channel in the default take, whether the take's channel tree was built
// before the write or is built after it.

#include "scenesdk/animation/KFCurve.h"
#include "scenesdk/animation/KFCurveNode.h"
#include "scenesdk/kernel/KProperty.h"
#include "scenesdk/kernel/KScnMaterial.h"
#include "scenesdk/kernel/KScnNode.h"
#include "scenesdk/kernel/KScnNodeProperties.h"
#include "scenesdk/kernel/KScnSdkManager.h"
#include "scenesdk/kernel/KScnTexture.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

using namespace scenesdk;

namespace
{

// The default value of a channel's curve (component k of a three-curve
// channel, or the channel's own curve for k = -1); NaN when absent.
float ChannelDefault(KScnTakeNodeEntry* take, const char* channel, int k)
{
    KFCurveNode* node = take != nullptr ? take->GetRootCurveNode()->FindDescendant(channel) : nullptr;
    if (node != nullptr && k >= 0)
    {
        node = node->GetChildAt(k);
    }
    const KFCurve* curve = node != nullptr ? node->GetFCurve() : nullptr;
    return curve != nullptr ? curve->GetDefaultValue() : std::numeric_limits<float>::quiet_NaN();
}

struct WriteRow
{
    const char* what;
    // Makes the object, writes the value and answers the object's default take.
    std::function<KScnTakeNodeContainer*(KScnSdkManager&, bool buildFirst)> write;
    const char* channel;
    int component;
    float expected;
};

KProperty* Find(KObject* set, const char* name)
{
    KProperty* property = set->FindProperty(name);
    EXPECT_NE(property, nullptr) << name;
    return property;
}

void Build(KScnTakeNodeContainer* object, bool buildFirst)
{
    if (buildFirst)
    {
        ASSERT_NE(object->GetDefaultTakeNode()->GetRootCurveNode(), nullptr);
    }
}

KScnTakeNodeContainer* WriteVector(KScnTakeNodeContainer* object, KObject* set, const char* name,
                                   bool buildFirst, double x, double y, double z)
{
    Build(object, buildFirst);
    const double v[4] = {x, y, z, 1.0};
    EXPECT_TRUE(Find(set, name)->SetFromDoubles(v));
    return object;
}

KScnTakeNodeContainer* WriteScalar(KScnTakeNodeContainer* object, KObject* set, const char* name,
                                   bool buildFirst, double value)
{
    Build(object, buildFirst);
    EXPECT_TRUE(Find(set, name)->SetDouble(value));
    return object;
}

} // namespace

TEST(KScnDirectWrites, ReachTheDefaultTakeChannel)
{
    const WriteRow rows[] = {
        {"node SetVisibility(false)",
         [](KScnSdkManager& m, bool b)
         {
             KScnNode* n = m.CreateNode("n");
             Build(n, b);
             n->SetVisibility(false);
             return n;
         },
         "Visibility", -1, 0.0f},
        {"node Visibility written",
         [](KScnSdkManager& m, bool b)
         {
             KScnNode* n = m.CreateNode("n");
             return WriteScalar(n, n->GetNodeProperties(), "Visibility", b, 0.25);
         },
         "Visibility", -1, 0.25f},
        {"node Lcl Translation y",
         [](KScnSdkManager& m, bool b)
         {
             KScnNode* n = m.CreateNode("n");
             return WriteVector(n, n->GetNodeProperties(), "Lcl Translation", b, 1, 2, 3);
         },
         "T", 1, 2.0f},
        {"node Lcl Rotation z",
         [](KScnSdkManager& m, bool b)
         {
             KScnNode* n = m.CreateNode("n");
             return WriteVector(n, n->GetNodeProperties(), "Lcl Rotation", b, 10, 20, 30);
         },
         "R", 2, 30.0f},
        {"node Lcl Scaling x",
         [](KScnSdkManager& m, bool b)
         {
             KScnNode* n = m.CreateNode("n");
             return WriteVector(n, n->GetNodeProperties(), "Lcl Scaling", b, 4, 5, 6);
         },
         "S", 0, 4.0f},
        {"texture Translation y",
         [](KScnSdkManager& m, bool b)
         {
             KScnTexture* t = m.CreateTexture("t");
             return WriteVector(t, t->GetTextureProperties(), "Translation", b, 0.5, 0.25, 0);
         },
         "Translation", 1, 0.25f},
        {"texture Rotation z",
         [](KScnSdkManager& m, bool b)
         {
             KScnTexture* t = m.CreateTexture("t");
             return WriteVector(t, t->GetTextureProperties(), "Rotation", b, 0, 0, 45);
         },
         "Rotation", 2, 45.0f},
        {"texture Scaling x",
         [](KScnSdkManager& m, bool b)
         {
             KScnTexture* t = m.CreateTexture("t");
             return WriteVector(t, t->GetTextureProperties(), "Scaling", b, 3, 1, 1);
         },
         "Scaling", 0, 3.0f},
        {"texture Texture alpha to Alpha",
         [](KScnSdkManager& m, bool b)
         {
             KScnTexture* t = m.CreateTexture("t");
             return WriteScalar(t, t->GetTextureProperties(), "Texture alpha", b, 0.5);
         },
         "Alpha", -1, 0.5f},
        {"material Diffuse z",
         [](KScnSdkManager& m, bool b)
         {
             KScnMaterial* mat = m.CreateMaterial("m");
             return WriteVector(mat, mat->GetMaterialProperties(), "Diffuse", b, 0.1, 0.2, 0.75);
         },
         "Diffuse", 2, 0.75f},
        {"material Opacity",
         [](KScnSdkManager& m, bool b)
         {
             KScnMaterial* mat = m.CreateMaterial("m");
             return WriteScalar(mat, mat->GetMaterialProperties(), "Opacity", b, 0.5);
         },
         "Opacity", -1, 0.5f},
    };
    for (const WriteRow& row : rows)
    {
        for (const bool buildFirst : {true, false})
        {
            KScnSdkManager manager;
            KScnTakeNodeContainer* object = row.write(manager, buildFirst);
            EXPECT_FLOAT_EQ(ChannelDefault(object->GetDefaultTakeNode(), row.channel, row.component),
                            row.expected)
                << row.what << (buildFirst ? ", take built before the write" : ", take built after it");
        }
    }
}

// With another take current, a direct write reaches that take and the default
// take; a linked curve of the default take writing its property reaches
// neither the current take nor goes back.
TEST(KScnDirectWrites, CurrentTakeFollowsWritesNotDefaultCurveEdits)
{
    struct Row
    {
        const char* what;
        std::function<void(KScnNode*)> step;
        float defaultTake, runTake, property;
    };
    const Row rows[] = {
        {"property written",
         [](KScnNode* n)
         {
             const double v[4] = {3, 0, 0, 1};
             n->GetNodeProperties()->FindProperty("Lcl Translation")->SetFromDoubles(v);
         },
         3.0f, 3.0f, 3.0f},
        {"default curve edited",
         [](KScnNode* n) { n->GetDefaultTakeNode()->GetTranslationXCurve()->SetDefaultValue(7.0f); }, 7.0f,
         0.0f, 7.0f},
        {"run curve edited",
         [](KScnNode* n) { n->GetTakeNode(1)->GetTranslationXCurve()->SetDefaultValue(5.0f); }, 0.0f, 5.0f,
         0.0f},
    };
    for (const Row& row : rows)
    {
        KScnSdkManager manager;
        KScnNode* n = manager.CreateNode("n");
        ASSERT_NE(n->AddTakeNode("Run"), nullptr);
        ASSERT_TRUE(n->SelectTakeNodeByName("Run"));
        row.step(n);
        EXPECT_FLOAT_EQ(ChannelDefault(n->GetDefaultTakeNode(), "T", 0), row.defaultTake) << row.what;
        EXPECT_FLOAT_EQ(ChannelDefault(n->GetTakeNode(1), "T", 0), row.runTake) << row.what;
        double t[4] = {};
        n->GetNodeProperties()->FindProperty("Lcl Translation")->GetAsDoubles(t);
        EXPECT_DOUBLE_EQ(t[0], row.property) << row.what;
    }
}
