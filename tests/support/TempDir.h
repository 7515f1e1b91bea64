#pragma once

#include <gtest/gtest.h>

#include <string>

namespace testsupport
{

// A fresh empty folder under the system's temporary folder, made the working
// directory for the test's lifetime, then removed with everything in it. Tests
// that write "Error.log" or other files named relative to the working folder
// use it, since CTest runs tests in parallel.
class TempDir
{
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& Path() const { return m_Path; }

    // Writes a file below the folder (parent folders are made); returns its path.
    std::string WriteFile(const std::string& relative, const std::string& bytes) const;
    // Reads a whole file; empty when it is missing.
    static std::string ReadFile(const std::string& path);
    static bool FileExists(const std::string& path);

private:
    std::string m_Path;
    std::string m_OldCwd;
};

// Fixture form: each test runs in its own temporary working folder.
class TempDirTest : public ::testing::Test
{
protected:
    TempDir m_Dir;
};

} // namespace testsupport
