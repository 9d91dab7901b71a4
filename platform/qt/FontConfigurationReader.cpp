#include "platform/qt/FontConfigurationReader.h"

#include <fontconfig/fontconfig.h>

#include <system_error>

namespace corvid::window::qt {

FontConfigurationReader::FontConfigurationReader() {
    try {
        // A failed reading needs no report: Qt's own first use of fontconfig
        // tries again and reports what it finds.
        reader = std::thread([] { static_cast<void>(FcInit()); });
    } catch (const std::system_error&) {
        // No thread to spare: Qt reads the configuration when it needs it.
    }
}

FontConfigurationReader::~FontConfigurationReader() {
    Wait();
}

void FontConfigurationReader::Wait() {
    if (reader.joinable()) {
        reader.join();
    }
}

}  // namespace corvid::window::qt
