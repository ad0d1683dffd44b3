#include "tools/doctor/FirmwareProbe.h"

#include "app/FirmwareFacts.h"
#include "catalogue/DeviceCatalogue.h"
#include "catalogue/StoreWithPack.h"
#include "resources/EmbeddedResources.h"

namespace halvenmark::doctor {

FirmwareFacts probeFirmware(const Environment& environment, bool windows,
                            const std::filesystem::path& programFolder) {
    FirmwareFacts facts;
    const auto places = installedPackPlaces(environment, windows, programFolder);
    for (const auto& place : places) {
        facts.places.push_back(place.string());
    }
    facts.catalogueSize = static_cast<int>(catalogue::entries().size());
    const resources::EmbeddedStore built;
    const FirmwareChoice choice = chooseFirmware(std::nullopt, places);
    if (choice.location) {
        facts.location = choice.location->string();
        facts.refusal = choice.refusal;
    }
    if (choice.pack) {
        facts.name = choice.pack->name;
        facts.version = choice.pack->version;
        facts.flashable = flashableDevices(catalogue::StoreWithPack(built, *choice.pack));
    } else if (!choice.refused()) {
        facts.flashable = flashableDevices(built);
    }
    return facts;
}

}  // namespace halvenmark::doctor
