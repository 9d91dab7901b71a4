// corvid-draw-background OUTPUT: draws the player window's background picture
// from its dialog template and writes it to OUTPUT as SVG.

#include <cstdio>
#include <fstream>
#include <string>
#include <variant>

#include "res/PlayerDialogTemplate.h"
#include "tools/drawbackground/BackgroundLayout.h"
#include "tools/drawbackground/BackgroundSvg.h"

namespace {

int WritePicture(const char* path) {
    using namespace corvid::drawbackground;
    const LayoutOrError layout = ComputeLayout(corvid::res::PLAYER_DIALOG);
    if (const auto* error = std::get_if<LayoutError>(&layout)) {
        std::fprintf(stderr, "corvid-draw-background: %s\n", error->text.c_str());
        return 1;
    }
    const std::string svg = WriteBackgroundSvg(std::get<BackgroundLayout>(layout));
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << svg;
    file.close();
    if (!file) {
        std::fprintf(stderr, "corvid-draw-background: %s: cannot be written\n", path);
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argumentCount, char** arguments) {
    if (argumentCount != 2) {
        std::fprintf(stderr, "usage: corvid-draw-background OUTPUT.svg\n");
        return 2;
    }
    return WritePicture(arguments[1]);
}
