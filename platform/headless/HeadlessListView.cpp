#include "platform/headless/HeadlessListView.h"

#include <algorithm>

namespace corvid::headless {

using window::LVIS_SELECTED;
using window::Point;

HeadlessListView::HeadlessListView(ControlHost& host, const window::ControlTemplate& layout)
    : HeadlessControl(host, layout) {
    const PixelRect outer = ToPixels(layout);
    const int border = BorderPixels(layout);
    m_clientSize = {std::max(0, outer.width - 2 * border), std::max(0, outer.height - 2 * border)};
}

void HeadlessListView::InsertColumn(int column, std::string_view heading, int widthPixels) {
    const int at = std::clamp(column, 0, static_cast<int>(m_columns.size()));
    m_columns.insert(m_columns.begin() + at, Column{std::string(heading), widthPixels});
}

void HeadlessListView::SetImageList(std::span<const int> iconIds) {
    Host().NoteDrawRequest();
    m_imageIcons.assign(iconIds.begin(), iconIds.end());
}

int HeadlessListView::InsertItem(int row, std::string_view text, int image, std::int32_t data) {
    Host().NoteDrawRequest();
    if (row < 0) {
        return -1;
    }
    const int at = std::min(row, ItemCount());
    Row inserted{.texts = {std::string(text)}, .image = image, .data = data};
    m_rows.insert(m_rows.begin() + at, std::move(inserted));
    return at;
}

void HeadlessListView::DeleteItem(int row) {
    Host().NoteDrawRequest();
    if (!Contains(row)) {
        return;
    }
    m_rows.erase(m_rows.begin() + row);
    KeepTopIndexInRange();
}

void HeadlessListView::DeleteAllItems() {
    Host().NoteDrawRequest();
    m_rows.clear();
    m_topIndex = 0;
}

std::string HeadlessListView::ItemText(int row, int column) const {
    if (!Contains(row) || column < 0) {
        return {};
    }
    const std::vector<std::string>& texts = m_rows[static_cast<std::size_t>(row)].texts;
    const auto index = static_cast<std::size_t>(column);
    return index < texts.size() ? texts[index] : std::string();
}

void HeadlessListView::SetItemText(int row, int column, std::string_view text) {
    Host().NoteDrawRequest();
    if (!Contains(row) || column < 0 || column >= ColumnCount()) {
        return;
    }
    std::vector<std::string>& texts = m_rows[static_cast<std::size_t>(row)].texts;
    const auto index = static_cast<std::size_t>(column);
    if (texts.size() <= index) {
        texts.resize(index + 1);
    }
    texts[index] = text;
}

std::int32_t HeadlessListView::ItemData(int row) const {
    return Contains(row) ? m_rows[static_cast<std::size_t>(row)].data : 0;
}

void HeadlessListView::SetItemData(int row, std::int32_t data) {
    if (Contains(row)) {
        m_rows[static_cast<std::size_t>(row)].data = data;
        Host().NoteChange();
    }
}

int HeadlessListView::ItemImage(int row) const {
    return Contains(row) ? m_rows[static_cast<std::size_t>(row)].image : 0;
}

void HeadlessListView::SetItemImage(int row, int image) {
    Host().NoteDrawRequest();
    if (Contains(row)) {
        m_rows[static_cast<std::size_t>(row)].image = image;
    }
}

int HeadlessListView::ItemIcon(int row) const {
    const int image = ItemImage(row);
    if (!Contains(row) || image < 0 || image >= static_cast<int>(m_imageIcons.size())) {
        return 0;
    }
    return m_imageIcons[static_cast<std::size_t>(image)];
}

std::uint32_t HeadlessListView::ItemState(int row, std::uint32_t mask) const {
    return Contains(row) ? m_rows[static_cast<std::size_t>(row)].state & mask : 0;
}

void HeadlessListView::SetItemState(int row, std::uint32_t states, std::uint32_t mask) {
    Host().NoteDrawRequest();
    if (!Contains(row)) {
        return;
    }
    if ((mask & states & LVIS_SELECTED) != 0) {
        for (Row& other : m_rows) {
            other.state &= ~static_cast<std::uint32_t>(LVIS_SELECTED);
        }
    }
    std::uint32_t& state = m_rows[static_cast<std::size_t>(row)].state;
    state = (state & ~mask) | (states & mask);
}

int HeadlessListView::FirstSelectedItem() const {
    const auto found = std::find_if(m_rows.begin(), m_rows.end(), [](const Row& row) {
        return (row.state & LVIS_SELECTED) != 0;
    });
    return found == m_rows.end() ? -1 : static_cast<int>(found - m_rows.begin());
}

int HeadlessListView::CountPerPage() const {
    return std::max(1, (m_clientSize.height - HEADER_HEIGHT) / ROW_HEIGHT);
}

void HeadlessListView::EnsureVisible(int row) {
    Host().NoteDrawRequest();
    if (!Contains(row)) {
        return;
    }
    if (row < m_topIndex) {
        m_topIndex = row;
    } else if (row >= m_topIndex + CountPerPage()) {
        m_topIndex = row - CountPerPage() + 1;
    }
    KeepTopIndexInRange();
}

int HeadlessListView::HitTest(Point client) const {
    if (client.x < 0 || client.x >= m_clientSize.width || client.y < HEADER_HEIGHT ||
        client.y >= m_clientSize.height) {
        return -1;
    }
    const int row = m_topIndex + (client.y - HEADER_HEIGHT) / ROW_HEIGHT;
    return Contains(row) ? row : -1;
}

Point HeadlessListView::RowPoint(int row) const {
    return {0, HEADER_HEIGHT + (row - m_topIndex) * ROW_HEIGHT};
}

void HeadlessListView::Click(Point client) {
    if (client.y < HEADER_HEIGHT) {
        return;
    }
    const int row = HitTest(client);
    if (row >= 0) {
        SetItemState(row, LVIS_SELECTED, LVIS_SELECTED);
    } else {
        for (Row& each : m_rows) {
            each.state &= ~static_cast<std::uint32_t>(LVIS_SELECTED);
        }
    }
    Notify(window::WM_NOTIFY, window::NM_CLICK);
}

void HeadlessListView::TakeRowByKeyboard(int row) {
    for (Row& each : m_rows) {
        each.state &= ~static_cast<std::uint32_t>(LVIS_SELECTED);
    }
    SetItemState(row, LVIS_SELECTED, LVIS_SELECTED);
    Notify(window::WM_NOTIFY, window::NM_RETURN);
}

void HeadlessListView::DoubleClick(Point client) {
    Click(client);
    if (client.y >= HEADER_HEIGHT) {
        Notify(window::WM_NOTIFY, window::NM_DBLCLK);
    }
}

void HeadlessListView::ScrollTo(int row) {
    m_topIndex = row;
    KeepTopIndexInRange();
}

int HeadlessListView::ColumnCount() const {
    return std::max(1, static_cast<int>(m_columns.size()));
}

int HeadlessListView::LastTopIndex() const {
    return std::max(0, ItemCount() - CountPerPage());
}

void HeadlessListView::KeepTopIndexInRange() {
    m_topIndex = std::clamp(m_topIndex, 0, LastTopIndex());
}

}  // namespace corvid::headless
