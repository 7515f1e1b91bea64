#pragma once

#include <string>

namespace plat
{

// Turns a path as the program's data and code spell it (backslashes, any
// letter case, as on a case-insensitive file system) into the path of an
// existing file or folder on this one.
//
// Backslashes become slashes. When the path exists as given it is returned
// unchanged; otherwise every component is matched without regard to letter
// case against the entries of its folder. When nothing matches, the
// slash-converted path is returned, so that the caller's open fails cleanly
// and reports the name it was given.
std::string ResolvePath(const std::string& path);

// Forgets the folder listings cached by ResolvePath (after files were created
// or removed behind its back).
void ClearPathCache();

} // namespace plat
