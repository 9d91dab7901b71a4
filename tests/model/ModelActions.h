#pragma once

#include <cstdint>
#include <random>
#include <span>
#include <string>
#include <vector>

namespace corvid::model {

// What a random user does to the player window. Actions are drawn without
// looking at the window, so that any part of a run can be replayed on its own
// from a fresh player: one that does not fit the moment (a click on a disabled
// button, a row that is not there) does what it would do to a real window.
enum class ActionKind : std::uint8_t {
    PLAY_TICKS,     // `number` ticks, each after hearing its 200 ms of sound
    STALLED_TICKS,  // `number` ticks while the sound server hears nothing
    HEAR_AHEAD,     // the server hears `number` frames between two ticks
    CLICK,          // a button or the Repeat toggle, `control`
    TYPE,           // `text` typed into the edit `control` at its caret
    REPLACE,        // the edit `control` selected and typed over with `text`
    BACKSPACE,      // one backspace in the edit `control`
    PRESS_ENTER,
    PRESS_ESCAPE,
    PRESS_TAB,
    SPIN,         // an arrow of the up-down `control`: `number` 0 up, 1 down
    SCROLL_STEP,  // a step of the position bar, `number` its scroll code
    DRAG_THUMB,   // the thumb dragged to `number` and let go
    TRACK_THUMB,  // the thumb dragged to `number` and held
    CLICK_ROW,    // a click on list row `number`, `x` pixels across
    DOUBLE_CLICK_ROW,
    SCROLL_LIST,  // the list scrolled so that row `number` is at its top
    FOCUS_LIST,
    PUT_IN_TRAY,  // sheet `number` (a TrayDisc) is what the tray holds now
    MINIMIZE,
    RESTORE,
    MAXIMIZE,
    ABOUT_FROM_MENU,
    CLOSE_AND_RESTART,  // the close box, then the program started again
    REMOVE_LISTS,       // the user deletes every file in the track list folder
};

// What the virtual tray holds.
enum class TrayDisc : std::uint8_t { FIRST, SECOND, NONE };

enum class BoxAnswer : std::uint8_t { YES, NO };

enum class FileChoice : std::uint8_t {
    CANCEL,
    NEW_FILE,       // list-`number`.trk in the track list folder
    EXISTING_FILE,  // the `number`th .trk file there, by name, round
    UNWRITABLE,     // a file in a folder that does not exist
    MISSING,        // missing-`number`.trk, not there before
};

struct FileAnswer {
    FileChoice choice = FileChoice::CANCEL;
    int number = 0;
};

// The user's answers to the boxes an action brings up, in order; a box
// beyond them is answered No and a file dialog beyond them is cancelled.
struct Answers {
    std::vector<BoxAnswer> boxes;
    std::vector<FileAnswer> files;
    // Ticks that pass while the first box is open.
    int ticksWhileOpen = 0;
};

struct Action {
    ActionKind kind = ActionKind::PLAY_TICKS;
    int control = 0;
    int number = 0;
    int x = 0;
    std::string text;
    Answers answers;
};

// "click Play/Stop [boxes Yes, No; files new list-2.trk]"
std::string Describe(const Action& action);
// One action a line, numbered.
std::string DescribeAll(std::span<const Action> actions);

// The actions of one seed, as an endless stream: the first n are the same
// whatever the run's length.
class ActionSource {
  public:
    explicit ActionSource(std::uint64_t seed) : m_random(seed) {}
    Action Next();

  private:
    int Between(int lowest, int highest);
    bool Chance(int percent);
    std::string RandomText(int longest);
    Answers RandomAnswers();
    Action RandomClick();
    Action RandomEdit(ActionKind kind);

    std::mt19937_64 m_random;
};

}  // namespace corvid::model
