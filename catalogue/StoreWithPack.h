#pragma once

#include "catalogue/FirmwarePack.h"
#include "catalogue/ResourceStore.h"

namespace halvenmark::catalogue {

// The built-in store with a firmware pack laid over it: each resource the pack holds replaces
// the built-in one of the same type and id, as the product's; the others stay as built.
class StoreWithPack : public StoreWithOrigins {
  public:
    StoreWithPack(const StoreWithOrigins& built, const FirmwarePack& pack)
        : built_(built), pack_(pack) {}

    std::optional<std::span<const std::uint8_t>> find(ResourceType type, int id) const override;
    std::optional<ResourceOrigin> origin(ResourceType type, int id) const override;

  private:
    const StoreWithOrigins& built_;
    const FirmwarePack& pack_;
};

}  // namespace halvenmark::catalogue
