#pragma once

// Shared helpers of the node-attribute tests: property checks and a node
// with several takes.

#include "scenesdk/animation/KFCurve.h"
#include "scenesdk/animation/KFCurveNode.h"
#include "scenesdk/animation/KScnTakeNodeEntry.h"
#include "scenesdk/kernel/KProperty.h"
#include "scenesdk/kernel/KScnNode.h"
#include "scenesdk/kernel/KScnNodeAttribute.h"
#include "scenesdk/kernel/KScnSdkManager.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace attribtest
{

using namespace scenesdk;

struct PropertyRow
{
    const char* name;
    int typeCode;
    double values[3]; // scalars use values[0]; vectors the three components
};

// Checks the attribute's collected properties against rows, in order.
inline void ExpectProperties(KScnNodeAttribute& attribute, const std::vector<PropertyRow>& rows)
{
    std::vector<KProperty*> properties;
    attribute.CollectHandlerProperties(properties);
    ASSERT_EQ(properties.size(), rows.size());
    for (size_t i = 0; i < rows.size(); ++i)
    {
        SCOPED_TRACE(rows[i].name);
        KProperty* p = properties[i];
        EXPECT_STREQ(p->GetName(), rows[i].name);
        EXPECT_EQ(p->GetTypeCode(), rows[i].typeCode);
        if (p->IsVector())
        {
            double v[4] = {-1, -1, -1, -1};
            ASSERT_TRUE(p->GetAsDoubles(v));
            for (int c = 0; c < 3; ++c)
            {
                EXPECT_DOUBLE_EQ(v[c], rows[i].values[c]);
            }
        }
        else if (p->IsScalar())
        {
            EXPECT_DOUBLE_EQ(p->GetDouble(), rows[i].values[0]);
        }
    }
}

inline std::vector<std::string> Names(const KStringList& list)
{
    std::vector<std::string> out;
    for (int i = 0; i < list.GetCount(); ++i)
    {
        out.emplace_back(list.GetStringAt(i));
    }
    return out;
}

// Names of the root's children in one take.
inline std::vector<std::string> RootChannels(KScnTakeNodeEntry* take)
{
    std::vector<std::string> out;
    KFCurveNode* root = take->GetRootCurveNode();
    for (int i = 0; i < root->GetChildCount(); ++i)
    {
        out.emplace_back(root->GetChildAt(i)->GetName());
    }
    return out;
}

inline bool HasChannel(KScnTakeNodeEntry* take, const char* name)
{
    return take->GetRootCurveNode()->IndexOfChildByName(name) >= 0;
}

class AttributeTest : public ::testing::Test
{
protected:
    // A node with the default take and two more ("Walk", "Run").
    KScnNode* NodeWithTakes()
    {
        KScnNode* node = mManager.CreateNode("holder");
        EXPECT_NE(node->AddTakeNode("Walk"), nullptr);
        EXPECT_NE(node->AddTakeNode("Run"), nullptr);
        EXPECT_EQ(node->GetTakeNodeCount(), 3);
        return node;
    }

    KScnSdkManager mManager;
};

} // namespace attribtest
