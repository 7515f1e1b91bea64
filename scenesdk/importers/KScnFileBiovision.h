#pragma once

// KScnFileBiovision: the content of a Biovision hierarchy (BVH) file, read
// from its text and checked: the joints (ROOT, JOINT and End Site blocks;
// several roots may follow each other) in file order, each with its parent,
// OFFSET and channels, and the motion: the frame time and the channel values
// of every frame (frame by frame, the channels in joint order).
//
// Reading: keywords in any letter case; a joint's name is the rest of its
// line (names may hold spaces; a "{" ending the line opens the block);
// numbers strict (KTextNumber: no NaN, no infinity); motion values a token
// stream, wrapped over lines as the writer liked; "Frames:" and "Frame
// Time:" with or without blanks around the colon.
//
// Refused (false, why "line N: reason"): no HIERARCHY; unbalanced braces;
// MOTION before any ROOT; the file ending inside the hierarchy or without
// MOTION; joints nested deeper than kMaxDepth or more than kMaxJoints of
// them; a name longer than kMaxNameLength; a CHANNELS count outside 0..6 or
// not followed by that many known channel names; a position channel twice in
// one joint; an End Site with channels or children; a joint without OFFSET
// or with two; a frame count negative or larger than the rest of the file
// can hold (each value needs at least a digit and a blank); a frame time not
// above 0; a value that is not a number; the last frame cut short.
// Accepted with a warning (GetWarnings): fewer whole frames than declared,
// values past the declared frames (ignored, unread), frames declared for a
// skeleton without channels.
//
// Time and memory are linear in the file: values are stored only after the
// frame count was checked against the bytes left, nesting is kept on an
// explicit stack.

#include "scenesdk/importers/KTextFile.h"
#include "scenesdk/importers/KTextTokens.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace scenesdk
{

struct KScnBvhJoint
{
    std::string mName; // empty for an End Site
    int mParent = -1;  // index among the joints, -1 for a root
    bool mEndSite = false;
    double mOffset[3] = {0.0, 0.0, 0.0};
    int mFirstChannel = 0; // its first value's place in a frame
    int mChannelCount = 0;
    // KScnFileBiovision::EChannel of each channel, in file order.
    unsigned char mChannels[6] = {0, 0, 0, 0, 0, 0};
};

class KScnFileBiovision
{
public:
    enum EChannel
    {
        eXposition = 0,
        eYposition,
        eZposition,
        eXrotation,
        eYrotation,
        eZrotation
    };

    static constexpr int kMaxDepth = 1000;
    // A scene node costs tens of kilobytes: real skeletons have a few hundred.
    static constexpr int kMaxJoints = 10000;
    static constexpr size_t kMaxNameLength = 1024;

    // Reads the text (not kept). On false the content must not be used.
    bool Read(const char* text, size_t size, std::string& why);
    // The same up to the motion's values (checked and counted as by Read:
    // GetFrameCount grows as they come), which ReadFrames then gives a run
    // of frames at a time; the text must stay until AtEnd. On false (from
    // either) the content must not be used.
    bool ReadHeader(const char* text, size_t size, std::string& why);
    // The next frames, at most frames of them, frame by frame into values
    // (emptied first); none once AtEnd, which the last run reaches.
    bool ReadFrames(int64_t frames, std::vector<double>& values, std::string& why);
    bool AtEnd() const { return mAtEnd; }

    const std::vector<KScnBvhJoint>& GetJoints() const { return mJoints; }
    int GetChannelCount() const { return mChannelCount; }
    // Whole frames read (at most the declared count).
    int64_t GetFrameCount() const { return mFrameCount; }
    int64_t GetDeclaredFrameCount() const { return mDeclaredFrames; }
    double GetFrameTime() const { return mFrameTime; }
    // Frame f's value of channel c: GetValues()[f * GetChannelCount() + c]
    // (after Read; ReadFrames leaves them empty).
    const std::vector<double>& GetValues() const { return mValues; }
    const std::vector<std::string>& GetWarnings() const { return mWarnings; }

private:
    bool Fail(const std::string& reason);
    bool NextToken(std::string_view& token);
    std::string_view RestOfLine();
    bool NextNonBlankLine(std::string_view& line);
    size_t BytesLeft() const;

    bool ReadHierarchy();
    bool ReadBlockStart(int parent, bool endSite);
    bool ReadOffset(KScnBvhJoint& joint, bool& seen);
    bool ReadChannels(KScnBvhJoint& joint, bool& seen);
    bool ReadMotion();
    bool ReadMotionHeader();
    bool CheckFrameCount();
    // Lets go of the text; on a failure why gets the reason. Returns ok.
    bool End(bool ok, std::string& why);

    KTextFile mText;
    std::string_view mLine;
    KTextTokens mTokens{std::string_view()};
    std::string mWhy;

    std::vector<KScnBvhJoint> mJoints;
    int mChannelCount = 0;
    int64_t mDeclaredFrames = 0;
    int64_t mFrameCount = 0;
    double mFrameTime = 0.0;
    std::vector<double> mValues;
    std::vector<std::string> mWarnings;
    bool mAtEnd = true;
};

} // namespace scenesdk
