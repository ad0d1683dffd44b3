#pragma once

#include "catalogue/Session.h"
#include "flash/ProbePatterns.h"
#include "flash/Routes.h"

namespace halvenmark {

// Writes the probe pattern to word address 0x0FFC and reads it back. On failure a message has
// been shown and OperationFailed is -1; otherwise it is unchanged.
void CheckFlashable(const Session& session, const ProbePattern& pattern);

// Writes and verifies the variant's auxiliary image, sends the short EX frame and expects the
// probe pattern back at 0x0FFC. OperationFailed -1 after a reported failure.
void TransferAuxImage(const Session& session, const routes::AuxVariant& variant);

// Second-form routes: the 8 or 16 KiB variant, and the expanders with their low-area pass.
// OperationFailed -1 (data refused or wrong, or an EX exchange failed) or -2 (link failure),
// reported; 0 on success.
void UpdateAndVerify(const Session& session, const routes::UpdateVariant& variant);
void UpdateExpander(const Session& session);

// "Flash Device": prepares the window and runs the route of FirmwareResId, stopping at the
// first step that leaves OperationFailed non-zero.
void FlashDevice(const Session& session);

}  // namespace halvenmark
