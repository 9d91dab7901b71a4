#include "ui/NamesChooserDlg.h"

#include <array>
#include <utility>

#include "res/ControlIds.h"
#include "res/NamesChooserTemplate.h"

namespace corvid::ui {

namespace {

using Entry = MessageMapEntry<CNamesChooserDlg>;

template <auto Method>
constexpr auto Handler = &CallHandler<Method, CNamesChooserDlg>;

constexpr std::array CHOOSER_MESSAGE_MAP = {
    Entry{window::WM_NOTIFY, window::NM_DBLCLK, res::RELEASE_LIST,
          Handler<&CNamesChooserDlg::OnDblClickList>},
    // The list keeps Enter from the default button: it takes the row itself.
    Entry{window::WM_NOTIFY, window::NM_RETURN, res::RELEASE_LIST,
          Handler<&CNamesChooserDlg::OnDblClickList>},
};

// Wide enough for "Artist - Title, 1999, GB, CD, Label CAT 123, disc 2 of 3".
constexpr int ROW_WIDTH_PIXELS = 600;

}  // namespace

CNamesChooserDlg::CNamesChooserDlg(window::WindowSystem& windows, std::vector<std::string> rows)
    : Dialog(windows, res::NAMES_CHOOSER_DIALOG), m_rows(std::move(rows)) {}

std::optional<int> CNamesChooserDlg::Choose(window::DialogWindow& owner) {
    m_chosen.reset();
    if (DoModal(&owner) != window::IDOK) {
        return std::nullopt;
    }
    return m_chosen;
}

bool CNamesChooserDlg::OnInitDialog() {
    m_list->InsertColumn(0, "Release", ROW_WIDTH_PIXELS);
    for (std::size_t row = 0; row < m_rows.size(); ++row) {
        m_list->InsertItem(static_cast<int>(row), m_rows[row], 0, static_cast<std::int32_t>(row));
    }
    if (!m_rows.empty()) {
        m_list->SetItemState(0, window::LVIS_SELECTED, window::LVIS_SELECTED);
    }
    m_list->SetFocus();
    // The focus is set here, not by the dialog's default.
    return false;
}

void CNamesChooserDlg::DoDataExchange(DataExchange& exchange) {
    DDX_Control(exchange, res::RELEASE_LIST, m_list);
}

window::MessageResult CNamesChooserDlg::Dispatch(const window::MessageParams& message) {
    return DispatchMessage<CNamesChooserDlg>(CHOOSER_MESSAGE_MAP, *this, message);
}

void CNamesChooserDlg::OnOK() {
    const int selected = m_list->FirstSelectedItem();
    if (selected < 0 || selected >= static_cast<int>(m_rows.size())) {
        return;
    }
    m_chosen = selected;
    EndDialog(window::IDOK);
}

void CNamesChooserDlg::OnDblClickList() {
    OnOK();
}

}  // namespace corvid::ui
