#include "scenesdk/kernel/KString.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <string>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

using scenesdk::KString;

TEST(KStringTest, InlineHeapBoundaryIsSixtyTwoBytes)
{
    KString s62(std::string(62, 'a').c_str());
    EXPECT_TRUE(s62.IsInline());
    EXPECT_EQ(s62.GetLen(), 62);
    KString s63(std::string(63, 'b').c_str());
    EXPECT_FALSE(s63.IsInline());
    EXPECT_EQ(s63.GetLen(), 63);
    EXPECT_EQ(std::string(s63.Buffer()), std::string(63, 'b'));
    // Growing across the boundary by append moves the text to the heap intact.
    KString grow(std::string(60, 'x').c_str());
    grow += "yz";
    EXPECT_TRUE(grow.IsInline());
    grow += '!';
    EXPECT_FALSE(grow.IsInline());
    EXPECT_EQ(std::string(grow.Buffer()), std::string(60, 'x') + "yz!");
}

TEST(KStringTest, NullVersusEmpty)
{
    KString fresh;
    EXPECT_TRUE(fresh.IsValid());
    EXPECT_TRUE(fresh.IsEmpty());
    KString null(static_cast<const char*>(nullptr));
    EXPECT_FALSE(null.IsValid());
    EXPECT_STREQ(null.Buffer(), "");
    EXPECT_EQ(null.GetLen(), 0);
    EXPECT_TRUE(null == "");
    null += "abc";
    EXPECT_FALSE(null.IsValid());
    KString copy(null);
    EXPECT_FALSE(copy.IsValid());
    EXPECT_FALSE((copy + "x").IsValid());
    EXPECT_FALSE((KString("x") + copy).IsValid());
    KString a("abc");
    a += static_cast<const char*>(nullptr);
    EXPECT_FALSE(a.IsValid());
    a = "again";
    EXPECT_TRUE(a.IsValid());
    EXPECT_EQ(a, "again");
    EXPECT_FALSE(KString("abc", -1).IsValid());
    EXPECT_FALSE(KString('c', -2).IsValid());
    EXPECT_TRUE(KString('c', 0).IsEmpty());
    EXPECT_EQ(KString('c', 3), "ccc");
    a.Clear();
    EXPECT_TRUE(a.IsValid() && a.IsEmpty());
}

TEST(KStringTest, AssignAndAppendOwnText)
{
    KString s("abcdef");
    s += s;
    EXPECT_EQ(s, "abcdefabcdef");
    KString big(std::string(40, 'q').c_str());
    big += big; // inline to heap
    EXPECT_EQ(std::string(big.Buffer()), std::string(80, 'q'));
    big += big; // heap to heap
    EXPECT_EQ(big.GetLen(), 160);
    s = s.Mid(3);
    EXPECT_EQ(s, "defabcdef");
    KString t("hello world");
    t = t.Buffer() + 6; // a source inside its own inline text
    EXPECT_EQ(t, "world");
    // A suffix at least as long as its offset: the new terminator falls inside the source.
    KString u("abcdef");
    u = u.Buffer() + 2;
    EXPECT_EQ(u.GetLen(), 4);
    EXPECT_EQ(u, "cdef");
    KString v("abcdef");
    v = KString(v.Buffer() + 1, 4);
    EXPECT_EQ(v, "bcde");
}

TEST(KStringTest, NumbersAndOperators)
{
    EXPECT_EQ(KString(-42), "-42");
    KString s("n");
    s += 7;
    s = s + '=' + 12;
    EXPECT_EQ(s, "n7=12");
    s = 5;
    EXPECT_EQ(s, "5");
    s = 'z';
    EXPECT_EQ(s, "z");
    EXPECT_TRUE("z" == s);
    EXPECT_TRUE(s != KString("y"));
}

TEST(KStringTest, IndexingOutOfRangeGivesSpareZeroByte)
{
    KString s("ab");
    EXPECT_EQ(s[1], 'b');
    char& spare = s[2];
    EXPECT_EQ(spare, 0);
    EXPECT_NE(&spare, s.Buffer() + 2);
    spare = 'X';
    EXPECT_EQ(s[-1], 0); // reset on the next out-of-range access
    EXPECT_EQ(spare, 0);
    EXPECT_STREQ(s.Buffer(), "ab");
}

TEST(KStringTest, SearchesWithNegativeAndLargeStarts)
{
    KString s("a.b;c.d");
    EXPECT_EQ(s.Find('.'), 1);
    EXPECT_EQ(s.Find('.', 2), 5);
    EXPECT_EQ(s.Find('.', -10), 1);
    EXPECT_EQ(s.Find('.', 100), -1);
    EXPECT_EQ(s.ReverseFind('.'), 5);
    EXPECT_EQ(s.ReverseFind('x'), -1);
    EXPECT_EQ(s.FindOneOf(";.", 2), 3);
    EXPECT_EQ(s.FindOneOf(";.", -3), 1);
    EXPECT_EQ(s.FindOneOf(nullptr), -1);
    EXPECT_EQ(s.Find("c.d"), 4);
    EXPECT_EQ(s.Find("c.d", -1), 4);
    EXPECT_EQ(s.Find("c.d", 5), -1);
    EXPECT_EQ(s.Find(static_cast<const char*>(nullptr)), 0);
}

TEST(KStringTest, FindAndReplaceSizesItsResult)
{
    KString s("Model::Cube");
    EXPECT_TRUE(s.FindAndReplace("::", "/"));
    EXPECT_EQ(s, "Model/Cube");
    EXPECT_FALSE(s.FindAndReplace("::", "/"));
    EXPECT_FALSE(s.FindAndReplace("Model", "M", 1));
    EXPECT_EQ(s, "Model/Cube");
    // A match past 4096 bytes and a result longer than 4096 bytes both work.
    KString big(std::string(5000, 'a').c_str());
    big += "MARK";
    EXPECT_TRUE(big.FindAndReplace("MARK", std::string(3000, 'b').c_str()));
    EXPECT_EQ(big.GetLen(), 8000);
    EXPECT_EQ(big[4999], 'a');
    EXPECT_EQ(big[5000], 'b');
    KString null(static_cast<const char*>(nullptr));
    EXPECT_FALSE(null.FindAndReplace("", "x"));
}

TEST(KStringTest, Tokens)
{
    KString s(";;a;;b;");
    EXPECT_EQ(s.GetTokenCount(";"), 2);
    EXPECT_EQ(s.GetToken(0, ";"), "a");
    EXPECT_EQ(s.GetToken(1, ";"), "b");
    EXPECT_TRUE(s.GetToken(2, ";").IsEmpty());
    EXPECT_TRUE(s.GetToken(-1, ";").IsEmpty());
    EXPECT_EQ(KString("x y\tz").GetTokenCount(" \t"), 3);
    EXPECT_EQ(KString("x y").GetTokenCount(nullptr), 1);
    EXPECT_EQ(KString().GetTokenCount(";"), 0);
    EXPECT_EQ(KString(static_cast<const char*>(nullptr)).GetTokenCount(";"), 0);
}

TEST(KStringTest, Comparisons)
{
    EXPECT_EQ(KString("a").Compare(static_cast<const char*>(nullptr)), 1);
    EXPECT_EQ(KString().Compare(static_cast<const char*>(nullptr)), 0);
    EXPECT_EQ(KString("abc").Compare("abd"), -1);
    EXPECT_EQ(KString("abd").Compare("abc"), 1);
    EXPECT_EQ(KString("\xE9").Compare("a"), 1); // bytes compare unsigned
    EXPECT_EQ(KString("cube").CompareNoCase("CUBE"), 0);
    EXPECT_EQ(KString("cube").CompareNoCase("CUBF"), -1);
    EXPECT_NE(KString("cube"), "CUBE");
}

TEST(KStringTest, Substrings)
{
    KString s("abcdef");
    EXPECT_EQ(s.Right(10), "abcdef");
    EXPECT_EQ(s.Right(2), "ef");
    EXPECT_FALSE(s.Left(-1).IsValid());
    EXPECT_EQ(s.Left(3), "abc");
    EXPECT_FALSE(s.Mid(7).IsValid());
    KString end = s.Mid(6);
    EXPECT_TRUE(end.IsValid());
    EXPECT_TRUE(end.IsEmpty());
    EXPECT_FALSE(s.Mid(-1).IsValid());
    EXPECT_FALSE(s.Mid(-1, 3).IsValid());
    EXPECT_EQ(s.Mid(2, 100), "cdef");
    EXPECT_FALSE(KString(static_cast<const char*>(nullptr)).Left(1).IsValid());
    EXPECT_EQ(KString("MiXeD 1").Upper(), "MIXED 1");
    EXPECT_EQ(KString("MiXeD 1").Lower(), "mixed 1");
}

TEST(KStringTest, Trim)
{
    KString s("  a  ");
    EXPECT_EQ(s.Trim(0), "  a");
    EXPECT_EQ(s.Trim(1), "a  ");
    EXPECT_EQ(s.Trim(2), "a");
    EXPECT_EQ(KString(" \t\n").Trim(), "");
    EXPECT_FALSE(KString(static_cast<const char*>(nullptr)).Trim().IsValid());
}

TEST(KStringTest, HeapHelpers)
{
    using namespace scenesdk;
    KString* s = KStringHeapGet(nullptr);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(KStringHeapGet(s), s);
    EXPECT_EQ(KStringHeapDropEmpty(s), nullptr); // deleted
    s = KStringHeapNew();
    *s = "name";
    EXPECT_EQ(KStringHeapDropEmpty(s), s);
    EXPECT_EQ(KStringHeapOrEmpty(s), s);
    const KString* empty = KStringHeapOrEmpty(nullptr);
    EXPECT_EQ(empty, &KString::GetStaticEmpty());
    EXPECT_TRUE(empty->IsEmpty() && empty->IsValid());
    KStringHeapDelete(s);
    KStringHeapDelete(nullptr);
}

// The eight-bytes-at-a-time comparison against a byte-by-byte one, for texts
// whose difference, end or embedded zero falls at every offset around the
// word boundaries, with letters, punctuation next to the letter ranges
// ('@', '[', '`', '{') and bytes of 0x80 and above.
TEST(KStringTest, CompareNoCaseMatchesByteByByteUpperCase)
{
    auto reference = [](const KString& a, const char* b)
    {
        const unsigned char* x = reinterpret_cast<const unsigned char*>(a.Buffer());
        const unsigned char* y = reinterpret_cast<const unsigned char*>(b);
        auto up = [](unsigned char c) { return c >= 'a' && c <= 'z' ? c - 32 : c; };
        for (;; ++x, ++y)
        {
            if (up(*x) != up(*y))
                return up(*x) < up(*y) ? -1 : 1;
            if (*x == 0)
                return 0;
        }
    };
    const char alphabet[] = {'a', 'A', 'z', 'Z',    '@',    '[',    '`',
                             '{', '_', ':', '\xe9', '\xc9', '\x80', '\xff'};
    unsigned seed = 7;
    auto next = [&seed] { return seed = seed * 1103515245u + 12345u, (seed >> 16) & 0x7FFF; };
    int checked = 0;
    for (int length = 0; length <= 40; ++length)
    {
        for (int trial = 0; trial < 40; ++trial)
        {
            std::string a;
            for (int i = 0; i < length; ++i)
                a += alphabet[next() % sizeof(alphabet)];
            // b: a in other cases, then one change somewhere (or none), possibly cut short.
            std::string b = a;
            for (char& c : b)
                if (std::isalpha(static_cast<unsigned char>(c)) && next() % 2)
                    c = static_cast<char>(c ^ 0x20);
            if (length > 0 && next() % 3 != 0)
                b[next() % length] = alphabet[next() % sizeof(alphabet)];
            if (next() % 4 == 0)
                b.resize(next() % (length + 1));
            KString ka(a.c_str(), static_cast<int>(a.size()));
            ASSERT_EQ(ka.CompareNoCase(b.c_str()), reference(ka, b.c_str())) << a << " / " << b;
            ASSERT_EQ(KString(b.c_str()).CompareNoCase(ka), reference(KString(b.c_str()), a.c_str()));
            ++checked;
        }
    }
    EXPECT_GT(checked, 1000);
    // An embedded zero ends the text for the comparison, as a terminator does.
    const KString withZero("abc\0xyz", 7);
    EXPECT_EQ(withZero.CompareNoCase("ABC"), 0);
    EXPECT_EQ(KString("abcdefgh\0ijklmnop", 17).CompareNoCase("ABCDEFGH"), 0);
    EXPECT_EQ(KString("abcdefgh\0ijklmnop", 17).CompareNoCase("ABCDEFGHI"), -1);
    EXPECT_EQ(KString().CompareNoCase(static_cast<const char*>(nullptr)), 0);
    // Texts that end just before an unmapped page: the comparison reads
    // ahead in blocks, but never into the next page.
    const long page = sysconf(_SC_PAGESIZE);
    void* map = mmap(nullptr, static_cast<size_t>(page) * 2, PROT_READ | PROT_WRITE,
                     MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(map, MAP_FAILED);
    char* guard = static_cast<char*>(map) + page;
    ASSERT_EQ(mprotect(guard, static_cast<size_t>(page), PROT_NONE), 0);
    for (int length = 0; length < 40; ++length)
    {
        char* text = guard - length - 1;
        std::memset(text, 'q', static_cast<size_t>(length));
        text[length] = 0;
        const KString longer(std::string(static_cast<size_t>(length) + 5, 'Q').c_str());
        const KString same(std::string(static_cast<size_t>(length), 'Q').c_str());
        EXPECT_EQ(longer.CompareNoCase(text), 1) << length;
        EXPECT_EQ(same.CompareNoCase(text), 0) << length;
    }
    munmap(map, static_cast<size_t>(page) * 2);
    KString null(static_cast<const char*>(nullptr));
    EXPECT_EQ(null.CompareNoCase("a"), -1);
}

// Texts that end their heap blocks, each block between blocks already freed,
// at every start offset: a comparison that read past a text's end would be
// caught by the sanitizers (AddressSanitizer as an overflow, ThreadSanitizer
// as a use after free). Long strings keep their own text in a heap block of
// its exact size too.
TEST(KStringTest, CompareNoCaseReadsNoFurtherThanTheTexts)
{
    for (size_t length = 0; length <= 80; ++length)
    {
        const KString upper(std::string(length, 'M').c_str());
        const KString longer(std::string(length + 1, 'M').c_str());
        for (size_t offset = 0; offset < 16; ++offset)
        {
            std::vector<char*> blocks;
            for (int i = 0; i < 6; ++i)
                blocks.push_back(new char[offset + length + 1]);
            for (int i = 1; i < 6; i += 2)
            {
                delete[] blocks[i];
                blocks[i] = nullptr;
            }
            for (int i = 0; i < 6; i += 2)
            {
                char* text = blocks[i] + offset;
                std::memset(text, 'm', length);
                text[length] = 0;
                ASSERT_EQ(upper.CompareNoCase(text), 0) << length << " at " << offset;
                ASSERT_EQ(longer.CompareNoCase(text), 1) << length << " at " << offset;
                const KString copy(text);
                ASSERT_EQ(copy.CompareNoCase(upper), 0);
                ASSERT_EQ(copy.CompareNoCase(longer), -1);
                ASSERT_EQ(longer.CompareNoCase(copy), 1);
            }
            for (char* block : blocks)
                delete[] block;
        }
    }
}

// Many appends of mixed sizes (one byte, the string itself, pieces that cross
// the inline size and the doubled blocks) give the text a std::string gets,
// and an assignment after growth still holds exactly what was assigned.
TEST(KStringTest, RepeatedAppendsGrowAndKeepTheText)
{
    KString s;
    std::string expected;
    for (int i = 0; i < 400; ++i)
    {
        if (i % 50 == 7 && s.GetLen() < 4000)
        {
            s += s;
            expected += expected;
        }
        else if (i % 3 == 0)
        {
            s += static_cast<char>('a' + i % 26);
            expected += static_cast<char>('a' + i % 26);
        }
        else
        {
            s += "Model::";
            expected += "Model::";
        }
        ASSERT_EQ(s.GetLen(), static_cast<int>(expected.size()));
        ASSERT_STREQ(s.Buffer(), expected.c_str());
    }
    EXPECT_FALSE(s.IsInline());
    // Appending a part of its own grown text.
    ASSERT_TRUE(s.Append(s.Buffer() + 3, 10));
    expected += expected.substr(3, 10);
    EXPECT_STREQ(s.Buffer(), expected.c_str());
    s = "short";
    EXPECT_STREQ(s.Buffer(), "short");
    s += "er";
    EXPECT_STREQ(s.Buffer(), "shorter");
    EXPECT_EQ(s.GetLen(), 7);
}
