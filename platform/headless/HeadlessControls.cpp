#include "platform/headless/HeadlessControls.h"

#include <algorithm>
#include <cctype>

namespace corvid::headless {

using window::ControlKind;
using window::ControlStyle;

namespace {

constexpr int BORDER_WIDTH = 2;

bool IsContinuationByte(char byte) {
    return (static_cast<unsigned char>(byte) & 0xC0U) == 0x80U;
}

// The byte offset at which code point `index` starts (the size past the end).
std::size_t ByteOffset(std::string_view text, int index) {
    int seen = 0;
    for (std::size_t offset = 0; offset < text.size(); ++offset) {
        if (IsContinuationByte(text[offset])) {
            continue;
        }
        if (seen == index) {
            return offset;
        }
        ++seen;
    }
    return text.size();
}

// The first `count` code points of the text.
std::string_view FirstCodePoints(std::string_view text, int count) {
    return text.substr(0, ByteOffset(text, count));
}

}  // namespace

int HorizontalPixels(int dialogUnits) {
    return (dialogUnits * 3 + 1) / 2;
}

int VerticalPixels(int dialogUnits) {
    return (dialogUnits * 13 + 4) / 8;
}

PixelRect ToPixels(const window::ControlTemplate& layout) {
    return {HorizontalPixels(layout.x), VerticalPixels(layout.y), HorizontalPixels(layout.width),
            VerticalPixels(layout.height)};
}

int BorderPixels(const window::ControlTemplate& layout) {
    return window::HasStyle(layout.style, ControlStyle::BORDER) ? BORDER_WIDTH : 0;
}

int CodePointCount(std::string_view text) {
    return static_cast<int>(std::count_if(text.begin(), text.end(),
                                          [](char byte) { return !IsContinuationByte(byte); }));
}

bool HeadlessButton::IsCheckBox() const {
    return Layout().kind == ControlKind::CHECK_BOX;
}

void HeadlessButton::SetCheck(int state) {
    Host().NoteDrawRequest();
    if (IsCheckBox()) {
        m_check = state == 0 ? 0 : 1;
    }
}

void HeadlessButton::Click() {
    if (IsCheckBox() && HasStyle(ControlStyle::AUTO_CHECK)) {
        m_check = 1 - m_check;
    }
    Notify(window::WM_COMMAND, window::BN_CLICKED);
}

void HeadlessEdit::SetText(std::string_view text) {
    Host().NoteDrawRequest();
    StoreText(std::string(FirstCodePoints(text, m_limit)));
    m_modified = false;
    const int end = CodePointCount(StoredText());
    m_selection = {end, end};
    Notify(window::WM_COMMAND, window::EN_CHANGE);
}

void HeadlessEdit::SetLimitText(int characters) {
    m_limit = characters > 0 ? characters : DEFAULT_LIMIT;
}

void HeadlessEdit::SelectAll() {
    m_selection = {0, CodePointCount(StoredText())};
}

bool HeadlessEdit::TypeCharacter(std::string_view character) {
    if (IsNumberOnly() &&
        (character.size() != 1 || std::isdigit(static_cast<unsigned char>(character[0])) == 0)) {
        return false;
    }
    const int selected = m_selection.end - m_selection.start;
    if (CodePointCount(StoredText()) - selected + 1 > m_limit) {
        return false;
    }
    ReplaceSelection(character);
    return true;
}

void HeadlessEdit::Backspace() {
    if (m_selection.start == m_selection.end) {
        if (m_selection.start == 0) {
            return;
        }
        --m_selection.start;
    }
    ReplaceSelection("");
}

void HeadlessEdit::ReplaceSelection(std::string_view replacement) {
    const std::string& text = StoredText();
    const std::size_t from = ByteOffset(text, m_selection.start);
    const std::size_t to = ByteOffset(text, m_selection.end);
    std::string changed = text.substr(0, from);
    changed += replacement;
    changed += text.substr(to);
    StoreText(std::move(changed));
    const int caret = m_selection.start + CodePointCount(replacement);
    m_selection = {caret, caret};
    m_modified = true;
    Notify(window::WM_COMMAND, window::EN_CHANGE);
}

}  // namespace corvid::headless
