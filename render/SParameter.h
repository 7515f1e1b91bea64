#pragma once

#include <memory>
#include <string>

// A named shader or material parameter. Only string values exist: type 2
// carries one, type 4 carries none. Copying a parameter that is not a string
// yields a parameter without value and logs a warning.
struct SParameter
{
    enum
    {
        TYPE_STRING = 2,
        TYPE_NONE = 4
    };

    // A parameter without value (type 4).
    SParameter();
    explicit SParameter(const std::string& name);
    // A string parameter (type 2).
    SParameter(const std::string& name, const std::string& value);
    SParameter(const SParameter& other);
    // Assigning a parameter to itself changes nothing.
    SParameter& operator=(const SParameter& other);
    // Moves hand the value over as it is, without the copy rules.
    SParameter(SParameter&& other) noexcept;
    SParameter& operator=(SParameter&& other) noexcept;
    ~SParameter();

    // Same name, type and value.
    bool operator==(const SParameter& other) const;
    bool operator!=(const SParameter& other) const { return !(*this == other); }

    std::string m_strName;
    int m_iType;
    // The string value when the type is 2, else null.
    std::unique_ptr<std::string> m_pValue;
};
