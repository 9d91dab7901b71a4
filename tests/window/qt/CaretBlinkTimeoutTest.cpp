#include "platform/qt/CaretBlinkTimeout.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QStyleHints>
#include <QTest>

#include "platform/qt/ManualTimerSource.h"

namespace corvid::window::qt {
namespace {

constexpr int DESKTOP_FLASH_MILLISECONDS = 1000;

int FlashTime() {
    return QGuiApplication::styleHints()->cursorFlashTime();
}

class CaretBlinkTimeoutTest : public ::testing::Test {
  protected:
    void SetUp() override { QApplication::setCursorFlashTime(DESKTOP_FLASH_MILLISECONDS); }
    void TearDown() override { QApplication::setCursorFlashTime(DESKTOP_FLASH_MILLISECONDS); }

    ManualTimerSource timers;
    QLineEdit field;
};

TEST_F(CaretBlinkTimeoutTest, StopsAfterTenSecondsWithoutInputAndBlinksAgainAtAKey) {
    CaretBlinkTimeout timeout(timers);

    timers.Advance(CaretBlinkTimeout::TIMEOUT_MILLISECONDS - 1);
    EXPECT_EQ(FlashTime(), DESKTOP_FLASH_MILLISECONDS);
    timers.Advance(1);
    EXPECT_FALSE(timeout.IsBlinking());
    EXPECT_EQ(FlashTime(), 0) << "a caret with no flash time is drawn steadily";

    QTest::keyClick(&field, Qt::Key_A);
    EXPECT_TRUE(timeout.IsBlinking());
    EXPECT_EQ(FlashTime(), DESKTOP_FLASH_MILLISECONDS);
}

TEST_F(CaretBlinkTimeoutTest, EachClickStartsTheTenSecondsAgain) {
    CaretBlinkTimeout timeout(timers);

    timers.Advance(CaretBlinkTimeout::TIMEOUT_MILLISECONDS - 1);
    QTest::mouseClick(&field, Qt::LeftButton);
    timers.Advance(CaretBlinkTimeout::TIMEOUT_MILLISECONDS - 1);
    EXPECT_TRUE(timeout.IsBlinking());
    timers.Advance(1);
    EXPECT_FALSE(timeout.IsBlinking());
}

TEST_F(CaretBlinkTimeoutTest, GivesTheDesktopItsFlashTimeBackWhenItGoes) {
    {
        CaretBlinkTimeout timeout(timers);
        timers.Advance(CaretBlinkTimeout::TIMEOUT_MILLISECONDS);
        ASSERT_EQ(FlashTime(), 0);
    }
    EXPECT_EQ(FlashTime(), DESKTOP_FLASH_MILLISECONDS);
}

}  // namespace
}  // namespace corvid::window::qt
