#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/headless/HeadlessControls.h"

namespace corvid::headless {

// A report-mode list with a simple geometry: a header band on top, then rows
// of one fixed height from the top index down, over the client area of the
// template's rectangle.
class HeadlessListView final : public HeadlessControl<window::ListView> {
  public:
    static constexpr int HEADER_HEIGHT = 20;
    static constexpr int ROW_HEIGHT = 17;

    struct Column {
        std::string heading;
        int widthPixels = 0;
    };

    HeadlessListView(ControlHost& host, const window::ControlTemplate& layout);

    void InsertColumn(int column, std::string_view heading, int widthPixels) override;
    void SetImageList(std::span<const int> iconIds) override;

    int InsertItem(int row, std::string_view text, int image, std::int32_t data) override;
    void DeleteItem(int row) override;
    void DeleteAllItems() override;
    [[nodiscard]] int ItemCount() const override { return static_cast<int>(m_rows.size()); }

    [[nodiscard]] std::string ItemText(int row, int column) const override;
    void SetItemText(int row, int column, std::string_view text) override;
    [[nodiscard]] std::int32_t ItemData(int row) const override;
    void SetItemData(int row, std::int32_t data) override;
    [[nodiscard]] int ItemImage(int row) const override;
    void SetItemImage(int row, int image) override;
    [[nodiscard]] std::uint32_t ItemState(int row, std::uint32_t mask) const override;
    void SetItemState(int row, std::uint32_t states, std::uint32_t mask) override;
    [[nodiscard]] int FirstSelectedItem() const override;

    void EnsureVisible(int row) override;
    [[nodiscard]] int TopIndex() const override { return m_topIndex; }
    [[nodiscard]] int CountPerPage() const override;
    [[nodiscard]] int HitTest(window::Point client) const override;

    // The user's click at a client point: the list selects the row there (or
    // none, off the rows) and then sends NM_CLICK; a click on the header does
    // nothing. A double click sends NM_DBLCLK after the click.
    void Click(window::Point client);
    void DoubleClick(window::Point client);
    // The user selects `row` with the arrow keys and presses Space: NM_RETURN.
    void TakeRowByKeyboard(int row);
    // The user scrolls the list so that `row` is at the top, as far as it goes.
    void ScrollTo(int row);

    // The top-left client point of a row as the list shows it now.
    [[nodiscard]] window::Point RowPoint(int row) const;
    [[nodiscard]] window::Size ClientSize() const { return m_clientSize; }
    [[nodiscard]] const std::vector<Column>& Columns() const { return m_columns; }
    [[nodiscard]] const std::vector<int>& ImageIcons() const { return m_imageIcons; }
    // The icon resource a row shows, or 0 when its image has none.
    [[nodiscard]] int ItemIcon(int row) const;

  private:
    struct Row {
        std::vector<std::string> texts;
        int image = 0;
        std::int32_t data = 0;
        std::uint32_t state = 0;
    };

    [[nodiscard]] bool Contains(int row) const { return row >= 0 && row < ItemCount(); }
    [[nodiscard]] int ColumnCount() const;
    [[nodiscard]] int LastTopIndex() const;
    void KeepTopIndexInRange();

    std::vector<Column> m_columns;
    std::vector<int> m_imageIcons;
    std::vector<Row> m_rows;
    window::Size m_clientSize;
    int m_topIndex = 0;
};

}  // namespace corvid::headless
