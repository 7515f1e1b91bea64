#include "platform/sys/SystemInfo.h"
#include "platform/sys/TextConvert.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <unistd.h>

using namespace plat;

TEST(SystemInfoTest, TempPathEndsInSlashAndReportsNeededSize)
{
    char buffer[512];
    const DWORD n = GetTempPathA(sizeof(buffer), buffer);
    ASSERT_GT(n, 0u);
    EXPECT_EQ(std::string(buffer).size(), n);
    EXPECT_EQ(buffer[n - 1], '/');
    char tiny[2] = {'x', 0};
    EXPECT_EQ(GetTempPathA(sizeof(tiny), tiny), n + 1);
    EXPECT_EQ(tiny[0], 'x');
}

TEST(SystemInfoTest, ComputerNameIsTheHostName)
{
    char host[256] = {};
    ASSERT_EQ(gethostname(host, sizeof(host) - 1), 0);
    char buffer[MAX_COMPUTERNAME_LENGTH + 1];
    DWORD size = sizeof(buffer);
    ASSERT_NE(GetComputerNameA(buffer, &size), 0);
    EXPECT_STREQ(buffer, host);
    EXPECT_EQ(size, std::string(host).size());
    DWORD small = 1;
    EXPECT_EQ(GetComputerNameA(buffer, &small), 0);
    EXPECT_EQ(small, std::string(host).size() + 1);
}

TEST(TextConvertTest, RoundTripsAndSizes)
{
    const std::string text = "Gr\xC3\xBC\xC3\x9F\x65 \xE2\x82\xAC \xF0\x9F\x98\x80"; // "Grüße € 😀"
    const std::wstring wide = Utf8ToWide(text);
    ASSERT_EQ(wide.size(), 9u);
    EXPECT_EQ(wide[2], L'\x00FC');
    EXPECT_EQ(static_cast<uint32_t>(wide[8]), 0x1F600u);
    EXPECT_EQ(WideToUtf8(wide), text);

    // Win32 forms: -1 counts the terminator; a size query first, then the copy.
    const int needed = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, nullptr, 0);
    EXPECT_EQ(needed, 10);
    std::wstring out(needed, L'?');
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, &out[0], needed), needed);
    EXPECT_EQ(out.c_str(), wide);
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, &out[0], 3), 0);
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr);
    EXPECT_EQ(bytes, static_cast<int>(text.size()) + 1);
    std::string back(bytes, '?');
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, &back[0], bytes, nullptr, nullptr), bytes);
    EXPECT_STREQ(back.c_str(), text.c_str());
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, nullptr, -1, nullptr, 0), 0);
}

TEST(TextConvertTest, MalformedBytesBecomeReplacementCharacters)
{
    const std::wstring w = Utf8ToWide("a\xC3(\xFF\xED\xA0\x80");
    ASSERT_GE(w.size(), 4u);
    EXPECT_EQ(w[0], L'a');
    EXPECT_EQ(static_cast<uint32_t>(w[1]), 0xFFFDu);
    EXPECT_EQ(w[2], L'(');
    EXPECT_EQ(static_cast<uint32_t>(w[3]), 0xFFFDu);
    EXPECT_EQ(WideToUtf8(std::wstring(1, static_cast<wchar_t>(0xD800))), "\xEF\xBF\xBD");
}
