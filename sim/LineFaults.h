#pragma once

#include <cstdint>
#include <vector>

namespace halvenmark::sim {

// Faults of the adapter and the line itself, consulted per call.
class LineFaults {
  public:
    virtual ~LineFaults() = default;
    virtual bool purgeFails() = 0;
    virtual bool splitReplies() = 0;
    // May drop the reply (clear it) or change its bytes.
    virtual void onReply(std::vector<std::uint8_t>& reply) = 0;
};

}  // namespace halvenmark::sim
