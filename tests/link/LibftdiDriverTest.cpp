#include "link/LibftdiDriver.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

namespace halvenmark {
namespace {

using ::testing::ElementsAre;

// Records every libftdi call and answers from a small model of the attached adapters, with a
// fake clock so that read time-outs cost no real time.
class RecordingLibftdi : public LibftdiApi {
  public:
    struct Adapter {
        std::string product;
        bool openable = true;
    };

    std::vector<Adapter> adapters;
    std::deque<std::vector<std::uint8_t>> incoming;  // what each readData call returns
    std::vector<std::string> calls;
    Clock::time_point clock{};
    std::chrono::microseconds readCallDuration{0};  // time one readData takes
    int readCalls = 0;
    int failNextRead = 0;

    Context newContext() override { return &context_; }
    void freeContext(Context) override { calls.push_back("free"); }
    int findAll(Context, std::vector<Device>& devices) override {
        for (auto& adapter : adapters) {
            devices.push_back(&adapter);
        }
        return static_cast<int>(adapters.size());
    }
    void freeDeviceList(Context) override { calls.push_back("freeDeviceList"); }
    int productString(Context, Device device, std::string& product) override {
        const auto* adapter = static_cast<Adapter*>(device);
        calls.push_back("productString(" + adapter->product + ")");
        if (!adapter->openable) {
            return -4;
        }
        product = adapter->product;
        return 0;
    }
    int openDevice(Context, Device device) override {
        calls.push_back("open(" + static_cast<Adapter*>(device)->product + ")");
        return 0;
    }
    int close(Context) override {
        calls.push_back("close");
        return 0;
    }
    int setBaudRate(Context, int baud) override {
        calls.push_back("baud(" + std::to_string(baud) + ", bitbang=" + std::to_string(bitbang_) +
                        ")");
        return 0;
    }
    bool bitbangEnabled(Context) override { return bitbang_; }
    void setBitbangEnabled(Context, bool enabled) override { bitbang_ = enabled; }
    int setBitmode(Context, std::uint8_t mask, std::uint8_t mode) override {
        calls.push_back("bitmode(" + std::to_string(mask) + ", " + std::to_string(mode) + ")");
        bitbang_ = true;  // as libftdi marks it
        return 0;
    }
    int setFlowControl(Context, int flow) override {
        calls.push_back("flow(" + std::to_string(flow) + ")");
        return 0;
    }
    int setLatencyTimer(Context, std::uint8_t ms) override {
        calls.push_back("latency(" + std::to_string(ms) + ")");
        return 0;
    }
    int setReadChunkSize(Context, unsigned size) override {
        calls.push_back("chunk(" + std::to_string(size) + ")");
        return 0;
    }
    int setLineProperty8N1(Context) override {
        calls.push_back("8N1");
        return 0;
    }
    int disableEventChar(Context) override {
        calls.push_back("noEventChar");
        return 0;
    }
    int disableErrorChar(Context) override {
        calls.push_back("noErrorChar");
        return 0;
    }
    int purgeBoth(Context) override {
        calls.push_back("tcioflush");
        return 0;
    }
    int readData(Context, std::uint8_t* buffer, int size) override {
        ++readCalls;
        clock += readCallDuration;
        if (failNextRead > 0) {
            --failNextRead;
            return -1;
        }
        if (incoming.empty()) {
            return 0;
        }
        auto& chunk = incoming.front();
        const int count = std::min<int>(size, static_cast<int>(chunk.size()));
        std::copy_n(chunk.begin(), count, buffer);
        chunk.erase(chunk.begin(), chunk.begin() + count);
        if (chunk.empty()) {
            incoming.pop_front();
        }
        return count;
    }
    int writeData(Context, const std::uint8_t*, int size) override {
        calls.push_back("write(" + std::to_string(size) + ")");
        return size;
    }
    Clock::time_point now() override { return clock; }
    void sleepFor(std::chrono::microseconds duration) override { clock += duration; }

  private:
    int context_ = 0;
    bool bitbang_ = false;
};

class LibftdiDriverTest : public ::testing::Test {
  protected:
    FtHandle open(const char* description) {
        FtHandle handle = nullptr;
        EXPECT_EQ(driver.OpenEx(description, ft::kOpenByDescription, &handle), ft::kOk);
        api.calls.clear();
        return handle;
    }

    RecordingLibftdi api;
    LibftdiDriver driver{api};
};

TEST_F(LibftdiDriverTest, OpensByProductStringSkippingAdaptersThatCannotBeOpened) {
    api.adapters = {
        {"Busy adapter", false}, {"Halvenmark Serial Link"}, {"Halvenmark Device Programmer"}};
    FtHandle handle = nullptr;
    EXPECT_EQ(driver.OpenEx("Halvenmark Device Programmer", ft::kOpenByDescription, &handle),
              ft::kOk);
    EXPECT_NE(handle, nullptr);
    EXPECT_THAT(api.calls,
                ElementsAre("productString(Busy adapter)", "productString(Halvenmark Serial Link)",
                            "productString(Halvenmark Device Programmer)",
                            "open(Halvenmark Device Programmer)", "freeDeviceList"));
}

TEST_F(LibftdiDriverTest, NoMatchingAdapterIsNotFound) {
    api.adapters = {{"Halvenmark Serial Link"}};
    FtHandle handle = nullptr;
    EXPECT_EQ(driver.OpenEx("Halvenmark Telemetry Station", ft::kOpenByDescription, &handle),
              ft::kDeviceNotFound);
    EXPECT_EQ(api.calls.back(), "free");
}

TEST_F(LibftdiDriverTest, BaudRateStaysRightAfterBitBangModeIsOn) {
    api.adapters = {{"Halvenmark Device Programmer"}};
    FtHandle handle = open("Halvenmark Device Programmer");
    EXPECT_EQ(driver.SetBitMode(handle, 0x44, ft::kBitModeCbusBitBang), ft::kOk);
    EXPECT_EQ(driver.SetBaudRate(handle, 111111), ft::kOk);
    // Asked for with the bit-bang flag cleared, so libftdi does not multiply it by four...
    EXPECT_THAT(api.calls, ElementsAre("bitmode(68, 32)", "baud(111111, bitbang=0)"));
    // ...and the flag is back on afterwards.
    EXPECT_TRUE(api.bitbangEnabled(nullptr));
}

TEST_F(LibftdiDriverTest, ConfigurationCallsMapOntoLibftdi) {
    api.adapters = {{"Halvenmark Device Programmer"}};
    FtHandle handle = open("Halvenmark Device Programmer");
    EXPECT_EQ(driver.SetFlowControl(handle, ft::kFlowRtsCts, 0, 0), ft::kOk);
    EXPECT_EQ(driver.SetLatencyTimer(handle, 2), ft::kOk);
    EXPECT_EQ(driver.SetUSBParameters(handle, 1024, 0), ft::kOk);
    EXPECT_EQ(driver.SetDataCharacteristics(handle, 8, 0, 0), ft::kOk);
    EXPECT_EQ(driver.SetChars(handle, 0, 0, 0, 0), ft::kOk);
    EXPECT_EQ(driver.Purge(handle, ft::kPurgeBoth), ft::kOk);
    EXPECT_EQ(driver.Close(handle), ft::kOk);
    EXPECT_THAT(api.calls, ElementsAre("flow(256)", "latency(2)", "chunk(1024)", "8N1",
                                       "noEventChar", "noErrorChar", "tcioflush", "close", "free"));
}

TEST_F(LibftdiDriverTest, ReadCollectsAReplyThatArrivesInPieces) {
    api.adapters = {{"Halvenmark Device Programmer"}};
    FtHandle handle = open("Halvenmark Device Programmer");
    driver.SetTimeouts(handle, 250, 0);
    api.incoming = {{'R', 'M'}, {}, {1, 2, 3}};
    std::uint8_t buffer[5] = {};
    std::uint32_t got = 0;
    EXPECT_EQ(driver.Read(handle, buffer, 5, &got), ft::kOk);
    EXPECT_EQ(got, 5u);
    EXPECT_EQ(std::vector<std::uint8_t>(buffer, buffer + 5),
              (std::vector<std::uint8_t>{'R', 'M', 1, 2, 3}));
}

TEST_F(LibftdiDriverTest, ReadFromASilentPeerEndsAtTheTimeOutWithABoundedNumberOfCalls) {
    api.adapters = {{"Halvenmark Device Programmer"}};
    FtHandle handle = open("Halvenmark Device Programmer");
    driver.SetLatencyTimer(handle, 2);
    driver.SetTimeouts(handle, 250, 0);
    std::uint8_t buffer[12];
    std::uint32_t got = 99;
    const auto start = api.clock;
    EXPECT_EQ(driver.Read(handle, buffer, 12, &got), ft::kOk);
    EXPECT_EQ(got, 0u);
    EXPECT_GE(api.clock - start, std::chrono::milliseconds(250));
    EXPECT_LT(api.clock - start, std::chrono::milliseconds(253));
    // Empty reads that return at once are paced by one latency period each: no spinning.
    EXPECT_LE(api.readCalls, 250 / 2 + 2);
}

TEST_F(LibftdiDriverTest, ReadsPacedByTheChipNeedNoSleep) {
    api.adapters = {{"Halvenmark Device Programmer"}};
    FtHandle handle = open("Halvenmark Device Programmer");
    driver.SetLatencyTimer(handle, 2);
    driver.SetTimeouts(handle, 250, 0);
    api.readCallDuration = std::chrono::milliseconds(2);  // the chip answers after its latency
    std::uint8_t buffer[3];
    std::uint32_t got = 0;
    EXPECT_EQ(driver.Read(handle, buffer, 3, &got), ft::kOk);
    EXPECT_LE(api.readCalls, 250 / 2 + 1);
}

TEST_F(LibftdiDriverTest, AFailingUsbReadIsAnIoError) {
    api.adapters = {{"Halvenmark Device Programmer"}};
    FtHandle handle = open("Halvenmark Device Programmer");
    driver.SetTimeouts(handle, 250, 0);
    api.failNextRead = 1;
    std::uint8_t buffer[3];
    std::uint32_t got = 0;
    EXPECT_EQ(driver.Read(handle, buffer, 3, &got), ft::kIoError);
    EXPECT_EQ(got, 0u);
}

TEST_F(LibftdiDriverTest, CallsOnAnUnknownHandleAreRefused) {
    std::uint32_t written = 0;
    int unknown = 0;
    EXPECT_EQ(driver.Write(&unknown, "x", 1, &written), ft::kInvalidHandle);
    EXPECT_EQ(driver.Close(&unknown), ft::kInvalidHandle);
}

}  // namespace
}  // namespace halvenmark
