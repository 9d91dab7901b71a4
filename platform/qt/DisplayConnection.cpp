#include "platform/qt/DisplayConnection.h"

#include <QByteArray>
#include <QtGlobal>

namespace corvid::window::qt {

void SendPicturesOverTheConnection() {
    // Qt's X11 connection leaves the shared memory extension alone whenever
    // this is set, whatever its value.
    constexpr const char* NO_SHARED_MEMORY = "QT_XCB_NO_MITSHM";
    if (!qEnvironmentVariableIsSet(NO_SHARED_MEMORY)) {
        qputenv(NO_SHARED_MEMORY, QByteArrayLiteral("1"));
    }
}

}  // namespace corvid::window::qt
