#pragma once

#include <gtest/gtest.h>

#include <stdexcept>

#include "tests/window/contract/ContractDialog.h"
#include "tests/window/contract/RecordingHandler.h"
#include "tests/window/qt/QtContractDriver.h"

namespace corvid::window::qt {

// A Qt test with one dialog opened through the contract driver and a handler
// that records every message.
class QtDialogTest : public ::testing::Test {
  protected:
    DialogWindow& Open(const DialogTemplate& layout = contract::CONTRACT_DIALOG) {
        DialogWindow* window = driver.Open(layout, handler);
        if (window == nullptr) {
            throw std::logic_error("the dialog ended at once");
        }
        return *window;
    }

    QtContractDriver driver;
    contract::RecordingHandler handler;
};

}  // namespace corvid::window::qt
