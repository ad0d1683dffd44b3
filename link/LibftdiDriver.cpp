#include "link/LibftdiDriver.h"

#include <algorithm>
#include <string>

namespace halvenmark {

LibftdiDriver::~LibftdiDriver() {
    for (auto& [handle, connection] : connections_) {
        api_.close(connection->context);
        api_.freeContext(connection->context);
    }
}

FtStatus LibftdiDriver::status(int result) {
    return result < 0 ? ft::kIoError : ft::kOk;
}

LibftdiDriver::Connection* LibftdiDriver::find(FtHandle handle) {
    auto found = connections_.find(handle);
    return found == connections_.end() ? nullptr : found->second.get();
}

FtStatus LibftdiDriver::OpenEx(const char* description, std::uint32_t flags, FtHandle* handle) {
    if (flags != ft::kOpenByDescription || description == nullptr) {
        return ft::kInvalidParameter;
    }
    const std::string wanted(description);
    LibftdiApi::Context context = api_.newContext();
    if (context == nullptr) {
        return ft::kInsufficientResources;
    }
    std::vector<LibftdiApi::Device> devices;
    bool opened = false;
    if (api_.findAll(context, devices) > 0) {
        for (LibftdiApi::Device device : devices) {
            std::string product;
            // A device that cannot be opened (busy, no permission) fails here: skip it.
            const int result = api_.productString(context, device, product);
            if (result < 0 || product != wanted) {
                continue;
            }
            if (api_.openDevice(context, device) == 0) {
                opened = true;
                break;
            }
        }
    }
    api_.freeDeviceList(context);
    if (!opened) {
        api_.freeContext(context);
        return ft::kDeviceNotFound;
    }
    auto connection = std::make_unique<Connection>();
    connection->context = context;
    *handle = connection.get();
    connections_[*handle] = std::move(connection);
    return ft::kOk;
}

FtStatus LibftdiDriver::Close(FtHandle handle) {
    Connection* connection = find(handle);
    if (connection == nullptr) {
        return ft::kInvalidHandle;
    }
    api_.close(connection->context);
    api_.freeContext(connection->context);
    connections_.erase(handle);
    return ft::kOk;
}

FtStatus LibftdiDriver::Read(FtHandle handle, void* buffer, std::uint32_t bytesToRead,
                             std::uint32_t* bytesReturned) {
    *bytesReturned = 0;
    Connection* connection = find(handle);
    if (connection == nullptr) {
        return ft::kInvalidHandle;
    }
    auto* out = static_cast<std::uint8_t*>(buffer);
    const auto latency = std::chrono::milliseconds(std::max<int>(connection->latencyMs, 1));
    const auto deadline = api_.now() + std::chrono::milliseconds(connection->readTimeoutMs);
    std::uint32_t received = 0;
    while (received < bytesToRead) {
        const auto before = api_.now();
        const int result = api_.readData(connection->context, out + received,
                                         static_cast<int>(bytesToRead - received));
        if (result < 0) {
            *bytesReturned = received;
            return ft::kIoError;
        }
        received += static_cast<std::uint32_t>(result);
        const auto after = api_.now();
        if (received >= bytesToRead || after >= deadline) {
            break;
        }
        // An empty read normally waits for the chip's latency timer. One that came back much
        // faster (data buffered elsewhere, a quick chip) is followed by a short sleep so that
        // the loop never spins; the sleep never runs past the deadline.
        if (result == 0 && after - before < latency / 2) {
            api_.sleepFor(std::min<std::chrono::microseconds>(
                latency, std::chrono::duration_cast<std::chrono::microseconds>(deadline - after)));
        }
    }
    *bytesReturned = received;
    return ft::kOk;
}

FtStatus LibftdiDriver::Write(FtHandle handle, const void* buffer, std::uint32_t bytesToWrite,
                              std::uint32_t* bytesWritten) {
    *bytesWritten = 0;
    Connection* connection = find(handle);
    if (connection == nullptr) {
        return ft::kInvalidHandle;
    }
    const int result = api_.writeData(connection->context, static_cast<const std::uint8_t*>(buffer),
                                      static_cast<int>(bytesToWrite));
    if (result < 0) {
        return ft::kIoError;
    }
    *bytesWritten = static_cast<std::uint32_t>(result);
    return ft::kOk;
}

FtStatus LibftdiDriver::Purge(FtHandle handle, std::uint32_t mask) {
    Connection* connection = find(handle);
    if (connection == nullptr) {
        return ft::kInvalidHandle;
    }
    if (mask != ft::kPurgeBoth) {
        return ft::kInvalidParameter;  // the updater only ever purges both buffers
    }
    return status(api_.purgeBoth(connection->context));
}

FtStatus LibftdiDriver::SetBaudRate(FtHandle handle, std::uint32_t baudRate) {
    Connection* connection = find(handle);
    if (connection == nullptr) {
        return ft::kInvalidHandle;
    }
    // With a bit-bang mode on, libftdi programs four times the requested rate; the line must
    // run at the rate asked for, so the flag is cleared around the call.
    const bool bitbang = api_.bitbangEnabled(connection->context);
    api_.setBitbangEnabled(connection->context, false);
    const int result = api_.setBaudRate(connection->context, static_cast<int>(baudRate));
    api_.setBitbangEnabled(connection->context, bitbang);
    return result < 0 ? ft::kInvalidBaudRate : ft::kOk;
}

FtStatus LibftdiDriver::SetBitMode(FtHandle handle, std::uint8_t mask, std::uint8_t mode) {
    Connection* connection = find(handle);
    return connection == nullptr ? ft::kInvalidHandle
                                 : status(api_.setBitmode(connection->context, mask, mode));
}

// libftdi's flow-control values equal the vendor's (RTS/CTS 0x0100, none 0).
FtStatus LibftdiDriver::SetFlowControl(FtHandle handle, std::uint16_t flowControl, std::uint8_t,
                                       std::uint8_t) {
    Connection* connection = find(handle);
    return connection == nullptr ? ft::kInvalidHandle
                                 : status(api_.setFlowControl(connection->context, flowControl));
}

FtStatus LibftdiDriver::SetLatencyTimer(FtHandle handle, std::uint8_t milliseconds) {
    Connection* connection = find(handle);
    if (connection == nullptr) {
        return ft::kInvalidHandle;
    }
    const int result = api_.setLatencyTimer(connection->context, milliseconds);
    if (result == 0) {
        connection->latencyMs = milliseconds;
    }
    return status(result);
}

FtStatus LibftdiDriver::SetUSBParameters(FtHandle handle, std::uint32_t inTransferSize,
                                         std::uint32_t) {
    Connection* connection = find(handle);
    return connection == nullptr
               ? ft::kInvalidHandle
               : status(api_.setReadChunkSize(connection->context, inTransferSize));
}

FtStatus LibftdiDriver::SetDataCharacteristics(FtHandle handle, std::uint8_t wordLength,
                                               std::uint8_t stopBits, std::uint8_t parity) {
    Connection* connection = find(handle);
    if (connection == nullptr) {
        return ft::kInvalidHandle;
    }
    if (wordLength != ft::kBits8 || stopBits != ft::kStopBits1 || parity != ft::kParityNone) {
        return ft::kInvalidParameter;  // the only line format the adapters use
    }
    return status(api_.setLineProperty8N1(connection->context));
}

FtStatus LibftdiDriver::SetChars(FtHandle handle, std::uint8_t, std::uint8_t eventCharEnabled,
                                 std::uint8_t, std::uint8_t errorCharEnabled) {
    Connection* connection = find(handle);
    if (connection == nullptr) {
        return ft::kInvalidHandle;
    }
    if (eventCharEnabled != 0 || errorCharEnabled != 0) {
        return ft::kInvalidParameter;  // the updater only ever disables both
    }
    const int event = api_.disableEventChar(connection->context);
    const int error = api_.disableErrorChar(connection->context);
    return status(std::min(event, error));
}

FtStatus LibftdiDriver::SetTimeouts(FtHandle handle, std::uint32_t readTimeoutMs, std::uint32_t) {
    Connection* connection = find(handle);
    if (connection == nullptr) {
        return ft::kInvalidHandle;
    }
    connection->readTimeoutMs = readTimeoutMs;
    return ft::kOk;
}

}  // namespace halvenmark
