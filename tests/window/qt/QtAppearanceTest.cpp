#include <gmock/gmock.h>

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QMessageBox>

#include "platform/qt/QtImages.h"
#include "platform/qt/QtModals.h"
#include "tests/window/contract/ContractDialog.h"
#include "tests/window/contract/RecordingHandler.h"
#include "tests/window/qt/QtContractDriver.h"

namespace corvid::window::qt {
namespace {

using contract::RecordingHandler;
using ::testing::ElementsAre;

constexpr Color BACKGROUND{180, 200, 180};
constexpr Color TEXT{0, 50, 0};

QColor ToQColor(Color color) {
    return QColor(color.red, color.green, color.blue);
}

// A point of the contract dialog that no control covers.
constexpr QPoint BARE_POINT(312, 305);

TEST(QtAppearance, UnhandledEraseFillsWithTheDialogColour) {
    QtContractDriver driver;
    driver.System().SetDialogColors(BACKGROUND, TEXT);
    RecordingHandler handler;
    ASSERT_NE(driver.Open(contract::CONTRACT_DIALOG, handler), nullptr);

    const QImage picture = driver.Current().grab().toImage();

    EXPECT_EQ(picture.pixelColor(BARE_POINT), ToQColor(BACKGROUND));
    EXPECT_GE(handler.Count(WM_ERASEBKGND), 1);
    EXPECT_GE(handler.Count(WM_PAINT), 1);
}

TEST(QtAppearance, HandledEraseDrawsWhatTheHandlerPaints) {
    QtContractDriver driver;
    driver.System().SetDialogColors(BACKGROUND, TEXT);
    RecordingHandler handler;
    handler.respond = [](const MessageParams& message) -> MessageResult {
        if (message.message != WM_ERASEBKGND) {
            return std::nullopt;
        }
        message.painter->DrawBitmap(151, {0, 0});
        return 1;
    };
    ASSERT_NE(driver.Open(contract::CONTRACT_DIALOG, handler), nullptr);

    const QImage picture = driver.Current().grab().toImage();

    QtImages images;
    EXPECT_EQ(picture.pixelColor(BARE_POINT), images.Bitmap(151).toImage().pixelColor(BARE_POINT));
    EXPECT_NE(picture.pixelColor(BARE_POINT), ToQColor(BACKGROUND));
}

TEST(QtAppearance, ButtonsAndStaticsTakeTheDialogColoursAndEditsKeepTheirs) {
    QtContractDriver driver;
    driver.System().SetDialogColors(BACKGROUND, TEXT);
    RecordingHandler handler;
    ASSERT_NE(driver.Open(contract::CONTRACT_DIALOG, handler), nullptr);

    const QPalette button = driver.WidgetOf(contract::APPLY_BUTTON).palette();
    EXPECT_EQ(button.color(QPalette::Button), ToQColor(BACKGROUND));
    EXPECT_EQ(button.color(QPalette::ButtonText), ToQColor(TEXT));
    const QPalette label = driver.WidgetOf(contract::CAPTION_LABEL).palette();
    EXPECT_EQ(label.color(QPalette::Window), ToQColor(BACKGROUND));
    EXPECT_EQ(label.color(QPalette::WindowText), ToQColor(TEXT));
    EXPECT_NE(driver.WidgetOf(contract::NAME_EDIT).palette().color(QPalette::Base),
              ToQColor(BACKGROUND));
}

TEST(QtAppearance, MessageBoxHasTheApplicationsNameAndTheDialogColours) {
    QtContractDriver driver;
    driver.System().SetDialogColors(BACKGROUND, TEXT);
    QString caption;
    QColor background;
    QColor text;
    driver.AnswerNextMessageBox(MessageBoxAnswer::YES, [&] {
        QWidget* box = QApplication::activeModalWidget();
        ASSERT_NE(box, nullptr);
        caption = box->windowTitle();
        background = box->palette().color(QPalette::Window);
        text = box->palette().color(QPalette::WindowText);
    });

    EXPECT_EQ(driver.System().ShowMessageBox("Save the track list?", MessageBoxButtons::YES_NO),
              MessageBoxAnswer::YES);

    EXPECT_EQ(caption, QStringLiteral("Corvid Player"));
    EXPECT_EQ(background, ToQColor(BACKGROUND));
    EXPECT_EQ(text, ToQColor(TEXT));
}

TEST(QtAppearance, MessageBoxCaptionFollowsTheApplicationsNameWhenNoneIsGiven) {
    QtWindowSystem system(QtWindowSystemOptions{});
    ModalAnswerer answerer;
    QString caption;
    answerer.QueueMessageBoxAnswer(MessageBoxAnswer::OK, [&caption] {
        caption = QApplication::activeModalWidget()->windowTitle();
    });
    QApplication::setApplicationName(QStringLiteral("Renamed Player"));

    system.ShowMessageBox("No drive", MessageBoxButtons::OK);
    QApplication::setApplicationName(QStringLiteral("Corvid Player"));

    EXPECT_EQ(caption, QStringLiteral("Renamed Player"));
}

TEST(QtAppearance, ScreensOfMoreThan256ColoursCountAsMinusOne) {
    QtContractDriver driver;

    EXPECT_EQ(driver.System().ScreenColorCount(), -1);
}

struct FilterCase {
    const char* name;
    const char* filter;
    std::vector<QString> expected;
};

TEST(QtFileDialogFilter, WindowsFiltersBecomeQtNameFilters) {
    const FilterCase cases[] = {
        {"TrackListsAndAll",
         "Track list files (*.trk)|*.trk|All Files (*.*)|*.*||",
         {"Track list files (*.trk)", "All Files (*)"}},
        {"SeveralPatterns", "Lists|*.trk;*.txt||", {"Lists (*.trk *.txt)"}},
        {"WithoutTheClosingBars", "Track lists|*.trk", {"Track lists (*.trk)"}},
        {"Empty", "", {}},
    };
    for (const FilterCase& filterCase : cases) {
        SCOPED_TRACE(filterCase.name);
        const QStringList filters = NameFilters(filterCase.filter);
        EXPECT_EQ(std::vector<QString>(filters.begin(), filters.end()), filterCase.expected);
    }
}

TEST(QtFileDialogFilter, DefaultExtensionLosesItsWildcardAndDot) {
    for (const char* extension : {"*.trk", ".trk", "trk"}) {
        SCOPED_TRACE(extension);
        EXPECT_EQ(DefaultSuffix(extension), QStringLiteral("trk"));
    }
}

TEST(QtFileDialogFilter, SaveDialogAddsTheDefaultExtensionAndStartsInTheCurrentFolder) {
    QtContractDriver driver;
    RecordingHandler handler;
    DialogWindow* window = driver.Open(contract::CONTRACT_DIALOG, handler);
    ASSERT_NE(window, nullptr);
    const FileDialogRequest request{.kind = FileDialogKind::SAVE,
                                    .filter = "Track list files (*.trk)|*.trk||",
                                    .defaultExtension = "*.trk",
                                    .initialName = "Night Music.trk"};
    const std::string folder = QDir::currentPath().toStdString();

    driver.AnswerNextFileDialog(folder + "/Night Music");

    EXPECT_EQ(window->ShowFileDialog(request), folder + "/Night Music.trk");
    EXPECT_EQ(QDir::currentPath().toStdString(), folder);
}

}  // namespace
}  // namespace corvid::window::qt
