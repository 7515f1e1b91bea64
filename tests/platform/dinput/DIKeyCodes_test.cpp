#include "platform/dinput/DIKeyCodes.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <set>

using namespace plat;

namespace
{

TEST(KeyCodeTable, CoversTheFullKeyboardWithoutDuplicates)
{
    size_t n = 0;
    const DIKMapping* t = GetDIKTable(&n);
    EXPECT_EQ(n, 105u);
    std::set<int> scancodes;
    std::set<int> codes;
    for (size_t i = 0; i < n; ++i)
    {
        EXPECT_TRUE(scancodes.insert(t[i].scancode).second) << "scancode " << t[i].scancode;
        EXPECT_TRUE(codes.insert(t[i].code).second) << "code " << int(t[i].code);
        EXPECT_NE(t[i].code, 0);
        EXPECT_EQ(DIKFromScancode(t[i].scancode), t[i].code);
    }
}

TEST(KeyCodeTable, RangesFollowTheScanCodeLayout)
{
    const SDL_Scancode row1[] = {SDL_SCANCODE_Q, SDL_SCANCODE_W, SDL_SCANCODE_E, SDL_SCANCODE_R,
                                 SDL_SCANCODE_T, SDL_SCANCODE_Y, SDL_SCANCODE_U, SDL_SCANCODE_I,
                                 SDL_SCANCODE_O, SDL_SCANCODE_P};
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(DIKFromScancode(row1[i]), 0x10 + i);
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(DIKFromScancode(SDL_SCANCODE_1 + i), 0x02 + i);
    EXPECT_EQ(DIKFromScancode(SDL_SCANCODE_0), 0x0B);
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(DIKFromScancode(SDL_SCANCODE_F1 + i), 0x3B + i);
    const SDL_Scancode row3[] = {SDL_SCANCODE_Z, SDL_SCANCODE_X, SDL_SCANCODE_C, SDL_SCANCODE_V,
                                 SDL_SCANCODE_B, SDL_SCANCODE_N, SDL_SCANCODE_M};
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(DIKFromScancode(row3[i]), 0x2C + i);
}

TEST(KeyCodeTable, CodesTheGameUses)
{
    struct
    {
        SDL_Scancode sc;
        int code;
    } used[] = {{SDL_SCANCODE_ESCAPE, 1},   {SDL_SCANCODE_W, 17},      {SDL_SCANCODE_S, 31},
                {SDL_SCANCODE_A, 30},       {SDL_SCANCODE_D, 32},      {SDL_SCANCODE_SPACE, 57},
                {SDL_SCANCODE_LSHIFT, 42},  {SDL_SCANCODE_G, 0x22},    {SDL_SCANCODE_F2, 0x3C},
                {SDL_SCANCODE_F9, 0x43},    {SDL_SCANCODE_UP, 200},    {SDL_SCANCODE_DOWN, 208},
                {SDL_SCANCODE_LEFT, 203},   {SDL_SCANCODE_RIGHT, 205}, {SDL_SCANCODE_KP_ENTER, 0x9C},
                {SDL_SCANCODE_RCTRL, 0x9D}, {SDL_SCANCODE_F11, 0x57},  {SDL_SCANCODE_APPLICATION, 0xDD}};
    for (const auto& u : used)
        EXPECT_EQ(DIKFromScancode(u.sc), u.code) << SDL_GetScancodeName(u.sc);
}

TEST(KeyCodeTable, KeysWithoutCodeAreDropped)
{
    EXPECT_EQ(DIKFromScancode(SDL_SCANCODE_UNKNOWN), 0);
    EXPECT_EQ(DIKFromScancode(SDL_SCANCODE_F13), 0);
    EXPECT_EQ(DIKFromScancode(SDL_SCANCODE_AUDIOPLAY), 0);
    EXPECT_EQ(DIKFromScancode(-1), 0);
    EXPECT_EQ(DIKFromScancode(SDL_NUM_SCANCODES), 0);
}

} // namespace
