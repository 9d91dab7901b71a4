#pragma once

#include <thread>

namespace corvid::window::qt {

// Reads the desktop's font configuration (fontconfig's configuration files
// and its cache of the installed fonts) on a thread of its own.
//
// Fontconfig reads them at its first use, and in a Qt window that is the
// first text measured: about a third of the work before the window's first
// paint, all on the window's thread. Made before the QApplication, the reader
// does that work on another core while Qt starts and the program loads its
// disc; Qt then finds the configuration read.
//
// Wait must return before Qt's first font lookup: fontconfig is safe to use
// from two threads, but a lookup during the reading would read everything a
// second time. If the thread cannot start, nothing is read ahead and Qt reads
// the configuration itself, as it would anyway.
class FontConfigurationReader final {
  public:
    FontConfigurationReader();
    // Waits for the reading.
    ~FontConfigurationReader();
    FontConfigurationReader(const FontConfigurationReader&) = delete;
    FontConfigurationReader& operator=(const FontConfigurationReader&) = delete;
    FontConfigurationReader(FontConfigurationReader&&) = delete;
    FontConfigurationReader& operator=(FontConfigurationReader&&) = delete;

    // Returns once the configuration is read; at once on later calls.
    void Wait();

  private:
    std::thread reader;
};

}  // namespace corvid::window::qt
