#include "stage.h"

namespace {
Stage* current = nullptr;
} // namespace

Stage* Stage::Current() {
    return current;
}

void Stage::Install(Stage* stage) {
    current = stage;
}
