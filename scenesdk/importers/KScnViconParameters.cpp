#include "scenesdk/importers/KScnViconParameters.h"

#include <cmath>
#include <cstdlib>

namespace scenesdk
{

std::string KScnViconParameters::Upper(const char* text, size_t length)
{
    std::string name(text, length);
    for (char& c : name)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return name;
}

std::string KScnViconParameters::Key(int group, const std::string& name)
{
    return std::to_string(group) + ":" + name;
}

bool KScnViconParameters::Walk(const char* bytes, size_t size, int processor, size_t start, std::string& why)
{
    mBytes = bytes;
    mSize = size;
    mProcessor = processor;
    mRecords = 0;
    mGroups.clear();
    mParameters.clear();
    const KScnViconNumbers numbers(bytes, processor);
    size_t at = start;
    while (at <= size && size - at >= 2)
    {
        const int nameLength = std::abs(static_cast<int>(static_cast<signed char>(bytes[at])));
        const int id = static_cast<signed char>(bytes[at + 1]);
        if (nameLength == 0)
            break;
        const std::string where = "parameter record at byte " + std::to_string(at);
        if (++mRecords > kMaxRecords)
        {
            why = "more than " + std::to_string(kMaxRecords) + " parameter records";
            return false;
        }
        if (size - at < 4 + static_cast<size_t>(nameLength))
        {
            why = where + " passes the end of the file";
            return false;
        }
        const std::string name = Upper(bytes + at + 2, nameLength);
        const size_t link = at + 2 + nameLength;
        const int next = numbers.I16(link);
        if (id == 0)
        {
            why = where + " (" + name + ") names group 0";
            return false;
        }
        if (id < 0)
            mGroups.emplace(name, -id);
        else if (!ReadParameter(link + 2, id, name, why))
            return false;
        if (next == 0)
            break;
        if (next < 0)
        {
            why = where + " (" + name + ") points back to byte " + std::to_string(int64_t(link) + next);
            return false;
        }
        if (static_cast<size_t>(next) > size - link)
        {
            why = where + " (" + name + ") points past the end of the file";
            return false;
        }
        at = link + static_cast<size_t>(next);
    }
    return true;
}

bool KScnViconParameters::ReadParameter(size_t at, int group, const std::string& name, std::string& why)
{
    if (mSize - at < 2)
    {
        why = "parameter " + name + " passes the end of the file";
        return false;
    }
    SParameter p;
    p.mGroup = group;
    p.mType = static_cast<signed char>(mBytes[at]);
    p.mDimensionCount = static_cast<unsigned char>(mBytes[at + 1]);
    if (p.mType != -1 && p.mType != 1 && p.mType != 2 && p.mType != 4)
    {
        why = "parameter " + name + " has data type " + std::to_string(p.mType);
        return false;
    }
    if (p.mDimensionCount > 7)
    {
        why = "parameter " + name + " has " + std::to_string(p.mDimensionCount) + " dimensions";
        return false;
    }
    if (mSize - at - 2 < static_cast<size_t>(p.mDimensionCount))
    {
        why = "parameter " + name + " passes the end of the file";
        return false;
    }
    // At most 255^7 elements of 4 bytes: no overflow in 64 bits.
    for (int d = 0; d < p.mDimensionCount; ++d)
    {
        p.mDimensions[d] = static_cast<unsigned char>(mBytes[at + 2 + d]);
        p.mCount *= static_cast<uint64_t>(p.mDimensions[d]);
    }
    p.mData = at + 2 + p.mDimensionCount;
    const uint64_t bytes = p.mCount * static_cast<uint64_t>(std::abs(p.mType));
    if (bytes > mSize - p.mData)
    {
        why =
            "data of parameter " + name + " (" + std::to_string(bytes) + " bytes) passes the end of the file";
        return false;
    }
    mParameters.emplace(Key(group, name), p);
    return true;
}

const KScnViconParameters::SParameter* KScnViconParameters::Find(const char* group, const char* name) const
{
    const auto g = mGroups.find(Upper(group, std::char_traits<char>::length(group)));
    if (g == mGroups.end())
        return nullptr;
    const auto p = mParameters.find(Key(g->second, Upper(name, std::char_traits<char>::length(name))));
    return p == mParameters.end() ? nullptr : &p->second;
}

double KScnViconParameters::Number(const SParameter& p, uint64_t index) const
{
    const KScnViconNumbers numbers(mBytes, mProcessor);
    const size_t at = p.mData + static_cast<size_t>(index) * static_cast<size_t>(std::abs(p.mType));
    if (p.mType == 1)
        return static_cast<signed char>(mBytes[at]);
    if (p.mType == 2)
        return numbers.I16(at);
    return numbers.F32(at);
}

bool KScnViconParameters::GetInteger(const char* group, const char* name, uint64_t index, int64_t& value,
                                     bool asUnsigned) const
{
    const SParameter* p = Find(group, name);
    if (p == nullptr || p->mType == -1 || index >= p->mCount)
        return false;
    if (p->mType == 2 && asUnsigned)
    {
        value = KScnViconNumbers(mBytes, mProcessor).U16(p->mData + static_cast<size_t>(index) * 2);
        return true;
    }
    const double number = Number(*p, index);
    // Whole numbers only, inside what a frame or block count can be.
    if (!(std::fabs(number) < 9.0e15) || number != std::floor(number))
        return false;
    value = static_cast<int64_t>(number);
    return true;
}

bool KScnViconParameters::GetFloat(const char* group, const char* name, uint64_t index, double& value) const
{
    const SParameter* p = Find(group, name);
    if (p == nullptr || p->mType == -1 || index >= p->mCount)
        return false;
    value = Number(*p, index);
    return true;
}

std::vector<std::string> KScnViconParameters::GetStrings(const char* group, const char* name,
                                                         size_t limit) const
{
    std::vector<std::string> strings;
    const SParameter* p = Find(group, name);
    if (p == nullptr || p->mType != -1)
        return strings;
    const uint64_t length = p->mDimensionCount > 0 ? static_cast<uint64_t>(p->mDimensions[0]) : 1;
    const uint64_t count = length > 0 ? p->mCount / length : 0;
    for (uint64_t i = 0; i < count && strings.size() < limit; ++i)
    {
        const char* text = mBytes + p->mData + static_cast<size_t>(i * length);
        size_t begin = 0;
        size_t end = static_cast<size_t>(length);
        while (end > begin && (text[end - 1] == ' ' || text[end - 1] == '\0'))
            --end;
        while (begin < end && text[begin] == ' ')
            ++begin;
        strings.emplace_back(text + begin, end - begin);
    }
    return strings;
}

} // namespace scenesdk
