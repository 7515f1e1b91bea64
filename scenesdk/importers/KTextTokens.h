#pragma once

// KTextTokens: the blank-separated tokens of one line of a text format
// (blanks: space, tab, vertical tab, form feed). A view over the line: it
// copies nothing and stays valid as long as the line does.

#include <string>
#include <string_view>

namespace scenesdk
{

class KTextTokens
{
public:
    explicit KTextTokens(std::string_view line) : mRest(line) {}

    static bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f'; }

    // The next token; false (token empty) when none is left.
    bool Next(std::string_view& token)
    {
        size_t i = 0;
        while (i < mRest.size() && IsBlank(mRest[i]))
            ++i;
        size_t j = i;
        while (j < mRest.size() && !IsBlank(mRest[j]))
            ++j;
        token = mRest.substr(i, j - i);
        mRest.remove_prefix(j);
        return !token.empty();
    }
    // What is left of the line, without leading and trailing blanks (names
    // that may contain spaces).
    std::string_view Rest() const
    {
        std::string_view rest = mRest;
        while (!rest.empty() && IsBlank(rest.front()))
            rest.remove_prefix(1);
        while (!rest.empty() && IsBlank(rest.back()))
            rest.remove_suffix(1);
        return rest;
    }
    bool AtEnd() const { return Rest().empty(); }

    // Keywords of the text formats: two words equal but for the letter case
    // of A-Z (other bytes compare as they are, whatever the locale).
    static char LowerChar(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
    static bool Same(std::string_view a, std::string_view b)
    {
        if (a.size() != b.size())
            return false;
        for (size_t i = 0; i < a.size(); ++i)
            if (LowerChar(a[i]) != LowerChar(b[i]))
                return false;
        return true;
    }
    static bool StartsWith(std::string_view text, std::string_view word)
    {
        return text.size() >= word.size() && Same(text.substr(0, word.size()), word);
    }
    static std::string Lower(std::string_view text)
    {
        std::string out(text);
        for (char& c : out)
            c = LowerChar(c);
        return out;
    }
    // The start of a token quoted in a message (a file's token may be long).
    static std::string Clip(std::string_view text, size_t most = 40)
    {
        return std::string(text.substr(0, most));
    }

private:
    std::string_view mRest;
};

} // namespace scenesdk
