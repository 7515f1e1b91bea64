#include "tools/scnwriter/CScnWriter.h"

#include "scenesdk/fileio/KScn.h"
#include "tests/support/LittleEndian.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <string>

using testsupport::U32;

TEST(CScnWriterText, Layout)
{
    CScnWriter w(CScnWriter::eText, 2000);
    w.WriteHeader("me");
    w.BeginField("Lcl Translation");
    w.AddDouble(0.1);
    w.AddInt(-3);
    w.AddChar('U');
    w.AddChar(',');
    w.AddWord("ByPolygon");
    w.AddWord("two words");
    w.AddString("q\"\\\n");
    w.AddTime(46186158000LL / 2); // seconds before version 2001
    w.BeginBlock();
    w.BeginField("Empty");
    w.EndField();
    w.EndBlock();
    w.EndField();
    std::string out;
    ASSERT_TRUE(w.Finish(out)) << w.Error();
    EXPECT_EQ(out,
              "FileHeader: {\n"
              "    Version: 2000\n"
              "    HeaderVersion: 1000\n"
              "    Creator: \"me\"\n"
              "}\n"
              "\"Lcl Translation\": 0.1, -3, U, \",\", ByPolygon, \"two words\", \"q\\\"\\\\\\n\", 0.5 {\n"
              "    Empty:\n"
              "}\n");
}

TEST(CScnWriterText, LongArraysAreSplitOverLines)
{
    CScnWriter w(CScnWriter::eText);
    w.BeginField("A");
    for (int i = 0; i < 33; ++i)
    {
        w.AddInt(i);
    }
    w.EndField();
    std::string out;
    ASSERT_TRUE(w.Finish(out));
    EXPECT_EQ(out, "A: 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15,\n"
                   "    16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31,\n"
                   "    32\n");
}

TEST(CScnWriterBinary, Layout)
{
    CScnWriter w(CScnWriter::eBinary, 6000);
    w.BeginField("K");
    w.AddChar('a');
    w.AddString("xy");
    w.BeginBlock();
    w.BeginField("I");
    w.AddInt(-2);
    w.EndField();
    w.EndBlock();
    w.EndField();
    w.BeginField("E");
    w.EndField();
    std::string out;
    ASSERT_TRUE(w.Finish(out));
    const std::string inner =
        U32(1) + U32(5) + U32(0xFFFFFFFFu) + '\x01' + "I" + '\0' + "I" + U32(0xFFFFFFFEu);
    std::string expected = std::string("\x89SCNB\r\n\x1A", 8) + U32(6000) + U32(2) + U32(2 + 8) +
                           U32(static_cast<uint32_t>(inner.size())) + '\x01' + "K" + '\0' + "Ca" + "S" +
                           U32(2) + "xy" + '\0' + inner + U32(0) + U32(0) + U32(0xFFFFFFFFu) + '\x01' + "E" +
                           '\0';
    ASSERT_GE(out.size(), expected.size() + 8);
    EXPECT_EQ(out.substr(0, expected.size()), expected);
    EXPECT_EQ(out.size(), expected.size() + 8);
    EXPECT_EQ(out.substr(out.size() - 4), "SCNE");
}

TEST(CScnWriterMisuse, IsReportedByFinish)
{
    const auto fails = [](void (*steps)(CScnWriter&), CScnWriter::EForm form)
    {
        CScnWriter w(form);
        steps(w);
        std::string out;
        const bool ok = w.Finish(out);
        return !ok && !w.Error().empty();
    };
    for (auto form : {CScnWriter::eText, CScnWriter::eBinary})
    {
        EXPECT_TRUE(fails([](CScnWriter& w) { w.AddInt(1); }, form));
        EXPECT_TRUE(fails([](CScnWriter& w) { w.EndField(); }, form));
        EXPECT_TRUE(fails([](CScnWriter& w) { w.BeginField("A"); }, form));
        EXPECT_TRUE(fails(
            [](CScnWriter& w)
            {
                w.BeginField("A");
                w.BeginField("B");
            },
            form));
        EXPECT_TRUE(fails(
            [](CScnWriter& w)
            {
                w.BeginField("A");
                w.EndBlock();
            },
            form));
        EXPECT_TRUE(fails(
            [](CScnWriter& w)
            {
                w.BeginField("A");
                w.BeginBlock();
                w.EndBlock();
                w.AddInt(1); // values come before the block
            },
            form));
        EXPECT_TRUE(fails(
            [](CScnWriter& w)
            {
                w.BeginField("A");
                w.AddString(std::string("a\0b", 3));
                w.EndField();
            },
            form));
    }
    EXPECT_TRUE(fails([](CScnWriter& w) { w.BeginField(std::string(256, 'n')); }, CScnWriter::eBinary));
    CScnWriter w(CScnWriter::eText);
    std::string out;
    EXPECT_TRUE(w.Finish(out));
    EXPECT_FALSE(w.Finish(out));
}

TEST(CScnWriterFiles, SavedFilesOpenInTheReader)
{
    testsupport::TempDir dir;
    for (auto form : {CScnWriter::eText, CScnWriter::eBinary})
    {
        CScnWriter w(form);
        w.WriteHeader("writer test", "2026-12-07 12:00:00");
        w.StringField(std::string(255, 'n'), "long name");
        ASSERT_TRUE(w.SaveFile("out.scn")) << w.Error();
        scenesdk::KScn scn;
        ASSERT_TRUE(scn.OpenFile("out.scn")) << scn.GetStatusText();
        EXPECT_EQ(scn.IsBinary(), form == CScnWriter::eBinary);
        EXPECT_STREQ(scn.GetCreator(), "writer test");
        EXPECT_STREQ(scn.ReadStringField(std::string(255, 'n').c_str(), ""), "long name");
    }
    CScnWriter w(CScnWriter::eText);
    EXPECT_FALSE(w.SaveFile("no/such/folder/out.scn"));
    EXPECT_FALSE(w.Error().empty());
}
