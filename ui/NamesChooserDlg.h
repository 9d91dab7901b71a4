#pragma once

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "ui/Controls.h"
#include "ui/Dialog.h"

namespace corvid::ui {

// The chooser of one release among several that hold the disc: a row each,
// the first selected. OK or a double click on a row takes the selected
// release; Cancel, Escape or the close box take none.
class CNamesChooserDlg final : public Dialog {
  public:
    CNamesChooserDlg(window::WindowSystem& windows, std::vector<std::string> rows);

    // The index of the row chosen, or none when the user cancelled.
    std::optional<int> Choose(window::DialogWindow& owner);

    // Handlers.
    void OnDblClickList();

  protected:
    bool OnInitDialog() override;
    void DoDataExchange(DataExchange& exchange) override;
    window::MessageResult Dispatch(const window::MessageParams& message) override;
    void OnOK() override;

  private:
    std::vector<std::string> m_rows;
    std::optional<int> m_chosen;
    CListCtrl m_list;
};

}  // namespace corvid::ui
