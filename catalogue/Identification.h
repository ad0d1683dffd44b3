#pragma once

#include "catalogue/Session.h"

namespace halvenmark {

// "Find Device": wakes the loader, reads the identity block (and, for some devices, the end of
// program memory), refuses devices that cannot be upgraded, and otherwise shows the device's
// picture, name and version line, prepares its image and offers "Flash Device".
class Identification {
  public:
    // The auxiliary image the flashing route of a firmware image writes (0: none); the routes
    // know it, and a device is refused when the store lacks it.
    using AuxImageOf = int (*)(std::int16_t imageId);

    explicit Identification(const Session& session, AuxImageOf auxImageOf = nullptr)
        : s_(session), auxImageOf_(auxImageOf) {}

    void CheckDevice();

  private:
    enum class Exit { NoDevice, ReadError, UsbFailure, NoFlashableCpu, RfFirmware, NotSupported };

    // Each step returns false after it has taken its exit.
    bool purged();
    bool readIdentity();
    bool readVersionAtMemoryEnd(int imageSize);
    bool checkRfFirmware();
    bool prepareImage();
    void showDevice();
    void leave(Exit exit);
    void unscrambleReply(int lastPosition);

    const Session& s_;
    AuxImageOf auxImageOf_;
};

}  // namespace halvenmark
