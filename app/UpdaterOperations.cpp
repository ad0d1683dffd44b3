#include "app/UpdaterOperations.h"

#include "catalogue/Identification.h"
#include "flash/FlashRoutines.h"

namespace halvenmark {

void UpdaterOperations::CheckDevice() {
    Identification(session_, routes::auxImageOf).CheckDevice();
}

void UpdaterOperations::FlashDevice() {
    halvenmark::FlashDevice(session_);
}

}  // namespace halvenmark
