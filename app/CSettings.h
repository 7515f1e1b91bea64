#pragma once

#include <string>

class CSettingsStore;

// The program's settings, read once from "settings.ini" at start-up and
// unchanged until shutdown. One process-wide instance (CreateInstance /
// GetInstance / DestroyInstance); callers convert the value strings
// themselves.
class CSettings
{
public:
    CSettings();
    virtual ~CSettings();
    CSettings(const CSettings&) = delete;
    CSettings& operator=(const CSettings&) = delete;

    // Makes the instance while there is none (null when allocation fails)
    // and returns it.
    static CSettings* CreateInstance();
    static CSettings* GetInstance() { return s_pInstance; }
    // Deletes the instance, if any; the pointer is null after.
    static void DestroyInstance();

    // Reads and parses the file. On failure logs (flag 1)
    // "Error: Cannot open the "settings.ini" file !" or
    // "Error: Cannot parse the "settings.ini" file !" and returns false; the
    // texts name "settings.ini" whatever file was given.
    bool Load(const char* fileName);

    // The value of key in the first section of that name (both compared
    // exactly). False when the last load failed or the section is missing,
    // leaving value untouched; otherwise value receives the entry's value (""
    // when the key is missing) and the result is true when it is not empty.
    bool GetValue(const std::string& section, const std::string& key, std::string& value);

    // The leading number of key's value, as the C library's decimal
    // conversion reads it (leading blanks, a sign, a fraction, an exponent);
    // whatever follows the number, a unit or a " # comment", is ignored.
    // False, number untouched, when the key is missing, its value starts
    // with no number, the number is not finite or it lies outside
    // [min, max].
    bool GetNumber(const std::string& section, const std::string& key, double min, double max,
                   double& number);

    // What the game can show or hold of a number setting.
    struct SNumberLimits
    {
        double min;
        double max;
        bool whole;      // a count: the leading whole number (base 10)
        bool clampBelow; // below min: clamped (an amount) or refused (a count or time)
    };
    // The leading number of key's value (as GetNumber) kept within limits.
    // False, number untouched, when the key is missing, its value starts
    // with no number, the number is "nan" or "inf", or it lies below min
    // and clampBelow is off: the caller logs its "Couldn't get" line and
    // takes its default. A number past a limit is clamped to it and logged
    // (flag 1) as "StartMoney 100000 is more than 99999; 99999 is used" (or
    // "is less than"), naming the number as written.
    bool GetLimitedNumber(const std::string& section, const std::string& key, const SNumberLimits& limits,
                          double& number);
    // Whether the loaded file has a section of that name.
    bool HasSection(const std::string& section) const;

    const std::string& GetFileName() const { return m_FileName; }
    const CSettingsStore& GetStore() const { return *m_pStore; }

private:
    static CSettings* s_pInstance;

    CSettingsStore* m_pStore; // owned
    std::string m_FileName;
};
