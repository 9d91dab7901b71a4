#include "tests/window/contract/WindowContract.h"
#include "tests/window/qt/QtContractDriver.h"

namespace corvid::window::contract {
namespace {

INSTANTIATE_TEST_SUITE_P(Qt, WindowContract, ::testing::Values(DriverFactory([] {
                             return std::make_unique<qt::QtContractDriver>();
                         })));

}  // namespace
}  // namespace corvid::window::contract
