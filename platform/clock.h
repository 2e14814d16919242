#pragma once
// The time of day as the program sees it. Tests set a fake time; the program never does.
#include <QDateTime>
#include <optional>

namespace platform::clock {

QDateTime now();
// With a value, now() gives it (advanced by nothing) until cleared with nothing.
void setFake(std::optional<QDateTime> when);

} // namespace platform::clock
