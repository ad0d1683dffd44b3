#pragma once

#include "app/FrmStart.h"
#include "catalogue/Session.h"

namespace halvenmark {

// The real operations behind "Find Device" and "Flash Device".
class UpdaterOperations : public DeviceOperations {
  public:
    explicit UpdaterOperations(const Session& session) : session_(session) {}
    void CheckDevice() override;
    void FlashDevice() override;

  private:
    Session session_;
};

}  // namespace halvenmark
