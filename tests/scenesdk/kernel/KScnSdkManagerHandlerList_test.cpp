// The manager's handler list: deformers, constraints and characters are
// listed by connecting their property sets as sources of the manager's
// KObjectList (and as its items, which its own lookups read), destroyed by disconnecting them (only what was connected, or
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

// Kinds: 'S'kin and 'C'luster deformers, constraint types '1' to '6', 'H' a character.
KScnTakeNodeContainer* Make(KScnSdkManager& m, char kind, const char* name = "x")
{
    if (kind == 'S' || kind == 'C')
        return m.CreateDeformer(name, kind == 'S' ? "Skin" : "Cluster");
    if (kind == 'H')
        return m.CreateCharacter(name);
    return m.CreateConstraint(name, kind - '0');
}

// The destroyer of the object's own kind (its pointer cast while it lives).
std::function<bool()> Destroyer(KScnSdkManager& m, char kind, KScnTakeNodeContainer* object)
{
    if (kind == 'S' || kind == 'C')
        return [&m, d = static_cast<KScnDeformer*>(object)] { return m.DestroyDeformer(d); };
    if (kind == 'H')
        return [&m, object] { return m.DestroyObject(object); };
    return [&m, c = static_cast<KScnConstraint*>(object)] { return m.DestroyConstraint(c); };
}

} // namespace

TEST(SdkManagerHandlerList, CreatorsConnectTheSetAsASource)
{
    for (const char kind : std::string("SC123456H"))
    {
        KScnSdkManager m;
        m.CreateDeformer("before", "Skin");
        KScnTakeNodeContainer* object = Make(m, kind);
        KScnPropertyHandler* set = object->GetPropertyHandler();
        EXPECT_EQ(ListOf(m)->GetSrc(1), set) << kind << ": appended";
        ASSERT_EQ(ListOf(m)->GetCount(), 2) << kind << ": an item too";
        EXPECT_EQ(ListOf(m)->GetAt(1).Get(), set) << kind;
        EXPECT_EQ(ListOf(m)->FindByName(set->GetFullName()).Get(), set) << kind;
        // A character's set does not list the manager (its destination views stay its own).
        EXPECT_EQ(set->IsDstConnected(ListOf(m)), kind != 'H') << kind;
        EXPECT_EQ(set->GetDstCount(), kind != 'H' ? 1 : 0) << kind;
        EXPECT_EQ(m.GetHandlerObjectCount(), 2) << kind;
        EXPECT_EQ(m.GetHandlerObject(1), object) << kind;
        EXPECT_EQ(m.GetHandlerObject(2), nullptr) << kind;
    }
    KScnSdkManager m;
    EXPECT_EQ(m.CreateCharacter("h")->GetCharacterProperties()->DestinationObject.GetCount(), 0);
}

// What each destroyer answers (error 0 only on a failure), and what is left listed.
TEST(SdkManagerHandlerList, DestroyersAnswerByTheConnection)
{
    enum EStep
    {
        eNone,
        eDestroyed,
        eDisconnected,
        eDetached
    };
    const struct
    {
        char kind;
        EStep before;
        bool result;
    } rows[] = {
        {'S', eNone, true},       {'S', eDestroyed, false},   {'4', eNone, true},
        {'4', eDestroyed, false}, {'H', eNone, true},         {'1', eDisconnected, true},
        {'C', eDetached, true},   {'H', eDisconnected, true}, // one-way: still listed, destroyed all the same
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(std::string(1, row.kind) + " step " + std::to_string(row.before));
        KScnSdkManager m;
        m.GetError().SetLastErrorID(1);
        KScnTakeNodeContainer* object = Make(m, row.kind);
        const auto destroy = Destroyer(m, row.kind, object);
        EXPECT_TRUE(row.before != eDestroyed || m.DestroyObject(object));
        if (row.before == eDetached)
            static_cast<KScnDeformer*>(object)->Detach();
        if (row.before == eDisconnected)
        {
            static_cast<KScnConstraint*>(object)->DisconnectAll();
            EXPECT_EQ(ListOf(m)->IsSrcConnected(object->GetPropertyHandler()), row.kind == 'H');
            EXPECT_EQ(ListOf(m)->GetCount(), row.kind == 'H' ? 1 : 0) << "the items follow the sources";
            EXPECT_EQ(m.GetHandlerObjectCount(), 1) << "still the manager's";
        }
        EXPECT_EQ(destroy(), row.result);
        EXPECT_EQ(m.GetError().GetLastErrorID(), row.result ? 1 : 0);
        EXPECT_EQ(m.GetHandlerObjectCount(), 0);
        EXPECT_EQ(ListOf(m)->GetSrcCount(), 0);
        EXPECT_EQ(ListOf(m)->GetCount(), 0);
    }

    KScnSdkManager m;
    m.GetError().SetLastErrorID(1);
    EXPECT_FALSE(m.DestroyObject(nullptr));
    EXPECT_EQ(m.GetError().GetLastErrorID(), 1) << "a null object is no failure of the manager's";

    // The middle one of three: the later one moves up.
    Make(m, 'S');
    KScnTakeNodeContainer* b = Make(m, '2');
    KScnTakeNodeContainer* c = Make(m, 'H');
    EXPECT_TRUE(Destroyer(m, '2', b)());
    EXPECT_EQ(m.GetHandlerObjectCount(), 2);
    EXPECT_EQ(m.GetHandlerObject(1), c);
    EXPECT_EQ(ListOf(m)->GetAt(1).Get(), c->GetPropertyHandler());

    // A detached one is counted after the listed ones.
    KScnSdkManager n;
    auto* a = static_cast<KScnConstraint*>(Make(n, '3'));
    KScnTakeNodeContainer* d = Make(n, 'S');
    a->DisconnectAll();
    EXPECT_EQ(n.GetHandlerObject(0), d);
    EXPECT_EQ(n.GetHandlerObject(1), a);
    EXPECT_TRUE(Destroyer(n, 'S', d)());
    EXPECT_EQ(n.GetHandlerObjectCount(), 1);
}

// Only the manager connects to its list.
TEST(SdkManagerHandlerList, OthersCannotConnectToTheList)
{
    KScnSdkManager m;
    m.CreateDeformer("d", "Skin");
    KScnConstraint* c = m.CreateConstraint("c", 1);
    c->DisconnectAll();
    EXPECT_FALSE(ListOf(m)->ConnectSrc(c->GetPropertyHandler()));
    EXPECT_FALSE(c->GetPropertyHandler()->ConnectDst(ListOf(m)));
    EXPECT_EQ(ListOf(m)->GetSrcCount(), 1);
    EXPECT_TRUE(m.DestroyConstraint(c)) << "the detached one is still destroyed once";
    EXPECT_FALSE(m.DestroyConstraint(c));
}

namespace
{

template <class Base> struct Logged : Base
{
    template <class... Args> Logged(std::vector<std::string>* log, Args... args) : Base(args...), mLog(log) {}
    ~Logged() override { mLog->push_back(this->GetName()); }
    std::vector<std::string>* mLog;
};

class LoggingManager : public KScnSdkManager
{
public:
    std::vector<std::string> log;

protected:
    KScnDeformer* NewDeformer(const char* name, const char*) override
    {
        return new Logged<KScnDeformer>(&log, this, name, "Skin");
    }
    KScnConstraint* NewConstraintPosition(const char* name) override
    {
        return new Logged<KScnConstraintPosition>(&log, this, name);
    }
};

} // namespace

// Everything goes from the last listed to the first, the detached after them.
// Made in order, named a, b, c: 'X' a position constraint disconnected, 'K' one
// destroyed at once.
TEST(SdkManagerHandlerList, DestroyAllGoesFromTheLastToTheFirst)
{
    const struct
    {
        const char* made;
        std::vector<std::string> order;
    } rows[] = {
        {"S1S", {"Deformer::c", "Constraint::b", "Deformer::a"}},
        {"XSS", {"Deformer::c", "Deformer::b", "Constraint::a"}},
        {"SKS", {"Constraint::b", "Deformer::c", "Deformer::a"}},
        {"SH1", {"Constraint::c", "Deformer::a"}},
    };
    for (const auto& row : rows)
    {
        LoggingManager m;
        for (int i = 0; row.made[i] != '\0'; ++i)
        {
            const char kind = row.made[i];
            const std::string name(1, char('a' + i));
            KScnTakeNodeContainer* object = Make(m, kind == 'X' || kind == 'K' ? '1' : kind, name.c_str());
            if (kind == 'X')
                static_cast<KScnConstraint*>(object)->DisconnectAll();
            EXPECT_TRUE(kind != 'K' || m.DestroyObject(object));
        }
        m.DestroyAllObjects();
        EXPECT_EQ(m.log, row.order) << row.made;
        EXPECT_EQ(m.GetHandlerObjectCount(), 0) << row.made;
        EXPECT_EQ(ListOf(m)->GetSrcCount(), 0) << row.made;
        EXPECT_EQ(ListOf(m)->GetCount(), 0) << row.made;
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
