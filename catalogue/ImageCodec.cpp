#include "catalogue/ImageCodec.h"

#include <algorithm>

namespace halvenmark::codec {

namespace {

// xorshift32: small, fast and the same on every platform.
class Filler {
  public:
    explicit Filler(std::uint32_t seed) : state_(seed == 0 ? 0x9E3779B9u : seed) {}
    std::uint8_t next() {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return static_cast<std::uint8_t>(state_ >> 24);
    }

  private:
    std::uint32_t state_;
};

}  // namespace

std::vector<std::uint8_t> encode(std::span<const std::uint8_t> image, std::uint32_t fillerSeed,
                                 std::size_t storedBytes) {
    Filler filler(fillerSeed);
    std::vector<std::uint8_t> stored;
    stored.reserve(std::max(storedBytes, storedSize(image.size())));
    // Unsigned, so that a long image wraps instead of overflowing: only the low byte is used.
    std::uint32_t running = kStartingKey;
    for (std::uint8_t value : image) {
        const std::uint8_t s1 = filler.next();
        const std::uint8_t s2 = filler.next();
        const std::uint8_t s3 = filler.next();
        const auto sum = static_cast<std::uint8_t>(s1 + s2 + s3);
        const auto run = static_cast<std::uint8_t>(running & 0xFF);
        stored.push_back(static_cast<std::uint8_t>(value ^ run ^ sum));
        stored.push_back(s1);
        stored.push_back(s2);
        stored.push_back(s3);
        running += sum;
    }
    while (stored.size() < storedBytes) {
        stored.push_back(filler.next());
    }
    return stored;
}

std::vector<std::uint8_t> decode(std::span<const std::uint8_t> stored, std::size_t imageBytes) {
    if (stored.size() < storedSize(imageBytes)) {
        return {};
    }
    std::vector<std::uint8_t> image(imageBytes);
    std::uint32_t running = kStartingKey;
    for (std::size_t i = 0, j = 0; i < imageBytes; ++i, j += kStoredBytesPerByte) {
        const auto sum = static_cast<std::uint8_t>(stored[j + 1] + stored[j + 2] + stored[j + 3]);
        image[i] = static_cast<std::uint8_t>(stored[j] ^ (running & 0xFF) ^ sum);
        running += sum;
    }
    return image;
}

}  // namespace halvenmark::codec
