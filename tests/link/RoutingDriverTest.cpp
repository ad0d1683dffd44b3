#include "link/RoutingDriver.h"

#include <gtest/gtest.h>

#include "sim/SimAdapter.h"

namespace halvenmark {
namespace {

// The vendor library first, libftdi1 second: an adapter the first cannot open is opened by the
// second, and every later call goes to the backend that opened it.
TEST(RoutingDriverTest, FallsBackToTheNextBackendAndStaysWithIt) {
    auto first = std::make_unique<sim::SimAdapter>();
    auto second = std::make_unique<sim::SimAdapter>();
    second->attach("Halvenmark Serial Link");
    sim::SimAdapter& vendor = *first;
    sim::SimAdapter& libftdi = *second;
    RoutingDriver driver;
    driver.add(std::move(first));
    driver.add(std::move(second));
    driver.add(nullptr);  // an unavailable backend is simply not there

    FtHandle handle = nullptr;
    EXPECT_EQ(driver.OpenEx("Halvenmark Device Programmer", ft::kOpenByDescription, &handle),
              ft::kDeviceNotFound);
    EXPECT_EQ(driver.OpenEx("Halvenmark Serial Link", ft::kOpenByDescription, &handle), ft::kOk);
    EXPECT_EQ(driver.SetBaudRate(handle, 125000), ft::kOk);
    EXPECT_EQ(driver.Close(handle), ft::kOk);
    EXPECT_EQ(vendor.calls().size(), 2u);  // two open attempts, nothing else
    EXPECT_EQ(libftdi.calls().back(), "FT_Close()");
    EXPECT_EQ(driver.Purge(handle, ft::kPurgeBoth), ft::kInvalidHandle);  // closed
}

TEST(RoutingDriverTest, WithoutBackendsNothingIsFound) {
    RoutingDriver driver;
    FtHandle handle = nullptr;
    EXPECT_EQ(driver.OpenEx("Halvenmark Device Programmer", ft::kOpenByDescription, &handle),
              ft::kDeviceNotFound);
}

}  // namespace
}  // namespace halvenmark
