// A node's declared properties read and write through the getter and setter
// of the node's property set.

#include "scenesdk/kernel/KScnNode.h"
#include "scenesdk/kernel/KScnNodeProperties.h"
#include "scenesdk/kernel/KScnSdkManager.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

using namespace scenesdk;

namespace
{

const char* const kVectorMembers[] = {"RotationOffset",    "RotationPivot",   "RotationPivotUpdateOffset",
                                      "ScalingOffset",     "ScalingPivot",    "ScalingPivotUpdateOffset",
                                      "TranslationMin",    "TranslationMax",  "PreRotation",
                                      "PostRotation",      "RotationMin",     "RotationMax",
                                      "ScalingMin",        "ScalingMax",      "GeometricTranslation",
                                      "GeometricRotation", "GeometricScaling"};

TEST(NodePropertiesBinding, EveryVectorMemberReadsWithFourthComponentOne)
{
    KScnSdkManager manager;
    KScnNodeProperties* set = manager.CreateNode("N")->GetNodeProperties();
    std::set<std::string> vectors;
    for (int i = 0; i < set->GetPropertyCount(); ++i)
    {
        KProperty* p = set->GetProperty(i);
        if (!p->IsDynamic() && p->GetTypeCode() == eKPropVector3D)
            vectors.insert(p->GetName());
    }
    EXPECT_EQ(vectors, std::set<std::string>(std::begin(kVectorMembers), std::end(kVectorMembers)));

    const struct
    {
        const char* how;
        double in[4];
        double out[4];
    } rows[] = {
        {"typed", {1, 2, 3, 7}, {1, 2, 3, 1}},
        {"doubles", {-4, 0.5, 9, 0}, {-4, 0.5, 9, 1}},
        {"typed", {0, 0, 0, -1}, {0, 0, 0, 1}},
    };
    for (const char* name : kVectorMembers)
    {
        auto* member = static_cast<KPropertyTemplate<KgeTVector>*>(set->FindProperty(name));
        EXPECT_TRUE(member->HasGetter()) << name << " reads through the set";
        EXPECT_TRUE(member->HasSetter()) << name << " writes through the set";
        for (const auto& row : rows)
        {
            const KgeTVector in(row.in[0], row.in[1], row.in[2], row.in[3]);
            std::string how = row.how;
            how == "typed" ? member->SetValue(in) : member->SetFromDoubles(row.in);
            EXPECT_EQ(member->GetStoredValue()[3], 1.0) << name << ": the stored w stays, before any read";
            double out[4] = {};
            ASSERT_TRUE(member->GetAsDoubles(out));
            for (int c = 0; c < 4; ++c)
                EXPECT_EQ(out[c], row.out[c]) << name << " " << how << " component " << c;
            EXPECT_EQ(member->GetStoredValue()[3], 1.0) << name << ": the stored w stays";
        }
    }
}

class CountingNodeProperties : public KScnNodeProperties
{
public:
    CountingNodeProperties() : KScnNodeProperties(nullptr) {}
    double SetAxisLen(double value) override
    {
        ++mSets;
        return KScnNodeProperties::SetAxisLen(value * 2.0);
    }
    bool SetShow(bool value) override
    {
        ++mSets;
        return KScnNodeProperties::SetShow(value);
    }
    ERotationOrder SetRotationOrder(ERotationOrder value) override
    {
        ++mSets;
        return KScnNodeProperties::SetRotationOrder(value);
    }
    KgeTVector SetRotationPivot(const KgeTVector& value) override
    {
        ++mSets;
        return KScnNodeProperties::SetRotationPivot(value);
    }
    KgeTVector GetScalingPivot() override { return KgeTVector(5, 6, 7, 1); }
    int mSets = 0;
};

TEST(NodePropertiesBinding, PropertiesReachTheMostDerivedAccessors)
{
    CountingNodeProperties* set = new CountingNodeProperties;
    const struct
    {
        const char* name;
        double value, read;
        int sets; // calls of the overridden setters
    } rows[] = {
        {"AxisLen", 1.5, 3.0, 1}, // the override doubles it
        {"Show", 0.0, 0.0, 1},
        {"RotationOrder", 4, 4, 1},
        {"RotationStiffnessX", 2, 2, 0},
    };
    for (const auto& row : rows)
    {
        const int before = set->mSets;
        ASSERT_TRUE(set->FindProperty(row.name)->SetDouble(row.value)) << row.name;
        EXPECT_EQ(set->FindProperty(row.name)->GetDouble(), row.read) << row.name;
        EXPECT_EQ(set->mSets - before, row.sets) << row.name;
    }
    set->RotationPivot.SetValue(KgeTVector(1, 2, 3, 7));
    EXPECT_EQ(set->mSets, 4);
    EXPECT_EQ(set->GetRotationPivot()[3], 1.0);
    double pivot[4] = {};
    set->FindProperty("ScalingPivot")->GetAsDoubles(pivot);
    EXPECT_EQ(pivot[0], 5.0) << "the overridden getter answers";
    EXPECT_EQ(pivot[2], 7.0);
    set->Destroy();
}

} // namespace
