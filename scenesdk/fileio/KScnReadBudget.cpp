#include "scenesdk/fileio/KScnReadBudget.h"

#include "scenesdk/kernel/KScnReadMeter.h"

#include <cmath>

namespace scenesdk
{

const KScnReadBudget KScnReadBudget::kForeignNodes = {
    double(KScnReadMeter::kBaseBytes) / KScnReadCost::kWeights[KScnReadCost::eNodes],
    double(KScnReadMeter::kBytesPerFileByte) / KScnReadCost::kWeights[KScnReadCost::eNodes], 0.0};
const KScnReadBudget KScnReadBudget::kSceneNodes = {
    double(KScnReadMeter::kBaseBytes) / KScnReadCost::kWeights[KScnReadCost::eNodes],
    double(KScnReadMeter::kSceneBytesPerFileByte) / KScnReadCost::kWeights[KScnReadCost::eNodes], 0.0};

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
    why = "the file makes " + std::to_string(count) + " " + what + ", more than its budget of " +
          std::to_string(allowed) + " allows for a file of this size; " + option + " raises it";
    return false;
}

// Per object as the meter charges it (bench/NodeMemory.cpp, Release).
const double KScnReadCost::kWeights[eKindCount] = {
    10240.0,  // nodes: a null model, 10 KB
    44032.0,  // cameras: 43 KB
    22528.0,  // lights: 22 KB
    112.0,    // take records (the index of an object's many takes besides)
    294912.0, // characters: 288 KB
    655360.0, // character poses: 640 KB with the private scene and its model
    2816.0,   // skins and clusters: 2.7 KB
    960.0,    // links
    12288.0,  // materials: 12 KB
    11264.0,  // textures: 11 KB
    11264.0,  // videos: as textures
    1152.0,   // user properties
    512.0,    // user property copies: a channel with its curve
    4096.0,   // channels: a MOV column
    512.0,    // shape channels: a channel with its curve
    7168.0,   // written take entries: 7 KB
    6144.0,   // take trees: an object's first take, 6 KB
    1.0,      // name bytes
};

const char* const KScnReadCost::kNames[eKindCount] = {
    "nodes",
    "cameras",
    "lights",
    "take records (takes x objects)",
    "characters",
    "character poses",
    "skins and clusters",
    "links (clusters x meshes)",
    "materials",
    "textures",
    "videos",
    "user properties",
    "user property copies (user properties x the entries written of their object)",
    "channels",
    "shape channels (shapes x the trees that copy them)",
    "written take entries",
    "take trees (objects given their first take)",
    "name bytes (names x the things that copy them)",
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

bool KScnReadCost::Check(size_t fileSize, double scale, const char* optionsClass, std::string& why,
                         uint64_t perFileByte) const
{
    const double total = Total();
    KScnReadMeter::NoteCounted(total >= 1.8e19 ? UINT64_MAX : static_cast<uint64_t>(total));
    const uint64_t budget = KScnReadMeter::Budget(fileSize, scale, perFileByte);
    if (total <= static_cast<double>(budget))
        return true;
    int most = eNodes;
    for (int kind = 0; kind < eKindCount; ++kind)
        if (kWeights[kind] * static_cast<double>(mCounts[kind]) >
            kWeights[most] * static_cast<double>(mCounts[most]))
            most = kind;
    const double cost = kWeights[most] * static_cast<double>(mCounts[most]);
    std::string what =
        std::to_string(mCounts[most]) + " " + kNames[most] + " (" + KScnReadMeter::Megabytes(cost, true) + " MB";
    if (cost < total)
        what += ", " + KScnReadMeter::Megabytes(total, true) + " MB with the rest";
    why = "the file makes " + what + "), more than its budget of " +
          KScnReadMeter::Megabytes(double(budget), false) + " MB allows for a file of this size; " + optionsClass +
          "::mBudgetScale raises it";
    return false;
}

} // namespace scenesdk
