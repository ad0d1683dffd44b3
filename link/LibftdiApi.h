#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace halvenmark {

// The libftdi1 calls the libftdi backend makes, behind a seam so that the mapping from the
// FT_* calls can be tested against a recording stand-in. Return values are libftdi's own:
// 0 or a count on success, negative on failure.
class LibftdiApi {
  public:
    using Context = void*;
    using Device = void*;
    using Clock = std::chrono::steady_clock;

    virtual ~LibftdiApi() = default;

    virtual Context newContext() = 0;
    virtual void freeContext(Context context) = 0;
    // Lists every attached FTDI device of the default ids; the list lives until
    // freeDeviceList.
    virtual int findAll(Context context, std::vector<Device>& devices) = 0;
    virtual void freeDeviceList(Context context) = 0;
    // Reads the product string; fails (libftdi: -4) when the device cannot be opened.
    virtual int productString(Context context, Device device, std::string& product) = 0;
    virtual int openDevice(Context context, Device device) = 0;
    virtual int close(Context context) = 0;

    virtual int setBaudRate(Context context, int baudRate) = 0;
    virtual bool bitbangEnabled(Context context) = 0;
    virtual void setBitbangEnabled(Context context, bool enabled) = 0;
    virtual int setBitmode(Context context, std::uint8_t mask, std::uint8_t mode) = 0;
    virtual int setFlowControl(Context context, int flowControl) = 0;
    virtual int setLatencyTimer(Context context, std::uint8_t milliseconds) = 0;
    virtual int setReadChunkSize(Context context, unsigned size) = 0;
    virtual int setLineProperty8N1(Context context) = 0;
    virtual int disableEventChar(Context context) = 0;
    virtual int disableErrorChar(Context context) = 0;
    virtual int purgeBoth(Context context) = 0;
    virtual int readData(Context context, std::uint8_t* buffer, int size) = 0;
    virtual int writeData(Context context, const std::uint8_t* buffer, int size) = 0;

    virtual Clock::time_point now() = 0;
    virtual void sleepFor(std::chrono::microseconds duration) = 0;
};

}  // namespace halvenmark
