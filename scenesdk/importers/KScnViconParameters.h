#pragma once

// KScnViconParameters: the parameter section of a C3D file: a chain of
// group and parameter records, each giving the offset of the next. Walk
// follows the chain from the section's first record to a record with a zero
// name length, a zero offset or the end of the file, and keeps where each
// parameter's data lies (no data is copied). Groups and parameters come in
// any order; names compare in any letter case.
//
// Refused (Walk false, why set): a record whose name, offset, type,
// dimensions or data pass the end of the file; a data type other than -1
// (character), 1, 2 or 4 bytes; more than 7 dimensions; an offset pointing
// back to or before its record; group number 0; more than kMaxRecords
// records. Every record is looked at once, so the walk is linear in the
// file's size; lookups cost one hash search.
//
// Values: GetInteger takes an element of an integer parameter (1 or 2
// bytes, signed unless asked; a whole number stored as a float is taken too), GetFloat of any
// numeric one, GetStrings the strings of a character array (its first
// dimension is their length) without trailing spaces and NULs. All false
// (or empty) for a missing parameter, an element past its data or a value
// of the wrong kind.

#include "scenesdk/importers/KScnViconNumbers.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace scenesdk
{

class KScnViconParameters
{
public:
    static constexpr int kMaxRecords = 10000;

    struct SParameter
    {
        int mGroup = 0;
        int mType = 0; // -1 character, 1, 2 or 4 bytes
        int mDimensionCount = 0;
        int mDimensions[7] = {};
        size_t mData = 0;    // offset in the file
        uint64_t mCount = 1; // elements (bytes for characters)
    };

    // bytes: the whole file; start: offset of the section's first record.
    bool Walk(const char* bytes, size_t size, int processor, size_t start, std::string& why);

    // Null when the group or the parameter is missing.
    const SParameter* Find(const char* group, const char* name) const;
    // asUnsigned: a 2-byte value is read as 0..65535 (counts and block
    // numbers that writers store past 32767).
    bool GetInteger(const char* group, const char* name, uint64_t index, int64_t& value,
                    bool asUnsigned = false) const;
    bool GetFloat(const char* group, const char* name, uint64_t index, double& value) const;
    // At most limit strings (the rest are not decoded).
    std::vector<std::string> GetStrings(const char* group, const char* name, size_t limit) const;

    int GetRecordCount() const { return mRecords; }

private:
    bool ReadParameter(size_t at, int group, const std::string& name, std::string& why);
    static std::string Upper(const char* text, size_t length);
    static std::string Key(int group, const std::string& name);
    double Number(const SParameter& p, uint64_t index) const;

    const char* mBytes = nullptr;
    size_t mSize = 0;
    int mProcessor = KScnViconNumbers::eIntel;
    int mRecords = 0;
    std::unordered_map<std::string, int> mGroups;            // upper-case name -> number (the first)
    std::unordered_map<std::string, SParameter> mParameters; // "number:NAME" -> the first record
};

} // namespace scenesdk
