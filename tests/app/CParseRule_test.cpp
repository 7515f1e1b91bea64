#include "app/CParseRule.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{

using namespace parserules;

// Parses text with rule; returns the matched length and the consumed count
// through *consumed.
ptrdiff_t Match(const CParseRule& rule, const std::string& text, ptrdiff_t* consumed = nullptr)
{
    const char* pos = text.data();
    CScanner scan(pos, text.data() + text.size());
    const ptrdiff_t n = rule.Parse(scan);
    if (consumed)
        *consumed = pos - text.data();
    return n;
}

TEST(ParseRuleTest, Terminals)
{
    EXPECT_EQ(Match(*Ch('a'), "ab"), 1);
    EXPECT_EQ(Match(*Ch('a'), "ba"), -1);
    EXPECT_EQ(Match(*Ch('a'), ""), -1);
    EXPECT_EQ(Match(*Ch2('/', '*'), "/*x"), 2);
    EXPECT_EQ(Match(*Ch2('/', '*'), "/"), -1); // not past the end
    EXPECT_EQ(Match(*Str("//"), "//x"), 2);
    EXPECT_EQ(Match(*Str("//"), "/x"), -1);
    EXPECT_EQ(Match(*AnyChar(), "\x80"), 1);
    EXPECT_EQ(Match(*AnyChar(), ""), -1);

    EXPECT_EQ(Match(*LineEnd(), "\r\n"), 2);
    EXPECT_EQ(Match(*LineEnd(), "\rx"), 1);
    EXPECT_EQ(Match(*LineEnd(), "\n\r"), 1);
    EXPECT_EQ(Match(*LineEnd(), "x"), -1);
    EXPECT_EQ(Match(*LineEnd(), ""), -1);
}

TEST(ParseRuleTest, CharacterClassesAreAscii)
{
    typedef CCharClassRule C;
    EXPECT_TRUE(C::Test(C::Letter, 'q'));
    EXPECT_FALSE(C::Test(C::Letter, '5'));
    EXPECT_FALSE(C::Test(C::Letter, 0xE9));
    EXPECT_TRUE(C::Test(C::LetterOrDigit, '5'));
    EXPECT_FALSE(C::Test(C::LetterOrDigit, '_'));
    EXPECT_TRUE(C::Test(C::Punctuation, '_'));
    EXPECT_FALSE(C::Test(C::Punctuation, ' '));
    EXPECT_TRUE(C::Test(C::Printable, ' '));
    EXPECT_TRUE(C::Test(C::Printable, '~'));
    EXPECT_FALSE(C::Test(C::Printable, 0x7F));
    EXPECT_FALSE(C::Test(C::Printable, '\t'));
    EXPECT_EQ(Match(*Class(C::Letter), "x"), 1);
    EXPECT_EQ(Match(*Class(C::Letter), ""), -1);
}

TEST(ParseRuleTest, CombinatorsRestoreThePositionOnFailure)
{
    ptrdiff_t consumed = -1;
    auto seq = Seq(Ch('a'), Ch('b'), Ch('c'));
    EXPECT_EQ(Match(*seq, "abcd", &consumed), 3);
    EXPECT_EQ(consumed, 3);
    EXPECT_EQ(Match(*seq, "abx", &consumed), -1);
    EXPECT_EQ(consumed, 0);

    auto alt = Alt(Seq(Ch('a'), Ch('x')), Seq(Ch('a'), Ch('b')));
    EXPECT_EQ(Match(*alt, "ab", &consumed), 2); // second tried from the start again
    EXPECT_EQ(Match(*alt, "ac", &consumed), -1);
    EXPECT_EQ(consumed, 0);

    // The star stops after its last success, even mid-way through a part.
    auto star = Star(Seq(Ch('a'), Ch('b')));
    EXPECT_EQ(Match(*star, "ababa", &consumed), 4);
    EXPECT_EQ(consumed, 4);
    EXPECT_EQ(Match(*star, "x", &consumed), 0);
    // A part that matches empty does not loop forever.
    EXPECT_EQ(Match(*Star(Star(Ch('a'))), "aaab"), 3);
}

TEST(ParseRuleTest, ActionsRunOnMatchAndAreNotUndone)
{
    std::vector<std::string> seen;
    auto record = [&seen](const char* first, const char* last) { seen.emplace_back(first, last); };
    // The action inside the first alternative runs even though that
    // alternative then fails; the second one matches.
    auto rule = Alt(Seq(Action(Star(Ch('a')), record), Ch('!')), Seq(Star(Ch('a')), Ch('?')));
    EXPECT_EQ(Match(*rule, "aa?"), 3);
    EXPECT_EQ(seen, (std::vector<std::string>{"aa"}));
}

TEST(ParseRuleTest, NamedRulesReferencesRecursionAndClone)
{
    CRule empty;
    EXPECT_EQ(Match(empty, "a"), -1); // no parser: never matches

    // Balanced parentheses: p = '(' p* ')'.
    CRule parens;
    parens = Seq(Ch('('), Star(Ref(parens)), Ch(')'));
    EXPECT_EQ(Match(parens, "(()(()))x"), 8);
    EXPECT_EQ(Match(parens, "(()"), -1);

    // A clone owns a copy of the parser; references inside it still name
    // the original rule.
    std::unique_ptr<CParseRule> copy(parens.Clone());
    EXPECT_EQ(Match(*copy, "(())"), 4);
    parens = Ch('z');
    EXPECT_EQ(Match(parens, "(())"), -1);
    EXPECT_EQ(Match(*copy, "(zz)"), 4);
    std::unique_ptr<CParseRule> seq(Seq(Ch('a'), Star(Ch('b')), Alt(Ch('c'), Str("dd")))->Clone());
    EXPECT_EQ(Match(*seq, "abbdd"), 5);

    // Recursion deeper than the bound fails instead of overflowing the stack.
    CRule nest;
    nest = Alt(Ch('.'), Seq(Ch('('), Ref(nest)));
    EXPECT_EQ(Match(nest, std::string(100, '(') + "."), 101);
    EXPECT_EQ(Match(nest, std::string(CScanner::kMaxDepth + 10, '(') + "."), -1);
}

} // namespace
