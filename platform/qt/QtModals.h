#pragma once

#include <QStringList>
#include <optional>
#include <string>
#include <string_view>

#include "platform/qt/QtEnvironment.h"
#include "platform/window/DialogWindow.h"

class QWidget;

namespace corvid::window::qt {

// The filter of a FileDialogRequest as Qt name filters, one per description:
// "Track list files (*.trk)|*.trk|All Files (*.*)|*.*||" gives
// "Track list files (*.trk)" and "All Files (*)". Windows' "*.*" matches every
// name, with or without a dot, which Qt writes "*".
QStringList NameFilters(std::string_view filter);

// "*.trk", ".trk" or "trk" as the suffix QFileDialog adds: "trk".
QString DefaultSuffix(std::string_view extension);

MessageBoxAnswer RunMessageBox(QWidget* parent, const QtEnvironment& environment,
                               std::string_view text, MessageBoxButtons buttons);

std::optional<std::string> RunFileDialog(QWidget* parent, const QtEnvironment& environment,
                                         const FileDialogRequest& request);

}  // namespace corvid::window::qt
