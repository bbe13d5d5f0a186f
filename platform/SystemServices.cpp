#include "platform/SystemServices.h"

#include <array>

namespace platform {

SystemRandom::SystemRandom() {
    std::random_device device;
    std::array<std::uint32_t, 8> seed{};
    for (auto& word : seed) word = device();
    std::seed_seq sequence(seed.begin(), seed.end());
    engine_.seed(sequence);
}

double SystemRandom::nextUnit() {
    return static_cast<double>(engine_() >> 11) * 0x1.0p-53;
}

double SteadyClock::seconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
}

}  // namespace platform
