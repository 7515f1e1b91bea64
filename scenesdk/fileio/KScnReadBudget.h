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
// Nodes are the costly part: a scene node with its properties takes some 10
// KB, where the file may name one in a few bytes. The node budgets below
// allow about 10 to 20 KB of nodes per KB of file plus a base of 40 to 100
// MB, so that a read stays within 256 MB plus 40 times its file. What a
// read makes besides nodes is weighed in nodes' worth (KScnReadCost) and
// held to the same budgets.

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

// What one read asks to make, counted by kind before any of it is made and
// weighed in nodes' worth (a node is 1), so that a file naming many of
// something cheaper than a node, or a product of two counts (takes on every
// object, links of every cluster on every mesh), is held to the same node
// budget. The weights are what each costs, measured by bench/NodeMemory.cpp
// (Release, heap in use per object added; a null model about 10.1 KB):
//
//   take records      takes x the objects that get them: a record about 240
//                     bytes, and as much again for what first reads of a
//                     take may make (0.05)
//   characters        an empty character about 290 KB (29)
//   character poses   a pose with its private scene about 680 KB (67); the
//                     pose's models count as nodes besides
//   skins, clusters   about 2.4 KB each, 3.3 KB at the peak (0.3)
//   links             clusters x the meshes their skin deforms: about 940
//                     bytes each (0.1)
//   materials         about 13.7 KB (1.35); textures about 11.9 KB (1.2),
//                     videos as textures
//   user property takes  user properties x takes: about 450 bytes once the
//                     take's channel is used (0.045)
//   channels          a column of channel motion (MOV): about 3.4 KB (0.35)
struct KScnReadCost
{
    enum EKind
    {
        eNodes,
        eTakeRecords,
        eCharacters,
        eCharacterPoses,
        eDeformers,
        eLinks,
        eMaterials,
        eTextures,
        eVideos,
        eUserPropertyTakes,
        eChannels,
        eKindCount
    };
    static const double kWeights[eKindCount];
    // As named in a refusal: "nodes", "take records (takes x objects)", ...
    static const char* const kNames[eKindCount];

    uint64_t mCounts[eKindCount] = {};

    // Adds count (saturating at KScnReadBudget::kMaxCount).
    void Add(EKind kind, uint64_t count);
    // a x b of a kind (takes x owners), saturating.
    void AddProduct(EKind kind, uint64_t a, uint64_t b);
    // The weighed total, in nodes' worth.
    double Total() const;

    // True when the total is within the budget of fileSize; else false with
    // why. When nodes alone are counted: "the file makes <n> nodes, more
    // than the <m> allowed for a file of its size (<option> raises it)";
    // otherwise the kind weighing most is named: "the file makes <n> <kind>
    // (as costly as <c> nodes, <t> with the rest), more than the <m> ...".
    bool Check(const KScnReadBudget& budget, size_t fileSize, double scale, const char* option,
               std::string& why) const;
};

} // namespace scenesdk
