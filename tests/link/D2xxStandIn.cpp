// A stand-in for the vendor's D2XX library: the FT_* calls the updater makes, exported with
// the vendor's names and calling convention, answered by the simulated adapter. Extra exports
// let a test attach adapters and queue replies.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "link/D2xxApi.h"
#include "sim/ScriptedPeer.h"
#include "sim/SimAdapter.h"

#ifdef _WIN32
#define STANDIN_EXPORT extern "C" __declspec(dllexport)
#else
#define STANDIN_EXPORT extern "C" __attribute__((visibility("default")))
#endif

using halvenmark::d2xx::Handle;
using halvenmark::d2xx::Status;

namespace {

struct StandIn {
    StandIn() { adapter.setPeer(&peer); }
    halvenmark::sim::SimAdapter adapter;
    halvenmark::sim::ScriptedPeer peer;
    std::vector<std::string> attached;  // for the device listing, in the order attached
};

StandIn& standIn() {
    static StandIn instance;
    return instance;
}

halvenmark::sim::SimAdapter& sim() {
    return standIn().adapter;
}

}  // namespace

STANDIN_EXPORT void StandIn_Attach(const char* description) {
    sim().attach(description);
    standIn().attached.emplace_back(description);
}

STANDIN_EXPORT void StandIn_QueueReply(const char* reply) {
    standIn().peer.queue(std::string_view(reply));
}

STANDIN_EXPORT std::uint32_t StandIn_CallCount() {
    return static_cast<std::uint32_t>(sim().calls().size());
}

STANDIN_EXPORT Status HALVENMARK_D2XX_CALL FT_OpenEx(void* arg, std::uint32_t flags,
                                                     Handle* handle) {
    return sim().OpenEx(static_cast<const char*>(arg), flags, handle);
}
STANDIN_EXPORT Status HALVENMARK_D2XX_CALL FT_Close(Handle h) {
    return sim().Close(h);
}
STANDIN_EXPORT Status HALVENMARK_D2XX_CALL FT_Read(Handle h, void* b, std::uint32_t n,
                                                   std::uint32_t* r) {
    return sim().Read(h, b, n, r);
}
STANDIN_EXPORT Status HALVENMARK_D2XX_CALL FT_Write(Handle h, void* b, std::uint32_t n,
                                                    std::uint32_t* w) {
    return sim().Write(h, b, n, w);
}
STANDIN_EXPORT Status HALVENMARK_D2XX_CALL FT_Purge(Handle h, std::uint32_t mask) {
    return sim().Purge(h, mask);
}
STANDIN_EXPORT Status HALVENMARK_D2XX_CALL FT_SetBaudRate(Handle h, std::uint32_t baud) {
    return sim().SetBaudRate(h, baud);
}
STANDIN_EXPORT Status HALVENMARK_D2XX_CALL FT_SetBitMode(Handle h, std::uint8_t mask,
                                                         std::uint8_t mode) {
    return sim().SetBitMode(h, mask, mode);
}
STANDIN_EXPORT Status HALVENMARK_D2XX_CALL FT_SetFlowControl(Handle h, std::uint16_t flow,
                                                             std::uint8_t xon, std::uint8_t xoff) {
    return sim().SetFlowControl(h, flow, xon, xoff);
}
STANDIN_EXPORT Status HALVENMARK_D2XX_CALL FT_SetLatencyTimer(Handle h, std::uint8_t ms) {
    return sim().SetLatencyTimer(h, ms);
}
STANDIN_EXPORT Status HALVENMARK_D2XX_CALL FT_SetUSBParameters(Handle h, std::uint32_t in,
                                                               std::uint32_t out) {
    return sim().SetUSBParameters(h, in, out);
}
STANDIN_EXPORT Status HALVENMARK_D2XX_CALL FT_SetDataCharacteristics(Handle h, std::uint8_t bits,
                                                                     std::uint8_t stop,
                                                                     std::uint8_t parity) {
    return sim().SetDataCharacteristics(h, bits, stop, parity);
}
STANDIN_EXPORT Status HALVENMARK_D2XX_CALL FT_SetChars(Handle h, std::uint8_t ev, std::uint8_t evOn,
                                                       std::uint8_t er, std::uint8_t erOn) {
    return sim().SetChars(h, ev, evOn, er, erOn);
}
STANDIN_EXPORT Status HALVENMARK_D2XX_CALL FT_SetTimeouts(Handle h, std::uint32_t readMs,
                                                          std::uint32_t writeMs) {
    return sim().SetTimeouts(h, readMs, writeMs);
}

// The listing: every attached adapter as an FT232R with a made-up serial; none open elsewhere.
STANDIN_EXPORT Status HALVENMARK_D2XX_CALL FT_CreateDeviceInfoList(std::uint32_t* count) {
    *count = static_cast<std::uint32_t>(standIn().attached.size());
    return 0;
}
STANDIN_EXPORT Status HALVENMARK_D2XX_CALL
FT_GetDeviceInfoList(halvenmark::d2xx::DeviceListNode* nodes, std::uint32_t* count) {
    const auto& attached = standIn().attached;
    *count = static_cast<std::uint32_t>(attached.size());
    for (std::size_t i = 0; i < attached.size(); ++i) {
        nodes[i] = {};
        nodes[i].id = 0x04036001;
        std::snprintf(nodes[i].serialNumber, sizeof nodes[i].serialNumber, "SI%06zu", i + 1);
        std::strncpy(nodes[i].description, attached[i].c_str(), sizeof nodes[i].description - 1);
    }
    return 0;
}
