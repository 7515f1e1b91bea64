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
// Nodes are the costly part: a scene node with its properties takes some 11
// KB, where the file may name one in a few bytes. The node budgets below are
// the read's byte budget (KScnReadMeter) in nodes. What a read makes besides
// nodes is weighed in bytes (KScnReadCost) and held to the byte budget; the
// read's meter holds it there as it makes it.

#include "scenesdk/kernel/KScnReadMeter.h"

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

    // Nodes of a file of a foreign format, and of a scene file: the read's
    // byte budget (KScnReadMeter::Budget) in null models of 11 KB, 14,894
    // plus one per 704 bytes (a scene file: one per 352 bytes).
    static const KScnReadBudget kForeignNodes;
    static const KScnReadBudget kSceneNodes;

    // What a file of fileSize bytes may make, times scale (a scale that is
    // not a number above 0 counts as 1).
    uint64_t Allowed(size_t fileSize, double scale = 1.0) const;

    // True when count is within the budget of fileSize; else false with why:
    // "the file makes <count> <what>, more than its budget of <n> allows for a
    // file of this size; <option> raises it".
    bool Check(uint64_t count, const char* what, size_t fileSize, double scale, const char* option,
               std::string& why) const;
};

// What one read asks to make, counted by kind before any of it is made and
// weighed in bytes, held to the byte budget of the read's meter
// (KScnReadMeter::Budget: what the meter allows the whole read), so that a
// file that plainly asks for too much is refused before anything is made.
// The weights are what each costs as the meter charges it, measured by
// bench/NodeMemory.cpp (Release, per object added):
//
//   nodes             a null model with its properties: 11 KB
//   cameras, lights   a camera model 45 KB, a light model 23.5 KB
//   take records      takes x the objects that get them: 168 bytes (the
//                     take shares its object's tree; 56 of them are its name
//                     in the index of an object's many takes)
//   characters        an empty character: 288 KB
//   character poses   a pose with its private scene: 640 KB (its models count
//                     as nodes besides)
//   skins, clusters   2.7 KB each
//   links             clusters x the meshes their skin deforms: 950 bytes
//   materials         an OBJ or 3DS material: 14 KB; textures and videos 12 KB
//   user properties   1.1 KB each (with its channel in the tree its object's
//                     takes share), and 512 bytes for its channel in each
//                     take entry the file writes of its object
//   channels          a column of channel motion (MOV): 4 KB
//   shape channels    a channel of each shape in the tree its object's takes
//                     share, and in each take entry the file writes of the
//                     object (the entry copies the tree): 512 bytes
//   written takes     a take entry the file writes (its object's tree copied):
//                     7 KB
//   take trees        an object given its first take: its channels built,
//                     which its takes read until they are written, 6 KB
//   name bytes        a name copied into each thing that keeps it: a take's
//                     name into each of its records, a shape's or a user
//                     property's into its channel in the tree its object's
//                     takes share and in each entry written; 1 byte each
struct KScnReadCost
{
    enum EKind
    {
        eNodes,
        eCameras,
        eLights,
        eTakeRecords,
        eCharacters,
        eCharacterPoses,
        eDeformers,
        eLinks,
        eMaterials,
        eTextures,
        eVideos,
        eUserProperties,
        eUserPropertyCopies,
        eChannels,
        eShapeChannels,
        eWrittenTakes,
        eTakeTrees,
        eNameBytes,
        eKindCount
    };
    // Bytes each.
    static const double kWeights[eKindCount];
    // As named in a refusal: "nodes", "take records (takes x objects)", ...
    static const char* const kNames[eKindCount];

    uint64_t mCounts[eKindCount] = {};

    // Adds count (saturating at KScnReadBudget::kMaxCount).
    void Add(EKind kind, uint64_t count);
    // a x b of a kind (takes x owners), saturating.
    void AddProduct(EKind kind, uint64_t a, uint64_t b);
    // The weighed total, in bytes.
    double Total() const;

    // True when the total is within the read's budget (KScnReadMeter::Budget
    // of fileSize times scale); else false with why, naming the kind that
    // weighs most, its bytes and, when other kinds are counted too, the
    // total: "the file makes <n> <kind> (<c> MB[, <t> MB with the rest]),
    // more than its budget of <b> MB allows for a file of this size;
    // <optionsClass>::mBudgetScale raises it".
    // perFileByte: the meter's budget bytes a byte of the file
    // (KScnReadMeter::kSceneBytesPerFileByte for a scene file).
    bool Check(size_t fileSize, double scale, const char* optionsClass, std::string& why,
               uint64_t perFileByte = KScnReadMeter::kBytesPerFileByte) const;
};

} // namespace scenesdk
