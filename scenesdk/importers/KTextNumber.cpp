#include "scenesdk/importers/KTextNumber.h"

#include <charconv>
#include <cstdint>
#include <cmath>
#include <limits>

namespace scenesdk
{

namespace
{

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// True when the text has the form of a decimal number that underflowed:
// its exponent is negative.
bool HasNegativeExponent(std::string_view text)
{
    const size_t e = text.find_first_of("eE");
    return e != std::string_view::npos && e + 1 < text.size() && text[e + 1] == '-';
}

// The plain decimals "123" and "12.345" of at most 15 digits, read without
// from_chars: the digits make an integer below 2^53 and a power of ten up to
// 10^15 is exact, so the one division rounds as from_chars does. False for
// any other form (the caller reads it the long way).
bool ToShortDecimal(std::string_view text, double& out)
{
    static const double kPowers[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                     1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    const size_t kMostDigits = 15;
    if (text.empty() || text.size() > kMostDigits + 1)
        return false;
    int64_t digits = 0;
    size_t point = text.size();
    for (size_t i = 0; i < text.size(); ++i)
    {
        const char c = text[i];
        if (IsDigit(c))
            digits = digits * 10 + (c - '0');
        else if (c == '.' && point == text.size() && i > 0 && i + 1 < text.size())
            point = i;
        else
            return false;
    }
    if (point == text.size() && text.size() > kMostDigits)
        return false;
    const size_t decimals = point == text.size() ? 0 : text.size() - point - 1;
    out = static_cast<double>(digits) / kPowers[decimals];
    return true;
}

} // namespace

bool KTextNumber::ToDouble(std::string_view text, double& out)
{
    bool negative = false;
    std::string_view body = text;
    // from_chars takes a minus but no plus.
    if (!body.empty() && body.front() == '+')
        body.remove_prefix(1);
    else if (!body.empty() && body.front() == '-')
    {
        negative = true;
        body.remove_prefix(1);
    }
    // Only digits or a point may follow the sign: this refuses "inf",
    // "nan", a second sign and hexadecimal forms.
    if (body.empty() || !(IsDigit(body.front()) || body.front() == '.'))
        return false;
    double value = 0.0;
    if (ToShortDecimal(body, value))
    {
        out = negative ? -value : value;
        return true;
    }
    const auto result =
        std::from_chars(body.data(), body.data() + body.size(), value, std::chars_format::general);
    if (result.ptr != body.data() + body.size())
        return false;
    if (result.ec == std::errc::result_out_of_range)
    {
        if (!HasNegativeExponent(body))
            return false;
        value = 0.0;
    }
    else if (result.ec != std::errc() || !std::isfinite(value))
        return false;
    out = negative ? -value : value;
    return true;
}

bool KTextNumber::ToInt64(std::string_view text, int64_t& out)
{
    std::string_view body = text;
    if (!body.empty() && body.front() == '+')
        body.remove_prefix(1);
    if (body.empty() ||
        !(IsDigit(body.front()) || (body.front() == '-' && body.size() > 1 && IsDigit(body[1]))))
        return false;
    int64_t value = 0;
    const auto result = std::from_chars(body.data(), body.data() + body.size(), value, 10);
    if (result.ec != std::errc() || result.ptr != body.data() + body.size())
        return false;
    out = value;
    return true;
}

bool KTextNumber::ToInt(std::string_view text, int& out)
{
    int64_t value = 0;
    if (!ToInt64(text, value) || value < std::numeric_limits<int>::min() ||
        value > std::numeric_limits<int>::max())
        return false;
    out = static_cast<int>(value);
    return true;
}

} // namespace scenesdk
