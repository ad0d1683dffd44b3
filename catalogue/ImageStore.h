#pragma once

#include "catalogue/ResourceStore.h"
#include "link/LinkState.h"

namespace halvenmark {

// Prepares the firmware image FirmwareResId for a device of ImageSize words: fetches the
// stored resource into RawImage and decodes 2 x ImageSize bytes into ImageData. OperationFailed
// is 0 on success and -1 when the resource is missing or too short; ImageData is then left as
// it was. Shows nothing.
void LoadFirmwareImage(LinkState& state, const ResourceStore& store);

}  // namespace halvenmark
