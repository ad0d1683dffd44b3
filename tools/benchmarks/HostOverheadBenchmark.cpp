// The updater's own time per exchange, with a device that answers at once (no wire, no
// latency): what the program adds to every frame. Also counts heap allocations per exchange.
//
//   cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DHALVENMARK_BENCHMARKS=ON
//   cmake --build build/bench --target halvenmark_host_benchmark
//   build/bench/tools/halvenmark_host_benchmark
#include <benchmark/benchmark.h>

#include <array>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>

#include "app/FrmStart.h"
#include "catalogue/Identification.h"
#include "catalogue/ImageStore.h"
#include "catalogue/VersionCodes.h"
#include "protocol/Frames.h"
#include "protocol/MemoryLoops.h"
#include "resources/EmbeddedResources.h"
#include "sim/NullView.h"

namespace {

std::atomic<std::int64_t> allocations{0};

}  // namespace

void* operator new(std::size_t size) {
    ++allocations;
    if (void* p = std::malloc(size == 0 ? 1 : size))
        return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

namespace {

using namespace halvenmark;

// A driver with the device behind it and no time at all: every frame is answered before the
// write returns, from fixed buffers, without allocating.
class ZeroLatencyDevice : public FtDriver {
  public:
    explicit ZeroLatencyDevice(bool byteAddressed) : bytes_(byteAddressed) {
        memory_.fill(0xFF);
        memory_[identityOffset()] = ScrambleByte(byteAddressed ? 0x0C : 0x01);
        memory_[identityOffset() + 2] = ScrambleByte(0x23);
        memory_[identityOffset() + 4] = ScrambleByte(byteAddressed ? 15 : 14);
    }
    std::array<std::uint8_t, 16384>& memory() { return memory_; }

    FtStatus OpenEx(const char*, std::uint32_t, FtHandle* h) override {
        *h = this;
        return ft::kOk;
    }
    FtStatus Close(FtHandle) override { return ft::kOk; }
    FtStatus Purge(FtHandle, std::uint32_t) override {
        pending_ = 0;
        return ft::kOk;
    }
    FtStatus Write(FtHandle, const void* buffer, std::uint32_t n, std::uint32_t* written) override {
        *written = n;
        answer(static_cast<const std::uint8_t*>(buffer), n);
        return ft::kOk;
    }
    FtStatus Read(FtHandle, void* buffer, std::uint32_t n, std::uint32_t* got) override {
        const std::uint32_t count = std::min(n, pending_ - offset_);
        std::memcpy(buffer, reply_.data() + offset_, count);
        offset_ += count;
        *got = count;
        return ft::kOk;
    }
    FtStatus SetBaudRate(FtHandle, std::uint32_t) override { return ft::kOk; }
    FtStatus SetBitMode(FtHandle, std::uint8_t, std::uint8_t) override { return ft::kOk; }
    FtStatus SetFlowControl(FtHandle, std::uint16_t, std::uint8_t, std::uint8_t) override {
        return ft::kOk;
    }
    FtStatus SetLatencyTimer(FtHandle, std::uint8_t) override { return ft::kOk; }
    FtStatus SetUSBParameters(FtHandle, std::uint32_t, std::uint32_t) override { return ft::kOk; }
    FtStatus SetDataCharacteristics(FtHandle, std::uint8_t, std::uint8_t, std::uint8_t) override {
        return ft::kOk;
    }
    FtStatus SetChars(FtHandle, std::uint8_t, std::uint8_t, std::uint8_t, std::uint8_t) override {
        return ft::kOk;
    }
    FtStatus SetTimeouts(FtHandle, std::uint32_t, std::uint32_t) override { return ft::kOk; }

  private:
    std::size_t identityOffset() const { return bytes_ ? 0x10 : 0x20; }
    std::size_t offsetOf(int address) const { return bytes_ ? address : 2 * address; }

    void answer(const std::uint8_t* frame, std::uint32_t n) {
        offset_ = 0;
        const int address = n >= 4 ? frame[2] + 256 * frame[3] : 0;
        if (frame[0] == 'W' && frame[1] == 'M') {
            std::memcpy(memory_.data() + offsetOf(address), frame + 4, n - 5);
            set({'W', 'M', 1});
        } else if (frame[0] == 'R' && frame[1] == 'M') {
            const std::uint32_t data = bytes_ ? 16 : 8;
            reply_[0] = 'R';
            reply_[1] = 'M';
            std::uint8_t checksum = frames::checksumSeed(address);
            for (std::uint32_t i = 0; i < data; ++i) {
                reply_[2 + i] = memory_[offsetOf(address) + i];
                checksum ^= reply_[2 + i];
            }
            reply_[2 + data] = checksum;
            reply_[3 + data] = 0;
            pending_ = data + 4;
        } else if (frame[0] == 'I') {
            set({'I', 'F', 0x20, 0x18, 0, 0});
        } else {
            std::memcpy(reply_.data(), frame, n);  // VNR, EX
            pending_ = n;
        }
    }
    void set(std::initializer_list<std::uint8_t> bytes) {
        std::copy(bytes.begin(), bytes.end(), reply_.begin());
        pending_ = static_cast<std::uint32_t>(bytes.size());
    }

    bool bytes_;
    std::array<std::uint8_t, 16384> memory_{};
    std::array<std::uint8_t, 256> reply_{};
    std::uint32_t pending_ = 0;
    std::uint32_t offset_ = 0;
};

struct Bench {
    explicit Bench(bool byteAddressed) : device(byteAddressed) {
        link.OpenAdapter();
        state.ImageData.assign(16384, 0);
        for (std::size_t i = 0; i < state.ImageData.size(); ++i)
            state.ImageData[i] = static_cast<std::uint8_t>(i * 7);
        std::copy(state.ImageData.begin(), state.ImageData.end(), device.memory().begin());
        state.ImageSize = 4096;
        state.WriteBlockSize = 64;
        state.ReadBlockSize = 16;
    }
    ZeroLatencyDevice device;
    LinkState state;
    HMUModule link{state, device};
    sim::NullView view;
    resources::EmbeddedStore store;
    Session session{state, link, view, store};
    MemoryLoops loops{session};
};

// Runs one memory loop per iteration and reports time and allocations per exchange.
template <typename Setup, typename Loop>
void perExchange(benchmark::State& st, bool byteAddressed, int exchanges, Setup setup, Loop loop) {
    Bench bench(byteAddressed);
    std::int64_t allocated = 0;
    for (auto _ : st) {
        setup(bench.state);
        const std::int64_t before = allocations;
        loop(bench.loops);
        allocated += allocations - before;
    }
    st.counters["exchanges"] = benchmark::Counter(
        static_cast<double>(exchanges),
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    st.counters["allocs_per_exchange"] =
        static_cast<double>(allocated) / static_cast<double>(st.iterations() * exchanges);
}

void firstForm(LinkState& s) {
    s.StartAddress = 0x0C00;
    s.EndAddress = 0x0FFC;
    s.ImageIndex = 0x1800;
}

void secondForm(LinkState& s, std::int16_t last) {
    s.StartAddress = 0x0C00;
    s.EndAddress = last;
}

void BM_FirstFormWrite(benchmark::State& st) {
    perExchange(st, false, 256, firstForm, [](MemoryLoops& l) { l.WriteMemoryRange(); });
}
void BM_FirstFormVerify(benchmark::State& st) {
    perExchange(st, false, 256, firstForm, [](MemoryLoops& l) { l.VerifyMemoryRange(); });
}
void BM_SecondFormWrite(benchmark::State& st) {
    perExchange(
        st, true, 80, [](LinkState& s) { secondForm(s, 0x1FC0); },
        [](MemoryLoops& l) { l.WriteMemoryBlocks(); });
}
void BM_SecondFormVerify(benchmark::State& st) {
    perExchange(
        st, true, 320, [](LinkState& s) { secondForm(s, 0x1FF0); },
        [](MemoryLoops& l) { l.VerifyMemoryBlocks(); });
}

// A whole identification of the 8 KiB receiver: 5 exchanges and the image's preparation.
void BM_Identification(benchmark::State& st) {
    Bench bench(true);
    for (auto _ : st) {
        bench.state.OperationFailed = 0;
        Identification(bench.session).CheckDevice();
        if (bench.state.OperationFailed != 0)
            st.SkipWithError("identification failed");
    }
    st.counters["exchanges"] = benchmark::Counter(
        4, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

BENCHMARK(BM_FirstFormWrite);
BENCHMARK(BM_FirstFormVerify);
BENCHMARK(BM_SecondFormWrite);
BENCHMARK(BM_SecondFormVerify);
BENCHMARK(BM_Identification);

}  // namespace

BENCHMARK_MAIN();
