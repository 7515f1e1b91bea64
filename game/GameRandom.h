#pragma once

#include <cstdint>

// The game's one source of random numbers. Every rule of the game that
// draws a random number assumes the range 0..32767 (a tree slot is
// trunc(r * N / 32767), a unit value r / 32767), whatever the C library's
// RAND_MAX is; one seedable generator also lets a test replay a game.
namespace gamerandom
{
const int kMax = 32767;

// The next number, 0..kMax inclusive.
int Next();
// Starts the sequence again from seed.
void Seed(uint32_t seed);
// Next() / kMax: 0.0 to 1.0 inclusive.
float Unit();
} // namespace gamerandom
