#include "tests/model/ModelActions.h"

#include <array>
#include <map>
#include <string_view>
#include <utility>

#include "platform/window/Message.h"
#include "res/ControlIds.h"

namespace corvid::model {

namespace {

Action MakeAction(ActionKind kind, int control = 0, int number = 0, int x = 0) {
    Action action;
    action.kind = kind;
    action.control = control;
    action.number = number;
    action.x = x;
    return action;
}

struct Weighted {
    int weight;
    int value;
};

// Picks a value by weight with one draw in [0, total).
int PickWeighted(std::span<const Weighted> table, int draw) {
    for (const Weighted& entry : table) {
        if (draw < entry.weight) {
            return entry.value;
        }
        draw -= entry.weight;
    }
    return table.back().value;
}

int TotalWeight(std::span<const Weighted> table) {
    int total = 0;
    for (const Weighted& entry : table) {
        total += entry.weight;
    }
    return total;
}

const std::map<int, std::string_view>& ControlNames() {
    static const std::map<int, std::string_view> names = {
        {res::PLAY_STOP_BUTTON, "Play/Stop"},
        {res::EJECT_BUTTON, "Eject"},
        {res::INJECT_BUTTON, "Inject"},
        {res::PREVIOUS_TRACK_BUTTON, "|<"},
        {res::NEXT_TRACK_BUTTON, ">|"},
        {res::REPEAT_TOGGLE, "Repeat"},
        {res::UPDATE_BUTTON, "Update!"},
        {res::INSERT_SUBTRACK_BUTTON, "Insert new subtrack"},
        {res::DELETE_SUBTRACK_BUTTON, "Delete this subtrack"},
        {res::LOAD_TRACKS_BUTTON, "Load tracks"},
        {res::SAVE_TRACKS_BUTTON, "Save tracks"},
        {res::ABOUT_BUTTON, "?"},
        {res::NAME_EDIT, "the name"},
        {res::ALBUM_EDIT, "the album"},
        {res::ARTIST_EDIT, "the artist"},
        {res::MINUTE_EDIT, "the minutes"},
        {res::SECOND_EDIT, "the seconds"},
        {res::FRAME_EDIT, "the frames"},
        {res::MINUTE_SPIN, "minutes"},
        {res::SECOND_SPIN, "seconds"},
        {res::FRAME_SPIN, "frames"},
        {res::VOLUME_SPIN, "volume"},
    };
    return names;
}

std::string ControlName(int control) {
    const auto found = ControlNames().find(control);
    return found != ControlNames().end() ? std::string(found->second)
                                         : "control " + std::to_string(control);
}

std::string ScrollCodeName(int code) {
    constexpr std::array<std::string_view, 4> names = {"line left", "line right", "page left",
                                                       "page right"};
    return code >= 0 && code < static_cast<int>(names.size()) ? std::string(names[code])
                                                              : "code " + std::to_string(code);
}

std::string TrayDiscName(int disc) {
    switch (static_cast<TrayDisc>(disc)) {
        case TrayDisc::FIRST:
            return "the first disc";
        case TrayDisc::SECOND:
            return "the second disc";
        case TrayDisc::NONE:
            return "nothing";
    }
    return "?";
}

std::string MediaKeyName(int key) {
    switch (static_cast<MediaKey>(key)) {
        case MediaKey::PLAY:
            return "Play";
        case MediaKey::PAUSE:
            return "Pause";
        case MediaKey::PLAY_PAUSE:
            return "Play/Pause";
    }
    return "?";
}

std::string StartTrayName(int start) {
    switch (static_cast<StartTray>(start)) {
        case StartTray::DISC:
            return "";
        case StartTray::EMPTY:
            return " with the tray closed and empty";
        case StartTray::OPEN:
            return " with the tray out";
    }
    return "?";
}

std::string DescribeWhileOpen(const Answers& answers) {
    if (answers.ticksWhileOpen == 0 && answers.trayWhileOpen == TrayMove::NONE) {
        return {};
    }
    std::string text = "; while the first ";
    text += answers.whileOpenIn == OpenWindow::FIRST_BOX ? "box" : "file dialog";
    text += " is open:";
    const std::string disc = TrayDiscName(static_cast<int>(answers.discWhileOpen));
    switch (answers.trayWhileOpen) {
        case TrayMove::NONE:
            break;
        case TrayMove::OUT:
            text += " the drive's button puts the tray out with " + disc + " in it,";
            break;
        case TrayMove::OUT_AND_IN:
            text += " the drive's button puts the tray out and in with " + disc + " (halfway),";
            break;
    }
    return text + " " + std::to_string(answers.ticksWhileOpen) + " ticks";
}

std::string DescribeFile(const FileAnswer& answer) {
    switch (answer.choice) {
        case FileChoice::CANCEL:
            return "cancel";
        case FileChoice::NEW_FILE:
            return "list-" + std::to_string(answer.number) + ".trk";
        case FileChoice::EXISTING_FILE:
            return "existing file " + std::to_string(answer.number);
        case FileChoice::UNWRITABLE:
            return "a file in a missing folder";
        case FileChoice::MISSING:
            return "missing-" + std::to_string(answer.number) + ".trk";
    }
    return "?";
}

std::string DescribeAnswers(const Answers& answers) {
    if (answers.boxes.empty() && answers.files.empty()) {
        return {};
    }
    std::string text = " [boxes";
    for (std::size_t index = 0; index < answers.boxes.size(); ++index) {
        text += index == 0 ? " " : ", ";
        text += answers.boxes[index] == BoxAnswer::YES ? "Yes" : "No";
    }
    text += "; files";
    for (std::size_t index = 0; index < answers.files.size(); ++index) {
        text += index == 0 ? " " : ", ";
        text += DescribeFile(answers.files[index]);
    }
    return text + DescribeWhileOpen(answers) + "]";
}

std::string Quoted(const std::string& text) {
    return "\"" + text + "\"";
}

std::string DescribeBare(const Action& action) {
    const std::string number = std::to_string(action.number);
    switch (action.kind) {
        case ActionKind::PLAY_TICKS:
            return number + " ticks of play";
        case ActionKind::STALLED_TICKS:
            return number + " ticks with the sound stalled";
        case ActionKind::HEAR_AHEAD:
            return "the sound server hears " + number + " frames";
        case ActionKind::CLICK:
            return "click " + ControlName(action.control);
        case ActionKind::TYPE:
            return "type " + Quoted(action.text) + " into " + ControlName(action.control);
        case ActionKind::REPLACE:
            return "replace " + ControlName(action.control) + " with " + Quoted(action.text);
        case ActionKind::BACKSPACE:
            return "backspace in " + ControlName(action.control);
        case ActionKind::PRESS_ENTER:
            return "press Enter";
        case ActionKind::PRESS_ESCAPE:
            return "press Escape";
        case ActionKind::PRESS_TAB:
            return "press Tab";
        case ActionKind::SPIN:
            return "spin " + ControlName(action.control) + (action.number == 0 ? " up" : " down");
        case ActionKind::SCROLL_STEP:
            return "position bar " + ScrollCodeName(action.number);
        case ActionKind::DRAG_THUMB:
            return "drag the thumb to " + number + " and let go";
        case ActionKind::TRACK_THUMB:
            return "drag the thumb to " + number + " and hold it";
        case ActionKind::CLICK_ROW:
            return "click row " + number + " at x " + std::to_string(action.x);
        case ActionKind::DOUBLE_CLICK_ROW:
            return "double-click row " + number;
        case ActionKind::SCROLL_LIST:
            return "scroll the list to row " + number;
        case ActionKind::FOCUS_LIST:
            return "focus the list";
        case ActionKind::PUT_IN_TRAY:
            return "the tray now holds " + TrayDiscName(action.number);
        case ActionKind::SWAP_BY_DRIVE:
            return "the drive's button puts the tray out and in with " +
                   TrayDiscName(action.number) + " in it";
        case ActionKind::MEDIA_KEY:
            return "the media key " + MediaKeyName(action.number);
        case ActionKind::MINIMIZE:
            return "minimize";
        case ActionKind::RESTORE:
            return "restore";
        case ActionKind::MAXIMIZE:
            return "maximize (compact mode)";
        case ActionKind::ABOUT_FROM_MENU:
            return "About from the window menu";
        case ActionKind::CLOSE_AND_RESTART:
            return "close the window and start again" + StartTrayName(action.number);
        case ActionKind::REMOVE_LISTS:
            return "delete the track list files";
    }
    return "?";
}

}  // namespace

std::string Describe(const Action& action) {
    return DescribeBare(action) + DescribeAnswers(action.answers);
}

std::string DescribeAll(std::span<const Action> actions) {
    std::string text;
    for (std::size_t index = 0; index < actions.size(); ++index) {
        text += "  " + std::to_string(index + 1) + ". " + Describe(actions[index]) + "\n";
    }
    return text;
}

int ActionSource::Between(int lowest, int highest) {
    const auto range = static_cast<std::uint64_t>(highest - lowest + 1);
    return lowest + static_cast<int>(m_random() % range);
}

bool ActionSource::Chance(int percent) {
    return Between(0, 99) < percent;
}

std::string ActionSource::RandomText(int longest) {
    static constexpr std::array<std::string_view, 16> pieces = {
        "a", "b", "Q", "z", " ", "0", "1", "5", "7", "9", ":", "-", "!", "\xC3\xA9", "(", "x"};
    std::string text;
    const int length = Between(0, longest);
    for (int index = 0; index < length; ++index) {
        text += pieces[static_cast<std::size_t>(Between(0, pieces.size() - 1))];
    }
    return text;
}

TrayDisc ActionSource::RandomDisc() {
    const int disc = Between(0, 99);
    return disc < 45 ? TrayDisc::FIRST : disc < 90 ? TrayDisc::SECOND : TrayDisc::NONE;
}

Answers ActionSource::RandomAnswers() {
    Answers answers;
    const int boxes = Between(1, 3);
    for (int index = 0; index < boxes; ++index) {
        answers.boxes.push_back(Chance(60) ? BoxAnswer::YES : BoxAnswer::NO);
    }
    static constexpr std::array<Weighted, 5> fileChoices = {{
        {20, static_cast<int>(FileChoice::CANCEL)},
        {30, static_cast<int>(FileChoice::NEW_FILE)},
        {30, static_cast<int>(FileChoice::EXISTING_FILE)},
        {10, static_cast<int>(FileChoice::UNWRITABLE)},
        {10, static_cast<int>(FileChoice::MISSING)},
    }};
    const int files = Between(1, 3);
    for (int index = 0; index < files; ++index) {
        const int choice = PickWeighted(fileChoices, Between(0, TotalWeight(fileChoices) - 1));
        answers.files.push_back({static_cast<FileChoice>(choice), Between(0, 9)});
    }
    answers.whileOpenIn = Chance(50) ? OpenWindow::FIRST_BOX : OpenWindow::FIRST_FILE_DIALOG;
    if (Chance(12)) {
        // Enough ticks, most often, for the window's refresh to run in there.
        answers.trayWhileOpen = Chance(50) ? TrayMove::OUT : TrayMove::OUT_AND_IN;
        answers.discWhileOpen = RandomDisc();
        answers.ticksWhileOpen = Chance(80) ? Between(10, 25) : Between(0, 9);
    } else if (Chance(10)) {
        answers.ticksWhileOpen = Between(1, 15);
    }
    return answers;
}

Action ActionSource::RandomClick() {
    static constexpr std::array<Weighted, 12> buttons = {{
        {30, res::PLAY_STOP_BUTTON},
        {10, res::EJECT_BUTTON},
        {14, res::INJECT_BUTTON},
        {12, res::PREVIOUS_TRACK_BUTTON},
        {12, res::NEXT_TRACK_BUTTON},
        {12, res::REPEAT_TOGGLE},
        {35, res::UPDATE_BUTTON},
        {35, res::INSERT_SUBTRACK_BUTTON},
        {20, res::DELETE_SUBTRACK_BUTTON},
        {12, res::LOAD_TRACKS_BUTTON},
        {15, res::SAVE_TRACKS_BUTTON},
        {3, res::ABOUT_BUTTON},
    }};
    Action action = MakeAction(ActionKind::CLICK);
    action.control = PickWeighted(buttons, Between(0, TotalWeight(buttons) - 1));
    const bool mayAsk = action.control == res::EJECT_BUTTON ||
                        action.control == res::LOAD_TRACKS_BUTTON ||
                        action.control == res::SAVE_TRACKS_BUTTON;
    if (mayAsk) {
        action.answers = RandomAnswers();
    }
    return action;
}

Action ActionSource::RandomEdit(ActionKind kind) {
    static constexpr std::array<Weighted, 6> edits = {{
        {30, res::NAME_EDIT},
        {8, res::ALBUM_EDIT},
        {6, res::ARTIST_EDIT},
        {6, res::MINUTE_EDIT},
        {6, res::SECOND_EDIT},
        {4, res::FRAME_EDIT},
    }};
    Action action = MakeAction(kind);
    action.control = PickWeighted(edits, Between(0, TotalWeight(edits) - 1));
    const bool position = action.control == res::MINUTE_EDIT ||
                          action.control == res::SECOND_EDIT || action.control == res::FRAME_EDIT;
    action.text = position && Chance(80) ? std::to_string(Between(0, 99)) : RandomText(8);
    return action;
}

Action ActionSource::RandomAfterSwap() {
    if (Chance(30)) {
        return MakeAction(ActionKind::CLICK, res::PLAY_STOP_BUTTON);
    }
    return MakeAction(ActionKind::MEDIA_KEY, 0, Between(0, 2));
}

Action ActionSource::RandomStart() {
    const int start = Between(0, 99);
    Action restart = MakeAction(ActionKind::CLOSE_AND_RESTART, 0,
                                static_cast<int>(start < 60   ? StartTray::DISC
                                                 : start < 80 ? StartTray::EMPTY
                                                              : StartTray::OPEN));
    restart.answers = RandomAnswers();
    return restart;
}

Action ActionSource::Next() {
    if (std::exchange(m_afterSwap, false) && Chance(50)) {
        return RandomAfterSwap();
    }
    enum Choice : int {
        PLAY,
        STALL,
        HEAR,
        CLICK,
        TYPE,
        REPLACE,
        BACKSPACE,
        ENTER,
        ESCAPE,
        TAB,
        SPIN,
        SCROLL,
        DRAG,
        HOLD,
        ROW,
        DOUBLE_ROW,
        SCROLL_LIST,
        FOCUS_LIST,
        TRAY,
        SWAP,
        MEDIA,
        MINIMIZE,
        RESTORE,
        MAXIMIZE,
        ABOUT_MENU,
        RESTART,
        REMOVE,
    };
    static constexpr std::array<Weighted, 27> choices = {{
        {250, PLAY},      {10, STALL},      {10, HEAR},      {250, CLICK},  {60, TYPE},
        {30, REPLACE},    {10, BACKSPACE},  {25, ENTER},     {3, ESCAPE},   {8, TAB},
        {90, SPIN},       {25, SCROLL},     {12, DRAG},      {5, HOLD},     {60, ROW},
        {15, DOUBLE_ROW}, {8, SCROLL_LIST}, {6, FOCUS_LIST}, {20, TRAY},    {10, SWAP},
        {8, MEDIA},       {8, MINIMIZE},    {8, RESTORE},    {6, MAXIMIZE}, {2, ABOUT_MENU},
        {4, RESTART},     {2, REMOVE},
    }};
    static constexpr std::array<Weighted, 4> spinners = {{
        {20, res::MINUTE_SPIN},
        {25, res::SECOND_SPIN},
        {30, res::FRAME_SPIN},
        {15, res::VOLUME_SPIN},
    }};
    switch (PickWeighted(choices, Between(0, TotalWeight(choices) - 1))) {
        case PLAY: {
            const int kind = Between(0, 99);
            const int count = kind < 70   ? Between(1, 10)
                              : kind < 95 ? Between(10, 60)
                                          : Between(60, 400);
            return MakeAction(ActionKind::PLAY_TICKS, 0, count);
        }
        case STALL:
            return MakeAction(ActionKind::STALLED_TICKS, 0, Between(1, 5));
        case HEAR:
            return MakeAction(ActionKind::HEAR_AHEAD, 0, Between(1, 40));
        case CLICK:
            return RandomClick();
        case TYPE:
            return RandomEdit(ActionKind::TYPE);
        case REPLACE:
            return RandomEdit(ActionKind::REPLACE);
        case BACKSPACE:
            return MakeAction(ActionKind::BACKSPACE, RandomEdit(ActionKind::BACKSPACE).control);
        case ENTER:
            return MakeAction(ActionKind::PRESS_ENTER);
        case ESCAPE:
            return MakeAction(ActionKind::PRESS_ESCAPE);
        case TAB:
            return MakeAction(ActionKind::PRESS_TAB);
        case SPIN:
            return MakeAction(ActionKind::SPIN,
                              PickWeighted(spinners, Between(0, TotalWeight(spinners) - 1)),
                              Between(0, 1));
        case SCROLL:
            return MakeAction(ActionKind::SCROLL_STEP, 0,
                              Between(window::SB_LINELEFT, window::SB_PAGERIGHT));
        case DRAG:
            return MakeAction(ActionKind::DRAG_THUMB, 0, Between(0, 25));
        case HOLD:
            return MakeAction(ActionKind::TRACK_THUMB, 0, Between(0, 25));
        case ROW:
            return MakeAction(ActionKind::CLICK_ROW, 0, Between(0, 14),
                              Chance(80) ? 5 : Between(0, 400));
        case DOUBLE_ROW:
            return MakeAction(ActionKind::DOUBLE_CLICK_ROW, 0, Between(0, 14));
        case SCROLL_LIST:
            return MakeAction(ActionKind::SCROLL_LIST, 0, Between(0, 14));
        case FOCUS_LIST:
            return MakeAction(ActionKind::FOCUS_LIST);
        case TRAY:
            return MakeAction(ActionKind::PUT_IN_TRAY, 0, static_cast<int>(RandomDisc()));
        case SWAP:
            m_afterSwap = true;
            return MakeAction(ActionKind::SWAP_BY_DRIVE, 0, static_cast<int>(RandomDisc()));
        case MEDIA:
            return MakeAction(ActionKind::MEDIA_KEY, 0, Between(0, 2));
        case MINIMIZE:
            return MakeAction(ActionKind::MINIMIZE);
        case RESTORE:
            return MakeAction(ActionKind::RESTORE);
        case MAXIMIZE:
            return MakeAction(ActionKind::MAXIMIZE);
        case ABOUT_MENU:
            return MakeAction(ActionKind::ABOUT_FROM_MENU);
        case REMOVE:
            return MakeAction(ActionKind::REMOVE_LISTS);
        default:
            return RandomStart();
    }
}

}  // namespace corvid::model
