#include "scenesdk/fileio/KScnTree.h"
#include "tests/support/LittleEndian.h"
#include "tools/scnwriter/CScnWriter.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>
#include <string>
#include <vector>

using namespace scenesdk;

namespace
{

std::vector<char> Bytes(const std::string& s)
{
    return std::vector<char>(s.begin(), s.end());
}

// Names and values of a block's fields, as "name=v1|v2{...}" lines (text trees).
std::string Dump(const KScnTree& t, uint32_t block)
{
    std::string out;
    for (uint32_t f = t.Block(block).firstField; f != KScnTree::kNone; f = t.Field(f).next)
    {
        const KScnField& field = t.Field(f);
        out += t.Name(field);
        out += '=';
        for (uint32_t v = 0; v < field.valueCount; ++v)
        {
            out += (v ? "|" : "");
            out += t.Value(field.firstValue + v);
        }
        if (field.subBlock != KScnTree::kNone)
        {
            out += '{' + Dump(t, field.subBlock) + '}';
        }
        out += ';';
    }
    return out;
}

bool ParseText(KScnTree& t, const std::string& s)
{
    return t.ParseText(Bytes(s));
}

std::string SmallBinary()
{
    CScnWriter w(CScnWriter::eBinary);
    w.WriteHeader("test");
    w.BeginField("Key");
    w.AddLong(46186158000);
    w.AddDouble(1.5);
    w.AddChar('L');
    w.BeginBlock();
    w.StringField("Name", "a b");
    w.EndBlock();
    w.EndField();
    std::string out;
    EXPECT_TRUE(w.Finish(out));
    return out;
}

} // namespace

TEST(KScnTreeText, GrammarForms)
{
    KScnTree t;
    const std::string text = "\xEF\xBB\xBF; a comment\n"
                             "A: 1, -2.5e3, U ; trailing comment\n"
                             "\"Lcl Translation\": \"x \\\"q\\\" \\\\ \\n\", +3\n"
                             "Long: 1,\n   2, ; comment inside\n\n 3\n"
                             "Empty:\n"
                             "Outer: 7 {\n  Inner: a { Deep: 1 }\n}\n"
                             "Next: {\n}\n"
                             "Brace: x\n{\n  In: 1\n}\n"
                             "Last: z";
    ASSERT_TRUE(ParseText(t, text)) << t.ErrorDetail();
    EXPECT_FALSE(t.IsBinary());
    EXPECT_EQ(Dump(t, t.Root()), "A=1|-2.5e3|U;Lcl Translation=x \"q\" \\ \n|+3;Long=1|2|3;Empty=;"
                                 "Outer=7{Inner=a{Deep=1;};};Next={};Brace=x{In=1;};Last=z;");
}

TEST(KScnTreeText, RefusesMalformedInput)
{
    const char* bad[] = {
        "A: \"unterminated\n", // string runs into the line end
        "A: \"unterminated",   // and into the end of the file
        "A: 1 {\n B: 2\n",     // block never closed
        "A: 1\n}\n",           // '}' at the root
        "A 1\n",               // no ':'
        "A: 1 2\n",            // two values without ','
        "A: 1,\n",             // ',' without a following value
        "A: 1,}\n",            // ',' then '}'
        ": 1\n",               // no name
        "A: \"a\\qb\"\n",      // unknown escape
        "A: x=y\n",            // stray character
    };
    for (const char* s : bad)
    {
        KScnTree t;
        EXPECT_FALSE(ParseText(t, s)) << s;
        EXPECT_FALSE(t.ErrorDetail().empty());
        EXPECT_TRUE(t.IsEmpty());
    }
    KScnTree t;
    EXPECT_FALSE(t.ParseText(std::vector<char>{'A', ':', ' ', '\0', '\n'}));
}

TEST(KScnTreeText, NestingIsBounded)
{
    std::string ok, deep;
    for (int i = 0; i < kScnMaxDepth; ++i)
    {
        ok += "A: {\n";
    }
    ok += std::string(kScnMaxDepth, '}');
    KScnTree t;
    EXPECT_TRUE(ParseText(t, ok)) << t.ErrorDetail();
    for (int i = 0; i < 100000; ++i)
    {
        deep += "A:{";
    }
    EXPECT_FALSE(ParseText(t, deep));
    EXPECT_NE(t.ErrorDetail().find("nested"), std::string::npos);
}

TEST(KScnTreeDetect, FileKinds)
{
    const std::string bin = SmallBinary();
    EXPECT_EQ(ScnDetectFileKind(bin.data(), bin.size()), eScnKindBinary);
    std::string enc(kScnEncryptedMagic, 8);
    EXPECT_EQ(ScnDetectFileKind(enc.data(), enc.size()), eScnKindEncrypted);
    const std::string text = "; comment\n\n  \"Quoted name\" : 1\n";
    EXPECT_EQ(ScnDetectFileKind(text.data(), text.size()), eScnKindText);
    EXPECT_EQ(ScnDetectFileKind("hello world", 11), eScnKindUnknown);
    EXPECT_EQ(ScnDetectFileKind("", 0), eScnKindUnknown);
    EXPECT_EQ(ScnDetectFileKind(nullptr, 4), eScnKindUnknown);
    KScnTree t;
    EXPECT_FALSE(t.Parse(Bytes(enc)));
    EXPECT_TRUE(t.Parse(Bytes(bin))) << t.ErrorDetail();
    EXPECT_TRUE(t.IsBinary());
    EXPECT_EQ(t.BinaryPreambleVersion(), 6000);
}

TEST(KScnTreeBinary, RecordsAndValues)
{
    KScnTree t;
    ASSERT_TRUE(t.ParseBinary(Bytes(SmallBinary()))) << t.ErrorDetail();
    const KScnBlock& root = t.Block(t.Root());
    ASSERT_EQ(root.fieldCount, 2u);
    const KScnField& key = t.Field(t.Field(root.firstField).next);
    EXPECT_STREQ(t.Name(key), "Key");
    ASSERT_EQ(key.valueCount, 3u);
    EXPECT_EQ(t.Value(key.firstValue)[0], 'L');
    EXPECT_EQ(t.Value(key.firstValue + 1)[0], 'D');
    EXPECT_EQ(t.Value(key.firstValue + 2)[0], 'C');
    EXPECT_EQ(t.Value(key.firstValue + 2)[1], 'L');
    ASSERT_NE(key.subBlock, KScnTree::kNone);
    const KScnField& name = t.Field(t.Block(key.subBlock).firstField);
    EXPECT_STREQ(t.Name(name), "Name");
    EXPECT_EQ(t.Value(name.firstValue)[0], 'S');
    EXPECT_STREQ(t.Value(name.firstValue) + 5, "a b");
}

TEST(KScnTreeBinary, EveryTruncationAndBitFlipIsRefused)
{
    const std::string good = SmallBinary();
    for (size_t n = 0; n < good.size(); ++n)
    {
        KScnTree t;
        EXPECT_FALSE(t.ParseBinary(Bytes(good.substr(0, n)))) << n;
    }
    for (size_t i = 0; i < good.size(); ++i)
    {
        for (int bit = 0; bit < 8; bit += 3)
        {
            std::string bad = good;
            bad[i] = static_cast<char>(bad[i] ^ (1 << bit));
            KScnTree t;
            EXPECT_FALSE(t.ParseBinary(Bytes(bad))) << i;
        }
    }
}

namespace
{

using testsupport::U32;

// A binary file around the given root-block bytes, with a valid CRC, so that
// the record checks themselves are reached.
std::string WrapBinary(const std::string& records)
{
    std::string s(kScnBinaryMagic, 8);
    s += U32(6000) + records;
    s += U32(static_cast<uint32_t>(crc32(0L, reinterpret_cast<const Bytef*>(s.data()), s.size())));
    s += "SCNE";
    return s;
}

std::string Record(uint32_t count, uint32_t valueBytes, uint32_t blockBytes, const std::string& name,
                   const std::string& rest)
{
    return U32(count) + U32(valueBytes) + U32(blockBytes) + static_cast<char>(name.size()) + name +
           std::string(1, '\0') + rest;
}

} // namespace

TEST(KScnTreeBinary, LengthChecksWithValidCrc)
{
    const std::string intValue = "I" + U32(5);
    struct Case
    {
        const char* what;
        std::string records;
        bool ok;
    } cases[] = {
        {"good", Record(1, 5, kScnNoBlockLength, "A", intValue), true},
        {"empty block", Record(0, 0, 0, "A", ""), true},
        {"huge count", Record(0xFFFFFFFFu, 5, kScnNoBlockLength, "A", intValue), false},
        {"count above bytes", Record(3, 5, kScnNoBlockLength, "A", intValue), false},
        {"value bytes too long", Record(1, 500, kScnNoBlockLength, "A", intValue), false},
        {"value bytes too short", Record(1, 4, kScnNoBlockLength, "A", intValue + "x"), false},
        {"block too long", Record(1, 5, 100, "A", intValue), false},
        {"unknown letter", Record(1, 5, kScnNoBlockLength, "A", "Q" + U32(5)), false},
        {"text past end", Record(1, 7, kScnNoBlockLength, "A", "S" + U32(0x7FFFFFFF) + "a" + '\0'), false},
        {"text not terminated", Record(1, 7, kScnNoBlockLength, "A", "S" + U32(1) + "ab"), false},
        {"name not terminated", U32(0) + U32(0) + U32(kScnNoBlockLength) + '\x01' + "AB", false},
        {"name with NUL", Record(0, 0, kScnNoBlockLength, std::string("A\0B", 3), ""), false},
        {"short head", U32(0) + U32(0), false},
    };
    for (const Case& c : cases)
    {
        KScnTree t;
        EXPECT_EQ(t.ParseBinary(Bytes(WrapBinary(c.records))), c.ok) << c.what << ": " << t.ErrorDetail();
    }
}

TEST(KScnTreeBinary, NestingIsBounded)
{
    // 300 nested empty-valued records, each the only content of its parent.
    std::string inner;
    for (int i = 0; i < 300; ++i)
    {
        inner = Record(0, 0, static_cast<uint32_t>(inner.size()), "A", inner);
    }
    KScnTree t;
    EXPECT_FALSE(t.ParseBinary(Bytes(WrapBinary(inner))));
    EXPECT_NE(t.ErrorDetail().find("nested"), std::string::npos);
}

TEST(KScnTreeMemory, LongArraysStayCompact)
{
    CScnWriter w(CScnWriter::eText);
    w.WriteHeader("test");
    w.BeginField("Values");
    for (int i = 0; i < 100000; ++i)
    {
        w.AddDouble(i * 0.001);
    }
    w.EndField();
    std::string text;
    ASSERT_TRUE(w.Finish(text));
    const size_t size = text.size();
    KScnTree t;
    ASSERT_TRUE(t.ParseText(Bytes(text)));
    EXPECT_LT(t.MemoryUsed(), 2 * size);
    EXPECT_EQ(t.ValueCount(), 100000u + 3u);
}

// A binary tree weighs the bytes its text would hold, spelled as shortly as
// it reads back (no indentation): fields of each kind of value written in
// binary, and that text.
TEST(KScnTreeBinary, WeighsTheBytesOfItsText)
{
    CScnWriter w(CScnWriter::eBinary);
    w.StringField("Name", "a b");
    w.BeginField("Empty");
    w.EndField();
    w.BeginField("Block");
    w.AddInt(-7);
    w.BeginBlock();
    w.BeginField("Inner");
    w.AddFloat(0.1f);
    w.AddChar('"');
    w.EndField();
    w.EndBlock();
    w.EndField();
    w.BeginField("Numbers");
    for (double v : {3.0, -0.000123, 1.0 / 3.0, 1e300, -2147483648.0})
        w.AddDouble(v);
    w.AddLong(-9223372036854775807 - 1);
    w.AddLong(46186158000);
    w.AddChar('L');
    w.EndField();
    std::string bytes;
    ASSERT_TRUE(w.Finish(bytes)) << w.Error();
    KScnTree t;
    ASSERT_TRUE(t.ParseBinary(Bytes(bytes))) << t.ErrorDetail();
    const std::string text = "Name: \"a b\"\nEmpty:\nBlock: -7 {\nInner: 0.1, \"\"\"\n}\n"
                             "Numbers: 3, -0.000123, 0.3333333333333333, 1e+300, -2147483648, "
                             "-9223372036854775808, 46186158000, L\n";
    EXPECT_EQ(t.TextBytes(), text.size());
}
