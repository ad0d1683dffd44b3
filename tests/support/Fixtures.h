#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "catalogue/ResourceStore.h"
#include "catalogue/Session.h"
#include "link/HMUModule.h"
#include "protocol/Frames.h"
#include "resources/EmbeddedResources.h"
#include "sim/ScriptedPeer.h"
#include "sim/SimAdapter.h"
#include "support/RecordingView.h"

namespace halvenmark::testing {

// A store with only the resources a test puts into it.
class FakeStore : public ResourceStore {
  public:
    std::map<std::pair<ResourceType, int>, std::vector<std::uint8_t>> resources;

    std::optional<std::span<const std::uint8_t>> find(ResourceType type, int id) const override {
        const auto found = resources.find({type, id});
        if (found == resources.end())
            return std::nullopt;
        return std::span<const std::uint8_t>(found->second);
    }
};

// The routines over the simulated Device Programmer with a scripted peer: for faults that must
// land on one exact frame.
struct ScriptedLink {
    ScriptedLink() {
        adapter.attach("Halvenmark Device Programmer");
        adapter.setPeer(&peer);
        link.OpenAdapter();
        adapter.clearCalls();
    }

    // The frames the peer received, as byte vectors.
    const std::vector<std::vector<std::uint8_t>>& frames() const { return peer.frames(); }

    sim::SimAdapter adapter;
    sim::ScriptedPeer peer;
    LinkState state;
    HMUModule link{state, adapter};
    RecordingView view;
    resources::EmbeddedStore store;
    Session session{state, link, view, store};
};

inline std::vector<std::uint8_t> bytesOf(std::string_view text) {
    return {text.begin(), text.end()};
}

// A sound read reply for `address` carrying `data`: "RM", the data, its checksum, a trailing byte.
inline std::vector<std::uint8_t> readReply(int address, std::span<const std::uint8_t> data) {
    std::vector<std::uint8_t> reply{'R', 'M'};
    std::uint8_t checksum = frames::checksumSeed(address);
    for (std::uint8_t value : data) {
        reply.push_back(value);
        checksum ^= value;
    }
    reply.push_back(checksum);
    reply.push_back(0x00);
    return reply;
}

}  // namespace halvenmark::testing
