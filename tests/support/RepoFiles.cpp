#include "tests/support/RepoFiles.h"

#include "tests/support/TempDir.h"

namespace testsupport
{

std::string RepoRoot()
{
#ifdef VOSTREL_REPO_ROOT
    return VOSTREL_REPO_ROOT;
#else
    const std::string self = __FILE__;
    return self.substr(0, self.rfind("tests/support/"));
#endif
}

std::string ReadRepoFile(const std::string& relative)
{
    return TempDir::ReadFile(RepoRoot() + relative);
}

} // namespace testsupport
