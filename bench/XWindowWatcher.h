#pragma once

#include <sys/types.h>
#include <xcb/damage.h>
#include <xcb/xcb.h>

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>

namespace corvid::bench {

struct XConnectionCloser {
    void operator()(xcb_connection_t* connection) const { xcb_disconnect(connection); }
};
using XConnectionPtr = std::unique_ptr<xcb_connection_t, XConnectionCloser>;

enum class WindowEventKind : std::uint8_t { Mapped, Drawn };

// A top-level window of a watched process was mapped, or drawn nearly whole
// since its map, at `seconds` on the monotonic clock, as this client heard of it.
struct WindowEvent {
    WindowEventKind kind = WindowEventKind::Mapped;
    double seconds = 0;
    xcb_window_t window = XCB_NONE;
};

struct ScreenPoint {
    int x = 0;
    int y = 0;
};

// Follows every top-level window made on the display from its start on: its
// map, and through the DAMAGE extension the drawing into it, which is what
// tells that the program has put its pixels there (an Expose only asks it to).
class WindowWatcher {
  public:
    // Connects to DISPLAY; null when there is no display or no DAMAGE extension.
    static std::unique_ptr<WindowWatcher> Connect();

    // The next map or draw of a window of process `pid`, at most until
    // `deadline` on the monotonic clock.
    [[nodiscard]] std::optional<WindowEvent> NextEventOf(pid_t pid, double deadline);
    // Where a point of the window's client area is on the screen.
    [[nodiscard]] std::optional<ScreenPoint> ToScreen(xcb_window_t window, ScreenPoint point);
    // Moves the pointer there and clicks the left button, through XTEST.
    // The clock just before the button goes down is given back.
    double Click(ScreenPoint point);
    // Writes the window's pixels as a binary PPM.
    bool SaveSnapshot(xcb_window_t window, const std::filesystem::path& path);

  private:
    struct Followed {
        xcb_damage_damage_t damage = XCB_NONE;
        std::optional<pid_t> pid;
        bool mapped = false;
        bool drawn = false;
        std::int64_t damagedArea = 0;
    };

    WindowWatcher(XConnectionPtr connection, xcb_window_t root, std::uint8_t damageEvent,
                  xcb_atom_t pidAtom);
    [[nodiscard]] std::optional<WindowEvent> Handle(const xcb_generic_event_t& event, pid_t pid,
                                                    double now);
    void Follow(xcb_window_t window);
    [[nodiscard]] std::optional<pid_t> PidOf(xcb_window_t window);

    XConnectionPtr m_connection;
    xcb_window_t m_root;
    std::uint8_t m_damageEvent;
    xcb_atom_t m_pidAtom;
    std::map<xcb_window_t, Followed> m_windows;
};

}  // namespace corvid::bench
