#include "scenesdk/importers/KTextFile.h"

#include "scenesdk/fileio/KScn.h"

#include <algorithm>
#include <cstring>

namespace scenesdk
{

namespace
{

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\v' || c == '\f';
}

std::string_view TrimRight(std::string_view text)
{
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

} // namespace

bool KTextFile::Open(const char* path)
{
    Close();
    std::string status;
    int id = KScn::eFileNotOpened;
    if (!KScn::ReadFileBytes(path, mOwned, id, status))
    {
        mErrorId = id;
        mError = status;
        return false;
    }
    Attach(mOwned.data(), mOwned.size());
    return true;
}

void KTextFile::Attach(const char* data, size_t size)
{
    if (data != mOwned.data())
        mOwned.clear();
    mData = data != nullptr ? data : "";
    mSize = data != nullptr ? size : 0;
    if (mSize >= 3 && std::memcmp(mData, "\xEF\xBB\xBF", 3) == 0)
    {
        mData += 3;
        mSize -= 3;
    }
    mOpen = true;
    Rewind();
}

void KTextFile::Close()
{
    mOwned.clear();
    mOwned.shrink_to_fit();
    mData = nullptr;
    mSize = 0;
    mOpen = false;
    Rewind();
    mError.clear();
    mErrorId = -1;
}

void KTextFile::Rewind()
{
    mPos = 0;
    mLFKnown = false;
    mCRKnown = false;
    mPhysical = 0;
    mLineNumber = 0;
    mJoined.clear();
    mError.clear();
    mErrorId = -1;
}

std::string KTextFile::AtLine(int line, const std::string& reason)
{
    return "line " + std::to_string(line) + ": " + reason;
}

bool KTextFile::Fail(const std::string& text)
{
    mError = AtLine(mLineNumber, text);
    mErrorId = KScn::eFileCorrupted;
    mPos = mSize;
    return false;
}

size_t KTextFile::NextOf(char c, size_t& cache, bool& known) const
{
    // The position found last time holds while the reading has not passed
    // it: each byte is searched once, whatever the mix of line endings.
    if (!known || cache < mPos)
    {
        const void* at = std::memchr(mData + mPos, c, mSize - mPos);
        cache = at != nullptr ? size_t(static_cast<const char*>(at) - mData) : mSize;
        known = true;
    }
    return cache;
}

bool KTextFile::NextPhysical(std::string_view& line)
{
    if (mPos >= mSize)
        return false;
    const char* start = mData + mPos;
    const size_t lf = NextOf('\n', mNextLF, mLFKnown);
    const size_t cr = NextOf('\r', mNextCR, mCRKnown);
    // A carriage return before the newline ends the line early: either the
    // \r of \r\n or a line ended by \r alone.
    const size_t end = std::min(lf, cr);
    const size_t length = end - mPos;
    size_t next = end < mSize ? length + 1 : length;
    if (cr < lf && cr + 1 == lf)
        ++next;
    mPos += next;
    ++mPhysical;
    if (length > mMaxLine)
    {
        mLineNumber = mPhysical;
        return Fail("line longer than " + std::to_string(mMaxLine) + " bytes");
    }
    line = std::string_view(start, length);
    if (mComment != '\0')
    {
        const size_t at = line.find(mComment);
        if (at != std::string_view::npos)
            line = line.substr(0, at);
    }
    return true;
}

bool KTextFile::NextLine(std::string_view& line)
{
    if (!mOpen || !mError.empty())
        return false;
    std::string_view part;
    if (!NextPhysical(part))
        return false;
    mLineNumber = mPhysical;
    if (!mJoin || TrimRight(part).empty() || TrimRight(part).back() != '\\')
    {
        line = part;
        return true;
    }
    mJoined.clear();
    while (true)
    {
        const std::string_view trimmed = TrimRight(part);
        const bool more = !trimmed.empty() && trimmed.back() == '\\';
        const std::string_view body = more ? trimmed.substr(0, trimmed.size() - 1) : part;
        if (mJoined.size() + body.size() + 1 > mMaxLine)
            return Fail("continued line longer than " + std::to_string(mMaxLine) + " bytes");
        mJoined.append(body.data(), body.size());
        if (!more)
            break;
        mJoined.push_back(' ');
        if (!NextPhysical(part))
            break;
    }
    line = mJoined;
    return true;
}

} // namespace scenesdk
