#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

// The stored form of the firmware images. Every image byte takes four stored bytes s0..s3:
//   sum   = (s1 + s2 + s3) mod 256
//   byte  = s0 XOR (v mod 256) XOR sum,   then v += sum
// with the running value v starting at 0xC3 for each image and never reduced.
namespace halvenmark::codec {

constexpr std::int32_t kStartingKey = 0xC3;
constexpr std::size_t kStoredBytesPerByte = 4;

// Stored bytes needed for an image of `imageBytes` bytes.
constexpr std::size_t storedSize(std::size_t imageBytes) {
    return imageBytes * kStoredBytesPerByte;
}

// Turns a raw image into its stored form, the exact inverse of the decoding. s1..s3 come from
// a generator seeded with `fillerSeed`; the stored form is padded to `storedBytes` (at least
// storedSize(image.size())) with more of the same.
std::vector<std::uint8_t> encode(std::span<const std::uint8_t> image, std::uint32_t fillerSeed,
                                 std::size_t storedBytes);

// Decodes the first `imageBytes` bytes of an image; empty when `stored` is too short.
std::vector<std::uint8_t> decode(std::span<const std::uint8_t> stored, std::size_t imageBytes);

}  // namespace halvenmark::codec
