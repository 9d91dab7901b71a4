#include "platform/qt/QtListView.h"

#include "platform/window/DialogTemplate.h"

#include <QCoreApplication>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QResizeEvent>
#include <QScrollBar>
#include <QStyleOptionHeader>
#include <QStyledItemDelegate>
#include <algorithm>

namespace corvid::window::qt {

namespace {

constexpr int IMAGE_ROLE = Qt::UserRole + 1;
constexpr int DATA_ROLE = Qt::UserRole + 2;
constexpr int MARKS_ROLE = Qt::UserRole + 3;
constexpr std::uint32_t MARKS = LVIS_CUT | LVIS_DROPHILITED;

// Every row as high as the small icons or the font, whichever is more, so that
// the rows per page are known before the first row exists.
class UniformRowDelegate final : public QStyledItemDelegate {
  public:
    UniformRowDelegate(int rowHeight, QObject* parent)
        : QStyledItemDelegate(parent), rowHeight(rowHeight) {}

    [[nodiscard]] QSize sizeHint(const QStyleOptionViewItem& option,
                                 const QModelIndex& index) const override {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.setHeight(rowHeight);
        return size;
    }

  private:
    int rowHeight;
};

// A header sized from its own font. Qt's measures every title in bold, to
// leave room for sections highlighted with the current row; this list never
// highlights them, and measuring in bold loads a face that nothing draws.
class DialogHeaderView final : public QHeaderView {
  public:
    explicit DialogHeaderView(QWidget* parent) : QHeaderView(Qt::Horizontal, parent) {}

  protected:
    [[nodiscard]] QSize sectionSizeFromContents(int logicalIndex) const override {
        ensurePolished();
        QStyleOptionHeader option;
        initStyleOption(&option);
        option.section = logicalIndex;
        option.text = model()->headerData(logicalIndex, orientation()).toString();
        return style()->sizeFromContents(QStyle::CT_HeaderSection, &option, QSize(), this);
    }
};

int UniformRowHeight(const QWidget& widget) {
    return std::max(widget.fontMetrics().height(), SMALL_ICON_PIXELS) + 2;
}

}  // namespace

DialogTreeWidget::DialogTreeWidget(QWidget* parent) : QTreeWidget(parent) {
    // As the tree view sets up its own header.
    auto* heading = new DialogHeaderView(this);
    heading->setSectionsMovable(true);
    heading->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    setHeader(heading);
    setItemDelegate(new UniformRowDelegate(UniformRowHeight(*this), this));
}

int DialogTreeWidget::RowHeight() const {
    return UniformRowHeight(*this);
}

void DialogTreeWidget::LayOut() {
    if (testAttribute(Qt::WA_PendingResizeEvent)) {
        QResizeEvent resize(size(), QSize());
        QCoreApplication::sendEvent(this, &resize);
        setAttribute(Qt::WA_PendingResizeEvent, false);
    }
    executeDelayedItemsLayout();
    updateGeometries();
}

void DialogTreeWidget::mousePressEvent(QMouseEvent* event) {
    QTreeWidget::mousePressEvent(event);
    // A click beside every row takes the selection away, as in a list view.
    if (event->button() == Qt::LeftButton && itemAt(event->position().toPoint()) == nullptr) {
        clearSelection();
    }
}

void DialogTreeWidget::mouseReleaseEvent(QMouseEvent* event) {
    QTreeWidget::mouseReleaseEvent(event);
    if (event->button() != Qt::LeftButton) {
        return;
    }
    if (releaseEndsDoubleClick) {
        releaseEndsDoubleClick = false;
        return;
    }
    if (notified) {
        notified(NM_CLICK);
    }
}

void DialogTreeWidget::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    // Space and Enter take the selected row, as a click takes the row under the mouse.
    if ((key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter) && notified) {
        event->accept();
        notified(NM_RETURN);
        return;
    }
    QTreeWidget::keyPressEvent(event);
}

void DialogTreeWidget::mouseDoubleClickEvent(QMouseEvent* event) {
    QTreeWidget::mouseDoubleClickEvent(event);
    if (event->button() != Qt::LeftButton) {
        return;
    }
    releaseEndsDoubleClick = true;
    if (notified) {
        notified(NM_DBLCLK);
    }
}

QtListView::QtListView(int id, DialogTreeWidget& tree, QtImages& images, ControlOwner& owner)
    : QtControlBase(id, tree, owner), images(images) {
    tree.setColumnCount(0);
    tree.setRootIsDecorated(false);
    tree.setItemsExpandable(false);
    tree.setUniformRowHeights(true);
    tree.setSortingEnabled(false);
    tree.setSelectionMode(QAbstractItemView::SingleSelection);
    tree.setSelectionBehavior(QAbstractItemView::SelectRows);
    tree.setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    tree.setIconSize(QSize(SMALL_ICON_PIXELS, SMALL_ICON_PIXELS));
    tree.setAllColumnsShowFocus(true);
    tree.header()->setStretchLastSection(false);
    tree.notified = [this](NotifyCode code) { Notify(WM_NOTIFY, code); };
    // Rows change through the model, whether the program or the user changes
    // them (the keys move the selection without a notice).
    const auto noteChange = [this] { this->owner.NoteChange(); };
    const QAbstractItemModel* model = tree.model();
    QObject::connect(model, &QAbstractItemModel::dataChanged, &tree, noteChange);
    QObject::connect(model, &QAbstractItemModel::rowsInserted, &tree, noteChange);
    QObject::connect(model, &QAbstractItemModel::rowsRemoved, &tree, noteChange);
    QObject::connect(model, &QAbstractItemModel::modelReset, &tree, noteChange);
    QObject::connect(model, &QAbstractItemModel::layoutChanged, &tree, noteChange);
    QObject::connect(tree.selectionModel(), &QItemSelectionModel::selectionChanged, &tree,
                     noteChange);
}

QTreeWidgetItem* QtListView::Row(int row) const {
    if (row < 0 || row >= widget.topLevelItemCount()) {
        return nullptr;
    }
    return widget.topLevelItem(row);
}

void QtListView::InsertColumn(int column, std::string_view heading, int widthPixels) {
    const int count = widget.columnCount();
    const int at = std::clamp(column, 0, count);
    QTreeWidgetItem* header = widget.headerItem();
    QStringList headings;
    for (int index = 0; index < count; ++index) {
        headings.append(header->text(index));
    }
    headings.insert(at, FromUtf8(heading));
    widget.model()->insertColumn(at);
    widget.setHeaderLabels(headings);
    for (int index = 0; index < widget.columnCount(); ++index) {
        widget.headerItem()->setTextAlignment(index, Qt::AlignLeft | Qt::AlignVCenter);
    }
    widget.header()->resizeSection(at, widthPixels);
}

void QtListView::SetImageList(std::span<const int> iconIds) {
    imageList.clear();
    for (int iconId : iconIds) {
        imageList.push_back(QIcon(images.Icon(iconId, SMALL_ICON_PIXELS)));
    }
    for (int row = 0; row < widget.topLevelItemCount(); ++row) {
        ShowImage(*widget.topLevelItem(row));
    }
}

void QtListView::ShowImage(QTreeWidgetItem& item) const {
    const int image = item.data(0, IMAGE_ROLE).toInt();
    const bool known = image >= 0 && image < static_cast<int>(imageList.size());
    item.setIcon(0, known ? imageList[static_cast<std::size_t>(image)] : QIcon());
}

void QtListView::ShowMarks(QTreeWidgetItem& item) const {
    // Beside the selection: drop-highlighted rows in bold on the highlight's
    // light shade, cut rows in italics. The edit row carries both, so its text
    // keeps its full colour to stay readable on the light shade.
    const auto marks = item.data(0, MARKS_ROLE).toUInt();
    const QPalette& palette = widget.palette();
    for (int column = 0; column < std::max(widget.columnCount(), 1); ++column) {
        QFont font = widget.font();
        font.setBold((marks & LVIS_DROPHILITED) != 0);
        font.setItalic((marks & LVIS_CUT) != 0);
        item.setFont(column, font);
        item.setBackground(column, (marks & LVIS_DROPHILITED) != 0
                                       ? QBrush(palette.color(QPalette::Highlight).lighter(170))
                                       : QBrush());
    }
}

int QtListView::InsertItem(int row, std::string_view text, int image, std::int32_t data) {
    if (row < 0) {
        return -1;
    }
    const int at = std::min(row, widget.topLevelItemCount());
    auto* item = new QTreeWidgetItem();
    item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    item->setText(0, FromUtf8(text));
    item->setData(0, IMAGE_ROLE, image);
    item->setData(0, DATA_ROLE, data);
    item->setData(0, MARKS_ROLE, 0U);
    widget.insertTopLevelItem(at, item);
    ShowImage(*item);
    NameForScreenReaders(*item);
    return at;
}

void QtListView::DeleteItem(int row) {
    delete Row(row);
}

void QtListView::DeleteAllItems() {
    widget.clear();
}

int QtListView::ItemCount() const {
    return widget.topLevelItemCount();
}

std::string QtListView::ItemText(int row, int column) const {
    const QTreeWidgetItem* item = Row(row);
    if (item == nullptr || column < 0 || column >= widget.columnCount()) {
        return {};
    }
    return ToUtf8(item->text(column));
}

void QtListView::SetItemText(int row, int column, std::string_view text) {
    QTreeWidgetItem* item = Row(row);
    if (item == nullptr || column < 0 || column >= std::max(widget.columnCount(), 1)) {
        return;
    }
    item->setText(column, FromUtf8(text));
    NameForScreenReaders(*item);
}

void QtListView::NameForScreenReaders(QTreeWidgetItem& item) {
    item.setData(0, Qt::AccessibleTextRole,
                 FromUtf8(window::RowAccessibleText(ToUtf8(item.text(0)), ToUtf8(item.text(1)))));
}

std::int32_t QtListView::ItemData(int row) const {
    const QTreeWidgetItem* item = Row(row);
    return item == nullptr ? 0 : item->data(0, DATA_ROLE).toInt();
}

void QtListView::SetItemData(int row, std::int32_t data) {
    if (QTreeWidgetItem* item = Row(row)) {
        item->setData(0, DATA_ROLE, data);
    }
}

int QtListView::ItemImage(int row) const {
    const QTreeWidgetItem* item = Row(row);
    return item == nullptr ? 0 : item->data(0, IMAGE_ROLE).toInt();
}

void QtListView::SetItemImage(int row, int image) {
    if (QTreeWidgetItem* item = Row(row)) {
        item->setData(0, IMAGE_ROLE, image);
        ShowImage(*item);
    }
}

std::uint32_t QtListView::ItemState(int row, std::uint32_t mask) const {
    const QTreeWidgetItem* item = Row(row);
    if (item == nullptr) {
        return 0;
    }
    std::uint32_t states = item->data(0, MARKS_ROLE).toUInt();
    if (item->isSelected()) {
        states |= LVIS_SELECTED;
    }
    return states & mask;
}

void QtListView::SetItemState(int row, std::uint32_t states, std::uint32_t mask) {
    QTreeWidgetItem* item = Row(row);
    if (item == nullptr) {
        return;
    }
    if ((mask & LVIS_SELECTED) != 0) {
        const QModelIndex index = widget.model()->index(row, 0);
        const auto command = (states & LVIS_SELECTED) != 0
                                 ? QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows
                                 : QItemSelectionModel::Deselect | QItemSelectionModel::Rows;
        widget.selectionModel()->select(index, command);
    }
    if ((mask & MARKS) != 0) {
        const std::uint32_t marks = item->data(0, MARKS_ROLE).toUInt();
        item->setData(0, MARKS_ROLE, (marks & ~(mask & MARKS)) | (states & mask & MARKS));
        ShowMarks(*item);
    }
}

int QtListView::FirstSelectedItem() const {
    for (int row = 0; row < widget.topLevelItemCount(); ++row) {
        if (widget.topLevelItem(row)->isSelected()) {
            return row;
        }
    }
    return -1;
}

void QtListView::EnsureVisible(int row) {
    const int count = ItemCount();
    if (row < 0 || row >= count) {
        return;
    }
    widget.LayOut();
    const int top = TopIndex();
    const int page = std::max(CountPerPage(), 1);
    if (row < top) {
        widget.verticalScrollBar()->setValue(row);
    } else if (row >= top + page) {
        widget.verticalScrollBar()->setValue(row - page + 1);
    }
}

int QtListView::TopIndex() const {
    widget.LayOut();
    return widget.topLevelItemCount() == 0 ? 0 : widget.verticalScrollBar()->value();
}

int QtListView::CountPerPage() const {
    widget.LayOut();
    return widget.viewport()->height() / std::max(widget.RowHeight(), 1);
}

QPoint QtListView::ViewportPoint(Point client) const {
    const QPoint origin = widget.contentsRect().topLeft();
    return QPoint(client.x, client.y) + origin - widget.viewport()->pos();
}

Point QtListView::ClientPoint(QPoint viewportPoint) const {
    const QPoint inList =
        viewportPoint + widget.viewport()->pos() - widget.contentsRect().topLeft();
    return Point{inList.x(), inList.y()};
}

int QtListView::HitTest(Point client) const {
    widget.LayOut();
    const QPoint point = ViewportPoint(client);
    if (!widget.viewport()->rect().contains(point)) {
        return -1;
    }
    const QModelIndex index = widget.indexAt(QPoint(0, point.y()));
    return index.isValid() ? index.row() : -1;
}

}  // namespace corvid::window::qt
