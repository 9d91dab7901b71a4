#include "tests/window/contract/WindowContract.h"
#include "tests/window/headless/HeadlessContractDriver.h"

namespace corvid::window::contract {
namespace {

INSTANTIATE_TEST_SUITE_P(Headless, WindowContract, ::testing::Values(DriverFactory([] {
                             return std::make_unique<headless::HeadlessContractDriver>();
                         })));

}  // namespace
}  // namespace corvid::window::contract
