#pragma once

// KTextNumber: strict, locale-independent number parsing for the text
// formats. The whole text must be the number: "1x", "", "nan", "inf", a
// value out of the type's range ("1e999", "99999999999" as an int) are all
// refused (false, out unchanged), never read as 0. Decimal only: an optional
// sign, digits, an optional fraction and exponent (".5", "-1.", "1e-3").
// A decimal too small for a double (1e-999) reads as zero of its sign.

#include <cstdint>
#include <string_view>

namespace scenesdk
{

class KTextNumber
{
public:
    static bool ToDouble(std::string_view text, double& out);
    static bool ToInt64(std::string_view text, int64_t& out);
    static bool ToInt(std::string_view text, int& out);
};

} // namespace scenesdk
