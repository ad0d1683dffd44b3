#include "sim/SerialLine.h"

#include <algorithm>
#include <utility>

namespace halvenmark::sim {

std::vector<SerialLine::Burst> SerialLine::send(std::span<const std::uint8_t> frame, Duration now,
                                                bool deviceHears) {
    std::vector<Burst> back;
    const Duration txStart = std::max(now, freeAt_);
    const Duration txEnd = txStart + timeOf_(frame.size());
    wire_ += txEnd - txStart;
    freeAt_ = txEnd;
    if (echoes_) {
        // The one-wire line returns every byte sent, as it is sent.
        Burst echo;
        echo.bytes.assign(frame.begin(), frame.end());
        echo.bytes.resize(frame.size() -
                          std::min<std::size_t>(frame.size(), std::exchange(echoShortfall_, 0)));
        echo.firstIn = txStart + timeOf_(1);
        echo.lastIn = txStart + timeOf_(echo.bytes.size());
        if (!echo.bytes.empty())
            back.push_back(std::move(echo));
    }
    // The device and the line's faults are asked in this order on every adapter, so that a seed
    // draws the same faults on all of them.
    PeerReply reply = deviceHears && device_ != nullptr ? device_->onFrame(frame) : PeerReply{};
    if (faults_ != nullptr && !reply.bytes.empty()) {
        faults_->onReply(reply.bytes);
    }
    if (reply.bytes.empty()) {
        return back;
    }
    const bool split = faults_ != nullptr && faults_->splitReplies();
    const std::size_t parts =
        static_cast<std::size_t>(split ? std::max(replyParts_, 2) : std::max(replyParts_, 1));
    const std::size_t partSize = std::max<std::size_t>((reply.bytes.size() + parts - 1) / parts, 1);
    Duration partStart = txEnd + reply.processingTime;
    for (std::size_t first = 0; first < reply.bytes.size(); first += partSize) {
        Burst part;
        const std::size_t count = std::min(partSize, reply.bytes.size() - first);
        part.bytes.assign(reply.bytes.begin() + static_cast<long>(first),
                          reply.bytes.begin() + static_cast<long>(first + count));
        part.firstIn = partStart + timeOf_(1);
        part.lastIn = partStart + timeOf_(count);
        wire_ += part.lastIn - partStart;
        freeAt_ = part.lastIn;
        back.push_back(std::move(part));
        partStart = freeAt_ + kSplitPause;
    }
    return back;
}

}  // namespace halvenmark::sim
