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
    // The drive's own button: the tray out, sheet `number` (a TrayDisc) put
    // in, the tray in again, all between two ticks and unseen by the window.
    SWAP_BY_DRIVE,
    MEDIA_KEY,  // the desktop's media key `number` (a MediaKey)
    MINIMIZE,
    RESTORE,
    MAXIMIZE,
    ABOUT_FROM_MENU,
    // The close box, then the program started again with the tray as
    // `number` (a StartTray) has it.
    CLOSE_AND_RESTART,
    REMOVE_LISTS,  // the user deletes every file in the track list folder
};

// What the virtual tray holds.
enum class TrayDisc : std::uint8_t { FIRST, SECOND, NONE };

enum class MediaKey : std::uint8_t { PLAY, PAUSE, PLAY_PAUSE };

// The drive as the program finds it when it starts.
enum class StartTray : std::uint8_t {
    DISC,   // closed on a disc; the first one when the tray was empty
    EMPTY,  // closed on nothing
    OPEN,   // out, with whatever disc it held
};

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

// Which of the action's modal windows the time and the tray moves happen in.
enum class OpenWindow : std::uint8_t { FIRST_BOX, FIRST_FILE_DIALOG };

// What the drive's own button does while that window is open.
enum class TrayMove : std::uint8_t {
    NONE,
    OUT,         // the tray comes out and `disc` is put in it; it stays out
    OUT_AND_IN,  // out, half the ticks, `disc` put in, in again, the other half
};

// The user's answers to the boxes an action brings up, in order; a box
// beyond them is answered No and a file dialog beyond them is cancelled.
struct Answers {
    std::vector<BoxAnswer> boxes;
    std::vector<FileAnswer> files;
    // Ticks that pass while `whileOpenIn` is open, and the tray's move then.
    int ticksWhileOpen = 0;
    OpenWindow whileOpenIn = OpenWindow::FIRST_BOX;
    TrayMove trayWhileOpen = TrayMove::NONE;
    TrayDisc discWhileOpen = TrayDisc::SECOND;
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
    TrayDisc RandomDisc();
    Answers RandomAnswers();
    Action RandomClick();
    Action RandomEdit(ActionKind kind);
    Action RandomAfterSwap();
    Action RandomStart();

    std::mt19937_64 m_random;
    // A swap by the drive's button was just drawn: the next action is often
    // one that asks the drive's mode before the window's tick does.
    bool m_afterSwap = false;
};

}  // namespace corvid::model
