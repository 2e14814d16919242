#include "random.h"

#include <random>

namespace platform::random {
namespace {

std::vector<double> sequence;
std::size_t position = 0;

std::mt19937_64& generator() {
    static std::mt19937_64 engine{std::random_device{}()};
    return engine;
}

} // namespace

double next() {
    if (!sequence.empty())
        return sequence[position++ % sequence.size()];
    return std::uniform_real_distribution<double>(0.0, 1.0)(generator());
}

void setSequence(std::vector<double> values) {
    sequence = std::move(values);
    position = 0;
}

} // namespace platform::random
