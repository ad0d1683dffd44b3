// LoadFirmwareImage on resources of any content and length, for any image size.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <vector>

#include "catalogue/ImageStore.h"

namespace {

using namespace halvenmark;

class OneResource : public ResourceStore {
  public:
    std::vector<std::uint8_t> bytes;
    std::optional<std::span<const std::uint8_t>> find(ResourceType type, int id) const override {
        if (type != ResourceType::Jpg || id != 100)
            return std::nullopt;
        return std::span<const std::uint8_t>(bytes);
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 4)
        return 0;
    std::int32_t imageSize = 0;
    std::memcpy(&imageSize, data, sizeof imageSize);
    OneResource store;
    store.bytes.assign(data + 4, data + size);
    LinkState state;
    state.FirmwareResId = 100;
    // Mostly the real sizes, sometimes small ones that fit the input, sometimes anything.
    switch (static_cast<std::uint32_t>(imageSize) % 4) {
        case 0:
            state.ImageSize = 4096;
            break;
        case 1:
            state.ImageSize = 8192;
            break;
        case 2:
            state.ImageSize =
                static_cast<std::int32_t>((static_cast<std::uint32_t>(imageSize) >> 2) % 512);
            break;
        default:
            state.ImageSize = imageSize;
            break;
    }
    state.ImageData = {1, 2, 3};
    LoadFirmwareImage(state, store);
    const bool loaded = state.OperationFailed == 0;
    if (loaded != (state.ImageSize > 0 &&
                   store.bytes.size() >= 8 * static_cast<std::size_t>(state.ImageSize))) {
        __builtin_trap();  // a load must succeed exactly when the resource holds the whole image
    }
    if (!loaded && state.ImageData.size() != 3) {
        __builtin_trap();  // a failed load leaves the image as it was
    }
    return 0;
}
