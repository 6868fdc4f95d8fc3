#include "platform/Random.h"

#include <cstdint>

namespace {
std::uint32_t gRandState = 1;
}

int gameRand()
{
    gRandState = gRandState * 214013u + 2531011u;
    return static_cast<int>((gRandState >> 16) & 0x7FFFu);
}

void gameSrand(unsigned int seed)
{
    gRandState = seed;
}
