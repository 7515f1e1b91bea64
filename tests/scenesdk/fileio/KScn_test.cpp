#include "scenesdk/fileio/KScn.h"

#include "tests/support/TempDir.h"
#include "tools/scnwriter/CScnWriter.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cmath>
#include <functional>
#include <string>

using namespace scenesdk;

namespace
{

constexpr int64_t kSecond = 46186158000LL;

using Content = std::function<void(CScnWriter&)>;

std::string Write(CScnWriter::EForm form, const Content& content, int32_t version = 6000)
{
    CScnWriter w(form, version);
    w.WriteHeader("tests", "2026-12-07 12:00:00");
    content(w);
    std::string out;
    EXPECT_TRUE(w.Finish(out)) << w.Error();
    return out;
}

bool Open(KScn& scn, const std::string& bytes)
{
    return scn.OpenMemory(bytes.data(), bytes.size());
}

// A document with repeated names, nesting, every value type and empty parts.
void Sample(CScnWriter& w)
{
    w.BeginField("Channel");
    w.AddString("X");
    w.BeginBlock();
    w.DoubleField("Default", 1.25);
    w.BeginField("Key");
    w.AddTime(2 * kSecond);
    w.AddFloat(0.5f);
    w.AddChar('U');
    w.AddChar('a');
    w.AddLong(-7);
    w.EndField();
    w.BeginField("Pre-Extrapolation");
    w.BeginBlock();
    w.CharField("Type", 'C');
    w.IntField("Repetition", 3);
    w.EndBlock();
    w.EndField();
    w.EndBlock();
    w.EndField();
    w.IntField("Other", 1);
    w.BeginField("Channel");
    w.AddString("Y z \"q\"");
    w.AddWord("ByPolygonVertex");
    w.EndField();
    w.BeginField("Empty");
    w.BeginBlock();
    w.EndBlock();
    w.EndField();
    w.BeginField("NoValues");
    w.EndField();
    w.BeginField("Channel");
    w.AddInt(-2147483647 - 1);
    w.AddDouble(1e300);
    w.AddDouble(-0.1);
    w.EndField();
    w.StringField("Lcl Translation", "");
}

// Every answer the field interface gives while walking a block (type letters
// aside), one per line.
void Transcript(KScn& scn, std::string& out, int depth)
{
    const char* names[] = {"Channel", "Default", "Key",      "Pre-Extrapolation", "Type",   "Repetition",
                           "Other",   "Empty",   "NoValues", "Lcl Translation",   "Missing"};
    for (const char* name : names)
    {
        while (scn.OpenField(name))
        {
            out += std::string(depth, ' ') + name + ": n=" + std::to_string(scn.RemainingValueCount());
            int i = 0;
            while (scn.RemainingValueCount() > 0)
            {
                switch (i++ % 4)
                {
                case 0:
                    out += " s=" + std::string(scn.NextValueAsString());
                    break;
                case 1:
                    out += " d=" + std::to_string(scn.NextValueAsDouble());
                    break;
                case 2:
                    out += " c=" + std::to_string(static_cast<int>(scn.NextValueAsChar()));
                    break;
                default:
                    out += " i=" + std::to_string(scn.NextValueAsLong());
                    break;
                }
            }
            out += " past=" + std::string(scn.NextValueAsString()) + std::to_string(scn.NextValueAsDouble());
            out += "\n";
            if (scn.EnterFieldBlock())
            {
                Transcript(scn, out, depth + 1);
                scn.LeaveFieldBlock();
            }
            scn.CloseField();
        }
    }
}

} // namespace

TEST(KScnFields, SameNameFieldsAreVisitedInFileOrder)
{
    for (auto form : {CScnWriter::eText, CScnWriter::eBinary})
    {
        KScn scn;
        ASSERT_TRUE(Open(scn, Write(form, Sample))) << scn.GetStatusText();
        std::string seen;
        while (scn.OpenField("Channel"))
        {
            seen += scn.NextValueAsString();
            seen += '|';
            EXPECT_STREQ(scn.GetFieldName(), "Channel");
            scn.CloseField();
        }
        EXPECT_EQ(seen, "X|Y z \"q\"|-2147483648|");
        EXPECT_FALSE(scn.OpenField("Channel"));
        // Another name keeps its own position; a rewind starts all over.
        EXPECT_TRUE(scn.OpenField("Other"));
        scn.Rewind();
        ASSERT_TRUE(scn.OpenField("Channel"));
        EXPECT_STREQ(scn.NextValueAsString(), "X");
        // Opening again without closing moves on as well.
        ASSERT_TRUE(scn.OpenField("Channel"));
        EXPECT_STREQ(scn.NextValueAsString(), "Y z \"q\"");
        EXPECT_FALSE(scn.OpenField(nullptr));
    }
}

TEST(KScnFields, NestedBlocks)
{
    for (auto form : {CScnWriter::eText, CScnWriter::eBinary})
    {
        KScn scn;
        ASSERT_TRUE(Open(scn, Write(form, Sample)));
        ASSERT_TRUE(scn.OpenField("Channel"));
        EXPECT_STREQ(scn.NextValueAsString(), "X");
        ASSERT_TRUE(scn.EnterFieldBlock());
        EXPECT_FALSE(scn.OpenField("Other")); // fields of the parent are not visible
        EXPECT_DOUBLE_EQ(scn.ReadIntField("Default", 9), 1);
        ASSERT_TRUE(scn.OpenField("Pre-Extrapolation"));
        ASSERT_TRUE(scn.EnterFieldBlock());
        EXPECT_EQ(scn.ReadCharField("Type", '0'), 'C');
        EXPECT_EQ(scn.ReadIntField("Repetition", 0), 3);
        EXPECT_EQ(scn.ReadIntField("Missing", 42), 42);
        scn.LeaveFieldBlock();
        EXPECT_STREQ(scn.GetFieldName(), "Pre-Extrapolation"); // the parent's field is still current
        scn.CloseField();
        scn.LeaveFieldBlock();
        EXPECT_STREQ(scn.GetFieldName(), "Channel");
        scn.CloseField();
        scn.LeaveFieldBlock(); // at the root: nothing happens
        EXPECT_EQ(scn.ReadIntField("Other", 0), 1);

        // A field without a block, and no current field at all.
        ASSERT_TRUE(scn.OpenField("NoValues"));
        EXPECT_FALSE(scn.EnterFieldBlock());
        EXPECT_EQ(scn.GetError().GetLastErrorID(), KScn::eFileCorrupted);
        EXPECT_STREQ(scn.GetError().GetLastErrorString(), "File is corrupted");
        EXPECT_STREQ(scn.GetStatusText(), "field has no block");
        scn.CloseField();
        EXPECT_FALSE(scn.EnterFieldBlock());
        // An empty block can be entered and holds nothing.
        ASSERT_TRUE(scn.OpenField("Empty"));
        ASSERT_TRUE(scn.EnterFieldBlock());
        EXPECT_FALSE(scn.OpenField("Channel"));
        scn.LeaveFieldBlock();
    }
}

TEST(KScnFields, FieldsInFileOrderWhateverTheirNames)
{
    for (auto form : {CScnWriter::eText, CScnWriter::eBinary})
    {
        KScn scn;
        ASSERT_TRUE(Open(scn, Write(form, Sample)));
        std::string names;
        while (scn.OpenNextField())
        {
            names += std::string(scn.GetFieldName()) + "/" + std::to_string(scn.RemainingValueCount());
            if (scn.EnterFieldBlock())
            {
                names += "{";
                while (scn.OpenNextField())
                {
                    names += std::string(scn.GetFieldName()) + ",";
                }
                names += "}";
                scn.LeaveFieldBlock();
            }
            names += " ";
        }
        EXPECT_EQ(names, "FileHeader/0{Version,HeaderVersion,Creator,CreationTime,} Channel/1{Default,Key,"
                         "Pre-Extrapolation,} Other/1 Channel/2 Empty/0{} NoValues/0 Channel/3 "
                         "Lcl Translation/1 ");
        EXPECT_FALSE(scn.OpenNextField());
        EXPECT_EQ(scn.GetFieldName(), nullptr);
        // The walk leaves the per-name positions alone, and the other way round.
        ASSERT_TRUE(scn.OpenField("Channel"));
        EXPECT_STREQ(scn.NextValueAsString(), "X");
        scn.Rewind();
        ASSERT_TRUE(scn.OpenField("Other"));
        ASSERT_TRUE(scn.OpenNextField());
        EXPECT_STREQ(scn.GetFieldName(), "FileHeader");
        ASSERT_TRUE(scn.OpenNextField());
        EXPECT_STREQ(scn.NextValueAsString(), "X");
        ASSERT_TRUE(scn.OpenField("Channel"));
        EXPECT_STREQ(scn.NextValueAsString(), "X");
        ASSERT_TRUE(scn.OpenField("Channel"));
        EXPECT_STREQ(scn.NextValueAsString(), "Y z \"q\"");
        EXPECT_FALSE(scn.OpenField("Other")) << "one Other, already read";
    }
    KScn closed;
    EXPECT_FALSE(closed.OpenNextField());
}

TEST(KScnFields, ValuesPastTheEndAndWithoutAField)
{
    KScn scn;
    ASSERT_TRUE(Open(scn, Write(CScnWriter::eBinary, Sample)));
    EXPECT_EQ(scn.RemainingValueCount(), 0);
    EXPECT_EQ(scn.PeekValueType(), 'S');
    EXPECT_EQ(scn.NextValueAsChar(), '\0');
    EXPECT_EQ(scn.NextValueAsDouble(), 0.0);
    EXPECT_STREQ(scn.NextValueAsString(), "");
    EXPECT_EQ(scn.NextValueAsTime().Get(), 0);
    ASSERT_TRUE(scn.OpenField("Other"));
    EXPECT_EQ(scn.RemainingValueCount(), 1);
    EXPECT_EQ(scn.NextValueAsInt(), 1);
    EXPECT_EQ(scn.RemainingValueCount(), 0);
    EXPECT_EQ(scn.PeekValueType(), 'S');
    EXPECT_EQ(scn.NextValueAsInt(), 0);
    EXPECT_EQ(scn.NextValueAsChar(), '\0');
    EXPECT_EQ(scn.RemainingValueCount(), 0);
    // Fields without values read as their defaults.
    EXPECT_EQ(scn.ReadIntField("NoValues", 5), 5);
    EXPECT_STREQ(scn.ReadStringField("NoValues", "d"), "d");
    EXPECT_STREQ(scn.ReadStringField("Lcl Translation", "d"), "");
    EXPECT_STREQ(scn.ReadStringField("Absent", "d"), "d");
    // Nothing open at all.
    KScn closed;
    EXPECT_FALSE(closed.OpenField("Other"));
    EXPECT_EQ(closed.GetFileVersion(), 0);
    EXPECT_EQ(closed.GetFileKind(), -1);
}

TEST(KScnFields, TextAndBinaryGiveTheSameAnswers)
{
    KScn text, binary;
    ASSERT_TRUE(Open(text, Write(CScnWriter::eText, Sample)));
    ASSERT_TRUE(Open(binary, Write(CScnWriter::eBinary, Sample)));
    EXPECT_FALSE(text.IsBinary());
    EXPECT_TRUE(binary.IsBinary());
    EXPECT_EQ(text.GetFileKind(), 0);
    EXPECT_EQ(binary.GetFileKind(), 1);
    std::string a, b;
    Transcript(text, a, 0);
    Transcript(binary, b, 0);
    EXPECT_EQ(a, b);
    EXPECT_NE(a.find("s=-2147483648 d=1000000000000000052504760255"), std::string::npos) << a;
}

TEST(KScnFields, TypeLetters)
{
    KScn binary;
    ASSERT_TRUE(Open(binary, Write(CScnWriter::eBinary, Sample)));
    ASSERT_TRUE(binary.OpenField("Channel"));
    EXPECT_EQ(binary.PeekValueType(), 'S');
    binary.CloseField();
    ASSERT_TRUE(binary.OpenField("Channel"));
    binary.CloseField();
    ASSERT_TRUE(binary.OpenField("Channel"));
    EXPECT_EQ(binary.PeekValueType(), 'I');
    binary.NextValueAsInt();
    EXPECT_EQ(binary.PeekValueType(), 'D');
    binary.Rewind();
    ASSERT_TRUE(binary.OpenField("Channel"));
    ASSERT_TRUE(binary.EnterFieldBlock());
    ASSERT_TRUE(binary.OpenField("Key"));
    std::string letters;
    while (binary.RemainingValueCount() > 0)
    {
        letters += binary.PeekValueType();
        binary.NextValueAsString();
    }
    EXPECT_EQ(letters, "LFCCL");

    KScn text;
    ASSERT_TRUE(Open(text, Write(CScnWriter::eText, Sample)));
    ASSERT_TRUE(text.OpenField("Other"));
    EXPECT_EQ(text.PeekValueType(), 'S'); // text values carry no type
}

TEST(KScnFields, TimesAsTicksOrSeconds)
{
    const auto keys = [](CScnWriter& w)
    {
        w.BeginField("Key");
        w.AddTime(3 * kSecond / 2);
        w.AddDouble(2.5); // a plain number
        w.AddTime(-kSecond);
        w.EndField();
    };
    struct Case
    {
        CScnWriter::EForm form;
        int32_t version;
    } cases[] = {{CScnWriter::eBinary, 6000},
                 {CScnWriter::eBinary, 2000},
                 {CScnWriter::eText, 2001},
                 {CScnWriter::eText, 2000}};
    for (const Case& c : cases)
    {
        KScn scn;
        ASSERT_TRUE(Open(scn, Write(c.form, keys, c.version)));
        EXPECT_EQ(scn.GetFileVersion(), c.version);
        ASSERT_TRUE(scn.OpenField("Key"));
        EXPECT_EQ(scn.NextValueAsTime().Get(), 3 * kSecond / 2) << c.version;
        // 2.5 read as a time: seconds, except in text files of 2001 and later
        // (ticks, cut to an integer).
        const int64_t expected = (c.form == CScnWriter::eText && c.version >= 2001) ? 2 : 5 * kSecond / 2;
        EXPECT_EQ(scn.NextValueAsTime().Get(), expected) << c.version;
        EXPECT_EQ(scn.NextValueAsTime().Get(), -kSecond) << c.version;
    }
    // Seconds in text files: what was written by hand.
    KScn scn;
    const std::string text = "FileHeader: {\n Version: 2000\n}\nKey: 1.5, 0.25, nonsense\n";
    ASSERT_TRUE(Open(scn, text));
    ASSERT_TRUE(scn.OpenField("Key"));
    EXPECT_EQ(scn.NextValueAsTime().Get(), 3 * kSecond / 2);
    EXPECT_EQ(scn.NextValueAsTime().Get(), kSecond / 4);
    EXPECT_EQ(scn.NextValueAsTime().Get(), 0);
}

TEST(KScnFields, NumberConversions)
{
    const std::string text = "FileHeader: {\n Version: 6000\n}\n"
                             "N: +3, 1.5, 1e3, -2.5e-1, abc, 99999999999, -99999999999, \"7\", inf, 1e999\n";
    KScn scn;
    ASSERT_TRUE(Open(scn, text)) << scn.GetStatusText();
    ASSERT_TRUE(scn.OpenField("N"));
    EXPECT_EQ(scn.NextValueAsInt(), 3);
    EXPECT_EQ(scn.NextValueAsInt(), 1);
    EXPECT_EQ(scn.NextValueAsInt(), 1000);
    EXPECT_EQ(scn.NextValueAsDouble(), -0.25);
    EXPECT_EQ(scn.NextValueAsDouble(), 0.0);
    EXPECT_EQ(scn.NextValueAsInt(), 2147483647);
    EXPECT_EQ(scn.NextValueAsInt(), -2147483647 - 1);
    EXPECT_EQ(scn.NextValueAsInt(), 7);
    EXPECT_TRUE(std::isinf(scn.NextValueAsDouble()));
    EXPECT_TRUE(std::isinf(scn.NextValueAsDouble()));
}

// The document layout of docs/scene-file-format.md, written by hand in the
// text encoding: the grammar carries every form the scene reader needs.
TEST(KScnFields, DocumentLayoutOfAScene)
{
    const std::string text = R"(FileHeader: {
    Version: 6000
    HeaderVersion: 1000
    Creator: "hand"
}
SceneInfo: {
    Title: "Quarry"
    Thumbnail: {
        Width: 1
        Height: 1
        Format: RGB
        Data: "00ff00"
    }
}
Objects: {
    Material: "Stone" {
        ShadingModel: "phong"
        Properties: {
            Diffuse: 0.8, 0.8, 0.8
            Opacity: 1
        }
    }
    Texture: "StoneTex" {
        FileName: "Data\\textures\\stone.tga"
        Properties: {
            CurrentTextureBlendMode: Modulate
            "Texture alpha": 1
        }
    }
    Model: "Plate", "Mesh" {
        Properties: {
            "Lcl Translation": 0, 1.5, -2
            Show: 1
            Unknown: 3
        }
        Shading: Y
        Children: "mat_Stone"
        Materials: "Stone"
        UserProperty: "useLighting", "Bool", "", 1
        Mesh: {
            ControlPoints: 0, 0, 0, 1, 0, 0,
                1, 1, 0
            PolygonSizes: 3
            PolygonVertices: 0, 1, 2
            Layer: 0 {
                LayerElementNormal: {
                    Mapping: ByControlPoint
                    Reference: Direct
                    Values: 0, 0, 1, 0, 0, 1, 0, 0, 1
                }
            }
        }
    }
    Model: "mat_Stone", "Null"
}
Takes: {
    Current: "Take 001"
    Take: "Take 001" {
        LocalTime: 0, 46186158000
        TimeWarps: {
            TimeWarp: 1 {
                Channel: "TimeWarp" {
                    Default: 0
                }
            }
        }
        Model: "Plate" {
            Channel: "Transform" {
                Channel: "T" {
                    Channel: "X" {
                        Default: 0
                        KeyVer: 4004
                        KeyCount: 2
                        Key: 0, 0, L, 46186158000, 10, L
                    }
                }
            }
        }
    }
}
)";
    KScn scn;
    ASSERT_TRUE(Open(scn, text)) << scn.GetStatusText();
    ASSERT_TRUE(scn.OpenField("Objects"));
    ASSERT_TRUE(scn.EnterFieldBlock());
    std::string models;
    while (scn.OpenField("Model"))
    {
        models += scn.NextValueAsString();
        models += '/';
        models += scn.NextValueAsString();
        models += ' ';
        if (scn.EnterFieldBlock())
        {
            ASSERT_TRUE(scn.OpenField("Properties"));
            ASSERT_TRUE(scn.EnterFieldBlock());
            while (scn.OpenNextField())
            {
                models +=
                    std::string(scn.GetFieldName()) + "=" + std::to_string(scn.RemainingValueCount()) + " ";
            }
            scn.LeaveFieldBlock();
            EXPECT_EQ(scn.ReadCharField("Shading", 'W'), 'Y');
            ASSERT_TRUE(scn.OpenField("UserProperty"));
            EXPECT_EQ(scn.RemainingValueCount(), 4);
            ASSERT_TRUE(scn.OpenField("Mesh"));
            ASSERT_TRUE(scn.EnterFieldBlock());
            ASSERT_TRUE(scn.OpenField("ControlPoints"));
            EXPECT_EQ(scn.RemainingValueCount(), 9);
            ASSERT_TRUE(scn.OpenField("Layer"));
            EXPECT_EQ(scn.NextValueAsInt(), 0);
            ASSERT_TRUE(scn.EnterFieldBlock());
            ASSERT_TRUE(scn.OpenField("LayerElementNormal"));
            ASSERT_TRUE(scn.EnterFieldBlock());
            EXPECT_STREQ(scn.ReadStringField("Mapping", ""), "ByControlPoint");
            scn.LeaveFieldBlock();
            scn.LeaveFieldBlock();
            scn.LeaveFieldBlock();
            scn.LeaveFieldBlock();
        }
        scn.CloseField();
    }
    EXPECT_EQ(models, "Plate/Mesh Lcl Translation=3 Show=1 Unknown=1 mat_Stone/Null ");
    scn.LeaveFieldBlock();
    ASSERT_TRUE(scn.OpenField("Takes"));
    ASSERT_TRUE(scn.EnterFieldBlock());
    EXPECT_STREQ(scn.ReadStringField("Current", ""), "Take 001");
    ASSERT_TRUE(scn.OpenField("Take"));
    ASSERT_TRUE(scn.EnterFieldBlock());
    ASSERT_TRUE(scn.OpenField("LocalTime"));
    scn.NextValueAsTime();
    EXPECT_EQ(scn.NextValueAsTime().Get(), kSecond);
    ASSERT_TRUE(scn.OpenField("Model"));
    ASSERT_TRUE(scn.EnterFieldBlock());
    for (const char* channel : {"Transform", "T", "X"})
    {
        ASSERT_TRUE(scn.OpenField("Channel"));
        EXPECT_STREQ(scn.NextValueAsString(), channel);
        ASSERT_TRUE(scn.EnterFieldBlock());
    }
    EXPECT_EQ(scn.ReadIntField("KeyCount", 0), 2);
    ASSERT_TRUE(scn.OpenField("Key"));
    EXPECT_EQ(scn.RemainingValueCount(), 6);
}

TEST(KScnHeader, VersionCreatorAndRefusals)
{
    KScn scn;
    ASSERT_TRUE(Open(scn, Write(CScnWriter::eText, Sample)));
    EXPECT_EQ(scn.GetFileVersion(), 6000);
    EXPECT_EQ(scn.GetHeaderVersion(), 1000);
    EXPECT_STREQ(scn.GetCreator(), "tests");
    EXPECT_STREQ(scn.GetCreationTime(), "2026-12-07 12:00:00");
    ASSERT_TRUE(scn.OpenField("FileHeader")); // the header is an ordinary field too

    const char* refused[] = {
        "Other: 1\nFileHeader: {\n Version: 6000\n}\n", // not first
        "FileHeader: 6000\n",                           // no block
        "FileHeader: {\n Creator: \"x\"\n}\n",          // no version
        "FileHeader: {\n Version: 0\n}\n",              // not positive
        "FileHeader: {\n Version: 1, 2\n}\n",           // two values
        "",                                             // nothing at all
        "just words",
    };
    for (const char* text : refused)
    {
        EXPECT_FALSE(Open(scn, text)) << text;
        EXPECT_EQ(scn.GetError().GetLastErrorID(), KScn::eFileCorrupted) << text;
        EXPECT_STREQ(scn.GetError().GetLastErrorString(), "File is corrupted");
        EXPECT_FALSE(scn.IsOpen());
        EXPECT_EQ(scn.GetFileVersion(), 0);
    }
    // A binary file whose preamble and header disagree.
    std::string bin = Write(CScnWriter::eBinary, Sample);
    CScnWriter w(CScnWriter::eBinary, 5000);
    w.BeginField("FileHeader");
    w.BeginBlock();
    w.IntField("Version", 6000);
    w.EndBlock();
    w.EndField();
    ASSERT_TRUE(w.Finish(bin));
    EXPECT_FALSE(Open(scn, bin));
    EXPECT_STREQ(scn.GetStatusText(), "bad file version");
}

TEST(KScnHostile, CorruptedFilesAreRefused)
{
    const std::string good = Write(CScnWriter::eBinary, Sample);
    KScn scn;
    ASSERT_TRUE(Open(scn, good));
    for (size_t n = 0; n < good.size(); n += 7)
    {
        EXPECT_FALSE(Open(scn, good.substr(0, n))) << n;
        EXPECT_EQ(scn.GetError().GetLastErrorID(), KScn::eFileCorrupted);
    }
    for (size_t i = 0; i < good.size(); ++i)
    {
        std::string bad = good;
        bad[i] = static_cast<char>(bad[i] ^ 0x10);
        EXPECT_FALSE(Open(scn, bad)) << i;
        EXPECT_STREQ(scn.GetError().GetLastErrorString(), "File is corrupted");
    }
    const std::string text = Write(CScnWriter::eText, Sample);
    const char* tails[] = {"Open: 1 {\n", "Bad: \"unterminated\n", "}\n"};
    for (const char* tail : tails)
    {
        EXPECT_FALSE(Open(scn, text + tail)) << tail;
        EXPECT_EQ(scn.GetError().GetLastErrorID(), KScn::eFileCorrupted);
    }
    std::string nested = text;
    for (int i = 0; i < 5000; ++i)
    {
        nested += "A: {\n";
    }
    EXPECT_FALSE(Open(scn, nested));
    EXPECT_EQ(scn.GetError().GetLastErrorID(), KScn::eFileCorrupted);
    std::string encrypted(kScnEncryptedMagic, 8);
    EXPECT_FALSE(Open(scn, encrypted + "whatever"));
    EXPECT_EQ(scn.GetError().GetLastErrorID(), KScn::eFileCorrupted);
}

TEST(KScnHostile, OversizedCountsWithAValidCrc)
{
    const auto u32 = [](uint32_t v)
    {
        std::string s(4, '\0');
        for (int i = 0; i < 4; ++i)
        {
            s[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
        }
        return s;
    };
    const std::string good = Write(CScnWriter::eBinary, [](CScnWriter& w) { w.IntField("A", 1); });
    const std::string body = good.substr(0, good.size() - 8);
    const std::string records[] = {
        u32(0xFFFFFFFFu) + u32(5) + u32(0xFFFFFFFFu) + '\x01' + "B" + '\0' + "I" + u32(1), // value count
        u32(1) + u32(0x7FFFFFFFu) + u32(0xFFFFFFFFu) + '\x01' + "B" + '\0' + "I" + u32(1), // value bytes
        u32(1) + u32(5) + u32(0x10000u) + '\x01' + "B" + '\0' + "I" + u32(1),              // block bytes
        u32(1) + u32(10) + u32(0xFFFFFFFFu) + '\x01' + "B" + '\0' + "S" + u32(0xFFFFFFF0u) + "x", // text
    };
    for (const std::string& r : records)
    {
        std::string file = body + r;
        file +=
            u32(static_cast<uint32_t>(crc32(0L, reinterpret_cast<const Bytef*>(file.data()), file.size())));
        file += "SCNE";
        KScn scn;
        EXPECT_FALSE(Open(scn, file));
        EXPECT_EQ(scn.GetError().GetLastErrorID(), KScn::eFileCorrupted);
        EXPECT_STREQ(scn.GetError().GetLastErrorString(), "File is corrupted");
    }
}

class KScnFiles : public testsupport::TempDirTest
{
};

TEST_F(KScnFiles, OpensFilesFromDisk)
{
    CScnWriter w(CScnWriter::eBinary);
    w.WriteHeader("disk");
    w.IntField("Answer", 42);
    ASSERT_TRUE(w.SaveFile("model.scn"));
    KScn scn;
    ASSERT_TRUE(scn.OpenFile("model.scn")) << scn.GetStatusText();
    EXPECT_EQ(scn.ReadIntField("Answer", 0), 42);
    EXPECT_EQ(scn.GetError().GetLastErrorID(), -1);
    scn.Close();
    EXPECT_FALSE(scn.IsOpen());
    m_Dir.WriteFile("Data/Models/Box.scn", "FileHeader: {\n Version: 6000\n}\n");
    EXPECT_TRUE(scn.OpenFile("data\\models\\box.SCN")) << scn.GetStatusText(); // spelt as on Windows

    EXPECT_FALSE(scn.OpenFile("missing.scn"));
    EXPECT_EQ(scn.GetError().GetLastErrorID(), KScn::eFileNotOpened);
    EXPECT_STREQ(scn.GetError().GetLastErrorString(), "File not opened");
    EXPECT_FALSE(scn.OpenFile(nullptr));
    EXPECT_FALSE(scn.OpenFile(".")); // a folder
    EXPECT_EQ(scn.GetError().GetLastErrorID(), KScn::eFileNotOpened);
    EXPECT_FALSE(scn.IsOpen());
    m_Dir.WriteFile("empty.scn", "");
    EXPECT_FALSE(scn.OpenFile("empty.scn"));
    EXPECT_EQ(scn.GetError().GetLastErrorID(), KScn::eFileCorrupted);
}
