#include "catalogue/ImageStore.h"

#include "catalogue/ImageCodec.h"

namespace halvenmark {

void LoadFirmwareImage(LinkState& state, const ResourceStore& store) {
    state.OperationFailed = -1;
    const auto resource = store.find(ResourceType::Jpg, state.FirmwareResId);
    if (!resource) {
        return;
    }
    state.RawImage.assign(resource->begin(), resource->end());
    if (state.ImageSize <= 0) {
        return;
    }
    const std::size_t imageBytes = 2 * static_cast<std::size_t>(state.ImageSize);
    // A resource too short for the whole image is refused before anything is decoded, so a
    // half-decoded image never replaces a good one.
    if (state.RawImage.size() < codec::storedSize(imageBytes)) {
        return;
    }
    state.ImageData = codec::decode(state.RawImage, imageBytes);
    state.OperationFailed = 0;
}

}  // namespace halvenmark
