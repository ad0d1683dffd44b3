#include "link/FrameBuffer.h"

#include <algorithm>
#include <cassert>

namespace halvenmark {

std::size_t FrameBuffer::index(int position) {
    assert(position >= 1 && position <= kSize);
    return static_cast<std::size_t>(std::clamp(position, 1, kSize) - 1);
}

void FrameBuffer::assign(std::span<const std::uint8_t> bytes) {
    const std::size_t count = std::min<std::size_t>(bytes.size(), kSize);
    std::copy_n(bytes.begin(), count, bytes_.begin());
    std::fill(bytes_.begin() + static_cast<std::ptrdiff_t>(count), bytes_.end(), kPadByte);
}

void FrameBuffer::assign(std::string_view text) {
    assign(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

bool FrameBuffer::startsWith(std::string_view text) const {
    if (text.size() > bytes_.size()) {
        return false;
    }
    return std::equal(text.begin(), text.end(), bytes_.begin(),
                      [](char c, std::uint8_t b) { return static_cast<std::uint8_t>(c) == b; });
}

std::span<const std::uint8_t> FrameBuffer::first(int count) const {
    return std::span(bytes_).first(static_cast<std::size_t>(std::clamp(count, 0, kSize)));
}

}  // namespace halvenmark
