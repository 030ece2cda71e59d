#pragma once

#include <cstdint>

// What a window procedure did with a message: its result, or a request for the default
// processing (the platform's default window procedure).
struct Outcome {
    bool useDefault;
    intptr_t result;
};

constexpr Outcome handled(intptr_t result) {
    return {false, result};
}
constexpr Outcome byDefault() {
    return {true, 0};
}
