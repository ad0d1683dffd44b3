#include "sim/DeviceLoader.h"

#include <random>
#include <string_view>

#include "catalogue/DeviceCatalogue.h"
#include "catalogue/VersionCodes.h"
#include "flash/Routes.h"
#include "protocol/Frames.h"

namespace halvenmark::sim {

namespace {

constexpr int kIdentityAddress = 0x0010;
constexpr std::size_t kWordReadBytes = 8;
constexpr std::size_t kByteReadBytes = 16;
constexpr std::size_t kByteWriteBytes = 64;
constexpr std::uint8_t kTrailingByte = 0x00;
constexpr std::size_t kDefaultMemoryBytes = 8192;

std::vector<std::uint8_t> bytes(std::string_view text) {
    return {text.begin(), text.end()};
}

bool startsWith(std::span<const std::uint8_t> frame, std::string_view prefix) {
    return frame.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), frame.begin(),
                      [](char c, std::uint8_t b) { return static_cast<std::uint8_t>(c) == b; });
}

int frameAddress(std::span<const std::uint8_t> frame) {
    return frame[2] + 256 * frame[3];
}

}  // namespace

MemoryForm DeviceLoader::formFor(std::uint8_t identityCode) {
    const DeviceTypeEntry* row = catalogue::lookup(identityCode);
    if (row == nullptr) {
        return MemoryForm::Words;
    }
    const routes::Route& route = routes::routeFor(row->imageId);
    return route.update != nullptr ? MemoryForm::Bytes : MemoryForm::Words;
}

std::size_t DeviceLoader::memoryBytesFor(std::uint8_t identityCode) {
    const DeviceTypeEntry* row = catalogue::lookup(identityCode);
    return row == nullptr ? kDefaultMemoryBytes : static_cast<std::size_t>(2 * row->imageSize);
}

DeviceLoader::DeviceLoader(const DeviceConfig& config, FaultPlan* faults)
    : config_(config),
      faults_(faults),
      form_(formFor(config.identityCode)),
      memory_(memoryBytesFor(config.identityCode)),
      written_(memory_.size(), false) {
    std::mt19937 random(config.seed);
    for (std::uint8_t& value : memory_) {
        value = static_cast<std::uint8_t>(random());
    }
    // The identity block, as the identity read at 0x0010 finds it: code, version and CPU at
    // data bytes 0, 2 and 4.
    const std::size_t identity = offsetOf(kIdentityAddress);
    memory_[identity] = ScrambleByte(config.identityCode);
    memory_[identity + 2] = ScrambleByte(config.version);
    memory_[identity + 4] = ScrambleByte(config.cpu);
    // The version bytes of the memory-end read: its last two data bytes.
    memory_[memory_.size() - 2] = ScrambleByte(config.memoryEndVersion);
    memory_[memory_.size() - 1] = ScrambleByte(config.memoryEndCheck);
    initial_ = memory_;
}

std::size_t DeviceLoader::offsetOf(int address) const {
    return form_ == MemoryForm::Words ? static_cast<std::size_t>(2 * address)
                                      : static_cast<std::size_t>(address);
}

PeerReply DeviceLoader::onFrame(std::span<const std::uint8_t> frame) {
    if (faults_ != nullptr && faults_->silent()) {
        return {};
    }
    if (startsWith(frame, "WM") && frame.size() > 5) {
        return writeMemory(frame);
    }
    if (startsWith(frame, "RM") && frame.size() == 4) {
        return readMemory(frame);
    }
    return control(frame);
}

PeerReply DeviceLoader::writeMemory(std::span<const std::uint8_t> frame) {
    const std::size_t dataBytes = frame.size() - 5;
    const int address = frameAddress(frame);
    const std::size_t offset = offsetOf(address);
    std::uint8_t checksum = frames::checksumSeed(address);
    for (std::size_t i = 0; i < dataBytes; ++i) {
        checksum ^= frame[4 + i];
    }
    const std::size_t expected = form_ == MemoryForm::Words ? kWordReadBytes : kByteWriteBytes;
    const bool sound =
        dataBytes == expected && checksum == frame.back() && offset + dataBytes <= memory_.size();
    if (!sound || (faults_ != nullptr && faults_->refuseWrite())) {
        return {{'W', 'M', 0}};
    }
    for (std::size_t i = 0; i < dataBytes; ++i) {
        memory_[offset + i] = frame[4 + i];
        written_[offset + i] = true;
    }
    if (faults_ != nullptr && faults_->storeFlip()) {
        const std::size_t position = offset + faults_->random()() % dataBytes;
        memory_[position] ^= static_cast<std::uint8_t>(1u << (faults_->random()() % 8));
    }
    return {{'W', 'M', frames::kWriteAccepted}, config_.programmingTime};
}

PeerReply DeviceLoader::readMemory(std::span<const std::uint8_t> frame) {
    const std::size_t dataBytes = form_ == MemoryForm::Words ? kWordReadBytes : kByteReadBytes;
    const int address = frameAddress(frame);
    const std::size_t offset = offsetOf(address);
    if (offset + dataBytes > memory_.size()) {
        return {};
    }
    std::vector<std::uint8_t> reply{'R', 'M'};
    reply.insert(reply.end(), memory_.begin() + static_cast<std::ptrdiff_t>(offset),
                 memory_.begin() + static_cast<std::ptrdiff_t>(offset + dataBytes));
    if (faults_ != nullptr && faults_->corruptRead()) {
        reply[2 + faults_->random()() % dataBytes] ^= 0x5A;
    }
    std::uint8_t checksum = frames::checksumSeed(address);
    for (std::size_t i = 0; i < dataBytes; ++i) {
        checksum ^= reply[2 + i];
    }
    if (faults_ != nullptr && faults_->badChecksumRead()) {
        checksum ^= 0xFF;
    }
    reply.push_back(checksum);
    reply.push_back(kTrailingByte);
    if (faults_ != nullptr && faults_->badHeaderRead()) {
        reply[0] = 'Q';
        reply[1] = 'X';
    }
    return {reply};
}

PeerReply DeviceLoader::control(std::span<const std::uint8_t> frame) {
    if (startsWith(frame, "VNR") && frame.size() == 3) {
        const auto reply = faults_ != nullptr ? faults_->wakeReply() : std::nullopt;
        return {bytes(reply.value_or("VNR"))};
    }
    if (startsWith(frame, "EX") && (frame.size() == 2 || frame.size() == 4)) {
        const auto reply = faults_ != nullptr ? faults_->exReply() : std::nullopt;
        return {bytes(reply.value_or("EX"))};
    }
    if (startsWith(frame, "IF") && frame.size() == 2) {
        return {{'I', 'F', config_.rfFirst, config_.rfSecond, 0x00, 0x00}};
    }
    return {};  // not a frame this loader knows
}

std::vector<std::pair<int, int>> DeviceLoader::writtenRuns() const {
    std::vector<std::pair<int, int>> runs;
    for (std::size_t i = 0; i < written_.size(); ++i) {
        if (!written_[i]) {
            continue;
        }
        if (!runs.empty() && runs.back().second == static_cast<int>(i) - 1) {
            runs.back().second = static_cast<int>(i);
        } else {
            runs.emplace_back(static_cast<int>(i), static_cast<int>(i));
        }
    }
    return runs;
}

}  // namespace halvenmark::sim
