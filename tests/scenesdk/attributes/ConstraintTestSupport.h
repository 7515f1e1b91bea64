#pragma once

// Helpers for the constraint tests: kernel objects to connect to the
// constraints' object lists, a minimal named scene object, and readers for
// property values and take channels.

#include "scenesdk/animation/KFCurve.h"
#include "scenesdk/animation/KFCurveNode.h"
#include "scenesdk/attributes/KScnConstraint.h"
#include "scenesdk/kernel/KObject.h"
#include "scenesdk/kernel/KScnObject.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace constrainttest
{

using namespace scenesdk;

// Kernel objects destroyed at the end of the test.
struct Objects
{
    std::vector<KObject*> items;
    KObject* Make()
    {
        items.push_back(new KObject);
        return items.back();
    }
    ~Objects()
    {
        for (auto it = items.rbegin(); it != items.rend(); ++it)
        {
            (*it)->Destroy();
        }
    }
};

class TestModel : public KScnObject
{
public:
    explicit TestModel(const char* name) : KScnObject(nullptr, name) {}
    int GetObjectKind() const override { return eKindNode; }
};

inline std::vector<double> ValueOf(KProperty* property)
{
    double v[4] = {0, 0, 0, 0};
    EXPECT_NE(property, nullptr);
    if (property != nullptr)
    {
        property->GetAsDoubles(v);
    }
    return std::vector<double>(v, v + (property != nullptr && property->IsVector() ? 4 : 1));
}

// Names of the property set's properties in list order.
inline std::vector<std::string> PropertyNames(KObject* set)
{
    std::vector<std::string> names;
    for (int i = 0; i < set->GetPropertyCount(); ++i)
    {
        names.push_back(set->GetProperty(i)->GetName());
    }
    return names;
}

// Names of the direct children of a take's root channel.
inline std::vector<std::string> ChannelNames(KScnTakeNodeEntry* take)
{
    std::vector<std::string> names;
    KFCurveNode* root = take != nullptr ? take->GetRootCurveNode() : nullptr;
    for (int i = 0; root != nullptr && i < root->GetChildCount(); ++i)
    {
        names.push_back(root->GetChildAt(i)->GetName());
    }
    return names;
}

inline KFCurve* ChannelCurve(KScnTakeNodeEntry* take, const char* path)
{
    KFCurveNode* node = take != nullptr ? take->GetRootCurveNode()->FindDescendant(path) : nullptr;
    return node != nullptr ? node->GetFCurve() : nullptr;
}

} // namespace constrainttest
