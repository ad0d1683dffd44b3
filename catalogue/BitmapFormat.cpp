#include "catalogue/BitmapFormat.h"

#include "catalogue/StoreLayout.h"

namespace halvenmark::catalogue {

namespace {

// Fields of the file header and of the BITMAPINFOHEADER behind it, little-endian.
constexpr std::size_t kPixelOffsetAt = 10;
constexpr std::size_t kInfoSizeAt = 14;
constexpr std::size_t kWidthAt = 18;
constexpr std::size_t kHeightAt = 22;
constexpr std::size_t kPlanesAt = 26;
constexpr std::size_t kBitsPerPixelAt = 28;
constexpr std::size_t kCompressionAt = 30;
constexpr std::uint32_t kInfoHeaderBytes = 40;

std::uint32_t le32(std::span<const std::uint8_t> bytes, std::size_t at) {
    return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 |
           static_cast<std::uint32_t>(bytes[at + 3]) << 24;
}

std::uint16_t le16(std::span<const std::uint8_t> bytes, std::size_t at) {
    return static_cast<std::uint16_t>(bytes[at] | bytes[at + 1] << 8);
}

}  // namespace

std::optional<std::string> pictureProblem(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < kBitmapHeaderBytes || bytes[0] != 'B' || bytes[1] != 'M') {
        return "not a BMP picture";
    }
    const auto width = static_cast<std::int32_t>(le32(bytes, kWidthAt));
    const auto height = static_cast<std::int32_t>(le32(bytes, kHeightAt));
    const std::uint16_t bits = le16(bytes, kBitsPerPixelAt);
    if (le32(bytes, kInfoSizeAt) != kInfoHeaderBytes || le16(bytes, kPlanesAt) != 1) {
        return "a BMP picture of another header form than Windows' 40-byte one";
    }
    if (width != kPictureWidth || (height != kPictureHeight && height != -kPictureHeight)) {
        return "a BMP picture of " + std::to_string(width) + " x " + std::to_string(height) +
               " pixels, not " + std::to_string(kPictureWidth) + " x " +
               std::to_string(kPictureHeight);
    }
    if (bits != 24) {
        return "a BMP picture of " + std::to_string(bits) + " bits per pixel, not 24";
    }
    if (le32(bytes, kCompressionAt) != 0) {
        return "a compressed BMP picture, not an uncompressed one";
    }
    if (le32(bytes, kPixelOffsetAt) != kBitmapHeaderBytes || bytes.size() != kPictureBytes) {
        return "a BMP picture whose pixels do not follow its headers in " +
               std::to_string(kPictureBytes) + " bytes";
    }
    return std::nullopt;
}

}  // namespace halvenmark::catalogue
