#pragma once

// KScnReadMeter: what one read makes, counted in bytes as it is made, held
// to a budget of the read's file size. A count made before the read
// (KScnReadCost) refuses files that plainly ask for too much; the meter
// holds every read to the budget whatever the file asks for, also where
// nobody could list the cost beforehand (time warps baked over long spans,
// layers merged, takes given to what earlier reads brought, trees copied
// when a take is written).
//
// A reader makes one meter around the read of a file (ReadScene of the
// scene reader and of every foreign reader); while it lives it meters what
// the reading thread makes, in the few places where memory or work grows
// with what a file names: objects with their property sets, properties and
// user properties, take records, channel nodes and curves (of take trees
// and of their copies), keys, connections, use records, and the samples
// the import passes evaluate (work, as bytes' worth: kSampleBytes each).
// Those places call Charge (or Count where a failure cannot be thrown
// through: allocations the code handles as null); with no meter on the
// thread they do nothing. Keys freed while the read runs are credited back
// (Credit): the meter weighs what the read holds at each moment, and a
// refusal comes as soon as that passes the budget.
//
// Charge throws KScnReadOverBudget once the bytes charged pass the budget
// (and every later Charge or Check of that meter throws again, so a place
// that swallows a failure does not hide it). The reader catches it like
// std::bad_alloc: the read fails with error 0 "File is corrupted", the
// scene taken back to what it was (KScnReadUndo), and the status text
// names what grew as the budget ran out: "the read would make more than its budget of 260 MB
// allows for a file of this size: time-warp samples;
// KStreamOptionsScn::mBudgetScale raises it". The exception never leaves
// the scene SDK.
//
// The budget: kBaseBytes plus kBytesPerFileByte per byte of the file
// (kSceneBytesPerFileByte for a scene file; its side files, an OBJ's
// material libraries or an AMC's skeleton, counted once each), times the
// read options' mBudgetScale. What the meter does
// not see (the process itself, the file's bytes and what a reader parses
// of them) stays within the rest of the aim: 256 MB plus 40 times the
// file's size for a read and its use.
//
// Threads: a meter belongs to the thread that made it (one manager per
// thread); a meter made while another is on the thread leaves the first in
// charge.

#include <cstdint>
#include <exception>
#include <string>
#include <unordered_set>

namespace scenesdk
{

class KScnReadOverBudget : public std::exception
{
public:
    explicit KScnReadOverBudget(std::string reason) : mReason(std::move(reason)) {}
    const char* what() const noexcept override { return mReason.c_str(); }

private:
    std::string mReason;
};

class KScnReadMeter
{
public:
    enum EKind
    {
        eObjects,        // objects (nodes, attributes, materials, ...) themselves
        eProperties,     // properties of property sets, declared and dynamic
        eUserProperties, // user properties
        eTakes,          // take records (a take of one object)
        eChannels,       // channel nodes of take trees and their copies
        eCurves,         // curves
        eKeys,           // keys
        eConnections,    // connections between objects
        eUseRecords,     // use records of the scene's members
        eWarpSamples,    // samples of curves baked under time warps (work)
        eMergeSamples,   // samples of layer stacks merged (work)
        eKindCount
    };
    // As a refusal names them: "objects", "time-warp samples", ...
    static const char* const kNames[eKindCount];

    // What each thing made weighs, in bytes: its heap with the allocator's
    // overhead and the records it brings along (a handle, a list entry, a
    // name), measured by bench/NodeMemory.cpp.
    static constexpr uint64_t kObjectBytes = 512;       // an object or property set itself
    static constexpr uint64_t kPropertyBytes = 136;     // a property with its value and name
    static constexpr uint64_t kPropertySideBytes = 256; // a property's bound accessors
    static constexpr uint64_t kUserPropertyBytes = 384; // a user property's record
    static constexpr uint64_t kTakeRecordBytes = 112;   // a take of one object, sharing its tree
    static constexpr uint64_t kTakeNameBytes = 56;      // a take's name in its object's index of them
    static constexpr uint64_t kChannelBytes = 320;      // a channel node with its name record
    static constexpr uint64_t kCurveBytes = 192;        // a curve without keys
    static constexpr uint64_t kKeyBytes = 48;           // a key
    static constexpr uint64_t kConnectionBytes = 96;    // a connection, on both ends
    static constexpr uint64_t kUseRecordBytes = 192;    // a scene member's use record, name indexed
    // Objects that hold more than their properties and channels show:
    static constexpr uint64_t kCharacterSetsBytes = 128ull << 10; // a character's control set and solver
    static constexpr uint64_t kDeformerBytes = 1536;              // a skin or cluster's tables
    static constexpr uint64_t kLinkBytes = 832;                   // a cluster's link on a mesh

    // A name copied into what is made weighs its length besides (the fixed
    // weights above hold a short one): the bytes of text, 0 for null.
    static uint64_t NameBytes(const char* text);

    // A budget of kBaseBytes plus kBytesPerFileByte per byte of the file;
    // kSceneBytesPerFileByte for a scene file, whose read holds little
    // besides what it makes (its bytes and their parse, some 5 times its
    // size, where a foreign reader's parse may hold 25 times its file).
    static constexpr uint64_t kBaseBytes = 160ull << 20;
    static constexpr uint64_t kBytesPerFileByte = 16;
    static constexpr uint64_t kSceneBytesPerFileByte = 32;
    // What one sample of an import pass weighs: the work of evaluating and
    // writing it, as bytes' worth (about 0.1 us each, so that a budget of
    // work takes seconds, not minutes).
    static constexpr uint64_t kSampleBytes = 48;

    // The budget of a file of fileBytes bytes times scale (a scale that is
    // not a number above 0 counts as 1), perFileByte bytes a byte of it.
    static uint64_t Budget(uint64_t fileBytes, double scale, uint64_t perFileByte = kBytesPerFileByte);

    // Starts metering this thread's reads (unless a meter already does):
    // optionsClass names the options whose mBudgetScale raises the budget
    // in a refusal ("KStreamOptionsScn").
    KScnReadMeter(uint64_t fileBytes, double scale, const char* optionsClass,
                  uint64_t perFileByte = kBytesPerFileByte);
    ~KScnReadMeter();
    KScnReadMeter(const KScnReadMeter&) = delete;
    KScnReadMeter& operator=(const KScnReadMeter&) = delete;

    // The meter of this thread's read, or null.
    static KScnReadMeter* Current();

    // Adds bytes of a kind to the meter of this thread's read; throws
    // KScnReadOverBudget when the meter is past its budget (but not while
    // an exception unwinds the read: a destructor's Charge never throws).
    static void Charge(EKind kind, uint64_t bytes);
    // The same, for places that cannot throw: the next Charge or Check
    // throws.
    static void Count(EKind kind, uint64_t bytes) noexcept;
    // Takes back bytes of a kind the read has freed (keys of a curve
    // replaced by a filter's copy): the meter holds what the read holds.
    // Never below 0 for a kind (what was made before the read is not
    // charged, so its freeing is not credited past what the kind holds).
    static void Credit(EKind kind, uint64_t bytes) noexcept;
    // Throws when the meter of this thread's read is past its budget.
    static void Check();
    // Names the options class of this thread's read in its refusal (a
    // foreign reader's own kind, once it knows it).
    static void SetOptionsClass(const char* optionsClass);
    // Notes what the read's early count (KScnReadCost) weighed, a lower
    // bound of what the meter charges at its peak (the largest noted).
    static void NoteCounted(uint64_t bytes);
    // For a read whose early count sees nearly all it makes (a scene
    // file's), room above what was counted: the budget becomes at least
    // kCountedRoom times the count noted, as far as kCountedBytesPerFileByte
    // bytes a byte of the file (and the base, times the scale) allow.
    static constexpr double kCountedRoom = 1.25;
    static constexpr uint64_t kCountedBytesPerFileByte = 36;
    static void AllowCounted();
    // Raises the budget by a side file of the read (an OBJ's material
    // library, an AMC's skeleton), each path counted once.
    static void AddSideFile(const std::string& path, uint64_t bytes);

    // What the last meter of this thread held when it ended (a test's or a
    // benchmark's view of a read done; zeros before any).
    struct SFigures
    {
        uint64_t mBudget = 0;
        uint64_t mUsed = 0;
        uint64_t mPeak = 0;    // the most the meter held at once
        uint64_t mCounted = 0; // what the early count weighed (NoteCounted)
        uint64_t mCharged[eKindCount] = {};
    };
    static const SFigures& Last();

    // Bytes as a refusal shows them, in MB: one decimal below 10 MB, whole
    // above; a cost rounded up, a budget down (so that a cost shown is never
    // at or below the budget it passed because of rounding alone).
    static std::string Megabytes(double bytes, bool roundUp);

    uint64_t GetBudget() const { return mBudget; }
    uint64_t GetUsed() const { return mUsed; }
    uint64_t GetCharged(EKind kind) const { return mCharged[kind]; }
    // Past the budget at any moment of the read (keys credited since do not
    // take it back).
    bool IsOver() const { return mPeak > mBudget; }
    // The refusal: "the read would make more than its budget of <n> MB
    // allows for a file of this size: <kind>; <optionsClass>::mBudgetScale
    // raises it", naming the kind whose charge took the meter past its
    // budget (what grew as the budget ran out).
    std::string Reason() const;

private:
    void Add(EKind kind, uint64_t bytes) noexcept;

    uint64_t mFileBytes = 0;
    double mScale = 1.0;
    uint64_t mPerFileByte = kBytesPerFileByte;
    uint64_t mBudget = 0;
    uint64_t mUsed = 0;
    uint64_t mPeak = 0;
    uint64_t mCounted = 0;
    uint64_t mCountedFloor = 0; // the budget AllowCounted gave
    uint64_t mCharged[eKindCount] = {};
    EKind mPassedBy = eObjects;
    std::string mOptionsClass;
    std::unordered_set<std::string> mSideFiles;
    bool mInstalled = false;
};

} // namespace scenesdk
