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

    // The value of key as a decimal number (the C library's conversion:
    // leading blanks, a sign, a fraction, an exponent; blanks may follow the
    // number, nothing else may) that lies within [min, max]. False, number
    // untouched, when the key is missing, its value is no such number or it
    // lies outside (not a number and the infinities always do).
    bool GetNumber(const std::string& section, const std::string& key, double min, double max,
                   double& number);
    // As GetNumber, for a whole number.
    bool GetWholeNumber(const std::string& section, const std::string& key, long min, long max, long& number);
    // Whether the loaded file has a section of that name.
    bool HasSection(const std::string& section) const;

    const std::string& GetFileName() const { return m_FileName; }
    const CSettingsStore& GetStore() const { return *m_pStore; }

private:
    static CSettings* s_pInstance;

    CSettingsStore* m_pStore; // owned
    std::string m_FileName;
};
