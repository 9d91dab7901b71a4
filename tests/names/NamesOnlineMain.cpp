// The lookup's tests run inside a Qt application, whose event loop carries
// the requests to the local server and back.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QNetworkProxy>

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    // The local server is reached directly, whatever proxy the machine names.
    QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
