#pragma once

#include "catalogue/Session.h"

namespace halvenmark {

// "Find Device": wakes the loader, reads the identity block (and, for some devices, the end of
// program memory), refuses devices that cannot be upgraded, and otherwise shows the device's
// picture, name and version line, prepares its image and offers "Flash Device".
class Identification {
  public:
    explicit Identification(const Session& session) : s_(session) {}

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
};

}  // namespace halvenmark
