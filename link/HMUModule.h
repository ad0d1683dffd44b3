#pragma once

#include "link/FtDriver.h"
#include "link/LinkState.h"

namespace halvenmark {

// The adapter link: finds, opens and configures the first attached adapter, sends the transmit
// buffer, collects an exact number of reply bytes and closes. Every result lands in LinkState;
// nothing here shows anything to the user.
class HMUModule {
  public:
    HMUModule(LinkState& state, FtDriver& driver) : state_(state), driver_(driver) {}

    void OpenAdapter();
    void CloseAdapter();
    void SendFrame();
    void ReceiveFrame();

    // Discards whatever both adapter buffers hold; the status goes to LinkStatus.
    void PurgeAdapter();

  private:
    bool configure();

    LinkState& state_;
    FtDriver& driver_;
};

}  // namespace halvenmark
