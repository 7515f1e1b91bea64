// The manager's handler list: deformers, constraints and characters are
// listed by connecting their property sets as sources of the manager's
// KObjectList, destroyed by disconnecting them (only what was connected, or
// left by its own detach step, goes), and destroyed from the last to the
// first when everything goes.

#include "scenesdk/attributes/KScnCharacter.h"
#include "scenesdk/attributes/KScnCharacterProperties.h"
#include "scenesdk/attributes/KScnConstraint.h"
#include "scenesdk/attributes/KScnConstraintPosition.h"
#include "scenesdk/attributes/KScnDeformer.h"
#include "scenesdk/attributes/KScnPropertyHandler.h"
#include "scenesdk/kernel/KGenericObjectList.h"
#include "scenesdk/kernel/KScnSceneContents.h"
#include "scenesdk/kernel/KScnSceneRoot.h"
#include "scenesdk/kernel/KScnSdkManager.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

using namespace scenesdk;

namespace
{

KObjectList* ListOf(KScnSdkManager& m)
{
    return const_cast<KObjectList*>(m.GetHandlerList());
}

struct MadeRow
{
    const char* what;
    std::function<KScnTakeNodeContainer*(KScnSdkManager&)> make;
    bool setListsTheManager; // the set has the list among its destinations
};

const MadeRow kMade[] = {
    {"skin", [](KScnSdkManager& m) { return m.CreateDeformer("s", "Skin"); }, true},
    {"cluster", [](KScnSdkManager& m) { return m.CreateDeformer("c", "Cluster"); }, true},
    {"position", [](KScnSdkManager& m) { return m.CreateConstraint("p", 1); }, true},
    {"rotation", [](KScnSdkManager& m) { return m.CreateConstraint("r", 2); }, true},
    {"scale", [](KScnSdkManager& m) { return m.CreateConstraint("s", 3); }, true},
    {"parent", [](KScnSdkManager& m) { return m.CreateConstraint("p", 4); }, true},
    {"single-chain IK", [](KScnSdkManager& m) { return m.CreateConstraint("k", 5); }, true},
    {"aim", [](KScnSdkManager& m) { return m.CreateConstraint("a", 6); }, true},
    {"character", [](KScnSdkManager& m) { return m.CreateCharacter("h"); }, false},
};

} // namespace

// Each kind is listed as a source of the list; a character's set does not
// list the manager (its destination views stay its own).
TEST(SdkManagerHandlerList, CreatorsConnectTheSetAsASource)
{
    for (const MadeRow& row : kMade)
    {
        KScnSdkManager m;
        m.CreateDeformer("before", "Skin");
        KScnTakeNodeContainer* object = row.make(m);
        ASSERT_NE(object, nullptr) << row.what;
        KScnPropertyHandler* set = object->GetPropertyHandler();
        EXPECT_TRUE(ListOf(m)->IsSrcConnected(set)) << row.what;
        EXPECT_EQ(ListOf(m)->GetSrc(1), set) << row.what << ": appended";
        EXPECT_EQ(set->IsDstConnected(ListOf(m)), row.setListsTheManager) << row.what;
        EXPECT_EQ(set->GetDstCount(), row.setListsTheManager ? 1 : 0) << row.what;
        EXPECT_EQ(m.GetHandlerObjectCount(), 2) << row.what;
        EXPECT_EQ(m.GetHandlerObject(1), object) << row.what;
        EXPECT_EQ(m.GetHandlerObject(2), nullptr) << row.what;
    }
    KScnSdkManager m;
    auto* character = static_cast<KScnCharacter*>(kMade[8].make(m));
    EXPECT_EQ(character->GetCharacterProperties()->DestinationObject.GetCount(), 0);
}

// What each destroyer answers, and what is left listed.
TEST(SdkManagerHandlerList, DestroyersAnswerByTheConnection)
{
    struct Row
    {
        const char* what;
        // Makes an object, does something to it, then destroys it; answers
        // the destroyer's result.
        std::function<bool(KScnSdkManager&)> run;
        bool result;
        int left;       // handler objects left
        int error = -2; // the error after it: 0 for a failure, untouched (1) otherwise
    };
    const Row rows[] = {
        {"deformer", [](KScnSdkManager& m) { return m.DestroyDeformer(m.CreateDeformer("d", "Skin")); }, true,
         0},
        {"deformer twice",
         [](KScnSdkManager& m)
         {
             KScnDeformer* d = m.CreateDeformer("d", "Skin");
             EXPECT_TRUE(m.DestroyDeformer(d));
             return m.DestroyDeformer(d);
         },
         false, 0},
        {"constraint", [](KScnSdkManager& m) { return m.DestroyConstraint(m.CreateConstraint("c", 4)); },
         true, 0},
        {"constraint twice",
         [](KScnSdkManager& m)
         {
             KScnConstraint* c = m.CreateConstraint("c", 4);
             EXPECT_TRUE(m.DestroyObject(c));
             return m.DestroyConstraint(c);
         },
         false, 0},
        {"character", [](KScnSdkManager& m) { return m.DestroyObject(m.CreateCharacter("h")); }, true, 0},
        {"null object", [](KScnSdkManager& m) { return m.DestroyObject(nullptr); }, false, 0, 1},
        {"constraint after its DisconnectAll",
         [](KScnSdkManager& m)
         {
             KScnConstraint* c = m.CreateConstraint("c", 1);
             c->DisconnectAll();
             EXPECT_FALSE(ListOf(m)->IsSrcConnected(c->GetPropertyHandler()));
             EXPECT_EQ(m.GetHandlerObjectCount(), 1) << "still the manager's";
             return m.DestroyConstraint(c);
         },
         true, 0},
        {"deformer after its Detach",
         [](KScnSdkManager& m)
         {
             KScnDeformer* d = m.CreateDeformer("d", "Cluster");
             d->Detach();
             return m.DestroyDeformer(d);
         },
         true, 0},
        {"character after its DisconnectAll",
         [](KScnSdkManager& m)
         {
             KScnCharacter* h = m.CreateCharacter("h");
             h->DisconnectAll();
             EXPECT_TRUE(ListOf(m)->IsSrcConnected(h->GetPropertyHandler())) << "one-way: kept";
             return m.DestroyObject(h);
         },
         true, 0},
        {"one of three, the middle",
         [](KScnSdkManager& m)
         {
             m.CreateDeformer("a", "Skin");
             KScnConstraint* b = m.CreateConstraint("b", 2);
             KScnCharacter* c = m.CreateCharacter("c");
             const bool done = m.DestroyConstraint(b);
             EXPECT_EQ(m.GetHandlerObject(1), c) << "the later one moves up";
             return done;
         },
         true, 2},
        {"detached one counted after the listed",
         [](KScnSdkManager& m)
         {
             KScnConstraint* a = m.CreateConstraint("a", 3);
             KScnDeformer* b = m.CreateDeformer("b", "Skin");
             a->DisconnectAll();
             EXPECT_EQ(m.GetHandlerObject(0), b);
             EXPECT_EQ(m.GetHandlerObject(1), a);
             return m.DestroyDeformer(b);
         },
         true, 1},
    };
    for (const Row& row : rows)
    {
        KScnSdkManager m;
        m.GetError().SetLastErrorID(1);
        EXPECT_EQ(row.run(m), row.result) << row.what;
        const int error = row.error != -2 ? row.error : row.result ? 1 : 0;
        EXPECT_EQ(m.GetError().GetLastErrorID(), error) << row.what << ": error 0 only on failure";
        EXPECT_EQ(m.GetHandlerObjectCount(), row.left) << row.what;
        EXPECT_LE(ListOf(m)->GetSrcCount(), row.left) << row.what;
    }
}

// Only the manager connects to its list.
TEST(SdkManagerHandlerList, OthersCannotConnectToTheList)
{
    KScnSdkManager m;
    m.CreateDeformer("d", "Skin");
    const int sources = ListOf(m)->GetSrcCount();
    KScnConstraint* c = m.CreateConstraint("c", 1);
    c->DisconnectAll();
    EXPECT_FALSE(ListOf(m)->ConnectSrc(c->GetPropertyHandler()));
    EXPECT_FALSE(c->GetPropertyHandler()->ConnectDst(ListOf(m)));
    EXPECT_EQ(ListOf(m)->GetSrcCount(), sources);
    EXPECT_TRUE(m.DestroyConstraint(c)) << "the detached one is still destroyed once";
    EXPECT_FALSE(m.DestroyConstraint(c));
}

namespace
{

// Objects that log their deletion.
class LoggedDeformer : public KScnDeformer
{
public:
    LoggedDeformer(KScnSdkManager* m, const char* name, std::vector<std::string>* log)
        : KScnDeformer(m, name, "Skin"), mLog(log)
    {
    }
    ~LoggedDeformer() override { mLog->push_back(GetName()); }
    std::vector<std::string>* mLog;
};

class LoggedPosition : public KScnConstraintPosition
{
public:
    LoggedPosition(KScnSdkManager* m, const char* name, std::vector<std::string>* log)
        : KScnConstraintPosition(m, name), mLog(log)
    {
    }
    ~LoggedPosition() override { mLog->push_back(GetName()); }
    std::vector<std::string>* mLog;
};

class LoggingManager : public KScnSdkManager
{
public:
    std::vector<std::string> log;

protected:
    KScnDeformer* NewDeformer(const char* name, const char*) override
    {
        return new LoggedDeformer(this, name, &log);
    }
    KScnConstraint* NewConstraintPosition(const char* name) override
    {
        return new LoggedPosition(this, name, &log);
    }
};

} // namespace

// Everything goes from the last listed to the first, the detached after them.
TEST(SdkManagerHandlerList, DestroyAllGoesFromTheLastToTheFirst)
{
    struct Row
    {
        const char* what;
        std::function<void(LoggingManager&)> make;
        std::vector<std::string> order;
    };
    const Row rows[] = {
        {"created order",
         [](LoggingManager& m)
         {
             m.CreateDeformer("a", "Skin");
             m.CreateConstraint("b", 1);
             m.CreateDeformer("c", "Skin");
         },
         {"Deformer::c", "Constraint::b", "Deformer::a"}},
        {"a detached one last",
         [](LoggingManager& m)
         {
             m.CreateConstraint("a", 1)->DisconnectAll();
             m.CreateDeformer("b", "Skin");
             m.CreateDeformer("c", "Skin");
         },
         {"Deformer::c", "Deformer::b", "Constraint::a"}},
        {"one destroyed before",
         [](LoggingManager& m)
         {
             m.CreateDeformer("a", "Skin");
             EXPECT_TRUE(m.DestroyObject(m.CreateConstraint("b", 1)));
             m.CreateDeformer("c", "Skin");
         },
         {"Constraint::b", "Deformer::c", "Deformer::a"}},
        {"a character among them",
         [](LoggingManager& m)
         {
             m.CreateDeformer("a", "Skin");
             m.CreateCharacter("h");
             m.CreateConstraint("b", 1);
         },
         {"Constraint::b", "Deformer::a"}},
    };
    for (const Row& row : rows)
    {
        LoggingManager m;
        row.make(m);
        m.DestroyAllObjects();
        EXPECT_EQ(m.log, row.order) << row.what;
        EXPECT_EQ(m.GetHandlerObjectCount(), 0) << row.what;
        EXPECT_EQ(ListOf(m)->GetSrcCount(), 0) << row.what;
    }
}

// A constraint in a scene's contents and the manager's list at once.
TEST(SdkManagerHandlerList, AConstraintInAScene)
{
    KScnSdkManager m;
    KScnSceneRoot* scene = m.CreateScene();
    KScnConstraint* c = m.CreateConstraint("c", 6);
    ASSERT_TRUE(scene->GetContents()->AddObject(c));
    EXPECT_EQ(c->GetPropertyHandler()->GetDstCount(), 2);
    EXPECT_EQ(scene->GetContents()->GetConstraintCount(), 1);
    EXPECT_TRUE(m.DestroyConstraint(c));
    EXPECT_EQ(scene->GetContents()->GetConstraintCount(), 0);
    EXPECT_EQ(m.GetHandlerObjectCount(), 0);
}
