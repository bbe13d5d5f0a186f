#pragma once

// The random draw and the clock.

#include <chrono>
#include <cstdint>
#include <random>

#include "platform/Services.h"

namespace platform {

// std::mt19937_64 seeded once from std::random_device.
class SystemRandom final : public Random {
public:
    SystemRandom();
    // Uniform in [0, 1): the top 53 bits of one draw, so 1 is never reached.
    double nextUnit() override;

private:
    std::mt19937_64 engine_;
};

// Seconds on the steady clock, counted from the clock's construction.
class SteadyClock final : public Clock {
public:
    double seconds() override;

private:
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

}  // namespace platform
