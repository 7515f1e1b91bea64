#pragma once

// The game's generated data tree for tests that load real models, maps and
// sounds (tests linking the data generator only).

#include "tests/support/RepoFiles.h"
#include "tools/datagen/CDataGenerator.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include <unistd.h>

namespace testsupport
{

// Writes the complete data tree into dataDir (its progress output
// swallowed); false when the generator failed.
inline bool GenerateGameData(const std::string& dataDir)
{
    CDataGenerator generator(dataDir, RepoRoot() + "/tools/data");
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    const bool generated = generator.Generate();
    testing::internal::GetCapturedStderr();
    testing::internal::GetCapturedStdout();
    return generated;
}

// Copies the data tree into dataDir from one generated once per test
// program (in a temporary folder removed when the program ends), so that
// tests of one program share the generation; false when it failed.
inline bool CopyGameData(const std::string& dataDir)
{
    struct SShared
    {
        std::filesystem::path dir =
            std::filesystem::temp_directory_path() / ("vostrel_data_" + std::to_string(getpid()));
        bool generated = GenerateGameData((dir / "Data").string());
        ~SShared()
        {
            std::error_code ignored;
            std::filesystem::remove_all(dir, ignored);
        }
    };
    static SShared shared;
    if (!shared.generated)
        return false;
    std::error_code error;
    // Files already there (a test's own stand-ins) give way to the generated ones.
    std::filesystem::copy(shared.dir / "Data", dataDir,
                          std::filesystem::copy_options::recursive | std::filesystem::copy_options::overwrite_existing,
                          error);
    return !error;
}

} // namespace testsupport
