#pragma once

// KScnDxfKeyword: how DXF names and keywords compare. Entity types, section
// names and table names match without regard to case or surrounding blanks
// (some writers pad values or use mixed case); layer and block names are
// looked up by the same key.

#include "scenesdk/importers/KTextTokens.h"

#include <string>
#include <string_view>

namespace scenesdk
{

class KScnDxfKeyword
{
public:
    static std::string_view Trim(std::string_view text)
    {
        while (!text.empty() && KTextTokens::IsBlank(text.front()))
            text.remove_prefix(1);
        while (!text.empty() && KTextTokens::IsBlank(text.back()))
            text.remove_suffix(1);
        return text;
    }

    // True when text is keyword (upper case ASCII) up to case and blanks.
    static bool Is(std::string_view text, const char* keyword)
    {
        text = Trim(text);
        size_t i = 0;
        for (; i < text.size(); ++i)
            if (keyword[i] == '\0' || Upper(text[i]) != keyword[i])
                return false;
        return keyword[i] == '\0';
    }

    // The look-up key of a name: trimmed, upper case.
    static std::string Key(std::string_view name)
    {
        std::string key(Trim(name));
        for (char& c : key)
            c = Upper(c);
        return key;
    }

    // A name as shown in a message: at most 40 bytes.
    static std::string Shown(std::string_view text) { return std::string(text.substr(0, 40)); }

private:
    static char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }
};

} // namespace scenesdk
