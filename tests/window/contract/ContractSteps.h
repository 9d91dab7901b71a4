#pragma once

#include <string>
#include <vector>

#include "tests/window/contract/ContractDialog.h"
#include "tests/window/contract/ContractDriver.h"
#include "tests/window/contract/RecordingHandler.h"

namespace corvid::window::contract {

// Opens the contract dialog with the handler; null when it did not stay open.
inline DialogWindow* OpenContractDialog(ContractDriver& driver, RecordingHandler& handler) {
    return driver.Open(CONTRACT_DIALOG, handler);
}

// The texts the edit showed at each of its change notices.
inline std::vector<std::string> ChangeTexts(const RecordingHandler& handler, int editId) {
    std::vector<std::string> texts;
    for (const Received& change : handler.Of(WM_COMMAND, EN_CHANGE, editId)) {
        texts.push_back(change.text);
    }
    return texts;
}

// The scroll codes the bar sent, in order.
inline std::vector<ScrollCode> ScrollCodes(const RecordingHandler& handler) {
    std::vector<ScrollCode> codes;
    for (const Received& scroll : handler.Of(WM_HSCROLL)) {
        codes.push_back(scroll.params.scrollCode);
    }
    return codes;
}

}  // namespace corvid::window::contract
