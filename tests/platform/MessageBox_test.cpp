#include "platform/sys/MessageBox.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace
{

using namespace plat;

struct SSinkRecord
{
    int calls = 0;
    bool shown = true;
    std::string text, caption;
    uint32_t style = 0;
};
SSinkRecord g_Record;

bool RecordingSink(const char* text, const char* caption, uint32_t style)
{
    ++g_Record.calls;
    g_Record.text = text;
    g_Record.caption = caption;
    g_Record.style = style;
    return g_Record.shown;
}

struct MessageBoxTest : ::testing::Test
{
    void SetUp() override
    {
        g_Record = SSinkRecord();
        unsetenv("VOSTREL_NO_MESSAGEBOX");
    }
    void TearDown() override
    {
        SetMessageBoxSink(nullptr);
        setenv("VOSTREL_NO_MESSAGEBOX", "1", 1);
    }
};

TEST_F(MessageBoxTest, WithoutASinkTheTextGoesToStandardError)
{
    SetMessageBoxSink(nullptr);
    testing::internal::CaptureStderr();
    EXPECT_EQ(MessageBoxA(nullptr, "Enter the password", "Information", 0x52000), IDOK);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Information: Enter the password\n");
    testing::internal::CaptureStderr();
    EXPECT_EQ(MessageBoxA(nullptr, nullptr, nullptr, MB_OK), IDOK);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), ": \n");
}

TEST_F(MessageBoxTest, SinkShowsTheBoxOrFallsBackToStandardError)
{
    SetMessageBoxSink(&RecordingSink);
    testing::internal::CaptureStderr();
    EXPECT_EQ(
        MessageBoxA(nullptr, "text", "Information", MB_OK | MB_TASKMODAL | MB_SETFOREGROUND | MB_TOPMOST),
        IDOK);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(g_Record.calls, 1);
    EXPECT_EQ(g_Record.text, "text");
    EXPECT_EQ(g_Record.caption, "Information");
    EXPECT_EQ(g_Record.style, 0x52000u);

    // The sink could not show a box (no display, no user): standard error.
    g_Record.shown = false;
    testing::internal::CaptureStderr();
    EXPECT_EQ(MessageBoxA(nullptr, "again", "Information", MB_OK), IDOK);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Information: again\n");
    EXPECT_EQ(g_Record.calls, 2);
    // ShowMessageBox says so and prints nothing: its caller does.
    testing::internal::CaptureStderr();
    EXPECT_FALSE(ShowMessageBox("quiet", "Error", MB_OK));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    g_Record.shown = true;
    EXPECT_TRUE(ShowMessageBox("shown", "Error", MB_OK));
}

// A box's text comes in lines of at most 80 characters (so that it fits a
// 1024-pixel screen), broken at the last blank that fits, a word longer
// than a line cut where the line is full; the caller's line breaks stay.
TEST_F(MessageBoxTest, TheBoxTextIsWrappedAtEightyCharacters)
{
    const std::string a40(40, 'a'), b40(40, 'b'), c100(100, 'c'), d79(79, 'd');
    const std::pair<std::string, std::string> kRows[] = {
        {a40 + " " + b40.substr(1), a40 + " " + b40.substr(1)}, // 80: fits
        {a40 + " " + b40, a40 + "\n" + b40},                    // 81: the blank breaks
        {a40 + " x " + b40, a40 + " x\n" + b40},                // the last blank that fits
        {c100, c100.substr(0, 80) + "\n" + c100.substr(80)},
        {"x " + c100, "x\n" + c100.substr(0, 80) + "\n" + c100.substr(80)},
        {d79 + "\n" + a40 + " " + b40, d79 + "\n" + a40 + "\n" + b40},
    };
    SetMessageBoxSink(&RecordingSink);
    for (const auto& [text, shown] : kRows)
    {
        SCOPED_TRACE(text);
        EXPECT_EQ(MessageBoxA(nullptr, text.c_str(), "Error", MB_OK), IDOK);
        EXPECT_EQ(g_Record.text, shown);
    }
}

TEST_F(MessageBoxTest, NonInteractiveRunsNeverAskTheSink)
{
    SetMessageBoxSink(&RecordingSink);
    setenv("VOSTREL_NO_MESSAGEBOX", "1", 1);
    testing::internal::CaptureStderr();
    EXPECT_EQ(MessageBoxA(nullptr, "quiet", "Information", MB_OK), IDOK);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Information: quiet\n");
    EXPECT_EQ(g_Record.calls, 0);
}

} // namespace
