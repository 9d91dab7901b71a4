#include <gmock/gmock.h>

#include <algorithm>

#include <QAccessible>
#include <QApplication>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QLabel>
#include <QPushButton>
#include <QStyleOptionButton>
#include <QTest>
#include <QTreeWidget>

#include "platform/qt/DialogFont.h"
#include "platform/qt/QtUpDown.h"
#include "res/AboutDialogTemplate.h"
#include "res/ControlIds.h"
#include "res/PlayerDialogTemplate.h"
#include "tests/window/qt/QtDialogTest.h"

namespace corvid::window::qt {
namespace {

using ::testing::ElementsAreArray;

using QtAccessibility = QtDialogTest;

struct NamedControl {
    int id;
    const char* name;
};

// What a listener hears for each control of the player window.
const NamedControl PLAYER_NAMES[] = {
    {res::ALBUM_EDIT, "Album"},
    {res::ARTIST_EDIT, "Artist"},
    {res::NAME_EDIT, "Name of Track/Subtrack"},
    {res::MINUTE_EDIT, "Min"},
    {res::SECOND_EDIT, "Sec"},
    {res::FRAME_EDIT, "Frame"},
    {res::MINUTE_SPIN, "Minutes"},
    {res::SECOND_SPIN, "Seconds"},
    {res::FRAME_SPIN, "Frames"},
    {res::REPEAT_TOGGLE, "Repeat"},
    {res::UPDATE_BUTTON, "Update!"},
    {res::INSERT_SUBTRACK_BUTTON, "Insert new subtrack"},
    {res::DELETE_SUBTRACK_BUTTON, "Delete this subtrack"},
    {res::LOAD_TRACKS_BUTTON, "Load tracks"},
    {res::SAVE_TRACKS_BUTTON, "Save tracks"},
    {res::PREVIOUS_TRACK_BUTTON, "Previous track"},
    {res::POSITION_SCROLL_BAR, "Position in track"},
    {res::NEXT_TRACK_BUTTON, "Next track"},
    {res::PLAY_STOP_BUTTON, "Play/Stop"},
    {res::EJECT_BUTTON, "Eject"},
    {res::INJECT_BUTTON, "Inject"},
    {res::VOLUME_SPIN, "Volume"},
    {res::ABOUT_BUTTON, "About"},
    {res::STATUS_TEXT, "Current track"},
    {res::POSITION_TEXT, "Position"},
    {res::SUBTRACK_TEXT, "Current subtrack"},
    {res::TRACK_LIST, "Track list"},
};

QString AccessibleText(QObject& object, QAccessible::Text kind) {
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(&object);
    return accessible == nullptr ? QString() : accessible->text(kind);
}

TEST_F(QtAccessibility, EveryPlayerControlHasTheNameAListenerUnderstands) {
    Open(res::PLAYER_DIALOG);
    for (const NamedControl& control : PLAYER_NAMES) {
        SCOPED_TRACE(control.name);
        EXPECT_EQ(AccessibleText(driver.WidgetOf(control.id), QAccessible::Name),
                  QString::fromUtf8(control.name));
    }
}

TEST_F(QtAccessibility, PaintedLabelsNameTheFieldsBesideThem) {
    Open(res::PLAYER_DIALOG);
    std::vector<std::string> fieldNames;
    for (const int id : {res::ALBUM_EDIT, res::ARTIST_EDIT, res::NAME_EDIT, res::MINUTE_EDIT,
                         res::SECOND_EDIT, res::FRAME_EDIT}) {
        fieldNames.push_back(AccessibleText(driver.WidgetOf(id), QAccessible::Name).toStdString());
    }
    std::vector<std::string> paintedWords;
    for (const res::PaintedLabel& label : res::PlayerPaintedLabels()) {
        paintedWords.emplace_back(label.word);
    }
    EXPECT_THAT(fieldNames, ElementsAreArray(paintedWords));
}

TEST_F(QtAccessibility, SpinnerArrowsSayWhichWayTheyGo) {
    Open(res::PLAYER_DIALOG);
    auto& volume = dynamic_cast<UpDownWidget&>(driver.WidgetOf(res::VOLUME_SPIN));
    auto& minutes = dynamic_cast<UpDownWidget&>(driver.WidgetOf(res::MINUTE_SPIN));

    EXPECT_EQ(AccessibleText(volume.ArrowButton(true), QAccessible::Name), "Volume up");
    EXPECT_EQ(AccessibleText(volume.ArrowButton(false), QAccessible::Name), "Volume down");
    EXPECT_EQ(AccessibleText(minutes.ArrowButton(true), QAccessible::Name), "Minutes up");
}

TEST_F(QtAccessibility, AnUpDownIsASpinButton) {
    Open(res::PLAYER_DIALOG);
    QAccessibleInterface* volume =
        QAccessible::queryAccessibleInterface(&driver.WidgetOf(res::VOLUME_SPIN));
    ASSERT_NE(volume, nullptr);
    EXPECT_EQ(volume->role(), QAccessible::SpinBox);
    EXPECT_EQ(volume->text(QAccessible::Name), "Volume");
    EXPECT_EQ(volume->childCount(), 2);
}

// A button named by its caption follows the caption the program gives it.
TEST_F(QtAccessibility, ACaptionedButtonIsNamedByItsCurrentCaption) {
    DialogWindow& window = Open(res::PLAYER_DIALOG);
    window.GetButton(res::PLAY_STOP_BUTTON)->SetText("Stop");
    EXPECT_EQ(AccessibleText(driver.WidgetOf(res::PLAY_STOP_BUTTON), QAccessible::Name), "Stop");
}

TEST_F(QtAccessibility, AStatusFieldKeepsItsNameAndDescribesWhatItShows) {
    DialogWindow& window = Open(res::PLAYER_DIALOG);
    window.GetStatic(res::POSITION_TEXT)->SetText("01:02 (03:04)");

    QWidget& field = driver.WidgetOf(res::POSITION_TEXT);
    EXPECT_EQ(AccessibleText(field, QAccessible::Name), "Position");
    EXPECT_EQ(AccessibleText(field, QAccessible::Description), "01:02 (03:04)");
    EXPECT_EQ(QAccessible::queryAccessibleInterface(&field)->role(), QAccessible::StaticText);
}

TEST_F(QtAccessibility, AListRowReadsAsItsNameAndItsTime) {
    DialogWindow& window = Open(res::PLAYER_DIALOG);
    ListView& list = *window.GetListView(res::TRACK_LIST);
    list.InsertColumn(0, "Track/Subtrack", 280);
    list.InsertColumn(1, "Length/Pos", 70);
    list.InsertItem(0, "Morning in C", 0, 1);
    list.SetItemText(0, 1, "00:47");
    list.InsertItem(1, "no time yet", 1, 2);

    auto& tree = dynamic_cast<QTreeWidget&>(driver.WidgetOf(res::TRACK_LIST));
    EXPECT_EQ(tree.topLevelItem(0)->data(0, Qt::AccessibleTextRole).toString(),
              "Morning in C, 00:47");
    EXPECT_EQ(tree.topLevelItem(1)->data(0, Qt::AccessibleTextRole).toString(), "no time yet");
    // The row's own text is what it was: only a listener hears the time.
    EXPECT_EQ(list.ItemText(0, 0), "Morning in C");

    list.SetItemText(0, 0, "Morning in C major");
    EXPECT_EQ(tree.topLevelItem(0)->data(0, Qt::AccessibleTextRole).toString(),
              "Morning in C major, 00:47");
}

TEST_F(QtAccessibility, AboutBoxPictureHasAName) {
    Open(res::ABOUT_DIALOG);
    const auto& controls = driver.Current().AllControls();
    ASSERT_FALSE(controls.empty());
    EXPECT_EQ(AccessibleText(controls.front()->Widget(), QAccessible::Name),
              "Corvid Player picture");
}

// Tab goes from Play/Stop through the window's groups and round again.
TEST_F(QtAccessibility, TabVisitsTheGroupsOfThePlayerWindowInOrder) {
    Open(res::PLAYER_DIALOG);
    QtDialog& dialog = driver.Current();
    dialog.activateWindow();
    driver.WidgetOf(res::PLAY_STOP_BUTTON).setFocus(Qt::TabFocusReason);

    std::vector<int> visited{dialog.FocusedControlId()};
    const std::size_t stops = res::PLAYER_DIALOG.tabOrder.size();
    for (std::size_t press = 0; press < stops; ++press) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited.push_back(dialog.FocusedControlId());
    }

    std::vector<int> expected(res::PLAYER_DIALOG.tabOrder.begin(),
                              res::PLAYER_DIALOG.tabOrder.end());
    expected.push_back(res::PLAY_STOP_BUTTON);
    EXPECT_THAT(visited, ElementsAreArray(expected));
}

TEST_F(QtAccessibility, UpAndDownKeysOnTheFocusedVolumeSpinnerPressItsArrows) {
    DialogWindow& window = Open(res::PLAYER_DIALOG);
    window.GetUpDown(res::VOLUME_SPIN)->SetRange(0, 10);
    handler.received.clear();
    QWidget& volume = driver.WidgetOf(res::VOLUME_SPIN);
    volume.setFocus(Qt::TabFocusReason);

    QTest::keyClick(&volume, Qt::Key_Up);
    QTest::keyClick(&volume, Qt::Key_Down);

    const std::vector<contract::Received> proposals =
        handler.Of(WM_NOTIFY, UDN_DELTAPOS, res::VOLUME_SPIN);
    ASSERT_EQ(proposals.size(), 2U);
    EXPECT_EQ(proposals[0].params.upDown.delta, 1);
    EXPECT_EQ(proposals[1].params.upDown.delta, -1);
}

TEST_F(QtAccessibility, SpaceAndEnterInTheListTakeTheSelectedRow) {
    DialogWindow& window = Open(res::PLAYER_DIALOG);
    ListView& list = *window.GetListView(res::TRACK_LIST);
    list.InsertColumn(0, "Track/Subtrack", 280);
    list.InsertItem(0, "one", 0, 1);
    list.InsertItem(1, "two", 0, 2);
    handler.received.clear();
    QWidget& tree = driver.WidgetOf(res::TRACK_LIST);
    tree.setFocus(Qt::TabFocusReason);

    QTest::keyClick(&tree, Qt::Key_Down);
    QTest::keyClick(&tree, Qt::Key_Space);
    QTest::keyClick(&tree, Qt::Key_Return);

    // Not a click: a click's row is the one under the mouse.
    EXPECT_EQ(handler.Count(WM_NOTIFY, NM_RETURN, res::TRACK_LIST), 2);
    EXPECT_EQ(handler.Count(WM_NOTIFY, NM_CLICK, res::TRACK_LIST), 0);
    EXPECT_EQ(list.FirstSelectedItem(), 1);
}

// Where a control draws its caption, in its own pixels: a button inside its
// bevel and margins, a label inside its frame and the indent Qt gives a framed
// label.
QRect TextRoom(QWidget& widget) {
    if (auto* button = qobject_cast<QPushButton*>(&widget)) {
        QStyleOptionButton option;
        option.initFrom(button);
        return button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
    }
    auto& label = dynamic_cast<QLabel&>(widget);
    QRect room = label.contentsRect();
    if (label.indent() >= 0) {
        room.setLeft(room.left() + label.indent());
    } else if (label.frameWidth() > 0) {
        room.setLeft(room.left() + label.fontMetrics().horizontalAdvance(QLatin1Char('x')) / 2);
    }
    return room;
}

// The dialog asks for one face, the first of its list that this machine has,
// at the 11 pixels that fill the reference font's 13-pixel cell.
TEST_F(QtAccessibility, TheDialogShowsTheFirstFaceOfItsListThatThisMachineHas) {
    Open(res::PLAYER_DIALOG);
    const QString desktopFace = QApplication::font().family();
    const QStringList faces = DialogFontFaces(desktopFace);
    const auto installed = std::find_if(faces.cbegin(), faces.cend(), [&](const QString& face) {
        return face == desktopFace || QFontDatabase::families().contains(face, Qt::CaseInsensitive);
    });
    ASSERT_NE(installed, faces.cend());
    EXPECT_EQ(driver.Current().font().families(), QStringList{*installed});
    EXPECT_EQ(driver.Current().font().pixelSize(), 11);
}

// Every caption fits its control at 100 % and at 200 %, in every face of the
// dialog font's list that this machine has (the first found is the one the
// dialog shows; another machine may have only a later one): at 200 % the font is twice as many
// device pixels high, and hinting at that size must not widen a text past its control's doubled
// room. The widest text a status field shows is its template text,
// "88:88 (88:88)".
TEST_F(QtAccessibility, EveryCaptionFitsItsControlAtBothDensitiesInEveryInstalledFace) {
    Open(res::PLAYER_DIALOG);
    const QStringList faces = DialogFontFaces(QApplication::font().family());
    int facesChecked = 0;
    for (const QString& face : faces) {
        if (!QFontDatabase::hasFamily(face)) {
            continue;
        }
        ++facesChecked;
        for (const auto& control : driver.Current().AllControls()) {
            QWidget& widget = control->Widget();
            QString text;
            if (auto* button = qobject_cast<QPushButton*>(&widget)) {
                text = button->text();
            } else if (auto* label = qobject_cast<QLabel*>(&widget)) {
                text = label->text();
            }
            if (text.isEmpty() || !widget.isVisibleTo(&driver.Current())) {
                continue;
            }
            const QRect room = TextRoom(widget);
            for (const int ratio : {1, 2}) {
                SCOPED_TRACE(face.toStdString() + ": " + text.toStdString() + " at " +
                             std::to_string(ratio) + "x");
                QFont font = widget.font();
                font.setFamilies({face});
                font.setPixelSize(font.pixelSize() * ratio);
                // The ink: the advance past the last glyph and the font's
                // line gap are blank, and may run outside.
                const QRectF ink = QFontMetricsF(font).tightBoundingRect(text);
                EXPECT_LE(ink.right(), room.width() * ratio);
                EXPECT_LE(ink.height(), room.height() * ratio);
            }
        }
    }
    EXPECT_GE(facesChecked, 1) << faces.join(QStringLiteral(", ")).toStdString();
}

}  // namespace
}  // namespace corvid::window::qt
