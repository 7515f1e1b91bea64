#include "scenesdk/fileio/KScnReadBudget.h"

#include <cmath>

namespace scenesdk
{

const KScnReadBudget KScnReadBudget::kForeignNodes = {4000.0, 1.0 / 1024.0, 0.0};
const KScnReadBudget KScnReadBudget::kSceneNodes = {10000.0, 1.0 / 512.0, 0.0};

uint64_t KScnReadBudget::Allowed(size_t fileSize, double scale) const
{
    if (!(scale > 0.0) || !std::isfinite(scale))
        scale = 1.0;
    double allowed = mBase + mPerByte * static_cast<double>(fileSize);
    if (mMost > 0.0 && allowed > mMost)
        allowed = mMost;
    allowed = std::floor(allowed * scale);
    return allowed >= static_cast<double>(kMaxCount) ? kMaxCount : static_cast<uint64_t>(allowed);
}

bool KScnReadBudget::Check(uint64_t count, const char* what, size_t fileSize, double scale,
                           const char* option, std::string& why) const
{
    const uint64_t allowed = Allowed(fileSize, scale);
    if (count <= allowed)
        return true;
    why = "the file makes " + std::to_string(count) + " " + what + ", more than the " +
          std::to_string(allowed) + " allowed for a file of its size (" + option + " raises it)";
    return false;
}

// Heap per object (bench/NodeMemory.cpp, Release) over a null model's 10.1 KB.
const double KScnReadCost::kWeights[eKindCount] = {
    1.0,   // nodes
    0.05,  // take records: 240 bytes, and as much again for first reads
    29.0,  // characters: 290 KB
    67.0,  // character poses: 680 KB with the private scene and its model
    0.3,   // skins and clusters: 2.4 KB (3.3 KB at the peak)
    0.1,   // links: 940 bytes
    1.35,  // materials: 13.7 KB
    1.2,   // textures: 11.9 KB
    1.2,   // videos: as textures
    0.045, // user property takes: 450 bytes once the take's channel is used
    0.35,  // channels: 3.4 KB
};

const char* const KScnReadCost::kNames[eKindCount] = {
    "nodes",
    "take records (takes x objects)",
    "characters",
    "character poses",
    "skins and clusters",
    "links (clusters x meshes)",
    "materials",
    "textures",
    "videos",
    "user property takes (user properties x takes)",
    "channels",
};

void KScnReadCost::Add(EKind kind, uint64_t count)
{
    uint64_t& total = mCounts[kind];
    total = count >= KScnReadBudget::kMaxCount - total ? KScnReadBudget::kMaxCount : total + count;
}

void KScnReadCost::AddProduct(EKind kind, uint64_t a, uint64_t b)
{
    Add(kind, a != 0 && b > KScnReadBudget::kMaxCount / a ? KScnReadBudget::kMaxCount : a * b);
}

double KScnReadCost::Total() const
{
    double total = 0.0;
    for (int kind = 0; kind < eKindCount; ++kind)
        total += kWeights[kind] * static_cast<double>(mCounts[kind]);
    return total;
}

bool KScnReadCost::Check(const KScnReadBudget& budget, size_t fileSize, double scale, const char* option,
                         std::string& why) const
{
    const double total = Total();
    const uint64_t allowed = budget.Allowed(fileSize, scale);
    if (total <= static_cast<double>(allowed))
        return true;
    int most = eNodes;
    for (int kind = 0; kind < eKindCount; ++kind)
        if (kWeights[kind] * static_cast<double>(mCounts[kind]) >
            kWeights[most] * static_cast<double>(mCounts[most]))
            most = kind;
    const double cost = kWeights[most] * static_cast<double>(mCounts[most]);
    std::string what = std::to_string(mCounts[most]) + " " + kNames[most];
    if (most != eNodes || cost < total)
        what += " (as costly as " + std::to_string(static_cast<uint64_t>(cost)) + " nodes, " +
                std::to_string(static_cast<uint64_t>(total)) + " with the rest)";
    why = "the file makes " + what + ", more than the " + std::to_string(allowed) +
          " allowed for a file of its size (" + option + " raises it)";
    return false;
}

} // namespace scenesdk
