#include "clock.h"

namespace platform::clock {
namespace {
std::optional<QDateTime> fake;
}

QDateTime now() { return fake ? *fake : QDateTime::currentDateTime(); }
void setFake(std::optional<QDateTime> when) { fake = std::move(when); }

} // namespace platform::clock
