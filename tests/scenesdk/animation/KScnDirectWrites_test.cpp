// A value written straight into an animatable property of a node, a texture,
// a material or a character (not through a user-property handle) reaches the property's
// channel in the default take, whether the take's channel tree was built
// before the write or is built after it.

#include "scenesdk/animation/KFCurve.h"
#include "scenesdk/animation/KFCurveNode.h"
#include "scenesdk/attributes/KScnCharacter.h"
#include "scenesdk/attributes/KScnCharacterProperties.h"
#include "scenesdk/kernel/KProperty.h"
#include "scenesdk/kernel/KScnMaterial.h"
#include "scenesdk/kernel/KScnNode.h"
#include "scenesdk/kernel/KScnNodeProperties.h"
#include "scenesdk/kernel/KScnSdkManager.h"
#include "scenesdk/kernel/KScnTexture.h"

#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <string>

using namespace scenesdk;

namespace
{

// The default value of a channel's curve (component k of a three-curve
// channel, or the channel's own curve for k = -1); NaN when absent.
float ChannelDefault(KScnTakeNodeEntry* take, const char* channel, int k)
{
    KFCurveNode* node = take->GetRootCurveNode()->FindDescendant(channel);
    if (node != nullptr && k >= 0)
        node = node->GetChildAt(k);
    const KFCurve* curve = node != nullptr ? node->GetFCurve() : nullptr;
    return curve != nullptr ? curve->GetDefaultValue() : std::numeric_limits<float>::quiet_NaN();
}

} // namespace

TEST(KScnDirectWrites, ReachTheDefaultTakeChannel)
{
    // A property of a 'N'ode, 'T'exture, 'M'aterial or 'C'haracter written with x (one
    // value) or x, y, z; a null property: the node's SetVisibility(false),
    // the character's SetWeight(107).
    const struct
    {
        char owner;
        const char* property;
        int values;
        double x, y, z;
        const char* channel;
        int component;
        float expected;
    } rows[] = {
        {'N', nullptr, 1, 0, 0, 0, "Visibility", -1, 0.0f},
        {'N', "Visibility", 1, 0.25, 0, 0, "Visibility", -1, 0.25f},
        {'N', "Lcl Translation", 3, 1, 2, 3, "T", 1, 2.0f},
        {'N', "Lcl Rotation", 3, 10, 20, 30, "R", 2, 30.0f},
        {'N', "Lcl Scaling", 3, 4, 5, 6, "S", 0, 4.0f},
        {'T', "Translation", 3, 0.5, 0.25, 0, "Translation", 1, 0.25f},
        {'T', "Rotation", 3, 0, 0, 45, "Rotation", 2, 45.0f},
        {'T', "Scaling", 3, 3, 1, 1, "Scaling", 0, 3.0f},
        {'T', "Texture alpha", 1, 0.5, 0, 0, "Alpha", -1, 0.5f},
        {'M', "Diffuse", 3, 0.1, 0.2, 0.75, "Diffuse", 2, 0.75f},
        {'M', "Opacity", 1, 0.5, 0, 0, "Opacity", -1, 0.5f},
        {'C', "Weight", 1, 107, 0, 0, "Weight", -1, 107.0f},
        {'C', nullptr, 1, 0, 0, 0, "Weight", -1, 107.0f},
        {'C', "ScaleCompensation", 1, 0.5, 0, 0, "ScaleCompensation", -1, 0.5f},
        {'C', "HipsTOffset", 3, 1, 2, 3, "HipsTOffset", 1, 2.0f},
    };
    for (const auto& row : rows)
        for (const bool buildFirst : {true, false})
        {
            SCOPED_TRACE(std::string(row.property != nullptr ? row.property : "a setter") +
                         (buildFirst ? ", take built before the write" : ", take built after it"));
            KScnSdkManager m;
            KScnTakeNodeContainer* object = nullptr;
            KObject* set = nullptr;
            if (row.owner == 'N')
            {
                KScnNode* node = m.CreateNode("n");
                object = node;
                set = node->GetNodeProperties();
            }
            else if (row.owner == 'T')
            {
                KScnTexture* texture = m.CreateTexture("t");
                object = texture;
                set = texture->GetTextureProperties();
            }
            else if (row.owner == 'C')
            {
                KScnCharacter* character = m.CreateCharacter("c");
                object = character;
                set = character->GetCharacterProperties();
            }
            else
            {
                KScnMaterial* material = m.CreateMaterial("m");
                object = material;
                set = material->GetMaterialProperties();
            }
            if (buildFirst)
            {
                ASSERT_NE(object->GetDefaultTakeNode()->GetRootCurveNode(), nullptr);
            }
            if (row.property == nullptr && row.owner == 'C')
            {
                static_cast<KScnCharacter*>(object)->GetCharacterProperties()->SetWeight(107.0);
            }
            else if (row.property == nullptr)
            {
                static_cast<KScnNode*>(object)->SetVisibility(false);
            }
            else
            {
                KProperty* property = set->FindProperty(row.property);
                ASSERT_NE(property, nullptr);
                const double v[4] = {row.x, row.y, row.z, 1.0};
                EXPECT_TRUE(row.values == 1 ? property->SetDouble(row.x) : property->SetFromDoubles(v));
            }
            EXPECT_FLOAT_EQ(ChannelDefault(object->GetDefaultTakeNode(), row.channel, row.component),
                            row.expected);
        }
}

// With another take current, a direct write reaches that take and the default
// take; a linked curve of the default take writing its property reaches
// neither the current take nor goes back.
TEST(KScnDirectWrites, CurrentTakeFollowsWritesNotDefaultCurveEdits)
{
    const struct
    {
        const char* what;
        std::function<void(KScnNode*)> step;
        float defaultTake, runTake, property;
    } rows[] = {
        {"property written",
         [](KScnNode* n)
         {
             const double v[4] = {3, 0, 0, 1};
             n->GetNodeProperties()->FindProperty("Lcl Translation")->SetFromDoubles(v);
         },
         3, 3, 3},
        {"default curve edited",
         [](KScnNode* n) { n->GetDefaultTakeNode()->GetTranslationXCurve()->SetDefaultValue(7.0f); }, 7, 0,
         7},
        {"run curve edited",
         [](KScnNode* n) { n->GetTakeNode(1)->GetTranslationXCurve()->SetDefaultValue(5.0f); }, 0, 5, 0},
    };
    for (const auto& row : rows)
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
