#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "tests/window/contract/ContractDriver.h"

namespace corvid::window::contract {

// The fixture of the contract suite. Each adapter's test binary instantiates
// it: INSTANTIATE_TEST_SUITE_P(Qt, WindowContract, ::testing::Values(factory)).
class WindowContract : public ::testing::TestWithParam<DriverFactory> {
  protected:
    void SetUp() override { driver = GetParam()(); }
    void TearDown() override { driver.reset(); }

    std::unique_ptr<ContractDriver> driver;
};

}  // namespace corvid::window::contract
