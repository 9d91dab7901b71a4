#pragma once

#include <QIcon>
#include <QTreeWidget>
#include <functional>
#include <vector>

#include "platform/qt/QtControl.h"
#include "platform/qt/QtImages.h"

namespace corvid::window::qt {

// QTreeWidget that reports the clicks after it has handled them, and whose
// rows all have one height.
class DialogTreeWidget final : public QTreeWidget {
  public:
    explicit DialogTreeWidget(QWidget* parent);

    [[nodiscard]] int RowHeight() const;
    // Brings the viewport and the scroll range up to date now, also before
    // the window is first shown; Qt lays them out lazily.
    void LayOut();

    std::function<void(NotifyCode)> notified;

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    bool releaseEndsDoubleClick = false;
};

// The report-mode list view. The row's image index, data word and the cut and
// drop-highlight marks are kept in the first column's item data; the
// selection is Qt's own.
class QtListView final : public QtControlBase<ListView, DialogTreeWidget> {
  public:
    QtListView(int id, DialogTreeWidget& tree, QtImages& images, ControlOwner& owner);

    void SetText(std::string_view text) override {
        caption = std::string(text);
        owner.NoteChange();
    }
    [[nodiscard]] std::string Text() const override { return caption; }

    void InsertColumn(int column, std::string_view heading, int widthPixels) override;
    void SetImageList(std::span<const int> iconIds) override;
    int InsertItem(int row, std::string_view text, int image, std::int32_t data) override;
    void DeleteItem(int row) override;
    void DeleteAllItems() override;
    [[nodiscard]] int ItemCount() const override;
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
    [[nodiscard]] int TopIndex() const override;
    [[nodiscard]] int CountPerPage() const override;
    [[nodiscard]] int HitTest(Point client) const override;

    // Where a client point of the list lies in its viewport, and back.
    [[nodiscard]] QPoint ViewportPoint(Point client) const;
    [[nodiscard]] Point ClientPoint(QPoint viewportPoint) const;

  private:
    [[nodiscard]] QTreeWidgetItem* Row(int row) const;
    void ShowImage(QTreeWidgetItem& item) const;
    void ShowMarks(QTreeWidgetItem& item) const;
    // A screen reader reads a row as its name and its time.
    static void NameForScreenReaders(QTreeWidgetItem& item);

    std::string caption;
    QtImages& images;
    std::vector<QIcon> imageList;
};

}  // namespace corvid::window::qt
