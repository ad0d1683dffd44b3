#include "link/LibftdiSystemApi.h"

#include <ftdi.h>

#include <thread>

namespace halvenmark {

namespace {

ftdi_context* ctx(LibftdiApi::Context context) {
    return static_cast<ftdi_context*>(context);
}

constexpr int kProductStringSize = 128;
// libusb treats 0 as "wait forever", and control requests use this time-out too.
constexpr int kUsbWriteTimeoutMs = 5000;

}  // namespace

LibftdiSystemApi::~LibftdiSystemApi() {
    for (auto& [context, list] : deviceLists_) {
        auto* devices = static_cast<ftdi_device_list*>(list);
        ftdi_list_free(&devices);
    }
}

LibftdiApi::Context LibftdiSystemApi::newContext() {
    ftdi_context* context = ftdi_new();
    if (context != nullptr) {
        context->usb_write_timeout = kUsbWriteTimeoutMs;
        // Hand the adapter back to the kernel's serial driver when we close it.
        context->module_detach_mode = AUTO_DETACH_REATACH_SIO_MODULE;
    }
    return context;
}

void LibftdiSystemApi::freeContext(Context context) {
    ftdi_free(ctx(context));
}

int LibftdiSystemApi::findAll(Context context, std::vector<Device>& devices) {
    ftdi_device_list* list = nullptr;
    const int count = ftdi_usb_find_all(ctx(context), &list, 0, 0);
    for (ftdi_device_list* entry = list; entry != nullptr; entry = entry->next) {
        devices.push_back(entry->dev);
    }
    deviceLists_[context] = list;
    return count;
}

void LibftdiSystemApi::freeDeviceList(Context context) {
    auto found = deviceLists_.find(context);
    if (found == deviceLists_.end()) {
        return;
    }
    auto* list = static_cast<ftdi_device_list*>(found->second);
    ftdi_list_free(&list);
    deviceLists_.erase(found);
}

int LibftdiSystemApi::productString(Context context, Device device, std::string& product) {
    char text[kProductStringSize] = {};
    const int result = ftdi_usb_get_strings(ctx(context), static_cast<libusb_device*>(device),
                                            nullptr, 0, text, sizeof text, nullptr, 0);
    product = text;
    return result;
}

int LibftdiSystemApi::openDevice(Context context, Device device) {
    return ftdi_usb_open_dev(ctx(context), static_cast<libusb_device*>(device));
}

int LibftdiSystemApi::close(Context context) {
    return ftdi_usb_close(ctx(context));
}

int LibftdiSystemApi::setBaudRate(Context context, int baudRate) {
    return ftdi_set_baudrate(ctx(context), baudRate);
}

bool LibftdiSystemApi::bitbangEnabled(Context context) {
    return ctx(context)->bitbang_enabled != 0;
}

void LibftdiSystemApi::setBitbangEnabled(Context context, bool enabled) {
    ctx(context)->bitbang_enabled = enabled ? 1 : 0;
}

int LibftdiSystemApi::setBitmode(Context context, std::uint8_t mask, std::uint8_t mode) {
    return ftdi_set_bitmode(ctx(context), mask, mode);
}

int LibftdiSystemApi::setFlowControl(Context context, int flowControl) {
    return ftdi_setflowctrl(ctx(context), flowControl);
}

int LibftdiSystemApi::setLatencyTimer(Context context, std::uint8_t milliseconds) {
    return ftdi_set_latency_timer(ctx(context), milliseconds);
}

int LibftdiSystemApi::setReadChunkSize(Context context, unsigned size) {
    return ftdi_read_data_set_chunksize(ctx(context), size);
}

int LibftdiSystemApi::setLineProperty8N1(Context context) {
    return ftdi_set_line_property(ctx(context), BITS_8, STOP_BIT_1, NONE);
}

int LibftdiSystemApi::disableEventChar(Context context) {
    return ftdi_set_event_char(ctx(context), 0, 0);
}

int LibftdiSystemApi::disableErrorChar(Context context) {
    return ftdi_set_error_char(ctx(context), 0, 0);
}

int LibftdiSystemApi::purgeBoth(Context context) {
    return ftdi_tcioflush(ctx(context));
}

int LibftdiSystemApi::readData(Context context, std::uint8_t* buffer, int size) {
    return ftdi_read_data(ctx(context), buffer, size);
}

int LibftdiSystemApi::writeData(Context context, const std::uint8_t* buffer, int size) {
    return ftdi_write_data(ctx(context), buffer, size);
}

LibftdiApi::Clock::time_point LibftdiSystemApi::now() {
    return Clock::now();
}

void LibftdiSystemApi::sleepFor(std::chrono::microseconds duration) {
    std::this_thread::sleep_for(duration);
}

}  // namespace halvenmark
