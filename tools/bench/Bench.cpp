#include "tools/bench/Bench.h"

#include <chrono>
#include <cstdio>
#include <utility>

#include "catalogue/Sha256.h"
#include "resources/EmbeddedResources.h"
#include "tools/bench/BenchView.h"
#include "tools/bench/Campaign.h"
#include "tools/bench/UsbBench.h"

namespace halvenmark::bench {

namespace {

constexpr const char* kUsage =
    "usage: halvenmark-bench [OPTIONS] [find|flash|abort|ok ...]   (default: find flash)\n"
    "       halvenmark-bench campaign --runs N [--seed S] [--usb]\n"
    "       halvenmark-bench gui [OPTIONS] [--screenshots DIR] [ACTIONS]\n"
    "       halvenmark-bench usb-run [OPTIONS] -- COMMAND [ARG...]\n"
    "Runs the Halvenmark Firmware Updater's own code against a simulated adapter and device (or,\n"
    "with --usb, through libftdi1 and libusb to emulated adapters) and prints what its window\n"
    "shows. Options: --adapter LIST, --device CODE, --version CODE, --cpu CODE, --rf A,B,\n"
    "--memory-end A,B, --no-device, --seed N, --fault KIND[=VALUE][@find|@flash],\n"
    "--refuse-placeholders, --firmware PACK, --trace, --memory, --timing [--program-us N], --usb,\n"
    "--usb-fault KIND[:ADAPTER]. See halvenmark-bench(1). Exit code: 0 no message box, 1 a\n"
    "message box, 2 a usage error.\n";

}  // namespace

void printMemory(const sim::DeviceLoader& device, std::ostream& out) {
    for (const auto& [first, last] : device.writtenRuns()) {
        char line[48];
        std::snprintf(line, sizeof line, "written: 0x%04X-0x%04X\n", first, last);
        out << line;
    }
    out << "memory-sha256: " << sha256Hex(device.memory()) << '\n';
}

std::chrono::nanoseconds runActions(sim::ProgramRig& rig, BenchView& view,
                                    const std::vector<Action>& actions, std::ostream& out) {
    std::chrono::nanoseconds host{0};
    if (rig.start() != FrmStart::LoadResult::ShowWindow) {
        return host;
    }
    for (const Action& action : actions) {
        if (view.closed()) {
            break;  // the program has ended
        }
        if (!view.buttonVisible(action.button)) {
            out << "skipped: " << action.name << '\n';
            continue;
        }
        view.beginAction();
        const auto started = std::chrono::steady_clock::now();
        rig.press(action.button);
        host += std::chrono::steady_clock::now() - started;
        view.endAction();
    }
    return host;
}

BenchStore::BenchStore(const BenchOptions& options, std::ostream& err) {
    const StoreWithOrigins* images = &embedded_;
    if (options.firmware) {
        catalogue::PackOpening opening = catalogue::openFirmwarePack(*options.firmware);
        if (!opening.pack) {
            err << "halvenmark-bench: firmware pack " << *options.firmware
                << " refused: " << opening.refusal << '\n';
            refused_ = true;
            return;
        }
        pack_ = std::move(opening.pack);
        images = &packed_.emplace(embedded_, *pack_);
    }
    if (options.refusePlaceholders) {
        refusing_.emplace(*images, [this, &err](int) {
            if (!std::exchange(told_, true)) {
                err << "halvenmark-bench: " << resources::kPlaceholderNote << '\n';
            }
        });
    }
}

const ResourceStore& BenchStore::store() const {
    if (refusing_) {
        return *refusing_;
    }
    return packed_ ? static_cast<const ResourceStore&>(*packed_) : embedded_;
}

ModelFigures runSimulated(const BenchOptions& options, std::ostream& out, std::ostream& err) {
    const BenchStore store(options, err);
    if (store.refused()) {
        return {0, {}, {}, {}, kExitUsage};
    }
    BenchView view(out);
    sim::SimulatedRig rig(options.rig, view, store.store());
    rig.adapter().setCallLogEnabled(false);  // the bench prints; it keeps no call log
    if (options.trace) {
        rig.setTrace(&view);
    }
    const std::chrono::nanoseconds host = runActions(rig, view, options.actions, out);
    rig.window().Unload();  // the program ends: its window closes, and the adapter with it
    if (options.memory) {
        printMemory(rig.device(), out);
    }
    const sim::SimAdapter& adapter = rig.adapter();
    return {adapter.framesSent(), adapter.wireTime(), adapter.now(), host,
            view.messageCount() > 0 ? kExitMessageShown : kExitNoMessage};
}

void printTiming(const ModelFigures& figures, std::ostream& out) {
    using Seconds = std::chrono::duration<double>;
    char line[160];
    std::snprintf(line, sizeof line, "timing: exchanges=%lld wire=%.3fs modeled=%.3fs host=%.4fs\n",
                  static_cast<long long>(figures.exchanges), Seconds(figures.wire).count(),
                  Seconds(figures.modeled).count(), Seconds(figures.host).count());
    out << line;
}

int runBench(const BenchOptions& options, std::ostream& out, std::ostream& err) {
    const ModelFigures figures = runSimulated(options, out, err);
    if (options.timing && figures.exitCode != kExitUsage) {
        printTiming(figures, out);
    }
    return figures.exitCode;
}

int benchMain(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (!args.empty() && (args.front() == "--help" || args.front() == "-h")) {
        out << kUsage;
        return kExitNoMessage;
    }
    if (!args.empty() && args.front() == "campaign") {
        const auto campaign = parseCampaign({args.begin() + 1, args.end()}, err);
        return campaign ? runCampaign(*campaign, out, err) : kExitUsage;
    }
    if (!args.empty() && args.front() == "usb-run") {
        return usbRunMain({args.begin() + 1, args.end()}, out, err);
    }
    std::string error;
    const auto options = parseOptions(args, error);
    if (options && !options->usb && !options->usbFaults.empty()) {
        error = "--usb-fault acts on the emulated adapters: it needs --usb";
    }
    if (!options || !error.empty()) {
        err << "halvenmark-bench: " << error << '\n';
        return kExitUsage;
    }
    return options->usb ? runUsbBench(*options, out, err) : runBench(*options, out, err);
}

}  // namespace halvenmark::bench
