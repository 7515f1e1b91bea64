#include "app/CParseRule.h"

ptrdiff_t CCharRule::Parse(CScanner& scan) const
{
    if (scan.AtEnd() || scan.Peek() != m_cChar)
        return -1;
    ++scan.Pos();
    return 1;
}

ptrdiff_t CTwoCharRule::Parse(CScanner& scan) const
{
    const char* p = scan.Pos();
    if (scan.End() - p < 2 || p[0] != m_cFirst || p[1] != m_cSecond)
        return -1;
    scan.Pos() += 2;
    return 2;
}

ptrdiff_t CStringRule::Parse(CScanner& scan) const
{
    const char* p = scan.Pos();
    const ptrdiff_t n = static_cast<ptrdiff_t>(m_Text.size());
    if (scan.End() - p < n || m_Text.compare(0, m_Text.size(), p, m_Text.size()) != 0)
        return -1;
    scan.Pos() += n;
    return n;
}

bool CCharClassRule::Test(EClass cls, unsigned char c)
{
    const bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
    const bool digit = c >= '0' && c <= '9';
    const bool printable = c >= 0x20 && c <= 0x7E;
    switch (cls)
    {
    case Letter:
        return letter;
    case LetterOrDigit:
        return letter || digit;
    case Punctuation:
        return printable && c != ' ' && !letter && !digit;
    case Printable:
        return printable;
    }
    return false;
}

ptrdiff_t CCharClassRule::Parse(CScanner& scan) const
{
    if (scan.AtEnd() || !Test(m_eClass, static_cast<unsigned char>(scan.Peek())))
        return -1;
    ++scan.Pos();
    return 1;
}

ptrdiff_t CAnyCharRule::Parse(CScanner& scan) const
{
    if (scan.AtEnd())
        return -1;
    ++scan.Pos();
    return 1;
}

ptrdiff_t CLineEndRule::Parse(CScanner& scan) const
{
    const char* start = scan.Pos();
    if (!scan.AtEnd() && scan.Peek() == '\r')
        ++scan.Pos();
    if (!scan.AtEnd() && scan.Peek() == '\n')
        ++scan.Pos();
    const ptrdiff_t n = scan.Pos() - start;
    return n > 0 ? n : -1;
}

CCompositeRule::CCompositeRule(const CCompositeRule& other) : CParseRule(other)
{
    m_Parts.reserve(other.m_Parts.size());
    for (const ParseRulePtr& p : other.m_Parts)
        m_Parts.emplace_back(p->Clone());
}

ptrdiff_t CSequenceRule::Parse(CScanner& scan) const
{
    const char* saved = scan.Pos();
    ptrdiff_t total = 0;
    for (const ParseRulePtr& p : m_Parts)
    {
        const ptrdiff_t n = p->Parse(scan);
        if (n < 0)
        {
            scan.Pos() = saved;
            return -1;
        }
        total += n;
    }
    return total;
}

ptrdiff_t CAlternativeRule::Parse(CScanner& scan) const
{
    const char* saved = scan.Pos();
    for (const ParseRulePtr& p : m_Parts)
    {
        const ptrdiff_t n = p->Parse(scan);
        if (n >= 0)
            return n;
        scan.Pos() = saved;
    }
    return -1;
}

ptrdiff_t CKleeneStarRule::Parse(CScanner& scan) const
{
    ptrdiff_t total = 0;
    for (;;)
    {
        const char* saved = scan.Pos();
        const ptrdiff_t n = m_pPart->Parse(scan);
        if (n < 0)
        {
            scan.Pos() = saved;
            break;
        }
        total += n;
        if (n == 0)
            break;
    }
    return total;
}

ptrdiff_t CActionRule::Parse(CScanner& scan) const
{
    const char* first = scan.Pos();
    const ptrdiff_t n = m_pPart->Parse(scan);
    if (n >= 0 && m_Fn)
        m_Fn(first, scan.Pos());
    return n;
}

ptrdiff_t CRule::Parse(CScanner& scan) const
{
    if (!m_pParser)
        return -1;
    return m_pParser->Parse(scan);
}

ptrdiff_t CRuleRef::Parse(CScanner& scan) const
{
    if (!scan.Enter())
        return -1;
    const ptrdiff_t n = m_pRule->Parse(scan);
    scan.Leave();
    return n;
}
