#pragma once

#include "scenesdk/kernel/KString.h"

namespace scenesdk
{

// The text after the last '.' of the path when that dot lies after the last
// slash and the last backslash; otherwise (and for null) the empty text.
// Paths are expected shorter than 1,024 bytes; longer ones are cut there.
KString KScnExtractFileExtension(const char* path);

} // namespace scenesdk
