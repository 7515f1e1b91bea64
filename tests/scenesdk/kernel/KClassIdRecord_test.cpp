#include "scenesdk/kernel/KClassIdRecord.h"
#include "scenesdk/kernel/KGenericObjectList.h"
#include "scenesdk/kernel/KLibrary.h"
#include "scenesdk/kernel/KMemoryReusePool.h"
#include "scenesdk/kernel/KPlugFilter.h"
#include "scenesdk/kernel/KPropertyObjectList.h"
#include "scenesdk/kernel/KPropertyTemplate.h"
#include "scenesdk/kernel/KWorld.h"

#include "tests/scenesdk/kernel/KernelTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>

using namespace scenesdk;
using kerneltest::PlugScope;

namespace
{

// (name, parent) of the 46 known classes.
const char* const kTable[][2] = {
    {"KPlug", nullptr},
    {"None", nullptr},
    {"KObject", "KPlug"},
    {"KPlugList", "KPlug"},
    {"KDataPlug", "KPlug"},
    {"KProperty", "KPlug"},
    {"KPlugFilter", "KPlug"},
    {"KClassIdFilter", "KPlugFilter"},
    {"KGenericObjectList", "KObject"},
    {"KScnPropertyHandler", "KObject"},
    {"KScnNullProperties", "KObject"},
    {"KScnMarkerProperties", "KObject"},
    {"KScnCameraProperties", "KObject"},
    {"KScnLightProperties", "KObject"},
    {"KScnSkeletonProperties", "KObject"},
    {"KStream", "KObject"},
    {"KStreamOptions", "KObject"},
    {"KScnAsfScene", "KObject"},
    {"KScnBaseObject", "KObject"},
    {"KObjectList", "KGenericObjectList"},
    {"KEntityList", "KGenericObjectList"},
    {"KScnNodeProperties", "KScnPropertyHandler"},
    {"KScnTextureProperties", "KScnPropertyHandler"},
    {"KScnMaterialProperties", "KScnPropertyHandler"},
    {"KScnDeformerProperties", "KScnPropertyHandler"},
    {"KScnVideoProperties", "KScnPropertyHandler"},
    {"KScnPoseProperties", "KScnPropertyHandler"},
    {"KScnGenericNodeProperties", "KScnPropertyHandler"},
    {"KScnConstraintProperty", "KScnPropertyHandler"},
    {"KScnControlSetPlugProperties", "KScnPropertyHandler"},
    {"KScnCharacterProperties", "KScnConstraintProperty"},
    {"KScnConstraintAimProperties", "KScnConstraintProperty"},
    {"KScnConstraintSingleChainIKProperties", "KScnConstraintProperty"},
    {"KScnConstraintParentProperties", "KScnConstraintProperty"},
    {"KScnConstraintScaleProperties", "KScnConstraintProperty"},
    {"KScnConstraintRotationProperties", "KScnConstraintProperty"},
    {"KScnConstraintPositionProperties", "KScnConstraintProperty"},
    {"KPropertyObjectList", "KProperty"},
    {"KStreamOptionsScn", "KStreamOptions"},
    {"KStreamOptionsBase", "KStreamOptions"},
    {"KStreamOptionsMotion", "KStreamOptions"},
    {"KStreamOptions3ds", "KStreamOptionsBase"},
    {"KStreamOptionsObj", "KStreamOptionsBase"},
    {"KStreamOptionsDxf", "KStreamOptionsBase"},
    {"KObjectSet", "KScnBaseObject"},
    {"KEntity", "KObjectSet"},
};

int NumberOf(const char* name)
{
    KClassIdRecord* r = KClassIdRecord::FindByName(name);
    return r ? r->GetNumber() : -999;
}

TEST(ClassIds, EveryKnownClassIsItsAncestorsAndNothingElse)
{
    std::set<int> numbers;
    for (const auto& row : kTable)
    {
        KClassIdRecord* r = KClassIdRecord::FindByName(row[0]);
        ASSERT_NE(r, nullptr) << row[0];
        numbers.insert(r->GetNumber());
        EXPECT_EQ(KClassIdRecord::ForNumber(r->GetNumber()), r) << row[0];
        std::set<int> ancestors{r->GetNumber(), KClassIdRecord::kPlugId, KClassIdRecord::kNone};
        for (const char* p = row[1]; p;)
        {
            ancestors.insert(NumberOf(p));
            const char* next = nullptr;
            for (const auto& other : kTable)
            {
                if (std::strcmp(other[0], p) == 0)
                {
                    next = other[1];
                }
            }
            p = next;
        }
        EXPECT_EQ(r->GetParentNumber(), row[1] ? NumberOf(row[1]) : -1) << row[0];
        for (const auto& other : kTable)
        {
            int n = NumberOf(other[0]);
            EXPECT_EQ(KClassIdRecord::RecordIsA(r, n), ancestors.count(n) == 1)
                << row[0] << " is-a " << other[0];
        }
    }
    EXPECT_EQ(numbers.size(), 46u) << "46 distinct numbers";
    EXPECT_EQ(NumberOf("KObject"), 1);
    EXPECT_EQ(NumberOf("KPlug"), 2);
    EXPECT_EQ(NumberOf("None"), -1);
    EXPECT_EQ(KObject::ClassId, 1);
    EXPECT_EQ(KPlug::ClassId, 2);
}

TEST(ClassIds, LiveObjectsAnswerThroughTheirClassRecords)
{
    PlugScope scope;
    KPlug* plug = scope.Add(new KPlug);
    KObject* object = scope.Add(new KObject);
    KObjectList* list = scope.Add(new KObjectList);
    auto* prop = scope.Add(new KPropertyTemplate<int>);
    auto* objList = scope.Add(new KPropertyObjectList);

    EXPECT_TRUE(plug->IsA(KPlug::ClassId));
    EXPECT_TRUE(plug->IsA(-1));
    EXPECT_FALSE(plug->IsA(KObject::ClassId));
    EXPECT_TRUE(object->IsA(KObject::ClassId));
    EXPECT_TRUE(object->IsA(KPlug::ClassId));
    EXPECT_FALSE(object->IsA(KProperty::ClassId));
    EXPECT_TRUE(list->IsA(KObjectList::ClassId));
    EXPECT_TRUE(list->IsA(KGenericObjectList::ClassId));
    EXPECT_TRUE(list->IsA(KObject::ClassId));
    EXPECT_TRUE(prop->IsA(KProperty::ClassId));
    EXPECT_FALSE(prop->IsA(KObject::ClassId));
    EXPECT_TRUE(objList->IsA(KPropertyObjectList::ClassId));
    EXPECT_TRUE(objList->IsA(KProperty::ClassId));
    EXPECT_STREQ(list->GetClassName(), "KObjectList");
    EXPECT_EQ(list->GetParentClassId(), KGenericObjectList::ClassId);
    EXPECT_EQ(KObjectList::ClassId, NumberOf("KObjectList")) << "a real class takes its known number";
}

TEST(ClassIds, FiltersAcceptTheirClassAndCompareByNumber)
{
    PlugScope scope;
    KClassIdFilter* none = KClassIdFilter::ForClassId(-1);
    KClassIdFilter* objects = KClassIdFilter::ForClassId(KObject::ClassId);
    ASSERT_NE(none, nullptr);
    ASSERT_NE(objects, nullptr);
    EXPECT_TRUE(none->Accept(nullptr));
    EXPECT_TRUE(none->Accept(scope.Add(new KPlug)));
    EXPECT_FALSE(objects->Accept(nullptr));
    EXPECT_TRUE(objects->Accept(scope.Add(new KObject)));
    EXPECT_TRUE(objects->Accept(scope.Add(new KObjectList)));
    EXPECT_FALSE(objects->Accept(scope.Add(new KPlug)));
    EXPECT_FALSE(objects->Accept(scope.Add(new KPropertyTemplate<double>)));
    EXPECT_FALSE(objects->Accept(objects));

    auto* twin = scope.Add(new KClassIdFilter(KObject::ClassId));
    EXPECT_TRUE(twin->IsSameAs(objects));
    EXPECT_TRUE(objects->IsSameAs(twin));
    EXPECT_FALSE(objects->IsSameAs(none));
    EXPECT_FALSE(objects->IsSameAs(nullptr));
    auto* plain = scope.Add(new KPlugFilter);
    EXPECT_FALSE(plain->IsSameAs(plain));
    EXPECT_FALSE(objects->IsSameAs(plain));
    EXPECT_FALSE(plain->Accept(scope.Add(new KPlug)));
    EXPECT_EQ(KClassIdFilter::ForClassId(987654), nullptr);
}

TEST(ClassIds, RegistrationGivesNewClassesTheNextNumber)
{
    static KClassIdRecord recA;
    static KClassIdRecord recB;
    static int idA = 0;
    static int idB = 0;
    int a = KClassIdRecord::Declare(&recA, &idA, "TestOnlyClassA", &KObject::ClassRecord);
    int b = KClassIdRecord::Declare(&recB, &idB, "TestOnlyClassB", &recA);
    EXPECT_EQ(b, a + 1);
    EXPECT_EQ(idA, a);
    EXPECT_TRUE(KClassIdRecord::RecordIsA(&recB, a));
    EXPECT_TRUE(KClassIdRecord::RecordIsA(&recB, KObject::ClassId));
    EXPECT_FALSE(KClassIdRecord::RecordIsA(&recA, b));
    ASSERT_NE(KClassIdFilter::ForClassId(b), nullptr);
    EXPECT_EQ(KClassIdFilter::ForClassId(b)->GetNumber(), b);
}

// --- Library start and stop ------------------------------------------------

// Brings the library to no users, runs body, then restores the former count.
template <class F> void WithLibraryStopped(F body)
{
    int users = KLibraryUserCount();
    for (int i = 0; i < users; ++i)
    {
        KLibraryStop();
    }
    body();
    for (int i = 0; i < users; ++i)
    {
        KLibraryStart();
    }
}

TEST(Library, StartAndStopAreCounted)
{
    WithLibraryStopped(
        []
        {
            EXPECT_TRUE(KLibraryStart());
            KWorld* world = KGetGlobalWorld();
            ASSERT_NE(world, nullptr);
            EXPECT_EQ(KMemoryPoolRegistryCount(), 1);
            EXPECT_TRUE(KLibraryStart());
            EXPECT_EQ(KGetGlobalWorld(), world) << "the second start makes nothing new";
            KLibraryStop();
            EXPECT_EQ(KGetGlobalWorld(), world) << "one user is left";
            EXPECT_NE(KClassIdFilter::ForClassId(KObject::ClassId), nullptr);
            KLibraryStop();
            EXPECT_EQ(KGetGlobalWorld(), nullptr);
            EXPECT_EQ(KClassIdFilter::ForClassId(KObject::ClassId), nullptr);
            EXPECT_EQ(KClassIdFilter::ForClassId(-1), nullptr);
            EXPECT_NE(KClassIdRecord::FindByName("KObject"), nullptr) << "records stay";

            // Plugs made while stopped carry no filter and still connect.
            PlugScope scope;
            KPlug* a = scope.Add(new KPlug);
            KPlug* b = scope.Add(new KPlug);
            EXPECT_EQ(a->GetConnectionFilter(), nullptr);
            EXPECT_TRUE(a->ConnectSrc(b));
            KLibraryStop();
            EXPECT_EQ(KLibraryUserCount(), 0) << "an extra stop is ignored";

            EXPECT_TRUE(KLibraryStart());
            EXPECT_NE(KClassIdFilter::ForClassId(KObject::ClassId), nullptr)
                << "a restart brings the filters back";
            EXPECT_TRUE(KClassIdFilter::ForClassId(-1)->Accept(nullptr));
            KLibraryStop();
        });
    if (KClassIdFilter::ForClassId(-1) == nullptr)
    {
        // Later tests of this process need the filters, not the world or pools.
        KClassIdRecord::StartRegistry();
    }
}

} // namespace
