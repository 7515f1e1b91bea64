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
    static std::string_view Trim(std::string_view text) { return KTextTokens(text).Rest(); }

    // True when text is keyword up to case and blanks.
    static bool Is(std::string_view text, const char* keyword)
    {
        return KTextTokens::Same(Trim(text), keyword);
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
    static std::string Shown(std::string_view text) { return KTextTokens::Clip(text); }

private:
    static char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }
};

} // namespace scenesdk
