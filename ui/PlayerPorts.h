#pragma once

#include <filesystem>

#include "cdaudio/DiscNames.h"
#include "cdaudio/MciPort.h"
#include "cdaudio/MixerPort.h"
#include "names/NameLookup.h"
#include "platform/window/WindowSystem.h"

namespace corvid::ui {

// What the player window is given by the start-up: the windowing system, the
// "cdaudio" device, the names its disc carries and its volume line, the search
// for a disc's names online, and the folder that becomes the current
// directory, where track list files are looked for and saved.
struct PlayerPorts {
    window::WindowSystem& windows;
    MciPort& mci;
    DiscNamesPort& discNames;
    MixerPort& mixer;
    names::NameLookup& nameLookup;
    std::filesystem::path trackListFolder;
};

}  // namespace corvid::ui
