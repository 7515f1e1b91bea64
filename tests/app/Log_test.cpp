#include "app/Log.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace
{

using testsupport::TempDir;

struct LogTest : testsupport::TempDirTest
{
    // No real message boxes in tests: flag 8 prints "caption: text" to stderr.
    void SetUp() override { setenv("VOSTREL_NO_MESSAGEBOX", "1", 1); }

    std::string out, err;
    template <class F> void Capture(F f)
    {
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        f();
        out = testing::internal::GetCapturedStdout();
        err = testing::internal::GetCapturedStderr();
    }
};

TEST_F(LogTest, FlagRouting)
{
    Capture([] { Log(1, "Error: %s failed in %s", "x", "Y::Z"); });
    EXPECT_EQ(out, "");
    EXPECT_EQ(err, "Error: x failed in Y::Z\n");
    EXPECT_EQ(TempDir::ReadFile("Error.log"), "Error: x failed in Y::Z\n");

    Capture([] { Log(2, "two"); });
    EXPECT_EQ(out, "");
    EXPECT_EQ(err, "two\n");

    Capture([] { Log(4, "four %d", 4); });
    EXPECT_EQ(out, "four 4\n");
    EXPECT_EQ(err, "");

    Capture([] { Log(8, "eight"); });
    EXPECT_EQ(out, "");
    EXPECT_EQ(err, "Information: eight\n");
    // The box's caption says an error or a warning by the first word.
    for (const char* message : {"Error: no Data", "Warning: big window", "Errors"})
    {
        Capture([message] { Log(8, "%s", message); });
        EXPECT_EQ(err, std::string(message[0] == 'W' ? "Warning" : "Error") + ": " + message + "\n");
    }

    Capture([] { Log(0, "nowhere"); });
    EXPECT_EQ(out + err, "");
    // Only flag 1 wrote the file.
    EXPECT_EQ(TempDir::ReadFile("Error.log"), "Error: x failed in Y::Z\n");

    // 16: "Error.log" only; 32: "Debug.log" only.
    Capture([] { Log(16, "Error: trace"); });
    Capture([] { Log(32, "Loading new Model : a.scn"); });
    EXPECT_EQ(out + err, "");
    EXPECT_EQ(TempDir::ReadFile("Error.log"), "Error: x failed in Y::Z\nError: trace\n");
    EXPECT_EQ(TempDir::ReadFile("Debug.log"), "Loading new Model : a.scn\n");
}

TEST_F(LogTest, OrderAndAppend)
{
    Capture([] { Log(1 | 2 | 4 | 8, "all"); });
    EXPECT_EQ(out, "all\n");
    // A box that cannot be shown leaves the standard error line alone,
    // printed once for flags 1 and 2 together.
    EXPECT_EQ(err, "all\n");
    Capture([] { Log(9, "second"); });
    EXPECT_EQ(err, "second\n");
    EXPECT_EQ(TempDir::ReadFile("Error.log"), "all\nsecond\n");
}

TEST_F(LogTest, EmptyFormatOrResultGoesNowhere)
{
    Capture(
        []
        {
            Log(1 | 2 | 4 | 8, "%s", "");
            Log(1 | 2 | 4 | 8, nullptr);
        });
    EXPECT_EQ(out + err, "");
    EXPECT_FALSE(TempDir::FileExists("Error.log"));
}

TEST_F(LogTest, LongMessagesAreTruncatedTo1023Bytes)
{
    const std::string longText(5000, 'a');
    Capture([&longText] { Log(1 | 4, "%s%s", longText.c_str(), "tail"); });
    EXPECT_EQ(out, std::string(1023, 'a') + "\n");
    EXPECT_EQ(TempDir::ReadFile("Error.log"), std::string(1023, 'a') + "\n");
}

TEST_F(LogTest, ResetLogFilesRemovesBothFiles)
{
    m_Dir.WriteFile("Error.log", "old");
    m_Dir.WriteFile("Debug.log", "old");
    m_Dir.WriteFile("Other.log", "keep");
    ResetLogFiles();
    EXPECT_FALSE(TempDir::FileExists("Error.log"));
    EXPECT_FALSE(TempDir::FileExists("Debug.log"));
    EXPECT_TRUE(TempDir::FileExists("Other.log"));
    ResetLogFiles(); // missing files are no error
    // Names match without regard to case, as for every open.
    m_Dir.WriteFile("ERROR.LOG", "old");
    m_Dir.WriteFile("debug.log", "old");
    ResetLogFiles();
    EXPECT_FALSE(TempDir::FileExists("ERROR.LOG"));
    EXPECT_FALSE(TempDir::FileExists("debug.log"));
    Capture([] { Log(1, "fresh"); });
    EXPECT_EQ(TempDir::ReadFile("Error.log"), "fresh\n");
}

} // namespace
