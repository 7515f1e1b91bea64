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

} // namespace scenesdk
