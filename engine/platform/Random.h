// The program-wide pseudo-random generator: values 0..32767 in the classic
// linear-congruential sequence, so that seeded effects (lens-flare atlas, liquid
// noise, particle seeds) come out the same on every run and every platform.
#pragma once

constexpr int GAME_RAND_MAX = 32767;

// Next value in 0..GAME_RAND_MAX.
int gameRand();

// Restarts the sequence from the given seed.
void gameSrand(unsigned int seed);
