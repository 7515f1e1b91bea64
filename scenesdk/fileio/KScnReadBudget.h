#pragma once

// KScnReadBudget: how much one read may make, scaled by the size of the file
// read, so that the memory and time of a read stay linear in its file. A
// reader counts what the file asks for (nodes, or points, corners and nodes
// in units of its own) before it makes any of it, and refuses the file
// when the count passes the budget.
//
// A budget is mBase plus mPerByte per byte of the file, at most mMost, times
// the scale a caller gives in the read options (KStreamOptionsScn's
// mBudgetScale: 2 doubles every budget of the read, to read a file that
// holds more than its size usually allows).
//
// Nodes are the costly part: a scene node with its properties and take
// records takes some 20 to 35 KB, where the file may name one in a few
// bytes. The node budgets below allow about 35 KB of nodes per KB of file
// plus a base, so that a read stays within 256 MB plus 40 times its file.

#include <cstddef>
#include <cstdint>
#include <string>

namespace scenesdk
{

struct KScnReadBudget
{
    double mBase = 0.0;
    double mPerByte = 0.0;
    double mMost = 0.0; // 0: no upper bound besides kMaxCount

    // No budget past this, whatever the scale.
    static constexpr uint64_t kMaxCount = uint64_t(1) << 62;

    // Nodes of a file of a foreign format: 4,000 plus one per KB.
    static const KScnReadBudget kForeignNodes;
    // Nodes of a scene file (which may hold many small models): 10,000 plus
    // one per 512 bytes.
    static const KScnReadBudget kSceneNodes;

    // What a file of fileSize bytes may make, times scale (a scale that is
    // not a number above 0 counts as 1).
    uint64_t Allowed(size_t fileSize, double scale = 1.0) const;

    // True when count is within the budget of fileSize; else false with why:
    // "the file makes <count> <what>, more than the <n> allowed for a file of
    // its size (<option> raises it)".
    bool Check(uint64_t count, const char* what, size_t fileSize, double scale, const char* option,
               std::string& why) const;
};

} // namespace scenesdk
