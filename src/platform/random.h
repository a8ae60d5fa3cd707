// The random-number generator every effect shares.
//
// One 32-bit state for the whole process: SeedRandom(s) sets it to s; each
// NextRandom() advances it to state * 214013 + 2531011 (mod 2^32) and returns
// bits 16..30, a value from 0 to 32767. The state is 1 before the first seed.
// The sequence is part of the pictures (effects reseed with fixed values), so
// effects use this generator and never the C library's rand().
#pragma once

#include <cstdint>

constexpr int kRandomMax = 32767;

void SeedRandom(uint32_t seed);
int NextRandom();
