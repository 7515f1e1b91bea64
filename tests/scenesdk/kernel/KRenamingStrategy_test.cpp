#include "scenesdk/kernel/KRenamingStrategy.h"
#include "scenesdk/kernel/KScnObject.h"

#include <gtest/gtest.h>

#include <climits>
#include <memory>
#include <string>
#include <vector>

using namespace scenesdk;

namespace
{

// A scene object of the node kind with nothing else to it.
class Named : public KScnObject
{
public:
    explicit Named(const char* name) : KScnObject(nullptr, name) {}
    int GetObjectKind() const override { return eKindNode; }
};

// Renames one object per name in order and gives the resulting current names.
std::vector<std::string> RenameAll(KRenamingStrategy& s, const std::vector<std::string>& names)
{
    std::vector<std::string> out;
    for (const std::string& n : names)
    {
        Named object(n.c_str());
        s.Rename(&object);
        out.push_back(object.GetCurrentName());
    }
    return out;
}

// Reaches a record's counter, to run it to its limit without 2^31 objects.
class CounterProbe : public KNumberRenamingStrategy
{
public:
    void SetCount(const char* name, int32_t count) { FindRecord(name)->count = count; }
};

} // namespace

TEST(KNumberRenamingStrategy, RepetitionsGetRunningNumbers)
{
    KNumberRenamingStrategy s;
    Named a("Box"), b("Box"), c("Box");
    EXPECT_FALSE(s.Rename(&a));
    EXPECT_TRUE(s.Rename(&b));
    EXPECT_TRUE(s.Rename(&c));
    EXPECT_STREQ("Box", a.GetCurrentName());
    EXPECT_STREQ("Box1", b.GetCurrentName());
    EXPECT_STREQ("Box2", c.GetCurrentName());
    // Only the current name changes.
    EXPECT_STREQ("Box", c.GetInitialName());
}

TEST(KNumberRenamingStrategy, HandedOutNamesAreNotHandedOutTwice)
{
    KNumberRenamingStrategy s;
    // A later object already named like a handed-out name gets its own number.
    EXPECT_EQ((std::vector<std::string>{"Box", "Box1", "Box2", "Box11", "Box3"}),
              RenameAll(s, {"Box", "Box", "Box", "Box1", "Box"}));
    // An object named Box1 seen first makes the next Box skip to Box2.
    KNumberRenamingStrategy t;
    EXPECT_EQ((std::vector<std::string>{"Box1", "Box", "Box2", "Box3", "Box11"}),
              RenameAll(t, {"Box1", "Box", "Box", "Box", "Box1"}));
}

TEST(KNumberRenamingStrategy, NamesEndingInDigitsGetTheNumberAppended)
{
    KNumberRenamingStrategy s;
    EXPECT_EQ((std::vector<std::string>{"Cube7", "Cube71", "Cube72", "007", "0071"}),
              RenameAll(s, {"Cube7", "Cube7", "Cube7", "007", "007"}));
}

TEST(KNumberRenamingStrategy, ComparisonIsExactAndCaseSensitive)
{
    KNumberRenamingStrategy s;
    EXPECT_EQ((std::vector<std::string>{"Box", "box", "BOX", "Box ", "box1", "Box1"}),
              RenameAll(s, {"Box", "box", "BOX", "Box ", "box", "Box"}));
}

TEST(KNumberRenamingStrategy, EmptyNamesAreNumberedLikeAnyOther)
{
    KNumberRenamingStrategy s;
    EXPECT_EQ((std::vector<std::string>{"", "1", "2", "11"}), RenameAll(s, {"", "", "", "1"}));
    Named unnamed(nullptr);
    EXPECT_TRUE(s.Rename(&unnamed));
    EXPECT_STREQ("3", unnamed.GetCurrentName());
    EXPECT_FALSE(s.Rename(nullptr));
}

TEST(KNumberRenamingStrategy, ClearForgetsEveryName)
{
    KNumberRenamingStrategy s;
    RenameAll(s, {"Box", "Box"});
    EXPECT_EQ(2, s.GetRecordCount()); // Box and the handed-out Box1
    s.Clear();
    EXPECT_EQ(0, s.GetRecordCount());
    EXPECT_EQ((std::vector<std::string>{"Box", "Box1"}), RenameAll(s, {"Box", "Box"}));
}

TEST(KNumberRenamingStrategy, CloneStartsEmpty)
{
    KNumberRenamingStrategy s;
    RenameAll(s, {"Box"});
    std::unique_ptr<KRenamingStrategy> copy(s.Clone());
    ASSERT_NE(nullptr, copy);
    EXPECT_NE(nullptr, dynamic_cast<KNumberRenamingStrategy*>(copy.get()));
    EXPECT_EQ((std::vector<std::string>{"Box", "Box1"}), RenameAll(*copy, {"Box", "Box"}));
    EXPECT_EQ((std::vector<std::string>{"Box1"}), RenameAll(s, {"Box"}));
}

TEST(KNumberRenamingStrategy, ExhaustedCounterContinuesUnderItsLastName)
{
    CounterProbe s;
    RenameAll(s, {"Box"});
    s.SetCount("Box", INT_MAX - 1);
    EXPECT_EQ((std::vector<std::string>{"Box2147483647", "Box21474836471", "Box21474836472"}),
              RenameAll(s, {"Box", "Box", "Box"}));

    // The counter at its limit before that name was ever handed out.
    CounterProbe t;
    RenameAll(t, {"A"});
    t.SetCount("A", INT_MAX);
    EXPECT_EQ((std::vector<std::string>{"A2147483647", "A21474836471"}), RenameAll(t, {"A", "A"}));
}
