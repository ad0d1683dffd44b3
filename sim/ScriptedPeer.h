#pragma once

#include <deque>
#include <string_view>
#include <vector>

#include "sim/SerialPeer.h"

namespace halvenmark::sim {

// A peer that answers each frame with the next queued reply (nothing once the queue is empty)
// and keeps every frame it received. Tests use it to land a reply on one exact frame.
class ScriptedPeer : public SerialPeer {
  public:
    void queue(std::vector<std::uint8_t> reply) { replies_.push_back(std::move(reply)); }
    void queue(std::string_view reply) { replies_.emplace_back(reply.begin(), reply.end()); }
    void queueSilence() { replies_.emplace_back(); }

    PeerReply onFrame(std::span<const std::uint8_t> frame) override {
        frames_.emplace_back(frame.begin(), frame.end());
        if (replies_.empty()) {
            return {};
        }
        PeerReply reply{std::move(replies_.front())};
        replies_.pop_front();
        return reply;
    }

    const std::vector<std::vector<std::uint8_t>>& frames() const { return frames_; }
    std::size_t pendingReplies() const { return replies_.size(); }

  private:
    std::deque<std::vector<std::uint8_t>> replies_;
    std::vector<std::vector<std::uint8_t>> frames_;
};

}  // namespace halvenmark::sim
