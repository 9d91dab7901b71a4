#include "platform/qt/DisplayConnection.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QtGlobal>
#include <optional>

namespace corvid::window::qt {
namespace {

constexpr const char* NO_SHARED_MEMORY = "QT_XCB_NO_MITSHM";

// Puts the variable back as the test found it.
class DisplayConnectionTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (qEnvironmentVariableIsSet(NO_SHARED_MEMORY)) {
            found = qgetenv(NO_SHARED_MEMORY);
        }
    }
    void TearDown() override {
        if (found) {
            qputenv(NO_SHARED_MEMORY, *found);
        } else {
            qunsetenv(NO_SHARED_MEMORY);
        }
    }

  private:
    std::optional<QByteArray> found;
};

TEST_F(DisplayConnectionTest, TurnsSharedMemoryOffWhenTheUserHasNotChosen) {
    qunsetenv(NO_SHARED_MEMORY);
    SendPicturesOverTheConnection();
    EXPECT_EQ(qgetenv(NO_SHARED_MEMORY), "1");
}

TEST_F(DisplayConnectionTest, LeavesTheUsersOwnChoiceAsItIs) {
    for (const QByteArray& chosen : {QByteArray("0"), QByteArray("")}) {
        qputenv(NO_SHARED_MEMORY, chosen);
        SendPicturesOverTheConnection();
        EXPECT_TRUE(qEnvironmentVariableIsSet(NO_SHARED_MEMORY));
        EXPECT_EQ(qgetenv(NO_SHARED_MEMORY), chosen);
    }
}

}  // namespace
}  // namespace corvid::window::qt
