#pragma once
// Uniform random numbers in [0, 1), from one generator seeded once per run (a generator seeded
// again before every draw repeats itself within a second). Tests give a fixed sequence.
#include <vector>

namespace platform::random {

double next();
// With values, next() gives them in turn (cycling); an empty list returns to the generator.
void setSequence(std::vector<double> values);

} // namespace platform::random
