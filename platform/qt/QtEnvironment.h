#pragma once

#include <QString>
#include <QWidget>
#include <cstdint>
#include <optional>

#include "platform/qt/HandlerStopwatch.h"
#include "platform/qt/QtImages.h"
#include "platform/qt/TimerSource.h"
#include "platform/window/WindowSystem.h"

namespace corvid::window::qt {

// Which file dialog QFileDialog shows: the desktop's own where the platform
// has one, or Qt's widgets, which tests can drive.
enum class FileDialogLook : std::uint8_t { PLATFORM, QT_WIDGETS };

struct DialogColors {
    Color background;
    Color text;
};

// What the windowing system shares with every dialog it makes.
struct QtEnvironment {
    // Empty: QApplication's name at the time a box is shown.
    QString applicationName;
    TimerSource& timers;
    QtImages& images;
    FileDialogLook fileDialogs = FileDialogLook::PLATFORM;
    std::optional<DialogColors> colors;
    // Times the handlers when set; see HandlerStopwatch.
    HandlerStopwatch* stopwatch = nullptr;

    // The dialog colours as the window and window text of `widget`'s palette;
    // buttons, edits and lists keep theirs.
    [[nodiscard]] QString Caption() const;
    void ApplyColors(QWidget& widget) const;
    // The same colours as a button's face and caption.
    void ApplyButtonColors(QWidget& button) const;
};

}  // namespace corvid::window::qt
