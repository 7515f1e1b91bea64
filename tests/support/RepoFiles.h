#pragma once

#include <string>

namespace testsupport
{

// The repository's root folder, ending in a slash, as the build gives it
// (or found from the path this support library was compiled from), so tests
// may run in any folder.
std::string RepoRoot();
// A file of the repository (path relative to its root) read whole; empty
// when it is missing.
std::string ReadRepoFile(const std::string& relative);

} // namespace testsupport
