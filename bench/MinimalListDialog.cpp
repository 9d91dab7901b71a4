// The peer of the player window's start-up: a bare QDialog the player
// window's size with a two-column QTreeWidget of the rows given, shown at once.
// Usage: minimal_list_dialog [--close-after SECONDS] [--tick-every MILLISECONDS]
//                            [NAME LENGTH]...
//   e.g. minimal_list_dialog "01. <Unnamed track>" 00:20 "02. <Unnamed track>" 00:20
// --close-after ends it by itself, for the memory figure of play_minute.sh.
// --tick-every runs a timer that does nothing: the least that a window with
// the player's tick pays while nothing changes, for idle.sh.

#include <QApplication>
#include <QDialog>
#include <QStringList>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "res/PlayerDialogTemplate.h"

namespace {

// The player's dialog units in logical pixels, across and down.
constexpr double PIXELS_PER_UNIT_ACROSS = 1.5;
constexpr double PIXELS_PER_UNIT_DOWN = 1.625;
constexpr int TRACK_COLUMN_WIDTH = 280;

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QStringList arguments = QApplication::arguments();
    QTimer tick;
    while (arguments.size() > 2 && arguments[1].startsWith(QStringLiteral("--"))) {
        const int value = arguments[2].toInt();
        if (arguments[1] == QStringLiteral("--close-after")) {
            QTimer::singleShot(value * 1000, &application, &QApplication::quit);
        } else if (arguments[1] == QStringLiteral("--tick-every")) {
            tick.start(value);
        } else {
            break;
        }
        arguments.remove(1, 2);
    }

    QDialog dialog;
    dialog.setWindowTitle("Minimal list");
    dialog.resize(static_cast<int>(corvid::res::PLAYER_DIALOG.width * PIXELS_PER_UNIT_ACROSS),
                  static_cast<int>(corvid::res::PLAYER_DIALOG.height * PIXELS_PER_UNIT_DOWN));
    auto* layout = new QVBoxLayout(&dialog);
    auto* list = new QTreeWidget(&dialog);
    list->setColumnCount(2);
    list->setHeaderLabels({"Track/Subtrack", "Length/Pos"});
    list->setRootIsDecorated(false);
    // The player's own column widths.
    list->setColumnWidth(0, TRACK_COLUMN_WIDTH);
    for (qsizetype index = 1; index + 1 < arguments.size(); index += 2) {
        list->addTopLevelItem(new QTreeWidgetItem({arguments[index], arguments[index + 1]}));
    }
    layout->addWidget(list);
    dialog.show();
    return QApplication::exec();
}
