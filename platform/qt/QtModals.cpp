#include "platform/qt/QtModals.h"

#include <QDir>
#include <QFileDialog>
#include <QMessageBox>

#include "platform/qt/QtControl.h"

namespace corvid::window::qt {

namespace {

QString QtPatterns(const QString& windowsPatterns) {
    QStringList patterns;
    for (const QString& pattern : windowsPatterns.split(u';', Qt::SkipEmptyParts)) {
        const QString trimmed = pattern.trimmed();
        patterns.append(trimmed == QStringLiteral("*.*") ? QStringLiteral("*") : trimmed);
    }
    return patterns.join(u' ');
}

// The description without a pattern list at its end: "All Files (*.*)" gives
// "All Files".
QString BareDescription(const QString& description) {
    const QString trimmed = description.trimmed();
    if (!trimmed.endsWith(u')')) {
        return trimmed;
    }
    const qsizetype open = trimmed.lastIndexOf(u'(');
    return open < 0 ? trimmed : trimmed.left(open).trimmed();
}

}  // namespace

QStringList NameFilters(std::string_view filter) {
    const QStringList parts = FromUtf8(filter).split(u'|');
    QStringList filters;
    for (qsizetype index = 0; index + 1 < parts.size(); index += 2) {
        if (parts[index].isEmpty() && parts[index + 1].isEmpty()) {
            break;
        }
        filters.append(QStringLiteral("%1 (%2)").arg(BareDescription(parts[index]),
                                                     QtPatterns(parts[index + 1])));
    }
    return filters;
}

QString DefaultSuffix(std::string_view extension) {
    QString suffix = FromUtf8(extension).trimmed();
    while (suffix.startsWith(u'*') || suffix.startsWith(u'.')) {
        suffix.remove(0, 1);
    }
    return suffix;
}

MessageBoxAnswer RunMessageBox(QWidget* parent, const QtEnvironment& environment,
                               std::string_view text, MessageBoxButtons buttons) {
    // The box is left out of the handler's time, from its making to its end.
    ModalPause pause(environment.stopwatch);
    QMessageBox box(parent);
    environment.ApplyColors(box);
    box.setWindowTitle(environment.Caption());
    box.setText(FromUtf8(text));
    box.setTextFormat(Qt::PlainText);
    if (buttons == MessageBoxButtons::YES_NO) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
        box.setDefaultButton(QMessageBox::Ok);
    }
    const int answer = box.exec();
    if (buttons == MessageBoxButtons::OK) {
        return MessageBoxAnswer::OK;
    }
    return answer == QMessageBox::Yes ? MessageBoxAnswer::YES : MessageBoxAnswer::NO;
}

std::optional<std::string> RunFileDialog(QWidget* parent, const QtEnvironment& environment,
                                         const FileDialogRequest& request) {
    // The dialog is left out of the handler's time, from its making to its
    // end: making one reads the folder, which may take long.
    ModalPause pause(environment.stopwatch);
    const bool save = request.kind == FileDialogKind::SAVE;
    QFileDialog dialog(parent, save ? QStringLiteral("Save As") : QStringLiteral("Open"),
                       QDir::currentPath());
    environment.ApplyColors(dialog);
    dialog.setOption(QFileDialog::DontUseNativeDialog,
                     environment.fileDialogs == FileDialogLook::QT_WIDGETS);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    const QStringList filters = NameFilters(request.filter);
    if (!filters.isEmpty()) {
        dialog.setNameFilters(filters);
    }
    dialog.setDefaultSuffix(DefaultSuffix(request.defaultExtension));
    if (!request.initialName.empty()) {
        dialog.selectFile(FromUtf8(request.initialName));
    }
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty()) {
        return std::nullopt;
    }
    return ToUtf8(QDir::toNativeSeparators(QFileInfo(chosen.first()).absoluteFilePath()));
}

}  // namespace corvid::window::qt
