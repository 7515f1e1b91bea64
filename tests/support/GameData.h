#pragma once

// The game's generated data tree for tests that load real models, maps and
// sounds (tests linking the data generator only).

#include "tests/support/RepoFiles.h"
#include "tools/datagen/CDataGenerator.h"

#include <gtest/gtest.h>

#include <string>

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

} // namespace testsupport
