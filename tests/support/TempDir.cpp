#include "tests/support/TempDir.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace testsupport
{

TempDir::TempDir()
{
    std::string tmpl = (std::filesystem::temp_directory_path() / "vostrel-test-XXXXXX").string();
    if (!::mkdtemp(tmpl.data()))
        throw std::runtime_error("mkdtemp failed");
    m_Path = tmpl;
    m_OldCwd = std::filesystem::current_path().string();
    std::filesystem::current_path(m_Path);
}

TempDir::~TempDir()
{
    std::error_code ec;
    std::filesystem::current_path(m_OldCwd, ec);
    std::filesystem::remove_all(m_Path, ec);
}

std::string TempDir::WriteFile(const std::string& relative, const std::string& bytes) const
{
    std::filesystem::path p = std::filesystem::path(m_Path) / relative;
    std::filesystem::create_directories(p.parent_path());
    std::ofstream out(p, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return p.string();
}

std::string TempDir::ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

bool TempDir::FileExists(const std::string& path)
{
    return std::filesystem::exists(path);
}

} // namespace testsupport
