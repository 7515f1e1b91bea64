// The scene reader's bounds: models nest at most 1,000 deep (a chain of
// exactly that many is read and its deepest node placed; one more, or a
// chain of 20,000, is refused), and a file naming more nodes than its size
// allows is refused before any is made, the reason naming the option that
// raises the budget.

#include "scenesdk/fileio/KScnReadBudget.h"
#include "scenesdk/fileio/KScnReaderScn.h"
#include "scenesdk/fileio/KStreamOptionsScn.h"
#include "scenesdk/kernel/KScnNode.h"
#include "scenesdk/kernel/KScnReadMeter.h"
#include "scenesdk/kernel/KScnSceneRoot.h"
#include "scenesdk/kernel/KScnSdkManager.h"
#include "tests/scenesdk/fileio/ScnTestForms.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <string>

using namespace scenesdk;

namespace
{

// A chain of models M0 > M1 > ... each moved by 1 along X; or, when flat,
// as many models without children.
std::string Models(int count, bool chain)
{
    std::string text = "FileHeader: {\n Version: 6000\n}\nObjects: {\n";
    for (int i = 0; i < count; ++i)
    {
        text += "Model: \"M" + std::to_string(i) +
                "\", \"Null\" {\n Properties: {\n  \"Lcl Translation\": 1,0,0\n }\n";
        if (chain && i + 1 < count)
            text += " Children: \"M" + std::to_string(i + 1) + "\"\n";
        text += "}\n";
    }
    return text + "}\n";
}

// A character pose whose nodes make a chain.
std::string PoseChain(int count)
{
    std::string text = "FileHeader: {\n Version: 6000\n}\nObjects: {\nCharacterPose: \"P\" {\n";
    for (int i = 0; i < count; ++i)
    {
        text += " Model: \"N" + std::to_string(i) + "\"";
        text += i + 1 < count ? " {\n  Children: \"N" + std::to_string(i + 1) + "\"\n }\n" : "\n";
    }
    return text + "}\n}\n";
}

class ScnBoundsTest : public testsupport::TempDirTest
{
protected:
    bool Read(const std::string& text, double scale = 1.0)
    {
        KScnReaderScn reader(&mManager, nullptr);
        if (!reader.OpenFile(m_Dir.WriteFile("bounds.scn", text).c_str()))
        {
            ADD_FAILURE() << "not opened: " << reader.GetStatusText();
            return false;
        }
        KStreamOptionsScn options;
        options.mBudgetScale = scale;
        const int before = mManager.GetNodeCount();
        const bool read = reader.ReadScene(mScene, &options);
        mStatus = reader.GetStatusText();
        mError = reader.GetError().GetLastErrorID();
        if (!read)
        {
            EXPECT_EQ(mManager.GetNodeCount(), before) << "nothing made of a refused file";
        }
        return read;
    }

    KScnSdkManager mManager;
    KScnSceneRoot* mScene = mManager.CreateScene();
    std::string mStatus;
    int mError = -1;
};

TEST_F(ScnBoundsTest, ModelsNestAtMostAThousandDeep)
{
    ASSERT_EQ(KScnReaderScn::kMaxModelDepth, 1000);
    ASSERT_TRUE(Read(Models(1000, true))) << mStatus;
    KScnNode* node = mScene->GetRootNode();
    int levels = 0;
    while (node->GetChildCount() == 1)
    {
        node = node->GetChild(0);
        ++levels;
    }
    EXPECT_EQ(levels, 1000);
    EXPECT_DOUBLE_EQ(node->ComputeGlobalTransform()[12], 1000.0);

    const struct
    {
        std::string text;
        double scale;
        const char* reason;
    } refused[] = {
        {Models(1001, true), 1.0, "models nested deeper than 1000"},
        // Past the node budget first; with the budget raised, past the depth.
        {Models(20000, true), 0.5, "the file makes 20000 nodes (196 MB), more than its budget of"},
        {Models(20000, true), 10.0, "models nested deeper than 1000"},
        {PoseChain(1001), 1.0, "character pose \"P\": models nested deeper than 1000"},
    };
    for (const auto& c : refused)
    {
        EXPECT_FALSE(Read(c.text, c.scale)) << c.reason;
        EXPECT_EQ(mError, KScnReader::eFileCorrupted) << c.reason;
        EXPECT_EQ(mStatus.find(c.reason), 0u) << mStatus << " / " << c.reason;
    }
}

// The budget at a small scale: just within it read, one model more refused
// with the reason; the options' scale checked.
TEST_F(ScnBoundsTest, NodesStayWithinTheBudgetOfTheFile)
{
    const double scale = 0.02; // some 260 nodes
    const double node = KScnReadCost::kWeights[KScnReadCost::eNodes];
    int count = 1;
    const uint64_t perByte = KScnReadMeter::kSceneBytesPerFileByte;
    while (node * (count + 1) <= double(KScnReadMeter::Budget(Models(count + 1, false).size(), scale, perByte)))
        ++count;
    const uint64_t budget = KScnReadMeter::Budget(Models(count + 1, false).size(), scale, perByte);
    ASSERT_GT(node * (count + 1), double(budget));
    // Within the count the file reaches the meter, which charges what each
    // node makes (at least what the count weighs) and may still stop it.
    const bool read = Read(Models(count, false), scale);
    EXPECT_TRUE(read || mStatus.find("the read would make more than its budget of") == 0) << mStatus;
    EXPECT_EQ(mScene->GetRootNode()->GetChildCount(), read ? count : 0);
    EXPECT_FALSE(Read(Models(count + 1, false), scale));
    EXPECT_EQ(mError, KScnReader::eFileCorrupted);
    EXPECT_EQ(mStatus,
              "the file makes " + std::to_string(count + 1) +
                  " nodes (3.3 MB), more than its budget of "
                  "3.2 MB allows for a file of this size; KStreamOptionsScn::mBudgetScale raises it");
    for (double bad : {0.0, -1.0})
    {
        EXPECT_FALSE(Read(Models(1, false), bad));
        EXPECT_EQ(mError, KScnReader::eUnidentifiedError);
        EXPECT_EQ(mStatus, "the mBudgetScale option must be a number above 0");
    }
}

// A binary file is weighed as the text it would be, its own bytes when more:
// the same content has one budget however it is spelled.
TEST_F(ScnBoundsTest, ABinaryFileIsWeighedAsItsText)
{
    // A binary file of long numbers is shorter than its text, one of short ones longer.
    for (const bool shorter : {true, false})
    {
        const std::string value = shorter ? "0.12345678901234568" : "1";
        std::string text =
            "FileHeader: {\nVersion: 6000\nHeaderVersion: 1000\nCreator: \"tests\"\n}\nObjects: {\n";
        for (int i = 0; i < 300; ++i)
            text += "Model: \"M" + std::to_string(i) + "\", \"Null\" {\nProperties: {\nWeight: " + value +
                    ", " + value + ", " + value + "\n}\n}\n";
        text += "}\n";
        const std::string binary = scntest::Binary(text);
        ASSERT_EQ(binary.size() < text.size(), shorter);
        ASSERT_TRUE(Read(text)) << mStatus;
        const uint64_t textBudget = KScnReadMeter::Last().mBudget;
        ASSERT_TRUE(Read(binary)) << mStatus;
        const uint64_t perByte = KScnReadMeter::kSceneBytesPerFileByte;
        EXPECT_EQ(KScnReadMeter::Last().mBudget,
                  shorter ? textBudget : KScnReadMeter::Budget(binary.size(), 1.0, perByte));
    }
}

} // namespace
