#include "tests/support/RepoFiles.h"

#include "tests/support/TempDir.h"

namespace testsupport
{

std::string RepoRoot()
{
    return VOSTREL_SOURCE_DIR "/";
}

std::string ReadRepoFile(const std::string& relative)
{
    return TempDir::ReadFile(RepoRoot() + relative);
}

} // namespace testsupport
