#include "scenesdk/kernel/KErrorRecord.h"

#include <gtest/gtest.h>

using scenesdk::KErrorRecord;

namespace
{
const char* const kMessages[] = {"Success", "Out of memory", nullptr, "Bad name"};
}

TEST(KErrorRecordTest, IdsAndTexts)
{
    KErrorRecord record(kMessages, 4);
    EXPECT_EQ(record.GetLastErrorID(), -1);
    EXPECT_STREQ(record.GetLastErrorString(), "");
    record.SetLastErrorID(1);
    EXPECT_EQ(record.GetLastErrorID(), 1);
    EXPECT_STREQ(record.GetLastErrorString(), "Out of memory");
    record.SetLastError(3, "Bad name: Cube");
    EXPECT_EQ(record.GetLastErrorID(), 3);
    EXPECT_STREQ(record.GetLastErrorString(), "Bad name: Cube");
    record.SetLastErrorID(3);
    EXPECT_STREQ(record.GetLastErrorString(), "Bad name");
    record.SetLastErrorString("custom");
    EXPECT_EQ(record.GetLastErrorID(), 3);
    EXPECT_STREQ(record.GetLastErrorString(), "custom");
    record.ClearError();
    EXPECT_EQ(record.GetLastErrorID(), -1);
    EXPECT_STREQ(record.GetLastErrorString(), "");
}

TEST(KErrorRecordTest, EmptyEntriesAndIdsOutsideTheTable)
{
    KErrorRecord record(kMessages, 4);
    record.SetLastErrorID(2);
    EXPECT_EQ(record.GetLastErrorID(), 2);
    EXPECT_STREQ(record.GetLastErrorString(), "");
    record.SetLastErrorID(4);
    EXPECT_EQ(record.GetLastErrorID(), 4);
    EXPECT_STREQ(record.GetLastErrorString(), "");
    record.SetLastErrorID(-7);
    EXPECT_STREQ(record.GetLastErrorString(), "");
    record.SetLastError(0, nullptr);
    EXPECT_EQ(record.GetLastErrorID(), 0);
    EXPECT_STREQ(record.GetLastErrorString(), "");
    KErrorRecord noTable(nullptr, 5);
    noTable.SetLastErrorID(1);
    EXPECT_STREQ(noTable.GetLastErrorString(), "");
}
