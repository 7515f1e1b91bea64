#pragma once

// DirectInput key codes: PC set-1 scan codes, with 0x80 added for the
// extended keys. They are positional, like SDL scancodes, so W/A/S/D stay in
// place on any keyboard layout.

#include <cstddef>
#include <cstdint>

namespace plat
{

constexpr uint8_t DIK_ESCAPE = 0x01;
constexpr uint8_t DIK_1 = 0x02;
constexpr uint8_t DIK_0 = 0x0B;
constexpr uint8_t DIK_BACK = 0x0E;
constexpr uint8_t DIK_TAB = 0x0F;
constexpr uint8_t DIK_Q = 0x10;
constexpr uint8_t DIK_W = 0x11;
constexpr uint8_t DIK_RETURN = 0x1C;
constexpr uint8_t DIK_LCONTROL = 0x1D;
constexpr uint8_t DIK_A = 0x1E;
constexpr uint8_t DIK_S = 0x1F;
constexpr uint8_t DIK_D = 0x20;
constexpr uint8_t DIK_G = 0x22;
constexpr uint8_t DIK_LSHIFT = 0x2A;
constexpr uint8_t DIK_SPACE = 0x39;
constexpr uint8_t DIK_F1 = 0x3B;
constexpr uint8_t DIK_F2 = 0x3C;
constexpr uint8_t DIK_F9 = 0x43;
constexpr uint8_t DIK_F10 = 0x44;
constexpr uint8_t DIK_F11 = 0x57;
constexpr uint8_t DIK_F12 = 0x58;
constexpr uint8_t DIK_NUMPADENTER = 0x9C;
constexpr uint8_t DIK_RCONTROL = 0x9D;
constexpr uint8_t DIK_UP = 0xC8;
constexpr uint8_t DIK_LEFT = 0xCB;
constexpr uint8_t DIK_RIGHT = 0xCD;
constexpr uint8_t DIK_DOWN = 0xD0;
constexpr uint8_t DIK_LWIN = 0xDB;
constexpr uint8_t DIK_RWIN = 0xDC;
constexpr uint8_t DIK_APPS = 0xDD;

// The key code of an SDL scancode; 0 for keys without one (they are dropped).
uint8_t DIKFromScancode(int scancode);

// The table itself, for tests: pairs of (SDL scancode, key code).
struct DIKMapping
{
    int scancode;
    uint8_t code;
};
const DIKMapping* GetDIKTable(size_t* count);

} // namespace plat
