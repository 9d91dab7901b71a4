# Shared set-up of the whole-process benchmarks, sourced by their scripts: a
# work folder, a private PulseAudio with one null sink (bench_null), and a
# virtual X desktop (Xvfb with openbox and a session bus). Everything started here is ended by
# its process id when the script exits.
# Needs: build, the build folder; sets work, the work folder.

work=$(mktemp -d)
bench_pids=()

bench_cleanup() {
    local pid
    for pid in "${bench_pids[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    for pid in "${bench_pids[@]}"; do
        wait "$pid" 2>/dev/null || true
    done
    rm -rf "$work"
}
trap bench_cleanup EXIT

# The programs under test keep their files in the work folder, and reach no
# session bus of the user's (the desktop's bus is our own).
export HOME=$work/home XDG_RUNTIME_DIR=$work/runtime PULSE_RUNTIME_PATH=$work/runtime
export XDG_DATA_HOME=$work/home/data XDG_CONFIG_HOME=$work/home/config
unset DBUS_SESSION_BUS_ADDRESS
mkdir -p "$HOME" -m 700 "$XDG_RUNTIME_DIR"

bench_start_sound() {
    pulseaudio --daemonize=no --exit-idle-time=-1 --system=false -n --use-pid-file=no \
        --disable-shm=yes \
        --load="module-null-sink sink_name=bench_null rate=44100 channels=2 format=s16le norewinds=1" \
        --load="module-native-protocol-unix socket=$work/native auth-anonymous=1" \
        >"$work/server.log" 2>&1 &
    bench_pids+=($!)
    export PULSE_SERVER=unix:$work/native
    local _
    for _ in $(seq 200); do pactl info >/dev/null 2>&1 && break; done
    pactl info >/dev/null
    pactl set-default-sink bench_null
}

# A session bus of our own, as a desktop has: without one, libdbus would
# start a bus for the X display (autolaunch) on a program's first use of it,
# and leave it running. It starts no services: the accessibility bus, asked
# for by every Qt program, would otherwise be started by the first program
# and make its start slower than the others'.
bench_start_bus() {
    cat >"$work/bus.conf" <<EOF
<busconfig>
  <type>session</type>
  <listen>unix:path=$work/bus</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
EOF
    dbus-daemon --config-file="$work/bus.conf" --nofork >"$work/bus.log" 2>&1 &
    bench_pids+=($!)
    export DBUS_SESSION_BUS_ADDRESS=unix:path=$work/bus
    local _
    for _ in $(seq 500); do
        dbus-send --session --dest=org.freedesktop.DBus --type=method_call --print-reply \
            /org/freedesktop/DBus org.freedesktop.DBus.GetId >/dev/null 2>&1 && break
    done
}

bench_start_desktop() {
    bench_start_bus
    local number
    for number in $(seq 90 140); do
        [ -e "/tmp/.X11-unix/X$number" ] || [ -e "/tmp/.X$number-lock" ] || break
    done
    Xvfb ":$number" -screen 0 1280x1024x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
    bench_pids+=($!)
    export DISPLAY=:$number QT_QPA_PLATFORM=xcb
    local _
    for _ in $(seq 500); do xdpyinfo >/dev/null 2>&1 && break; done
    xdpyinfo >/dev/null
    openbox >"$work/openbox.log" 2>&1 &
    bench_pids+=($!)
    # openbox is up once it has named itself on the root window.
    for _ in $(seq 500); do
        xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && break
    done
}

# "corvid-make-image ARGUMENTS..." in the build.
bench_make_image() {
    "$build/tools/corvid-make-image" "$@" >/dev/null
}
