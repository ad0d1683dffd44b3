#pragma once

#include <cstdint>

#include "protocol/LinkSession.h"

namespace halvenmark {

// A range of first-form frames: word addresses of its first and last frame (both inclusive)
// and the ImageData index of its first byte.
struct FirstFormArea {
    std::int16_t start;
    std::int16_t end;
    std::int16_t imageIndex;
};

// The two sections of the default device family's program memory.
constexpr FirstFormArea kUpperSection{0x0C00, 0x0FFC, 0x1800};
constexpr FirstFormArea kLowerSection{0x0000, 0x0BFC, 0x0000};

// Writes an area with WriteMemoryRange and, unless that spent its budget, reads it back with
// VerifyMemoryRange; false when either ended with -1. Shows nothing.
bool writeAndVerifyArea(const LinkSession& session, const FirstFormArea& area);

// Writes and verifies the upper section, then sends the short EX frame and wakes the loader
// again. OperationFailed is -1 after a failure, which has been reported; unchanged otherwise.
void ProgramUpperSection(const LinkSession& session);

// Purges the adapter, then writes and verifies the lower section.
void ProgramLowerSection(const LinkSession& session);

}  // namespace halvenmark
