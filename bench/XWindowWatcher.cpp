#include "bench/XWindowWatcher.h"

#include <poll.h>
#include <xcb/xtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <string_view>

#include "bench/BenchProcess.h"

namespace corvid::bench {

namespace {

// A window counts as drawn once the drawing since its map covers this much of it.
constexpr double DRAWN_SHARE = 0.9;
constexpr int LEFT_BUTTON = 1;

template <typename Reply>
using ReplyPtr = std::unique_ptr<Reply, decltype(&std::free)>;

template <typename Reply>
ReplyPtr<Reply> Owned(Reply* reply) {
    return ReplyPtr<Reply>(reply, &std::free);
}

xcb_atom_t InternAtom(xcb_connection_t* connection, std::string_view name) {
    const auto reply = Owned(xcb_intern_atom_reply(
        connection,
        xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(name.size()), name.data()),
        nullptr));
    return reply ? reply->atom : XCB_NONE;
}

bool HasDamage(xcb_connection_t* connection) {
    const xcb_query_extension_reply_t* extension =
        xcb_get_extension_data(connection, &xcb_damage_id);
    if (extension == nullptr || extension->present == 0) {
        return false;
    }
    const auto version = Owned(xcb_damage_query_version_reply(
        connection, xcb_damage_query_version(connection, 1, 1), nullptr));
    return version != nullptr;
}

bool HasXTest(xcb_connection_t* connection) {
    const xcb_query_extension_reply_t* extension = xcb_get_extension_data(connection, &xcb_test_id);
    return extension != nullptr && extension->present != 0;
}

// Waits for the server to have handled every request sent so far.
void Sync(xcb_connection_t* connection) {
    static_cast<void>(
        Owned(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr)));
}

}  // namespace

std::unique_ptr<WindowWatcher> WindowWatcher::Connect() {
    int screenNumber = 0;
    XConnectionPtr connection(xcb_connect(nullptr, &screenNumber));
    if (!connection || xcb_connection_has_error(connection.get()) != 0) {
        return nullptr;
    }
    if (!HasDamage(connection.get()) || !HasXTest(connection.get())) {
        return nullptr;
    }
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection.get()));
    for (int skip = 0; skip < screenNumber && screens.rem > 0; ++skip) {
        xcb_screen_next(&screens);
    }
    if (screens.rem == 0) {
        return nullptr;
    }
    const xcb_window_t root = screens.data->root;
    const std::uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(connection.get(), root, XCB_CW_EVENT_MASK, &mask);
    const xcb_atom_t pidAtom = InternAtom(connection.get(), "_NET_WM_PID");
    const std::uint8_t damageEvent =
        xcb_get_extension_data(connection.get(), &xcb_damage_id)->first_event;
    Sync(connection.get());
    return std::unique_ptr<WindowWatcher>(
        new WindowWatcher(std::move(connection), root, damageEvent, pidAtom));
}

WindowWatcher::WindowWatcher(XConnectionPtr connection, xcb_window_t root, std::uint8_t damageEvent,
                             xcb_atom_t pidAtom)
    : m_connection(std::move(connection)),
      m_root(root),
      m_damageEvent(damageEvent),
      m_pidAtom(pidAtom) {}

std::optional<WindowEvent> WindowWatcher::NextEventOf(pid_t pid, double deadline) {
    xcb_connection_t* connection = m_connection.get();
    for (;;) {
        while (xcb_generic_event_t* raw = xcb_poll_for_event(connection)) {
            const auto event = Owned(raw);
            if (std::optional<WindowEvent> found = Handle(*event, pid, MonotonicSeconds())) {
                return found;
            }
        }
        if (xcb_connection_has_error(connection) != 0) {
            return std::nullopt;
        }
        const double left = deadline - MonotonicSeconds();
        if (left <= 0) {
            return std::nullopt;
        }
        pollfd display{xcb_get_file_descriptor(connection), POLLIN, 0};
        static_cast<void>(poll(&display, 1, static_cast<int>(std::ceil(left * 1000))));
    }
}

std::optional<WindowEvent> WindowWatcher::Handle(const xcb_generic_event_t& event, pid_t pid,
                                                 double now) {
    const std::uint8_t type = event.response_type & 0x7f;
    if (type == XCB_CREATE_NOTIFY) {
        const auto& created = reinterpret_cast<const xcb_create_notify_event_t&>(event);
        if (created.parent == m_root) {
            Follow(created.window);
        }
        return std::nullopt;
    }
    if (type == XCB_DESTROY_NOTIFY) {
        m_windows.erase(reinterpret_cast<const xcb_destroy_notify_event_t&>(event).window);
        return std::nullopt;
    }
    if (type == XCB_MAP_NOTIFY) {
        const xcb_window_t window = reinterpret_cast<const xcb_map_notify_event_t&>(event).window;
        const auto followed = m_windows.find(window);
        if (followed == m_windows.end() || followed->second.mapped || PidOf(window) != pid) {
            return std::nullopt;
        }
        followed->second.mapped = true;
        return WindowEvent{WindowEventKind::Mapped, now, window};
    }
    if (type == m_damageEvent + XCB_DAMAGE_NOTIFY) {
        const auto& damage = reinterpret_cast<const xcb_damage_notify_event_t&>(event);
        const auto followed = m_windows.find(damage.drawable);
        if (followed == m_windows.end() || !followed->second.mapped || followed->second.drawn) {
            return std::nullopt;
        }
        Followed& window = followed->second;
        window.damagedArea += std::int64_t{damage.area.width} * damage.area.height;
        const double whole = static_cast<double>(damage.geometry.width) * damage.geometry.height;
        if (static_cast<double>(window.damagedArea) < DRAWN_SHARE * whole) {
            return std::nullopt;
        }
        window.drawn = true;
        return WindowEvent{WindowEventKind::Drawn, now, damage.drawable};
    }
    return std::nullopt;
}

void WindowWatcher::Follow(xcb_window_t window) {
    xcb_connection_t* connection = m_connection.get();
    const std::uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    xcb_change_window_attributes(connection, window, XCB_CW_EVENT_MASK, &mask);
    Followed followed;
    followed.damage = xcb_generate_id(connection);
    xcb_damage_create(connection, followed.damage, window, XCB_DAMAGE_REPORT_LEVEL_RAW_RECTANGLES);
    xcb_flush(connection);
    m_windows[window] = followed;
}

std::optional<pid_t> WindowWatcher::PidOf(xcb_window_t window) {
    Followed& followed = m_windows[window];
    if (followed.pid) {
        return followed.pid;
    }
    const auto reply = Owned(xcb_get_property_reply(
        m_connection.get(),
        xcb_get_property(m_connection.get(), 0, window, m_pidAtom, XCB_ATOM_CARDINAL, 0, 1),
        nullptr));
    if (!reply || xcb_get_property_value_length(reply.get()) < 4) {
        return std::nullopt;
    }
    followed.pid =
        static_cast<pid_t>(*static_cast<std::uint32_t*>(xcb_get_property_value(reply.get())));
    return followed.pid;
}

std::optional<ScreenPoint> WindowWatcher::ToScreen(xcb_window_t window, ScreenPoint point) {
    const auto reply = Owned(xcb_translate_coordinates_reply(
        m_connection.get(),
        xcb_translate_coordinates(m_connection.get(), window, m_root,
                                  static_cast<std::int16_t>(point.x),
                                  static_cast<std::int16_t>(point.y)),
        nullptr));
    if (!reply) {
        return std::nullopt;
    }
    return ScreenPoint{reply->dst_x, reply->dst_y};
}

double WindowWatcher::Click(ScreenPoint point) {
    xcb_connection_t* connection = m_connection.get();
    xcb_test_fake_input(connection, XCB_MOTION_NOTIFY, 0, XCB_CURRENT_TIME, m_root,
                        static_cast<std::int16_t>(point.x), static_cast<std::int16_t>(point.y), 0);
    Sync(connection);
    const double pressedAt = MonotonicSeconds();
    xcb_test_fake_input(connection, XCB_BUTTON_PRESS, LEFT_BUTTON, XCB_CURRENT_TIME, m_root, 0, 0,
                        0);
    xcb_test_fake_input(connection, XCB_BUTTON_RELEASE, LEFT_BUTTON, XCB_CURRENT_TIME, m_root, 0, 0,
                        0);
    xcb_flush(connection);
    return pressedAt;
}

bool WindowWatcher::SaveSnapshot(xcb_window_t window, const std::filesystem::path& path) {
    xcb_connection_t* connection = m_connection.get();
    const auto geometry =
        Owned(xcb_get_geometry_reply(connection, xcb_get_geometry(connection, window), nullptr));
    if (!geometry || geometry->depth != 24) {
        return false;
    }
    const auto image =
        Owned(xcb_get_image_reply(connection,
                                  xcb_get_image(connection, XCB_IMAGE_FORMAT_Z_PIXMAP, window, 0, 0,
                                                geometry->width, geometry->height, ~0U),
                                  nullptr));
    const std::size_t pixels = std::size_t{geometry->width} * geometry->height;
    if (!image || static_cast<std::size_t>(xcb_get_image_data_length(image.get())) < pixels * 4) {
        return false;
    }
    // Depth 24 comes as four bytes a pixel: blue, green, red and a pad byte.
    const std::uint8_t* data = xcb_get_image_data(image.get());
    std::ofstream file(path, std::ios::binary);
    file << "P6\n" << geometry->width << ' ' << geometry->height << "\n255\n";
    for (std::size_t pixel = 0; pixel < pixels; ++pixel) {
        const std::uint8_t* bgr = data + pixel * 4;
        const char rgb[3] = {static_cast<char>(bgr[2]), static_cast<char>(bgr[1]),
                             static_cast<char>(bgr[0])};
        file.write(rgb, 3);
    }
    return static_cast<bool>(file);
}

}  // namespace corvid::bench
