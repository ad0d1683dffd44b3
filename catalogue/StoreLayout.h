#pragma once

#include <cstddef>
#include <span>
#include <string>

#include "catalogue/ResourceStore.h"

namespace halvenmark::catalogue {

// One resource the store has room for: its type, id and the exact size of its stored bytes.
// The ids, types and sizes are fixed; what fills them (the built-in files or a firmware pack)
// is not.
struct StoreSlot {
    ResourceType type;
    int id;
    std::size_t bytes;
};

// A device picture: a 160 x 120 bitmap of 24 bits per pixel, uncompressed, behind the 54 bytes
// of the file and information headers.
constexpr int kPictureWidth = 160;
constexpr int kPictureHeight = 120;
constexpr std::size_t kBitmapHeaderBytes = 54;
constexpr std::size_t kPictureBytes = kBitmapHeaderBytes + kPictureWidth * kPictureHeight * 3;

constexpr StoreSlot kStoreLayout[] = {
    // auxiliary images
    {ResourceType::Jpg, 1, 656},
    {ResourceType::Jpg, 2, 960},
    // firmware images (108 is stored at 64 KiB, of which its 4096-word devices use half)
    {ResourceType::Jpg, 100, 32768},
    {ResourceType::Jpg, 101, 32768},
    {ResourceType::Jpg, 102, 32768},
    {ResourceType::Jpg, 103, 32768},
    {ResourceType::Jpg, 104, 32768},
    {ResourceType::Jpg, 105, 32768},
    {ResourceType::Jpg, 106, 32768},
    {ResourceType::Jpg, 107, 65536},
    {ResourceType::Jpg, 108, 65536},
    {ResourceType::Jpg, 200, 32768},
    {ResourceType::Jpg, 201, 32768},
    {ResourceType::Jpg, 202, 32768},
    {ResourceType::Jpg, 203, 32768},
    {ResourceType::Jpg, 204, 32768},
    {ResourceType::Jpg, 205, 32768},
    {ResourceType::Jpg, 206, 32768},
    {ResourceType::Jpg, 207, 32768},
    {ResourceType::Jpg, 208, 32768},
    {ResourceType::Jpg, 209, 32768},
    {ResourceType::Jpg, 212, 32768},
    {ResourceType::Jpg, 300, 65536},
    {ResourceType::Jpg, 400, 65536},
    // device pictures (100 is the generic one)
    {ResourceType::Bitmap, 100, kPictureBytes},
    {ResourceType::Bitmap, 101, kPictureBytes},
    {ResourceType::Bitmap, 102, kPictureBytes},
    {ResourceType::Bitmap, 103, kPictureBytes},
    {ResourceType::Bitmap, 104, kPictureBytes},
    {ResourceType::Bitmap, 105, kPictureBytes},
    {ResourceType::Bitmap, 201, kPictureBytes},
    {ResourceType::Bitmap, 202, kPictureBytes},
    {ResourceType::Bitmap, 203, kPictureBytes},
    {ResourceType::Bitmap, 204, kPictureBytes},
    {ResourceType::Bitmap, 205, kPictureBytes},
    {ResourceType::Bitmap, 206, kPictureBytes},
    {ResourceType::Bitmap, 207, kPictureBytes},
    {ResourceType::Bitmap, 208, kPictureBytes},
    {ResourceType::Bitmap, 209, kPictureBytes},
    {ResourceType::Bitmap, 210, kPictureBytes},
    {ResourceType::Bitmap, 211, kPictureBytes},
    {ResourceType::Bitmap, 212, kPictureBytes},
    {ResourceType::Bitmap, 300, kPictureBytes},
};

constexpr const StoreSlot* storeSlot(ResourceType type, int id) {
    for (const StoreSlot& slot : kStoreLayout) {
        if (slot.type == type && slot.id == id)
            return &slot;
    }
    return nullptr;
}

// Every slot filled: the most a whole store (or a firmware pack) can hold.
constexpr std::size_t storeTotalBytes() {
    std::size_t total = 0;
    for (const StoreSlot& slot : kStoreLayout)
        total += slot.bytes;
    return total;
}

// The store's folders and files: jpg/ID.bin for the "JPG" resources, pictures/ID.bmp for the
// bitmaps.
std::string resourcePath(ResourceType type, int id);
const char* typeName(ResourceType type);

}  // namespace halvenmark::catalogue
