#include "platform/win32/W32Console.h"

#include <gtest/gtest.h>

using namespace plat;

namespace
{

TEST(ConsoleLayer, OneConsolePerProcessWithItsBookkeeping)
{
    ASSERT_TRUE(AllocConsole());
    EXPECT_FALSE(AllocConsole());
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_TRUE(SetConsoleTitleA("Vostrel - Console"));
    HANDLE buffer = CreateConsoleScreenBuffer(0xC0000000u, 3, nullptr, CONSOLE_TEXTMODE_BUFFER, nullptr);
    ASSERT_NE(buffer, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(SetConsoleActiveScreenBuffer(buffer));
    EXPECT_FALSE(SetConsoleScreenBufferSize(buffer, COORD{0, 25}));
    EXPECT_TRUE(SetConsoleScreenBufferSize(buffer, COORD{80, 25}));
    HWND console = GetConsoleWindow();
    ASSERT_NE(console, nullptr);
    EXPECT_TRUE(SetWindowPos(console, nullptr, 12, -3, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE));

    ConsoleInfo info = GetConsoleInfo();
    EXPECT_TRUE(info.allocated);
    EXPECT_STREQ(info.title, "Vostrel - Console");
    EXPECT_EQ(info.columns, 80);
    EXPECT_EQ(info.rows, 25);
    EXPECT_EQ(info.x, 12);
    EXPECT_EQ(info.y, -3);
    EXPECT_EQ(info.openBuffers, 1);

    EXPECT_TRUE(CloseConsoleHandle(buffer));
    EXPECT_FALSE(CloseConsoleHandle(buffer));
    EXPECT_TRUE(FreeConsole());
    EXPECT_FALSE(FreeConsole());
    EXPECT_EQ(GetConsoleWindow(), nullptr);
    EXPECT_FALSE(SetConsoleTitleA("x"));
    EXPECT_EQ(CreateConsoleScreenBuffer(0, 0, nullptr, CONSOLE_TEXTMODE_BUFFER, nullptr),
              INVALID_HANDLE_VALUE);
}

TEST(ConsoleLayer, StandardStreamsStayOpen)
{
    EXPECT_EQ(ConsoleReopen("CONOUT$", "wt", stdout), nullptr) << "no console yet";
    ASSERT_TRUE(AllocConsole());
    EXPECT_EQ(ConsoleReopen("CONIN$", "rt", stdin), stdin);
    EXPECT_EQ(ConsoleReopen("CONOUT$", "wt", stderr), stderr);
    EXPECT_EQ(ConsoleReopen("other.txt", "wt", stdout), nullptr);
    EXPECT_EQ(ConsoleClose(stderr), 0);
    testing::internal::CaptureStderr();
    std::fputs("still open\n", stderr);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "still open\n");
    FreeConsole();
}

} // namespace
