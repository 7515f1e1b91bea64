#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

// A small framework of combinable parsing rules over a byte range, the base of
// the settings grammar. A rule parses at the scanner's position and returns
// the number of bytes it matched (advancing the position by as much), or -1
// for no match. Combinators restore the position when a part fails, so a
// failed rule leaves the position where it was. Actions run as soon as their
// part has matched and are not undone when an enclosing rule fails later.
//
// Rules are trees owned through unique_ptr; CRule is a named rule that other
// rules refer to with CRuleRef (which is how recursive rules are built). A
// referenced CRule must outlive every rule that refers to it.

// The parse position (a reference to the caller's pointer) and the end of the
// text.
class CScanner
{
public:
    CScanner(const char*& position, const char* end) : m_rPos(position), m_pEnd(end), m_iDepth(0) {}

    const char*& Pos() { return m_rPos; }
    const char* End() const { return m_pEnd; }
    bool AtEnd() const { return m_rPos >= m_pEnd; }
    // The byte at the position; only valid when not AtEnd.
    char Peek() const { return *m_rPos; }

    // Nesting of rule references, bounded so that a recursive rule over a
    // long input fails cleanly instead of exhausting the stack.
    static constexpr int kMaxDepth = 8000;
    bool Enter()
    {
        if (m_iDepth >= kMaxDepth)
            return false;
        ++m_iDepth;
        return true;
    }
    void Leave() { --m_iDepth; }

private:
    const char*& m_rPos;
    const char* m_pEnd;
    int m_iDepth;
};

class CParseRule
{
public:
    virtual ~CParseRule() {}
    // Matched length, or -1 (position unchanged) when the rule does not match.
    virtual ptrdiff_t Parse(CScanner& scan) const = 0;
    // A deep copy. A copied reference still refers to the same named rule.
    virtual CParseRule* Clone() const = 0;
};

typedef std::unique_ptr<CParseRule> ParseRulePtr;

// One given character.
class CCharRule : public CParseRule
{
public:
    explicit CCharRule(char c) : m_cChar(c) {}
    ptrdiff_t Parse(CScanner& scan) const override;
    CParseRule* Clone() const override { return new CCharRule(*this); }

private:
    char m_cChar;
};

// Two given characters in a row.
class CTwoCharRule : public CParseRule
{
public:
    CTwoCharRule(char first, char second) : m_cFirst(first), m_cSecond(second) {}
    ptrdiff_t Parse(CScanner& scan) const override;
    CParseRule* Clone() const override { return new CTwoCharRule(*this); }

private:
    char m_cFirst, m_cSecond;
};

// A given string (non-empty).
class CStringRule : public CParseRule
{
public:
    explicit CStringRule(std::string text) : m_Text(std::move(text)) {}
    ptrdiff_t Parse(CScanner& scan) const override;
    CParseRule* Clone() const override { return new CStringRule(*this); }

private:
    std::string m_Text;
};

// One character of an ASCII class (the C locale's tests, bytes from 0x80 in
// no class).
class CCharClassRule : public CParseRule
{
public:
    enum EClass
    {
        Letter,        // A-Z, a-z
        LetterOrDigit, // A-Z, a-z, 0-9
        Punctuation,   // printable, not a letter, digit or space
        Printable      // 0x20 to 0x7E
    };
    explicit CCharClassRule(EClass cls) : m_eClass(cls) {}
    ptrdiff_t Parse(CScanner& scan) const override;
    CParseRule* Clone() const override { return new CCharClassRule(*this); }
    static bool Test(EClass cls, unsigned char c);

private:
    EClass m_eClass;
};

// Any one character.
class CAnyCharRule : public CParseRule
{
public:
    ptrdiff_t Parse(CScanner& scan) const override;
    CParseRule* Clone() const override { return new CAnyCharRule(*this); }
};

// An optional CR followed by an optional LF, at least one of the two: "\r\n",
// "\r" and "\n" are one line end each.
class CLineEndRule : public CParseRule
{
public:
    ptrdiff_t Parse(CScanner& scan) const override;
    CParseRule* Clone() const override { return new CLineEndRule(*this); }
};

// Base of the rules made of parts.
class CCompositeRule : public CParseRule
{
public:
    CCompositeRule() {}
    CCompositeRule(const CCompositeRule& other);
    CCompositeRule& operator=(const CCompositeRule&) = delete;
    CCompositeRule& Add(ParseRulePtr part)
    {
        m_Parts.push_back(std::move(part));
        return *this;
    }

protected:
    std::vector<ParseRulePtr> m_Parts;
};

// All parts one after another; the length is the sum. Fails as a whole.
class CSequenceRule : public CCompositeRule
{
public:
    ptrdiff_t Parse(CScanner& scan) const override;
    CParseRule* Clone() const override { return new CSequenceRule(*this); }
};

// The first part that matches.
class CAlternativeRule : public CCompositeRule
{
public:
    ptrdiff_t Parse(CScanner& scan) const override;
    CParseRule* Clone() const override { return new CAlternativeRule(*this); }
};

// Its part zero or more times, as often as it matches; never fails. An empty
// match ends the repetition (it would repeat forever).
class CKleeneStarRule : public CParseRule
{
public:
    explicit CKleeneStarRule(ParseRulePtr part) : m_pPart(std::move(part)) {}
    CKleeneStarRule(const CKleeneStarRule& other) : m_pPart(other.m_pPart->Clone()) {}
    ptrdiff_t Parse(CScanner& scan) const override;
    CParseRule* Clone() const override { return new CKleeneStarRule(*this); }

private:
    ParseRulePtr m_pPart;
};

// Its part; on a match calls the function with the matched text's first
// position and the position just past its last character.
class CActionRule : public CParseRule
{
public:
    typedef std::function<void(const char* first, const char* last)> Function;
    CActionRule(ParseRulePtr part, Function fn) : m_pPart(std::move(part)), m_Fn(std::move(fn)) {}
    CActionRule(const CActionRule& other) : m_pPart(other.m_pPart->Clone()), m_Fn(other.m_Fn) {}
    ptrdiff_t Parse(CScanner& scan) const override;
    CParseRule* Clone() const override { return new CActionRule(*this); }

private:
    ParseRulePtr m_pPart;
    Function m_Fn;
};

// A named rule: holds its parser, which may be set after other rules took a
// reference to it. A rule without a parser never matches.
class CRule : public CParseRule
{
public:
    CRule() {}
    explicit CRule(ParseRulePtr parser) : m_pParser(std::move(parser)) {}
    CRule(const CRule& other) : m_pParser(other.m_pParser ? other.m_pParser->Clone() : nullptr) {}
    CRule& operator=(ParseRulePtr parser)
    {
        m_pParser = std::move(parser);
        return *this;
    }
    ptrdiff_t Parse(CScanner& scan) const override;
    CParseRule* Clone() const override { return new CRule(*this); }

private:
    ParseRulePtr m_pParser;
};

// Whatever the referenced named rule matches.
class CRuleRef : public CParseRule
{
public:
    explicit CRuleRef(const CRule& rule) : m_pRule(&rule) {}
    ptrdiff_t Parse(CScanner& scan) const override;
    CParseRule* Clone() const override { return new CRuleRef(*this); }

private:
    const CRule* m_pRule;
};

// Shorthands for building grammars.
namespace parserules
{
inline ParseRulePtr Ch(char c)
{
    return std::make_unique<CCharRule>(c);
}
inline ParseRulePtr Ch2(char a, char b)
{
    return std::make_unique<CTwoCharRule>(a, b);
}
inline ParseRulePtr Str(const std::string& s)
{
    return std::make_unique<CStringRule>(s);
}
inline ParseRulePtr Class(CCharClassRule::EClass c)
{
    return std::make_unique<CCharClassRule>(c);
}
inline ParseRulePtr AnyChar()
{
    return std::make_unique<CAnyCharRule>();
}
inline ParseRulePtr LineEnd()
{
    return std::make_unique<CLineEndRule>();
}
inline ParseRulePtr Star(ParseRulePtr p)
{
    return std::make_unique<CKleeneStarRule>(std::move(p));
}
inline ParseRulePtr Action(ParseRulePtr p, CActionRule::Function fn)
{
    return std::make_unique<CActionRule>(std::move(p), std::move(fn));
}
inline ParseRulePtr Ref(const CRule& r)
{
    return std::make_unique<CRuleRef>(r);
}
template <class... Parts> ParseRulePtr Seq(Parts... parts)
{
    auto r = std::make_unique<CSequenceRule>();
    (r->Add(std::move(parts)), ...);
    return r;
}
template <class... Parts> ParseRulePtr Alt(Parts... parts)
{
    auto r = std::make_unique<CAlternativeRule>();
    (r->Add(std::move(parts)), ...);
    return r;
}
} // namespace parserules
