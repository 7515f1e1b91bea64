#pragma once

// KTextTokens: the blank-separated tokens of one line of a text format
// (blanks: space, tab, vertical tab, form feed). A view over the line: it
// copies nothing and stays valid as long as the line does.

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

private:
    std::string_view mRest;
};

} // namespace scenesdk
