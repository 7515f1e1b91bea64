#pragma once

// KTextFile: the line reader shared by the text formats (OBJ, MTL, ASCII DXF,
// BVH, HTR, TRC, ASF, AMC, AOA, MOV). The whole file lies in memory: either
// read by Open (through the SDK's checked file reading, so only a regular
// file of bounded size is read; a FIFO or a device is refused) or attached
// from bytes someone else owns (Attach).
//
// NextLine hands out logical lines without their ending; \n, \r\n and a lone
// \r all end a line, mixed in one file. A UTF-8 byte-order mark at the start
// is skipped. Optionally a comment character cuts each physical line, and a
// physical line ending in a back-slash (after trailing blanks) continues on
// the next one (the back-slash and the line break become one space).
//
// Every logical line is capped (kDefaultMaxLineLength, SetMaxLineLength): a
// longer one, or an endless chain of continuations, stops the reading with
// Failed() set and a message naming the line. Time is linear in the file's
// size; the only allocation besides the file is the buffer of joined lines.
//
// Lines handed out stay valid until the next call of NextLine (joined lines)
// or until the file is closed (all others).

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace scenesdk
{

class KTextFile
{
public:
    static constexpr size_t kDefaultMaxLineLength = size_t(1) << 20;

    KTextFile() = default;
    KTextFile(const KTextFile&) = delete;
    KTextFile& operator=(const KTextFile&) = delete;

    // Reads the whole file. False with GetErrorId() (a reader error id: 3
    // "File not opened" for a missing or special file, 0 "File is corrupted"
    // for an oversized one) and GetError() set; nothing open then.
    bool Open(const char* path);
    // Reads bytes someone else keeps alive until Close (not copied).
    void Attach(const char* data, size_t size);
    void Close();
    bool IsOpen() const { return mOpen; }

    // The whole content (after a byte-order mark).
    std::string_view GetContent() const { return std::string_view(mData, mSize); }

    // '\0' (the default) for none.
    void SetCommentChar(char c) { mComment = c; }
    void SetJoinContinuations(bool on) { mJoin = on; }
    void SetMaxLineLength(size_t length) { mMaxLine = length; }

    // The next logical line; false at the end or when the reading failed
    // (see Failed). Empty lines are handed out too.
    bool NextLine(std::string_view& line);
    // Hands every line to read (a callable taking the line, false to stop)
    // until the end; false when read stops or the reading fails (Failed).
    template <class F> bool ForEachLine(F&& read)
    {
        std::string_view line;
        while (NextLine(line))
            if (!read(line))
                return false;
        return !Failed();
    }
    // 1-based number of the first physical line of the last line handed out.
    int GetLineNumber() const { return mLineNumber; }
    // The readers' form of a fault at a line: "line 12: reason".
    static std::string AtLine(int line, const std::string& reason);
    // Back to the first line; clears a failure.
    void Rewind();

    bool Failed() const { return !mError.empty() && mOpen; }
    const std::string& GetError() const { return mError; }
    int GetErrorId() const { return mErrorId; }

private:
    // The next physical line (ending removed, comment cut); false at the end
    // or (failure set) for a line over the cap.
    bool NextPhysical(std::string_view& line);
    bool Fail(const std::string& text);
    // Position of the next c at or after the read position (the size when
    // none), searched again only once the reading has passed the last one.
    size_t NextOf(char c, size_t& cache, bool& known) const;

    std::vector<char> mOwned;
    const char* mData = nullptr;
    size_t mSize = 0;
    size_t mPos = 0;
    mutable size_t mNextLF = 0, mNextCR = 0;
    mutable bool mLFKnown = false, mCRKnown = false;
    bool mOpen = false;
    char mComment = '\0';
    bool mJoin = false;
    size_t mMaxLine = kDefaultMaxLineLength;
    int mPhysical = 0;
    int mLineNumber = 0;
    std::string mJoined;
    std::string mError;
    int mErrorId = -1;
};

} // namespace scenesdk
