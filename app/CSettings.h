#pragma once

#include <cstdint>
#include <set>
#include <string>

class CSettingsStore;

// What a reader found wrong with a setting the game cannot do without: the
// section and key (an empty key: the section itself), what the value must
// be, and the line the reader logs where it reads the value.
struct SSettingsFault
{
    std::string section;
    std::string key;
    std::string need;    // "three numbers separated by ';'", "a TGA image that can be read", ...
    std::string logLine; // "Error: Couldn't get ..." as the reader words it

    void Set(const std::string& faultSection, const std::string& faultKey, const std::string& what,
             const std::string& line)
    {
        section = faultSection;
        key = faultKey;
        need = what;
        logLine = line;
    }
};

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
    // whatever follows the number, a unit or a " # comment", is ignored,
    // silently (a probe). False, number untouched, when the key is missing,
    // its value starts with no number, the number is not finite or it lies
    // outside [min, max].
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
    // takes its default. Text after the number other than blanks or a
    // comment is noted (NoteIgnoredText). A number past a limit is clamped
    // to it and logged (flag 1, once per load) as "StartMoney 100000 is more
    // than 99999; 99999 is used" (or "is less than"), naming the number as
    // written.
    bool GetLimitedNumber(const std::string& section, const std::string& key, const SNumberLimits& limits,
                          double& number);
    // A reader took the number of `numberLength` characters that starts
    // value (after its leading blanks): anything after it but blanks or a
    // comment ('#', ';' or "//" and what follows) is logged (flag 1, once
    // per load) as `BuildTime "2min": "min" after 2 is ignored`.
    void NoteIgnoredText(const std::string& key, const std::string& value, size_t numberLength);

    // The line of the file that GetValue reads key from (the first such key
    // in the first section of that name); 0 when there is none. With an
    // empty key, the section's own line.
    uint32_t GetLine(const std::string& section, const std::string& key) const;
    // Names a key for a message about it: `settings.ini line 45: [GAME]
    // SunDir = 0;0;0`, or `settings.ini has no "SunDir" in [GAME]` (no
    // section [GAME] at all: `settings.ini has no section [GAME]`).
    std::string DescribeKey(const std::string& section, const std::string& key) const;
    // DescribeKey of the fault's key, then what it needs.
    std::string DescribeFault(const SSettingsFault& fault) const;
    // Whether the loaded file has a section of that name.
    bool HasSection(const std::string& section) const;

    const std::string& GetFileName() const { return m_FileName; }
    const CSettingsStore& GetStore() const { return *m_pStore; }

private:
    static CSettings* s_pInstance;

    // Logs the line (flag 1) unless this load logged it already.
    void LogOnce(const std::string& line);

    CSettingsStore* m_pStore; // owned
    std::string m_FileName;
    std::set<std::string> m_LoggedNotes;
};
