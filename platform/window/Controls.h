#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace corvid::window {

// The controls of a dialog, as the dialog's code sees them. An adapter makes
// one object per control of the template; it lives as long as the dialog's
// window. Every call is made on the window's thread.
//
// Texts are UTF-8. A call never fails: what a control cannot do it ignores.

struct Point {
    int x = 0;
    int y = 0;
    bool operator==(const Point&) const = default;
};

struct Size {
    int width = 0;
    int height = 0;
    bool operator==(const Size&) const = default;
};

class Control {
  public:
    virtual ~Control() = default;
    [[nodiscard]] virtual int Id() const = 0;
    virtual void SetText(std::string_view text) = 0;
    [[nodiscard]] virtual std::string Text() const = 0;
    virtual void SetEnabled(bool enabled) = 0;
    [[nodiscard]] virtual bool IsEnabled() const = 0;
    // Gives the control the keyboard focus.
    virtual void SetFocus() = 0;
};

class StaticText : public Control {};

// A push button, or a check box (the template's AUTO_CHECK; with PUSH_LIKE it
// looks like a toggle button). A click on a check box flips its state before
// the BN_CLICKED notice is sent.
class Button : public Control {
  public:
    // 0 unchecked, 1 checked; push buttons read 0.
    [[nodiscard]] virtual int GetCheck() const = 0;
    // Sets the state without a notice.
    virtual void SetCheck(int state) = 0;
};

// A one-line edit field.
//
// The modified flag is set by typing and cleared by SetText. Every change of
// the text, the program's SetText included (also when the text stays the
// same), sends EN_CHANGE to the dialog before the changing call returns.
// NUMBER fields take digits only from the keyboard.
class Edit : public Control {
  public:
    // At most `characters` code points can be typed; SetText is cut to fit.
    virtual void SetLimitText(int characters) = 0;
    [[nodiscard]] virtual bool GetModify() const = 0;
    virtual void SetModify(bool modified) = 0;
    // Selects the whole text and scrolls the caret into view.
    virtual void SelectAll() = 0;
};

// A scroll bar. The dialog moves the thumb itself for the line and page codes;
// while the user drags the thumb the adapter moves it and sends SB_THUMBTRACK
// with its position.
class ScrollBar : public Control {
  public:
    // The range minimum..maximum and the page size, without redrawing.
    virtual void SetRange(int minimum, int maximum, int page) = 0;
    // The thumb's position, kept within the range, redrawn at once.
    virtual void SetPosition(int position) = 0;
    [[nodiscard]] virtual int Position() const = 0;
};

// An up-down control: two arrow buttons over a 16-bit position. An arrow
// proposes the position plus one step, +1 when the range's lower end is below
// its upper end and -1 when it is above (the range of a new control is 100 to
// 0, so its up arrow proposes -1). The adapter sends UDN_DELTAPOS with the
// proposal; a result of 1 refuses it, anything else lets the position move,
// wrapping around with WRAP and stopping at the ends without. The control
// never writes into its buddy.
class UpDown : public Control {
  public:
    virtual void SetRange(int lower, int upper) = 0;
    // Kept within the range.
    virtual void SetPosition(int position) = 0;
    [[nodiscard]] virtual std::int16_t Position() const = 0;
};

// Item states of a list view's rows, numbered as Windows numbers them.
enum ItemState : std::uint32_t {
    LVIS_SELECTED = 0x0002,
    LVIS_CUT = 0x0004,
    LVIS_DROPHILITED = 0x0008,
};

// A list view in report mode with a small image per row and a 32-bit data
// word. Rows are numbered from 0 in list order. A row index outside the list
// reads as data 0, image 0, state 0 and empty texts, and setting anything on
// it does nothing. NM_CLICK and NM_DBLCLK are sent after the list's own
// handling of the mouse (which may move the selection).
class ListView : public Control {
  public:
    virtual void InsertColumn(int column, std::string_view heading, int widthPixels) = 0;
    // Image i of the rows is icon resource iconIds[i].
    virtual void SetImageList(std::span<const int> iconIds) = 0;

    // Inserts a row before `row` (at the end when `row` is the count or more);
    // returns its index, or -1 for a negative `row`.
    virtual int InsertItem(int row, std::string_view text, int image, std::int32_t data) = 0;
    virtual void DeleteItem(int row) = 0;
    virtual void DeleteAllItems() = 0;
    [[nodiscard]] virtual int ItemCount() const = 0;

    [[nodiscard]] virtual std::string ItemText(int row, int column) const = 0;
    virtual void SetItemText(int row, int column, std::string_view text) = 0;
    [[nodiscard]] virtual std::int32_t ItemData(int row) const = 0;
    virtual void SetItemData(int row, std::int32_t data) = 0;
    [[nodiscard]] virtual int ItemImage(int row) const = 0;
    virtual void SetItemImage(int row, int image) = 0;
    // The row's states masked by `mask`.
    [[nodiscard]] virtual std::uint32_t ItemState(int row, std::uint32_t mask) const = 0;
    // Sets the bits of `mask` to those of `states`. The list allows one
    // selected row: selecting a row takes the selection off any other.
    virtual void SetItemState(int row, std::uint32_t states, std::uint32_t mask) = 0;
    // The first selected row, or -1.
    [[nodiscard]] virtual int FirstSelectedItem() const = 0;

    // Scrolls so that the whole row is visible; nothing for a row outside.
    virtual void EnsureVisible(int row) = 0;
    // The first row visible at the top.
    [[nodiscard]] virtual int TopIndex() const = 0;
    // How many whole rows the list shows at once.
    [[nodiscard]] virtual int CountPerPage() const = 0;
    // The row at a point in the list's client coordinates, or -1.
    [[nodiscard]] virtual int HitTest(Point client) const = 0;
};

}  // namespace corvid::window
