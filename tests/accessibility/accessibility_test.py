#!/usr/bin/python3
"""The real player as a screen reader meets it.

Runs corvid-player on a disc image under Xvfb, with a private D-Bus session
bus (the test runs inside dbus-run-session), the AT-SPI bus and a private
sound server, and reads the window through AT-SPI: every control's role and
name, the rows of the track list, and the order in which Tab visits the
controls. Then the same window at 200 %: every control's rectangle is its
100 % rectangle doubled, and a screenshot of each scale is kept.

usage: accessibility_test.py PLAYER IMAGE OUTPUT_FOLDER
"""

import os
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

import pyatspi

PLAYER = ""
IMAGE = ""
OUTPUT = ""

STARTUP_TIMEOUT = 30.0
STEP_TIMEOUT = 10.0
# How long one wait for a condition lasts before it is looked at again.
POLL_INTERVAL = 0.05

# The play button says what it would do: "Play" or "Stop" once the disc is
# in ("Play/Stop" before); the tables call it "Play/Stop" in every state.
PLAY_BUTTON_NAMES = {"Play/Stop", "Play", "Stop"}

# Role and name of every control a listener meets in the player window.
# Qt gives a checkable push button the role of a check box.
PLAYER_CONTROLS = [
    ("push button", "Play/Stop"),
    ("push button", "Eject"),
    ("push button", "Inject"),
    ("push button", "Previous track"),
    ("scroll bar", "Position in track"),
    ("push button", "Next track"),
    ("push button", "About"),
    ("push button", "Volume up"),
    ("push button", "Volume down"),
    ("label", "Current track"),
    ("label", "Position"),
    ("label", "Current subtrack"),
    ("text", "Album"),
    ("text", "Artist"),
    ("text", "Name of Track/Subtrack"),
    ("text", "Min"),
    ("push button", "Minutes up"),
    ("push button", "Minutes down"),
    ("text", "Sec"),
    ("push button", "Seconds up"),
    ("push button", "Seconds down"),
    ("text", "Frame"),
    ("push button", "Frames up"),
    ("push button", "Frames down"),
    ("check box", "Repeat"),
    ("push button", "Update!"),
    ("push button", "Insert new subtrack"),
    ("push button", "Delete this subtrack"),
    ("push button", "Load tracks"),
    ("push button", "Save tracks"),
    ("spin button", "Volume"),
    ("spin button", "Minutes"),
    ("spin button", "Seconds"),
    ("spin button", "Frames"),
    ("tree", "Track list"),
]

# The names Tab visits from Play/Stop on, by the window's groups. Tab passes
# by the disabled ones (Inject while the tray is in, Delete without a
# subtrack...), so the test leaves out those it finds disabled.
TAB_ORDER = [
    "Play/Stop",
    "Eject",
    "Inject",
    "Previous track",
    "Position in track",
    "Next track",
    "Track list",
    "Album",
    "Artist",
    "Name of Track/Subtrack",
    "Min",
    "Sec",
    "Frame",
    "Repeat",
    "Update!",
    "Insert new subtrack",
    "Delete this subtrack",
    "Load tracks",
    "Save tracks",
    "Volume",
    "About",
]

# A window's rectangles at 200 % may differ from the doubled ones at 100 %
# by rounding, no more.
SCALE_TOLERANCE = 2
# The root mean square difference, from 0 to 1, between the 100 % screenshot
# and the 200 % one brought down to its size. Both show the same window a
# moment apart (the position moves); a picture shifted by three pixels
# differs by 0.14.
SCREENSHOT_TOLERANCE = 0.08

# Controls whose rectangles are compared between the two scales.
SCALED_CONTROLS = [
    "Play/Stop", "Eject", "Inject", "Previous track", "Position in track", "Next track",
    "About", "Current track", "Position", "Current subtrack", "Album", "Artist",
    "Name of Track/Subtrack", "Repeat", "Update!", "Insert new subtrack",
    "Delete this subtrack", "Load tracks", "Save tracks", "Track list",
]


def wait_until(condition, timeout, what, process):
    """Looks at `condition` until it gives something other than None or False,
    at most `timeout` seconds. Between looks it waits on `process`, the one
    that is to bring the condition about: if that ends, so does the wait."""
    deadline = time.monotonic() + timeout
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() >= deadline:
            raise AssertionError("timed out waiting for " + what)
        try:
            process.wait(timeout=POLL_INTERVAL)
        except subprocess.TimeoutExpired:
            continue
        value = condition()
        if value:
            return value
        raise AssertionError(os.path.basename(str(process.args[0])) +
                             " ended while waiting for " + what)


def descendants(accessible):
    for index in range(accessible.childCount):
        child = accessible.getChildAtIndex(index)
        if child is None:
            continue
        yield child
        yield from descendants(child)


def name_of(accessible):
    """The control's name, with the play button's states as one name."""
    name = accessible.name
    return "Play/Stop" if name in PLAY_BUTTON_NAMES else name


def is_visible(accessible):
    return accessible.getState().contains(pyatspi.STATE_VISIBLE)


class Processes:
    """Started processes, each with its log file, ended in reverse order."""

    def __init__(self, folder):
        self.folder = folder
        self.processes = []
        self.logs = []

    def spawn(self, command, environment, **options):
        log = open(os.path.join(self.folder, "%d-%s.log" % (
            len(self.logs), os.path.basename(command[0]))), "w")
        self.logs.append(log)
        process = subprocess.Popen(command, env=environment, stdout=subprocess.DEVNULL,
                                   stderr=log, **options)
        self.processes.append(process)
        return process

    def stop(self):
        for process in reversed(self.processes):
            if process.poll() is None:
                process.terminate()
                try:
                    process.wait(timeout=STEP_TIMEOUT)
                except subprocess.TimeoutExpired:
                    process.kill()
                    process.wait()
        for log in self.logs:
            log.close()


def start_sound_server(processes, folder):
    """A private sound server with a null sink; gives its address."""
    socket = os.path.join(folder, "pulse-socket")
    environment = dict(os.environ, HOME=folder, XDG_RUNTIME_DIR=folder,
                       XDG_CONFIG_HOME=os.path.join(folder, "config"))
    server = processes.spawn(
        ["pulseaudio", "--daemonize=no", "--exit-idle-time=-1", "--system=false", "-n",
         "--use-pid-file=no", "--disable-shm=yes",
         "--load=module-null-sink sink_name=corvid_test",
         "--load=module-native-protocol-unix socket=" + socket + " auth-anonymous=1"],
        environment)
    wait_until(lambda: os.path.exists(socket), STARTUP_TIMEOUT, "the sound server", server)
    return "unix:" + socket


class Session:
    """Xvfb, a window manager, and the player at one scale."""

    def __init__(self, processes, folder, scale, sound_server):
        self.processes = processes
        self.folder = folder
        self.scale = scale
        self.player = None
        self.environment = dict(os.environ)
        self.environment["PULSE_SERVER"] = sound_server
        self.environment["XDG_RUNTIME_DIR"] = folder
        self.environment["HOME"] = folder
        self.environment["XDG_DATA_HOME"] = os.path.join(folder, "data")
        self.environment["XDG_CONFIG_HOME"] = os.path.join(folder, "config")

    def start(self):
        self.start_display()
        self.start_window_manager()
        self.player = self.spawn(
            [PLAYER, IMAGE],
            {
                "QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1",
                "QT_QPA_PLATFORM": "xcb",
                "QT_SCALE_FACTOR": str(self.scale),
            },
        )

    def spawn(self, command, extra=None, **options):
        environment = dict(self.environment)
        environment.update(extra or {})
        return self.processes.spawn(command, environment, **options)

    def start_display(self):
        read_end, write_end = os.pipe()
        self.spawn(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "2200x1600x24",
             "-nolisten", "tcp", "-noreset"],
            pass_fds=(write_end,),
        )
        os.close(write_end)
        with os.fdopen(read_end) as numbers:
            number = numbers.readline().strip()
        if not number:
            raise AssertionError("Xvfb gave no display number")
        self.environment["DISPLAY"] = ":" + number

    def start_window_manager(self):
        ready = os.path.join(self.folder, "openbox-ready")
        manager = self.spawn(["openbox", "--sm-disable", "--startup", "touch " + ready])
        wait_until(lambda: os.path.exists(ready), STARTUP_TIMEOUT, "the window manager", manager)

    def window(self):
        """The player's top-level accessible, once its controls are there."""

        def find():
            desktop = pyatspi.Registry.getDesktop(0)
            for index in range(desktop.childCount):
                application = desktop.getChildAtIndex(index)
                if application is None or application.get_process_id() != self.player.pid:
                    continue
                for window_index in range(application.childCount):
                    window = application.getChildAtIndex(window_index)
                    if window is not None and is_visible(window) and any(
                        child.name == "Track list" for child in descendants(window)
                    ):
                        return window
            return None

        return wait_until(find, STARTUP_TIMEOUT, "the player's window", self.player)

    def x_window(self):
        return subprocess.run(
            ["xdotool", "search", "--onlyvisible", "--pid", str(self.player.pid)],
            env=self.environment, capture_output=True, text=True, check=True,
        ).stdout.split()[0]

    def client_size(self):
        """The player window's client area in screen pixels, from X."""
        shell = subprocess.run(["xdotool", "getwindowgeometry", "--shell", self.x_window()],
                               env=self.environment, capture_output=True, text=True,
                               check=True).stdout
        values = dict(line.split("=", 1) for line in shell.split())
        return (int(values["WIDTH"]), int(values["HEIGHT"]))

    def screenshot(self, path):
        """A PNG of the player window's client area."""
        dump = subprocess.run(["xwd", "-silent", "-id", self.x_window()],
                              env=self.environment, capture_output=True, check=True).stdout
        subprocess.run(["convert", "xwd:-", path], input=dump, check=True)

    def press(self, keys):
        subprocess.run(["xdotool", "key", "--clearmodifiers", keys], env=self.environment,
                       check=True, capture_output=True)


def start_accessibility_bus(processes):
    """The AT-SPI bus launcher on this test's own session bus, once it owns
    its name there."""
    launcher = processes.spawn(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"],
                               dict(os.environ))

    def owned():
        answer = subprocess.run(
            ["dbus-send", "--session", "--print-reply", "--dest=org.freedesktop.DBus",
             "/org/freedesktop/DBus", "org.freedesktop.DBus.NameHasOwner",
             "string:org.a11y.Bus"],
            capture_output=True, text=True)
        return answer.returncode == 0 and "boolean true" in answer.stdout

    wait_until(owned, STARTUP_TIMEOUT, "the AT-SPI bus", launcher)


def visible_controls(window):
    return [child for child in descendants(window) if is_visible(child) and child.name]


def extents(accessible, window):
    """The control's rectangle in the window's client area, in the screen's
    pixels. Qt answers a window-relative GetExtents with a wrong size, and
    GetPosition and GetSize in logical pixels, so the rectangle is the
    screen-relative one less the window's origin."""
    box = accessible.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    origin = window.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    return (box.x - origin.x, box.y - origin.y, box.width, box.height)


def focused_name(window):
    """The focused control's name. A list's current cell keeps its focused
    state when the list loses the focus, so a cell counts only when no
    control outside a list has the focus, and then stands for its list."""
    cell = None
    for child in descendants(window):
        if not child.getState().contains(pyatspi.STATE_FOCUSED):
            continue
        if child.getRoleName() != "table cell":
            return name_of(child)
        cell = cell or child
    return name_of(cell.parent) if cell is not None else None


class PlayerAccessibilityTest(unittest.TestCase):
    sessions = {}

    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.mkdtemp(prefix="corvid-a11y-")
        cls.processes = Processes(cls.folder)
        try:
            start_accessibility_bus(cls.processes)
            sound_server = start_sound_server(cls.processes, cls.folder)
            for scale in (1, 2):
                folder = os.path.join(cls.folder, str(scale))
                os.makedirs(folder)
                cls.sessions[scale] = Session(cls.processes, folder, scale, sound_server)
                cls.sessions[scale].start()
        except BaseException:
            cls.tearDownClass()
            raise

    @classmethod
    def tearDownClass(cls):
        cls.processes.stop()
        shutil.rmtree(cls.folder, ignore_errors=True)

    def test_every_control_has_its_role_and_name(self):
        window = self.sessions[1].window()
        seen = {(child.getRoleName(), name_of(child)) for child in visible_controls(window)}
        for role, name in PLAYER_CONTROLS:
            with self.subTest(name=name):
                self.assertIn((role, name), seen)

    def test_every_visible_control_has_a_name(self):
        window = self.sessions[1].window()
        wanted_roles = {"push button", "check box", "text", "scroll bar", "label",
                        "spin button", "tree"}
        for child in descendants(window):
            if is_visible(child) and child.getRoleName() in wanted_roles:
                with self.subTest(role=child.getRoleName(), index=child.getIndexInParent()):
                    self.assertNotEqual(child.name.strip(), "")

    def test_status_fields_tell_what_they_show(self):
        window = self.sessions[1].window()
        by_name = {child.name: child for child in visible_controls(window)}
        # The disc is found and its first track is current: the fields tell
        # its number and name, under names of their own.
        wait_until(lambda: "[01]" in by_name["Current track"].description,
                   STEP_TIMEOUT, "the status field's text", self.sessions[1].player)
        self.assertRegex(by_name["Position"].description, r"^\d\d:\d\d \(\d\d:\d\d\)$")
        self.assertNotEqual(by_name["Current subtrack"].description, "")

    def test_list_rows_read_name_and_time(self):
        window = self.sessions[1].window()
        tree = next(child for child in descendants(window) if child.name == "Track list")
        rows = [child.name for child in descendants(tree) if child.getRoleName() == "table cell"]
        # The first column's cell is read with the row's time; the second
        # holds the time alone.
        self.assertRegex(rows[0], r"^01\. .+, \d\d:\d\d$")
        self.assertEqual(rows[0].rsplit(", ", 1)[1], rows[1])

    def test_tab_visits_the_groups_in_order(self):
        session = self.sessions[1]
        window = session.window()
        controls = {name_of(child): child for child in visible_controls(window)}
        enabled = [name for name in TAB_ORDER
                   if controls[name].getState().contains(pyatspi.STATE_ENABLED)]
        controls["Play/Stop"].queryComponent().grabFocus()
        wait_until(lambda: focused_name(window) == "Play/Stop", STEP_TIMEOUT,
                   "the focus on Play/Stop", session.player)
        visited = [focused_name(window)]
        for _ in enabled:
            before = visited[-1]
            session.press("Tab")
            visited.append(wait_until(
                lambda: (focused_name(window) if focused_name(window) != before else None),
                STEP_TIMEOUT, "the focus to leave " + before, session.player))
        self.assertEqual(visited, enabled + ["Play/Stop"])

    def test_at_200_percent_every_control_is_twice_as_large(self):
        rectangles = {}
        for scale, session in self.sessions.items():
            window = session.window()
            # Qt tells AT-SPI logical pixels; the X window's size gives the
            # screen pixels each stands for.
            ratio = session.client_size()[0] / window.queryComponent().getSize()[0]
            rectangles[scale] = {
                name_of(child): tuple(round(value * ratio) for value in extents(child, window))
                for child in visible_controls(window)
            }
        self.assertEqual(self.sessions[2].client_size(),
                         tuple(2 * value for value in self.sessions[1].client_size()))
        for name in SCALED_CONTROLS:
            with self.subTest(name=name):
                doubled = tuple(2 * value for value in rectangles[1][name])
                for got, wanted in zip(rectangles[2][name], doubled):
                    self.assertLessEqual(abs(got - wanted), SCALE_TOLERANCE,
                                         (rectangles[2][name], doubled))

    def test_the_200_percent_screenshot_is_the_100_percent_one_doubled(self):
        paths = {}
        for scale, session in self.sessions.items():
            session.window()
            paths[scale] = os.path.join(OUTPUT, "player-%d00.png" % scale)
            session.screenshot(paths[scale])
        width, height = self.sessions[1].client_size()
        reduced = os.path.join(self.folder, "player-200-reduced.png")
        subprocess.run(["convert", paths[2], "-resize", "%dx%d!" % (width, height), reduced],
                       check=True)
        # compare prints "absolute (normalised)" and exits with 1 when the
        # pictures differ at all.
        answer = subprocess.run(["compare", "-metric", "RMSE", paths[1], reduced, "null:"],
                                capture_output=True, text=True)
        difference = float(answer.stderr.split("(")[1].split(")")[0])
        print("screenshot difference at 200 %% brought down: %.4f" % difference)
        self.assertLess(difference, SCREENSHOT_TOLERANCE)


if __name__ == "__main__":
    if len(sys.argv) < 4:
        sys.exit(__doc__)
    PLAYER, IMAGE, OUTPUT = sys.argv[1:4]
    unittest.main(argv=sys.argv[:1] + sys.argv[4:], verbosity=2)
