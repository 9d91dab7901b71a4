#include "tools/drawbackground/BackgroundSvg.h"

#include <array>

namespace corvid::drawbackground {

namespace {

constexpr std::string_view FONT_FAMILY = "DejaVu Sans";
constexpr std::string_view LABEL_COLOUR = "#003200";
constexpr int PANEL_CORNER_RADIUS = 3;
// DejaVu Sans capitals stand 0.73 em above the baseline.
constexpr double CAPITAL_HEIGHT_EM = 0.73;

constexpr std::string_view STRIP_WORD = "CORVID";
constexpr int STRIP_LETTER_SIZE = 64;

constexpr std::string_view GRADIENTS = R"(  <defs>
    <linearGradient id="frame-metal" x1="0" y1="0" x2="1" y2="1">
      <stop offset="0" stop-color="#4b5868"/>
      <stop offset="0.3" stop-color="#2f3844"/>
      <stop offset="0.55" stop-color="#3f4a58"/>
      <stop offset="0.8" stop-color="#283039"/>
      <stop offset="1" stop-color="#37414e"/>
    </linearGradient>
    <linearGradient id="strip-metal" x1="0" y1="0" x2="1" y2="0">
      <stop offset="0" stop-color="#2a323d"/>
      <stop offset="0.5" stop-color="#39434f"/>
      <stop offset="1" stop-color="#262d36"/>
    </linearGradient>
    <linearGradient id="letter-metal" x1="0" y1="0" x2="0" y2="1">
      <stop offset="0" stop-color="#1b2129"/>
      <stop offset="0.5" stop-color="#2b343f"/>
      <stop offset="1" stop-color="#181d24"/>
    </linearGradient>
    <linearGradient id="panel-rim" x1="0" y1="0" x2="0" y2="1">
      <stop offset="0" stop-color="#12171d"/>
      <stop offset="1" stop-color="#8d9bab"/>
    </linearGradient>
  </defs>
)";

std::string Number(int value) {
    return std::to_string(value);
}

std::string EscapedText(std::string_view text) {
    std::string escaped;
    for (const char character : text) {
        switch (character) {
            case '&':
                escaped += "&amp;";
                break;
            case '<':
                escaped += "&lt;";
                break;
            case '>':
                escaped += "&gt;";
                break;
            default:
                escaped += character;
        }
    }
    return escaped;
}

std::string Rect(const PixelRect& area, std::string_view fill) {
    return "<rect x=\"" + Number(area.left) + "\" y=\"" + Number(area.top) + "\" width=\"" +
           Number(area.width) + "\" height=\"" + Number(area.height) + "\" fill=\"" +
           std::string(fill) + "\"/>";
}

std::string RoundedRect(std::string_view id, const PixelRect& area, int radius,
                        std::string_view fill) {
    return "<rect id=\"" + std::string(id) + "\" x=\"" + Number(area.left) + "\" y=\"" +
           Number(area.top) + "\" width=\"" + Number(area.width) + "\" height=\"" +
           Number(area.height) + "\" rx=\"" + Number(radius) + "\" fill=\"" + std::string(fill) +
           "\"/>";
}

// Light along the top and left edges, dark along the bottom and right.
std::string Bevel(const PixelRect& area) {
    constexpr std::string_view LIGHT = "#8896a6";
    constexpr std::string_view DARK = "#141920";
    std::string bevel;
    bevel += "    " + Rect({area.left, area.top, area.width, 1}, LIGHT) + "\n";
    bevel += "    " + Rect({area.left, area.top, 1, area.height}, LIGHT) + "\n";
    bevel += "    " + Rect({area.left, area.Bottom() - 1, area.width, 1}, DARK) + "\n";
    bevel += "    " + Rect({area.Right() - 1, area.top, 1, area.height}, DARK) + "\n";
    return bevel;
}

std::string Frame(const PixelRect& client) {
    const PixelRect picture{0, 0, PICTURE_WIDTH, PICTURE_HEIGHT};
    std::string frame = "  " + Rect(picture, "url(#frame-metal)") + "\n";
    frame += "  <g id=\"bevels\">\n";
    frame += Bevel(picture);
    frame += Bevel({client.left + 2, client.top + 2, client.width - 4, client.height - 4});
    frame += "  </g>\n";
    return frame;
}

std::string LetterStrip(const PixelRect& client) {
    const PixelRect strip{client.Right(), 0, PICTURE_WIDTH - client.Right(), PICTURE_HEIGHT};
    const int centre = strip.left + strip.width / 2;
    const int pitch = PICTURE_HEIGHT / static_cast<int>(STRIP_WORD.size());
    const int capitalHalf = static_cast<int>(STRIP_LETTER_SIZE * CAPITAL_HEIGHT_EM / 2);
    std::string text = "  <g id=\"letter-strip\">\n";
    text += "    " + Rect(strip, "url(#strip-metal)") + "\n";
    text += "    " + Rect({strip.left, 0, 1, PICTURE_HEIGHT}, "#12171d") + "\n";
    text += "    <g font-family=\"" + std::string(FONT_FAMILY) + "\" font-size=\"" +
            Number(STRIP_LETTER_SIZE) +
            "\" font-weight=\"bold\" text-anchor=\"middle\" fill=\"url(#letter-metal)\" "
            "stroke=\"#5d6a79\" stroke-width=\"1\">\n";
    for (std::size_t index = 0; index < STRIP_WORD.size(); ++index) {
        const int baseline = static_cast<int>(index) * pitch + pitch / 2 + capitalHalf;
        text += "      <text x=\"" + Number(centre) + "\" y=\"" + Number(baseline) + "\">" +
                STRIP_WORD[index] + "</text>\n";
    }
    text += "    </g>\n  </g>\n";
    return text;
}

// Each panel sits in a recess one pixel wider, dark above and light below.
std::string Panels(const std::vector<Panel>& panels) {
    std::string text = "  <g id=\"panels\">\n";
    for (const Panel& panel : panels) {
        const PixelRect rim{panel.area.left - 1, panel.area.top - 1, panel.area.width + 2,
                            panel.area.height + 2};
        text += "    " +
                RoundedRect("rim-" + std::string(panel.name), rim, PANEL_CORNER_RADIUS + 1,
                            "url(#panel-rim)") +
                "\n";
    }
    for (const Panel& panel : panels) {
        text += "    " +
                RoundedRect("panel-" + std::string(panel.name), panel.area, PANEL_CORNER_RADIUS,
                            PANEL_COLOUR) +
                "\n";
    }
    text += "  </g>\n";
    return text;
}

std::string Labels(const std::vector<PaintedLabel>& labels) {
    std::string text = "  <g id=\"labels\" font-family=\"" + std::string(FONT_FAMILY) +
                       "\" font-size=\"" + Number(LABEL_FONT_SIZE) + "\" fill=\"" +
                       std::string(LABEL_COLOUR) + "\">\n";
    for (const PaintedLabel& label : labels) {
        text += "    <text x=\"" + Number(label.area.left) + "\" y=\"" +
                Number(LabelBaseline(label.area)) + "\">" + EscapedText(label.word) + "</text>\n";
    }
    text += "  </g>\n";
    return text;
}

}  // namespace

int LabelBaseline(const PixelRect& area) {
    const double centre = area.top + area.height / 2.0;
    return static_cast<int>(centre + LABEL_FONT_SIZE * CAPITAL_HEIGHT_EM / 2 + 0.5);
}

std::string WriteBackgroundSvg(const BackgroundLayout& layout) {
    std::string svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + Number(PICTURE_WIDTH) +
                      "\" height=\"" + Number(PICTURE_HEIGHT) + "\" viewBox=\"0 0 " +
                      Number(PICTURE_WIDTH) + " " + Number(PICTURE_HEIGHT) + "\">\n";
    svg += GRADIENTS;
    svg += Frame(layout.client);
    svg += LetterStrip(layout.client);
    svg += Panels(layout.panels);
    svg += Labels(layout.labels);
    svg += "</svg>\n";
    return svg;
}

}  // namespace corvid::drawbackground
