// Device replies of any content and length, through start-up, identification and flashing.
// The fuzzer's bytes are the device: each frame the updater sends is answered with the next
// piece of them (a length byte, then that many bytes), or with nothing once they run out.
#include <cstddef>
#include <cstdint>
#include <span>

#include "app/FrmStart.h"
#include "app/UpdaterOperations.h"
#include "resources/EmbeddedResources.h"
#include "sim/NullView.h"
#include "sim/SimAdapter.h"

namespace {

using namespace halvenmark;

class FuzzedDevice : public sim::SerialPeer {
  public:
    explicit FuzzedDevice(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
    sim::PeerReply onFrame(std::span<const std::uint8_t>) override {
        if (bytes_.empty())
            return {};
        const std::size_t length = std::min<std::size_t>(bytes_[0], bytes_.size() - 1);
        sim::PeerReply reply{
            {bytes_.begin() + 1, bytes_.begin() + 1 + static_cast<std::ptrdiff_t>(length)}};
        bytes_ = bytes_.subspan(1 + length);
        return reply;
    }

  private:
    std::span<const std::uint8_t> bytes_;
};

const char* const kAdapters[] = {"Halvenmark Device Programmer", "Halvenmark Telemetry Station",
                                 "Halvenmark Serial Link"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1)
        return 0;
    static const resources::EmbeddedStore store;
    const std::uint8_t setup = data[0];
    FuzzedDevice device({data + 1, size - 1});
    sim::SimAdapter adapter;
    adapter.setCallLogEnabled(false);
    adapter.attach(kAdapters[setup % 3]);
    adapter.setReplyParts(1 + (setup >> 2) % 3);
    adapter.setPeer(&device);
    LinkState state;
    HMUModule link(state, adapter);
    sim::NullView view;
    const Session session{state, link, view, store};
    UpdaterOperations operations(session);
    FrmStart window(state, link, view, operations);
    if (window.Load({}) != FrmStart::LoadResult::ShowWindow)
        return 0;
    window.ButtonClick(kFindDeviceButton);
    if (view.visible[kFlashDeviceButton]) {
        window.ButtonClick(kFlashDeviceButton);
    }
    return 0;
}
