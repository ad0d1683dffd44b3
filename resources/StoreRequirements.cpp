// What the catalogue and the routes need of the store, checked when the store is built in: a
// store that lacks it does not compile, and the compiler's note names the resource's id.
#include "catalogue/DeviceTable.h"
#include "catalogue/ImageCodec.h"
#include "catalogue/StoreLayout.h"
#include "flash/Routes.h"
#include "resources/store_table.h"  // generated from the store's files and manifest

namespace halvenmark::resources {

namespace {

constexpr const StoreTableEntry* entry(ResourceType type, int id) {
    for (const StoreTableEntry& resource : kStoreTable) {
        if (resource.type == type && resource.id == id && resource.size > 0)
            return &resource;
    }
    return nullptr;
}

// A first-form area of eight bytes per address step of four.
constexpr std::size_t bytesWritten(const FirstFormArea& area) {
    return static_cast<std::size_t>((area.end - area.start) / 4 + 1) * 8;
}

// The first catalogue image the store holds in a form too short for its devices' memory, or 0.
// (The store may lack a row's image: identification refuses that device.)
consteval int firstImageTooShort() {
    for (const DeviceTypeEntry& row : catalogue::kDeviceTable) {
        const StoreTableEntry* image = entry(ResourceType::Jpg, row.imageId);
        if (image != nullptr &&
            image->size < codec::storedSize(2 * static_cast<std::size_t>(row.imageSize)))
            return row.imageId;
    }
    return 0;
}

// The first auxiliary image missing, or of another size than the area its route writes, or 0.
consteval int firstAuxiliaryImageAmiss() {
    for (const routes::AuxVariant* aux : {&routes::kAuxA, &routes::kAuxB}) {
        const StoreTableEntry* image = entry(ResourceType::Jpg, aux->auxResId);
        if (image == nullptr || image->size != bytesWritten(aux->area))
            return aux->auxResId;
    }
    return 0;
}

consteval bool holds(ResourceType type, int id) {
    return entry(type, id) != nullptr;
}

// The first resource built in that has no slot in the store's layout, or another size than its
// slot's, or 0.
consteval int firstOutOfLayout() {
    for (const StoreTableEntry& resource : kStoreTable) {
        const catalogue::StoreSlot* slot = catalogue::storeSlot(resource.type, resource.id);
        if (resource.size > 0 && (slot == nullptr || slot->bytes != resource.size))
            return resource.id;
    }
    return 0;
}

// The layout itself meets what the catalogue and the routes need, so that a firmware pack, whose
// every file has its slot's size, does too.
consteval int firstSlotTooSmall() {
    for (const DeviceTypeEntry& row : catalogue::kDeviceTable) {
        const catalogue::StoreSlot* slot = catalogue::storeSlot(ResourceType::Jpg, row.imageId);
        if (slot != nullptr &&
            slot->bytes < codec::storedSize(2 * static_cast<std::size_t>(row.imageSize)))
            return row.imageId;
    }
    for (const routes::AuxVariant* aux : {&routes::kAuxA, &routes::kAuxB}) {
        const catalogue::StoreSlot* slot = catalogue::storeSlot(ResourceType::Jpg, aux->auxResId);
        if (slot == nullptr || slot->bytes != bytesWritten(aux->area))
            return aux->auxResId;
    }
    return 0;
}

static_assert(firstOutOfLayout() == 0,
              "a resource of the store has no slot of the store's layout, or another size than "
              "its slot: its id is the number the comparison reduces to");
static_assert(firstSlotTooSmall() == 0,
              "a slot of the store's layout is smaller than its devices' memory needs, or an "
              "auxiliary image's slot is not the size its route writes: its id is the number the "
              "comparison reduces to");
static_assert(holds(ResourceType::Bitmap, catalogue::kGenericPictureId),
              "the store lacks the generic device picture (bitmap 100) of the start screen");
static_assert(firstImageTooShort() == 0,
              "a firmware image of the store is shorter than its devices' memory needs: its id "
              "is the number the comparison reduces to");
static_assert(firstAuxiliaryImageAmiss() == 0,
              "an auxiliary image is missing or not the size its route writes: its id is the "
              "number the comparison reduces to");

}  // namespace

}  // namespace halvenmark::resources
