#include "link/SystemDriver.h"

#include "link/D2xxDriver.h"
#include "link/RoutingDriver.h"

#ifdef HALVENMARK_HAVE_LIBFTDI
#include "link/LibftdiDriver.h"
#include "link/LibftdiSystemApi.h"
#endif

namespace halvenmark {

namespace {

#ifdef HALVENMARK_HAVE_LIBFTDI
struct SystemApiHolder {
    LibftdiSystemApi api;
};

// The libftdi backend together with the API object it calls; the API is built first and
// outlives the driver, which still closes its adapters through it.
class OwningLibftdiDriver : private SystemApiHolder, public LibftdiDriver {
  public:
    OwningLibftdiDriver() : LibftdiDriver(api) {}
};
#endif

}  // namespace

std::unique_ptr<FtDriver> makeLibftdiDriver() {
#ifdef HALVENMARK_HAVE_LIBFTDI
    return std::make_unique<OwningLibftdiDriver>();
#else
    return nullptr;
#endif
}

std::unique_ptr<FtDriver> makeSystemDriver() {
    auto driver = std::make_unique<RoutingDriver>();
    driver->add(D2xxDriver::load());
    driver->add(makeLibftdiDriver());
    return driver;
}

}  // namespace halvenmark
