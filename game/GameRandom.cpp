#include "game/GameRandom.h"

namespace gamerandom
{
namespace
{
// A linear congruential generator with 15 output bits taken from the upper
// half of its state, seeded with 1 like the C library's rand().
uint32_t g_State = 1;
} // namespace

int Next()
{
    g_State = g_State * 214013u + 2531011u;
    return static_cast<int>((g_State >> 16) & 0x7FFFu);
}

void Seed(uint32_t seed)
{
    g_State = seed;
}

float Unit()
{
    return static_cast<float>(Next()) / static_cast<float>(kMax);
}
} // namespace gamerandom
