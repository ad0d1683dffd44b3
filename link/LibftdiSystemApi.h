#pragma once

#include <map>

#include "link/LibftdiApi.h"

namespace halvenmark {

// LibftdiApi over the installed libftdi1.
class LibftdiSystemApi : public LibftdiApi {
  public:
    ~LibftdiSystemApi() override;

    Context newContext() override;
    void freeContext(Context context) override;
    int findAll(Context context, std::vector<Device>& devices) override;
    void freeDeviceList(Context context) override;
    int productString(Context context, Device device, std::string& product) override;
    int openDevice(Context context, Device device) override;
    int close(Context context) override;
    int setBaudRate(Context context, int baudRate) override;
    bool bitbangEnabled(Context context) override;
    void setBitbangEnabled(Context context, bool enabled) override;
    int setBitmode(Context context, std::uint8_t mask, std::uint8_t mode) override;
    int setFlowControl(Context context, int flowControl) override;
    int setLatencyTimer(Context context, std::uint8_t milliseconds) override;
    int setReadChunkSize(Context context, unsigned size) override;
    int setLineProperty8N1(Context context) override;
    int disableEventChar(Context context) override;
    int disableErrorChar(Context context) override;
    int purgeBoth(Context context) override;
    int readData(Context context, std::uint8_t* buffer, int size) override;
    int writeData(Context context, const std::uint8_t* buffer, int size) override;
    Clock::time_point now() override;
    void sleepFor(std::chrono::microseconds duration) override;

  private:
    std::map<Context, void*> deviceLists_;
};

}  // namespace halvenmark
