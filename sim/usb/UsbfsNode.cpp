#include "sim/usb/UsbfsNode.h"

#include <fcntl.h>
#include <linux/usbdevice_fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <umockdev.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstddef>
#include <cstring>
#include <shared_mutex>

namespace halvenmark::sim::usb {

namespace {

// Capabilities as a current kernel reports them; libusb then submits every bulk transfer as one
// URB and may reap after a disconnect.
constexpr std::uint32_t kCapabilities = USBDEVFS_CAP_BULK_CONTINUATION |
                                        USBDEVFS_CAP_NO_PACKET_SIZE_LIM |
                                        USBDEVFS_CAP_REAP_AFTER_DISCONNECT;
constexpr std::size_t kSetupBytes = 8;
constexpr mode_t kAccessibleMode = 0664;
constexpr mode_t kReadOnlyMode = 0444;
constexpr char kOurDriver[] = "usbfs";  // what the kernel reports while a program claims it

// The FIFO's pages: kept full, nothing polls writable; one page read out, it does.
constexpr std::size_t kPipePage = 4096;

// ---- the GObject that umockdev calls ------------------------------------------------------

struct NodeHandler {
    UMockdevIoctlBase parent;
    UsbfsNode* node;  // read on umockdev's worker thread, cleared on the emulation's: guarded
};

// Guards every handler's node pointer: the worker holds it shared while it serves an ioctl, the
// node's destructor holds it alone while it lets go of its handler, so no ioctl ever reaches a
// node that is gone.
std::shared_mutex& handlerGuard() {
    static std::shared_mutex guard;
    return guard;
}

struct NodeHandlerClass {
    UMockdevIoctlBaseClass parent;
};

gboolean handleIoctl(UMockdevIoctlBase* base, UMockdevIoctlClient* client) {
    std::shared_lock guard(handlerGuard());
    UsbfsNode* node = reinterpret_cast<NodeHandler*>(base)->node;
    if (node == nullptr) {
        umockdev_ioctl_client_complete(client, -1, ENODEV);  // the emulation is being taken down
    } else {
        node->handleIoctl(client);
    }
    return TRUE;
}

// umockdev 0.17 tells of a closed file only through the client's "connected" property.
void connectedChanged(GObject* client, GParamSpec*, gpointer handler) {
    std::shared_lock guard(handlerGuard());
    UsbfsNode* node = static_cast<NodeHandler*>(handler)->node;
    if (node != nullptr && !umockdev_ioctl_client_get_connected(UMOCKDEV_IOCTL_CLIENT(client))) {
        node->clientClosed(client);
    }
}

void clientConnected(UMockdevIoctlBase* base, UMockdevIoctlClient* client) {
    g_signal_connect_object(client, "notify::connected", G_CALLBACK(connectedChanged), base,
                            GConnectFlags{});
}

void classInit(gpointer klass, gpointer) {
    auto* base = static_cast<UMockdevIoctlBaseClass*>(klass);
    base->handle_ioctl = handleIoctl;
    base->client_connected = clientConnected;
}

GType nodeHandlerType() {
    static const GType type = [] {
        GTypeInfo info{};
        info.class_size = sizeof(NodeHandlerClass);
        info.class_init = classInit;
        info.instance_size = sizeof(NodeHandler);
        return g_type_register_static(UMOCKDEV_TYPE_IOCTL_BASE, "HalvenmarkUsbfsNode", &info,
                                      GTypeFlags{});
    }();
    return type;
}

UMockdevIoctlData* resolve(UMockdevIoctlData* data, std::size_t offset, std::size_t length) {
    GError* error = nullptr;
    UMockdevIoctlData* resolved = umockdev_ioctl_data_resolve(data, offset, length, &error);
    g_clear_error(&error);
    return resolved;
}

usbdevfs_urb* urbOf(UMockdevIoctlData* data) {
    return reinterpret_cast<usbdevfs_urb*>(data->data);
}

SetupPacket setupOf(const std::uint8_t* bytes) {
    auto word = [bytes](int at) {
        return static_cast<std::uint16_t>(bytes[at] | bytes[at + 1] << 8);
    };
    return {bytes[0], bytes[1], word(2), word(4), word(6)};
}

}  // namespace

// One URB between its submission and its reaping, with the client memory umockdev mirrors.
struct UsbfsNode::Urb {
    UrbId id = 0;
    UMockdevIoctlClient* client = nullptr;
    UMockdevIoctlData* urb = nullptr;
    UMockdevIoctlData* buffer = nullptr;
    int status = 0;
    int actualLength = 0;
    std::vector<std::uint8_t> data;  // written back into the buffer at `dataOffset`
    std::size_t dataOffset = 0;

    ~Urb() {
        if (buffer != nullptr)
            g_object_unref(buffer);
        if (urb != nullptr)
            g_object_unref(urb);
        if (client != nullptr)
            g_object_unref(client);
    }
};

UsbfsNode::UsbfsNode(std::string path, UsbDevice& device, NodeBehaviour behaviour,
                     std::function<void()> onVanish)
    : path_(std::move(path)),
      device_(device),
      behaviour_(behaviour),
      onVanish_(std::move(onVanish)),
      driverBound_(behaviour.kernelDriverBound) {
    ::unlink(path_.c_str());
    if (::mkfifo(path_.c_str(), kAccessibleMode) != 0) {
        error_ = "cannot make the device node " + path_ + ": " + std::strerror(errno);
        return;
    }
    // Opened before its mode may forbid it; the emulator keeps this end for the wake-ups.
    wakeFd_ = ::open(path_.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (wakeFd_ < 0) {
        error_ = "cannot open the device node " + path_ + ": " + std::strerror(errno);
        return;
    }
    if (::chmod(path_.c_str(), behaviour_.accessible ? kAccessibleMode : kReadOnlyMode) != 0) {
        error_ = "cannot set the mode of the device node " + path_ + ": " + std::strerror(errno);
        return;
    }
    {
        std::lock_guard lock(mutex_);
        wakeDrained_ = true;
        updateWakeLocked();
    }
    auto* handler = static_cast<NodeHandler*>(g_object_new(nodeHandlerType(), nullptr));
    handler->node = this;
    handler_ = handler;
}

UsbfsNode::~UsbfsNode() {
    {
        std::lock_guard lock(mutex_);
        for (const auto& [id, urb] : pendingIn_) {
            device_.cancelIn(id);
        }
        pendingIn_.clear();
        done_.clear();
    }
    if (handler_ != nullptr) {
        {
            std::unique_lock guard(handlerGuard());
            static_cast<NodeHandler*>(handler_)->node = nullptr;
        }
        g_object_unref(handler_);
    }
    if (wakeFd_ >= 0) {
        ::close(wakeFd_);
    }
}

void UsbfsNode::updateWakeLocked() {
    // Writable (libusb wakes) exactly while something waits to be reaped, or the device is gone
    // and a reap must tell libusb so.
    const bool wanted = !done_.empty();
    if (wanted && !wakeDrained_) {
        std::array<char, kPipePage> page{};
        if (::read(wakeFd_, page.data(), page.size()) > 0) {
            wakeDrained_ = true;
        }
    } else if (!wanted && wakeDrained_) {
        const std::array<char, kPipePage> page{};
        while (::write(wakeFd_, page.data(), page.size()) == static_cast<ssize_t>(page.size())) {
        }
        wakeDrained_ = false;
    }
}

void UsbfsNode::finishLocked(std::unique_ptr<Urb> urb) {
    done_.push_back(std::move(urb));
    updateWakeLocked();
}

void UsbfsNode::completeIn(UrbId id, std::vector<std::uint8_t> bytes) {
    std::lock_guard lock(mutex_);
    auto found = pendingIn_.find(id);
    if (found == pendingIn_.end()) {
        return;  // discarded meanwhile
    }
    std::unique_ptr<Urb> urb = std::move(found->second);
    pendingIn_.erase(found);
    urb->actualLength = static_cast<int>(bytes.size());
    urb->data = std::move(bytes);
    finishLocked(std::move(urb));
}

void UsbfsNode::vanish() {
    {
        std::lock_guard lock(mutex_);
        if (gone_) {
            return;
        }
        gone_ = true;
        for (auto& [id, urb] : pendingIn_) {
            device_.cancelIn(id);
            urb->status = -ENODEV;
            done_.push_back(std::move(urb));
        }
        pendingIn_.clear();
        updateWakeLocked();
    }
    if (onVanish_) {
        onVanish_();
    }
}

bool UsbfsNode::kernelDriverBound() const {
    std::lock_guard lock(mutex_);
    return driverBound_;
}

int UsbfsNode::kernelDriverDetaches() const {
    std::lock_guard lock(mutex_);
    return detaches_;
}

int UsbfsNode::kernelDriverAttaches() const {
    std::lock_guard lock(mutex_);
    return attaches_;
}

void UsbfsNode::clientClosed(void* client) {
    std::lock_guard lock(mutex_);
    // As the kernel does when a file of the node is closed: its claim goes, its URBs are dropped.
    if (claimedBy_ == client) {
        claimedBy_ = nullptr;
    }
    for (auto it = pendingIn_.begin(); it != pendingIn_.end();) {
        if (it->second->client == client) {
            device_.cancelIn(it->first);
            it = pendingIn_.erase(it);
        } else {
            ++it;
        }
    }
    std::erase_if(done_,
                  [client](const std::unique_ptr<Urb>& urb) { return urb->client == client; });
    updateWakeLocked();
}

void UsbfsNode::handleIoctl(void* clientPointer) {
    auto* client = static_cast<UMockdevIoctlClient*>(clientPointer);
    const unsigned long request = umockdev_ioctl_client_get_request(client);
    UMockdevIoctlData* argument = umockdev_ioctl_client_get_arg(client);
    const std::size_t size = _IOC_SIZE(request);
    int error = 0;
    switch (request) {
        case USBDEVFS_GET_CAPABILITIES: {
            UMockdevIoctlData* caps = resolve(argument, 0, size);
            if (caps != nullptr) {
                std::memcpy(caps->data, &kCapabilities, sizeof kCapabilities);
                g_object_unref(caps);
            }
            break;
        }
        case USBDEVFS_SUBMITURB:
            error = submit(client, argument);
            break;
        case USBDEVFS_REAPURBNDELAY:
        case USBDEVFS_REAPURB: {
            bool completed = false;
            error = reap(client, argument, completed);
            if (completed) {
                return;
            }
            break;
        }
        case USBDEVFS_DISCARDURB:
            error = discard(client, *reinterpret_cast<gulong*>(argument->data));
            break;
        case USBDEVFS_CLAIMINTERFACE: {
            UMockdevIoctlData* number = resolve(argument, 0, size);
            error = number == nullptr
                        ? EFAULT
                        : claim(client, *reinterpret_cast<unsigned int*>(number->data));
            if (number != nullptr)
                g_object_unref(number);
            break;
        }
        case USBDEVFS_RELEASEINTERFACE: {
            std::lock_guard lock(mutex_);
            if (gone_) {
                error = ENODEV;
            } else if (claimedBy_ != client) {
                error = EINVAL;
            } else {
                claimedBy_ = nullptr;
            }
            break;
        }
        case USBDEVFS_GETDRIVER:
            error = getDriver(argument);
            break;
        case USBDEVFS_IOCTL:
            error = driverIoctl(argument);
            break;
        case USBDEVFS_SETCONFIGURATION:
        case USBDEVFS_RESET:
        case USBDEVFS_CLEAR_HALT: {
            std::lock_guard lock(mutex_);
            error = gone_ ? ENODEV : 0;
            break;
        }
        default:
            error = ENOTTY;
            break;
    }
    umockdev_ioctl_client_complete(client, error == 0 ? 0 : -1, error);
}

int UsbfsNode::submit(void* clientPointer, void* argumentPointer) {
    auto* client = static_cast<UMockdevIoctlClient*>(clientPointer);
    auto* argument = static_cast<UMockdevIoctlData*>(argumentPointer);
    auto urb = std::make_unique<Urb>();
    urb->urb = resolve(argument, 0, sizeof(usbdevfs_urb));
    if (urb->urb == nullptr) {
        return EFAULT;
    }
    const usbdevfs_urb fields = *urbOf(urb->urb);
    if (fields.buffer_length > 0) {
        urb->buffer = resolve(urb->urb, offsetof(usbdevfs_urb, buffer),
                              static_cast<std::size_t>(fields.buffer_length));
        if (urb->buffer == nullptr) {
            return EFAULT;
        }
    }
    urb->client = static_cast<UMockdevIoctlClient*>(g_object_ref(client));

    std::unique_lock lock(mutex_);
    if (gone_) {
        return ENODEV;
    }
    urb->id = nextId_++;
    if (fields.type == USBDEVFS_URB_TYPE_CONTROL) {
        if (fields.buffer_length < static_cast<int>(kSetupBytes)) {
            return EINVAL;
        }
        const SetupPacket setup = setupOf(urb->buffer->data);
        const std::span<const std::uint8_t> dataOut(urb->buffer->data + kSetupBytes,
                                                    fields.buffer_length - kSetupBytes);
        lock.unlock();
        ControlAnswer answer = device_.control(
            setup, setup.deviceToHost() ? std::span<const std::uint8_t>{} : dataOut);
        lock.lock();
        urb->status = answer.stall ? -EPIPE : 0;
        urb->dataOffset = kSetupBytes;
        urb->actualLength =
            setup.deviceToHost() ? static_cast<int>(answer.data.size()) : setup.length;
        urb->data = std::move(answer.data);
        finishLocked(std::move(urb));
        return 0;
    }
    if (fields.type != USBDEVFS_URB_TYPE_BULK) {
        return EINVAL;
    }
    if ((fields.endpoint & 0x80) != 0) {
        const UrbId id = urb->id;
        pendingIn_[id] = std::move(urb);
        lock.unlock();
        device_.bulkIn(id, fields.buffer_length, *this);
        return 0;
    }
    if (behaviour_.vanishAfterFrames && framesOut_ >= *behaviour_.vanishAfterFrames) {
        lock.unlock();
        vanish();
        return ENODEV;
    }
    ++framesOut_;
    const std::span<const std::uint8_t> frame(urb->buffer->data,
                                              static_cast<std::size_t>(fields.buffer_length));
    lock.unlock();
    device_.bulkOut(frame);
    lock.lock();
    urb->actualLength = fields.buffer_length;
    finishLocked(std::move(urb));
    return 0;
}

int UsbfsNode::reap(void* clientPointer, void* argumentPointer, bool& completed) {
    auto* client = static_cast<UMockdevIoctlClient*>(clientPointer);
    auto* argument = static_cast<UMockdevIoctlData*>(argumentPointer);
    // Where the URB's address goes, resolved before a completion is taken: a reap that cannot
    // hand it out leaves it for the next.
    UMockdevIoctlData* pointer = resolve(argument, 0, sizeof(void*));
    if (pointer == nullptr) {
        return EFAULT;
    }
    std::unique_ptr<Urb> urb;
    {
        std::lock_guard lock(mutex_);
        auto mine =
            std::find_if(done_.begin(), done_.end(),
                         [client](const std::unique_ptr<Urb>& u) { return u->client == client; });
        if (mine == done_.end()) {
            g_object_unref(pointer);
            return gone_ ? ENODEV : EAGAIN;
        }
        urb = std::move(*mine);
        done_.erase(mine);
        updateWakeLocked();
    }
    usbdevfs_urb* fields = urbOf(urb->urb);
    fields->status = urb->status;
    fields->actual_length = urb->actualLength;
    if (urb->buffer != nullptr && !urb->data.empty()) {
        const std::size_t room = static_cast<std::size_t>(urb->buffer->data_len) - urb->dataOffset;
        std::memcpy(urb->buffer->data + urb->dataOffset, urb->data.data(),
                    std::min(room, urb->data.size()));
    }
    // The client's pointer now names its URB; completing writes the URB and its buffer back.
    umockdev_ioctl_data_set_ptr(pointer, 0, urb->urb);
    umockdev_ioctl_client_complete(client, 0, 0);
    g_object_unref(pointer);
    completed = true;
    return 0;
}

int UsbfsNode::discard(void* client, unsigned long urbAddress) {
    std::lock_guard lock(mutex_);
    for (auto it = pendingIn_.begin(); it != pendingIn_.end(); ++it) {
        if (it->second->client == client && it->second->urb->client_addr == urbAddress) {
            device_.cancelIn(it->first);
            std::unique_ptr<Urb> urb = std::move(it->second);
            pendingIn_.erase(it);
            urb->status = -ENOENT;  // reaped as cancelled
            finishLocked(std::move(urb));
            return 0;
        }
    }
    return EINVAL;
}

int UsbfsNode::claim(void* client, unsigned int interfaceNumber) {
    std::lock_guard lock(mutex_);
    if (gone_) {
        return ENODEV;
    }
    if (interfaceNumber != 0) {
        return ENOENT;
    }
    if (claimedBy_ == client) {
        return 0;
    }
    if (behaviour_.claimedElsewhere || driverBound_ || claimedBy_ != nullptr) {
        return EBUSY;
    }
    if (behaviour_.claimFails) {
        return ENODEV;
    }
    claimedBy_ = client;
    return 0;
}

int UsbfsNode::getDriver(void* argumentPointer) {
    auto* argument = static_cast<UMockdevIoctlData*>(argumentPointer);
    UMockdevIoctlData* data = resolve(argument, 0, sizeof(usbdevfs_getdriver));
    if (data == nullptr) {
        return EFAULT;
    }
    auto* query = reinterpret_cast<usbdevfs_getdriver*>(data->data);
    int error = 0;
    {
        std::lock_guard lock(mutex_);
        const char* name = claimedBy_ != nullptr || behaviour_.claimedElsewhere ? kOurDriver
                           : driverBound_ ? kKernelSerialDriver
                                          : nullptr;
        if (gone_) {
            error = ENODEV;
        } else if (query->interface != 0 || name == nullptr) {
            error = ENODATA;
        } else {
            std::strncpy(query->driver, name, sizeof query->driver - 1);
        }
    }
    g_object_unref(data);
    return error;
}

int UsbfsNode::driverIoctl(void* argumentPointer) {
    auto* argument = static_cast<UMockdevIoctlData*>(argumentPointer);
    UMockdevIoctlData* data = resolve(argument, 0, sizeof(usbdevfs_ioctl));
    if (data == nullptr) {
        return EFAULT;
    }
    const usbdevfs_ioctl command = *reinterpret_cast<usbdevfs_ioctl*>(data->data);
    g_object_unref(data);
    std::lock_guard lock(mutex_);
    if (gone_) {
        return ENODEV;
    }
    if (command.ifno != 0) {
        return EINVAL;
    }
    if (command.ioctl_code == static_cast<int>(USBDEVFS_DISCONNECT)) {
        if (!driverBound_) {
            return ENODATA;
        }
        driverBound_ = false;
        ++detaches_;
        return 0;
    }
    if (command.ioctl_code == static_cast<int>(USBDEVFS_CONNECT)) {
        // Only the serial driver this machine was given binds again; none binds otherwise.
        if (behaviour_.kernelDriverBound && !driverBound_ && claimedBy_ == nullptr) {
            driverBound_ = true;
            ++attaches_;
        }
        return 0;
    }
    return ENOTTY;
}

}  // namespace halvenmark::sim::usb
