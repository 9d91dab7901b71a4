#include "platform/qt/HandlerStopwatch.h"

#include <algorithm>
#include <cstdio>

namespace corvid::window::qt {

namespace {

const char* MessageName(Message message) {
    switch (message) {
        case WM_SYSCOMMAND:
            return "WM_SYSCOMMAND";
        case WM_PAINT:
            return "WM_PAINT";
        case WM_QUERYDRAGICON:
            return "WM_QUERYDRAGICON";
        case WM_CLOSE:
            return "WM_CLOSE";
        case WM_NOTIFY:
            return "WM_NOTIFY";
        case WM_TIMER:
            return "WM_TIMER";
        case WM_COMMAND:
            return "WM_COMMAND";
        case WM_HSCROLL:
            return "WM_HSCROLL";
        case WM_DESTROY:
            return "WM_DESTROY";
        case WM_ERASEBKGND:
            return "WM_ERASEBKGND";
        case MM_MCINOTIFY:
            return "MM_MCINOTIFY";
    }
    return "message";
}

const char* CodeName(NotifyCode code) {
    switch (code) {
        case NC_NONE:
            return "";
        case BN_CLICKED:
            return "BN_CLICKED";
        case EN_CHANGE:
            return "EN_CHANGE";
        case NM_CLICK:
            return "NM_CLICK";
        case NM_DBLCLK:
            return "NM_DBLCLK";
        case UDN_DELTAPOS:
            return "UDN_DELTAPOS";
        case TTN_NEEDTEXT:
            return "TTN_NEEDTEXT";
        case NM_RETURN:
            return "NM_RETURN";
    }
    return "code";
}

double Milliseconds(HandlerStopwatch::Duration duration) {
    return std::chrono::duration<double, std::milli>(duration).count();
}

}  // namespace

HandlerStopwatch::HandlerStopwatch(Clock now) : m_now(std::move(now)) {}

void HandlerStopwatch::Enter(const std::string& label) {
    Level& level = m_levels.back();
    if (level.depth++ > 0) {
        return;
    }
    level.label = label;
    level.held = Duration{};
    level.started = m_now();
}

void HandlerStopwatch::Leave() {
    Level& level = m_levels.back();
    if (level.depth == 0 || --level.depth > 0) {
        return;
    }
    Record(level.label, level.held + (m_now() - level.started));
}

void HandlerStopwatch::EnterModal() {
    Level& level = m_levels.back();
    if (level.depth > 0) {
        level.held += m_now() - level.started;
    }
    m_levels.emplace_back();
}

void HandlerStopwatch::LeaveModal() {
    // The outermost level belongs to no loop: an unmatched call leaves it.
    if (m_levels.size() == 1) {
        return;
    }
    m_levels.pop_back();
    Level& level = m_levels.back();
    if (level.depth > 0) {
        level.started = m_now();
    }
}

void HandlerStopwatch::Record(const std::string& label, Duration held) {
    Figures& figures = m_figures[label];
    figures.label = label;
    figures.longest = std::max(figures.longest, held);
    figures.total += held;
    ++figures.count;
    const auto bin =
        std::find_if(BIN_LIMITS_MILLISECONDS.begin(), BIN_LIMITS_MILLISECONDS.end(),
                     [&](int limit) { return held <= std::chrono::milliseconds(limit); });
    ++m_bins[static_cast<std::size_t>(bin - BIN_LIMITS_MILLISECONDS.begin())];
}

std::vector<HandlerStopwatch::Figures> HandlerStopwatch::ByLongest() const {
    std::vector<Figures> figures;
    for (const auto& [label, one] : m_figures) {
        figures.push_back(one);
    }
    std::stable_sort(figures.begin(), figures.end(),
                     [](const Figures& a, const Figures& b) { return a.longest > b.longest; });
    return figures;
}

std::string HandlerStopwatch::Report() const {
    const std::vector<Figures> figures = ByLongest();
    std::string report;
    char line[256];
    std::int64_t runs = 0;
    for (const Figures& one : figures) {
        runs += one.count;
    }
    if (!figures.empty()) {
        std::snprintf(line, sizeof line, "longest %.3f ms %s\n", Milliseconds(figures[0].longest),
                      figures[0].label.c_str());
        report += line;
    }
    std::snprintf(line, sizeof line, "runs %lld\n", static_cast<long long>(runs));
    report += line;
    report += "longest-ms  mean-ms  runs  message\n";
    for (const Figures& one : figures) {
        std::snprintf(line, sizeof line, "%10.3f %8.3f %5lld  %s\n", Milliseconds(one.longest),
                      Milliseconds(one.total) / static_cast<double>(one.count),
                      static_cast<long long>(one.count), one.label.c_str());
        report += line;
    }
    report += "histogram\n";
    for (std::size_t bin = 0; bin < m_bins.size(); ++bin) {
        if (bin < BIN_LIMITS_MILLISECONDS.size()) {
            std::snprintf(line, sizeof line, "<= %d ms: %lld\n", BIN_LIMITS_MILLISECONDS[bin],
                          static_cast<long long>(m_bins[bin]));
        } else {
            std::snprintf(line, sizeof line, "> %d ms: %lld\n", BIN_LIMITS_MILLISECONDS.back(),
                          static_cast<long long>(m_bins[bin]));
        }
        report += line;
    }
    return report;
}

HandlerStopwatch::Clock SteadyClock() {
    return [] { return std::chrono::steady_clock::now().time_since_epoch(); };
}

std::string MessageLabel(const MessageParams& message) {
    std::string label = MessageName(message.message);
    switch (message.message) {
        case WM_COMMAND:
        case WM_NOTIFY:
            label +=
                std::string(" ") + CodeName(message.code) + " " + std::to_string(message.controlId);
            break;
        case WM_HSCROLL:
            label += " " + std::to_string(message.controlId);
            break;
        case WM_TIMER:
            label += " " + std::to_string(message.timerId);
            break;
        case WM_SYSCOMMAND:
            label += " " + std::to_string(message.systemCommand);
            break;
        default:
            break;
    }
    return label;
}

}  // namespace corvid::window::qt
