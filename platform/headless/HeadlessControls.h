#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/window/Controls.h"
#include "platform/window/DialogTemplate.h"
#include "platform/window/Message.h"

namespace corvid::headless {

// A rectangle in a dialog's client pixels.
struct PixelRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

// Dialog units to pixels at the reference base units: 1.5 pixels across and
// 1.625 pixels down per unit.
int HorizontalPixels(int dialogUnits);
int VerticalPixels(int dialogUnits);
PixelRect ToPixels(const window::ControlTemplate& layout);
// A bordered control's client area starts this far inside its outer rectangle.
int BorderPixels(const window::ControlTemplate& layout);

// What a control needs of its dialog: sending notices to the handler and
// moving the keyboard focus.
class ControlHost {
  public:
    virtual window::MessageResult Notify(const window::MessageParams& message) = 0;
    virtual void FocusControl(int id) = 0;
    // A control was asked to show something (a text, a state, a position),
    // whether or not it differs from what it shows: what a toolkit may redraw.
    // It is a change too.
    virtual void NoteDrawRequest() = 0;
    // A control was set to hold something it does not show.
    virtual void NoteChange() = 0;

  protected:
    ~ControlHost() = default;
};

// What every headless control keeps: its id, text and enabled state, taken
// from the template.
template <class Interface>
class HeadlessControl : public Interface {
  public:
    HeadlessControl(ControlHost& host, const window::ControlTemplate& layout)
        : m_host(host), m_layout(layout), m_text(layout.text) {}

    [[nodiscard]] int Id() const override { return m_layout.id; }
    void SetText(std::string_view text) override {
        m_host.NoteDrawRequest();
        m_text = text;
    }
    [[nodiscard]] std::string Text() const override { return m_text; }
    void SetEnabled(bool enabled) override {
        m_host.NoteDrawRequest();
        m_enabled = enabled;
    }
    [[nodiscard]] bool IsEnabled() const override { return m_enabled; }
    void SetFocus() override { m_host.FocusControl(m_layout.id); }

    [[nodiscard]] const window::ControlTemplate& Layout() const { return m_layout; }
    [[nodiscard]] bool HasStyle(window::ControlStyle style) const {
        return window::HasStyle(m_layout.style, style);
    }

  protected:
    window::MessageResult Notify(window::Message message, window::NotifyCode code) {
        window::MessageParams params;
        params.message = message;
        params.code = code;
        params.controlId = m_layout.id;
        return m_host.Notify(params);
    }
    ControlHost& Host() { return m_host; }
    void StoreText(std::string text) { m_text = std::move(text); }
    [[nodiscard]] const std::string& StoredText() const { return m_text; }

  private:
    ControlHost& m_host;
    window::ControlTemplate m_layout;
    std::string m_text;
    bool m_enabled = true;
};

class HeadlessStatic final : public HeadlessControl<window::StaticText> {
  public:
    using HeadlessControl::HeadlessControl;
};

class HeadlessButton final : public HeadlessControl<window::Button> {
  public:
    using HeadlessControl::HeadlessControl;

    [[nodiscard]] int GetCheck() const override { return m_check; }
    void SetCheck(int state) override;

    [[nodiscard]] bool IsCheckBox() const;
    // The user's click: an auto check box flips, then BN_CLICKED goes out.
    void Click();

  private:
    int m_check = 0;
};

// The selection of an edit, in code points; start == end is the caret.
struct TextSelection {
    int start = 0;
    int end = 0;
    bool operator==(const TextSelection&) const = default;
};

class HeadlessEdit final : public HeadlessControl<window::Edit> {
  public:
    // An edit takes this many code points until the program says otherwise.
    static constexpr int DEFAULT_LIMIT = 32767;

    using HeadlessControl::HeadlessControl;

    void SetText(std::string_view text) override;
    void SetLimitText(int characters) override;
    [[nodiscard]] bool GetModify() const override { return m_modified; }
    void SetModify(bool modified) override { m_modified = modified; }
    void SelectAll() override;

    // The user types one code point: it replaces the selection, or goes in at
    // the caret. Refused past the limit and, in a NUMBER field, for anything
    // but a digit. Returns whether the text changed.
    bool TypeCharacter(std::string_view character);
    // The user deletes the selection, or the code point before the caret.
    void Backspace();

    [[nodiscard]] int LimitText() const { return m_limit; }
    [[nodiscard]] TextSelection Selection() const { return m_selection; }
    [[nodiscard]] bool IsNumberOnly() const { return HasStyle(window::ControlStyle::NUMBER); }

  private:
    void ReplaceSelection(std::string_view replacement);

    int m_limit = DEFAULT_LIMIT;
    bool m_modified = false;
    TextSelection m_selection;
};

// The text's code points, counted from the UTF-8 lead bytes.
int CodePointCount(std::string_view text);

}  // namespace corvid::headless
