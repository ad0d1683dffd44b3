#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace halvenmark {

// A 256-byte frame buffer addressed by 1-based positions, as every frame layout counts them.
// Filling it from a shorter byte string pads the rest with spaces (0x20); single positions
// are written without touching the others.
class FrameBuffer {
  public:
    static constexpr int kSize = 256;
    static constexpr std::uint8_t kPadByte = 0x20;

    std::uint8_t& at(int position) { return bytes_[index(position)]; }
    std::uint8_t at(int position) const { return bytes_[index(position)]; }

    void assign(std::span<const std::uint8_t> bytes);
    void assign(std::string_view text);
    void fill(std::uint8_t value) { bytes_.fill(value); }

    // True when the bytes from position 1 on equal `text` exactly (case-sensitive).
    bool startsWith(std::string_view text) const;

    // Raw storage, position 1 first, for the driver calls.
    std::uint8_t* data() { return bytes_.data(); }
    const std::uint8_t* data() const { return bytes_.data(); }
    std::span<const std::uint8_t> first(int count) const;

  private:
    static std::size_t index(int position);

    std::array<std::uint8_t, kSize> bytes_{};
};

}  // namespace halvenmark
