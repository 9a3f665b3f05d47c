#!/usr/bin/env bash
# quib under a Wayland compositor (weston, nested in a private Xvfb so that it has a seat):
# it plays as a native Wayland client when WAYLAND_DISPLAY is set, ends cleanly when told to,
# and opens on X11 when the compositor cannot be reached. On an output scaled twice it draws
# every pixel of a window of the disk's size, and a press lands on the button under it. When its
# compositor goes away, it ends with an error.
# Usage: wayland-session.sh QUIB DISK.qdp (the demo disk: 853 x 480, its pause button known)
set -euo pipefail
quib=$1
disk=$2
command -v weston >/dev/null || { echo "SKIP: weston is not installed"; exit 77; }
work=$(mktemp -d)
pids=()
running() { local state; state=$(ps -o stat= -p "$1") && [[ $state != Z* ]]; }
ended() { ! running "$1"; }
# The newest first, each given three seconds to end: a client leaves before its compositor, a
# compositor before its server.
cleanup() {
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
        kill "${pids[i]}" 2>/dev/null || continue
        for _ in $(seq 30); do running "${pids[i]}" || break; sleep 0.1; done
        kill -KILL "${pids[i]}" 2>/dev/null || true
    done
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }
export SDL_AUDIODRIVER=dummy
# A real window again: leaks are checked by the headless tests only (see the window tests).
export ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0
export XDG_RUNTIME_DIR=$work/runtime
mkdir -m 700 "$XDG_RUNTIME_DIR"

# Its screen holds weston's output window of 2000 x 1480 pixels at scale 2; it outlives the first
# weston (the last client to leave would reset it).
mkfifo "$work/display"
Xvfb -displayfd 3 -screen 0 2048x1536x24 -nolisten tcp -noreset 3>"$work/display" \
    >"$work/xvfb.log" 2>&1 &
pids+=($!)
read -r -t 15 number <"$work/display" || fail "Xvfb reported no display"
export DISPLAY=:$number
wait_for() { for _ in $(seq 100); do "$@" && return 0; sleep 0.1; done; return 1; }
start_weston() { # SOCKET SCALE WIDTH HEIGHT (the output's size in units of the scale)
    weston --backend=x11-backend.so --use-pixman --socket="$1" --idle-time=0 --scale="$2" \
        --width="$3" --height="$4" >"$work/$1.log" 2>&1 &
    compositor=$!
    pids+=("$compositor")
    wait_for [ -S "$XDG_RUNTIME_DIR/$1" ] || fail "weston did not start: $(tail -5 "$work/$1.log")"
}
# quib on the compositor at SOCKET, its protocol log in NAME.log; `player` is its process.
start_player() { # NAME SOCKET
    WAYLAND_DISPLAY=$2 WAYLAND_DEBUG=client "$quib" "$disk" >"$work/$1.out" 2>"$work/$1.log" &
    player=$!
    pids+=("$player")
}
# A buffer of W x H pixels in a protocol log: shared memory or a DMA buffer.
has_buffer() { grep -Eq "(create_buffer|create_immed|create)\(.*, $2, $3, " "$1"; }
start_weston quib-test 1 1200 900

# Natively on Wayland, with X11 at hand too: the protocol log shows its toplevel window and
# the frames it commits; a termination request ends it with status 0 and nothing said.
start_player wayland quib-test
# Frames are counted from the toplevel on: start-up is slow on a busy machine.
wait_for grep -q 'xdg_toplevel@[0-9]*\.set_title("quib demo disk' "$work/wayland.log" ||
    fail "no Wayland toplevel with the disk's title"
sleep 4
kill -TERM "$player"
status=0
wait "$player" || status=$?
[ "$status" -eq 0 ] || fail "on Wayland quib ended with status $status: $(grep -v '^\[' "$work/wayland.log" | tail -5)"
commits=$(grep -c 'wl_surface@[0-9]*\.commit()' "$work/wayland.log" || true)
[ "$commits" -ge 30 ] || fail "only $commits surface commits in four seconds"
if grep -v '^\[' "$work/wayland.log" | grep -qi 'assert\|error'; then
    fail "on Wayland quib said: $(grep -v '^\[' "$work/wayland.log" | grep -i 'assert\|error')"
fi
has_buffer "$work/wayland.log" 853 480 || fail "no buffer of the window's 853 x 480 pixels"

# The compositor goes away under it: quib ends soon, says why, and fails.
start_player lost quib-test
wait_for grep -q 'xdg_toplevel@[0-9]*\.set_title(' "$work/lost.log" ||
    fail "no Wayland toplevel before the compositor goes away"
sleep 2
kill -KILL "$compositor"
wait "$compositor" 2>/dev/null || true
wait_for ended "$player" || fail "quib still runs ten seconds after its compositor went away"
status=0
wait "$player" || status=$?
[ "$status" -eq 1 ] || fail "quib ended with status $status when its compositor went away"
grep -q 'quib: the display connection was lost' "$work/lost.log" ||
    fail "quib did not say that the display went away: $(grep -v '^\[' "$work/lost.log" | tail -3)"

# No compositor behind WAYLAND_DISPLAY: X11.
WAYLAND_DISPLAY=no-such-compositor "$quib" "$disk" >"$work/x11.out" 2>&1 &
player=$!
pids+=("$player")
timeout 15 xdotool search --sync --onlyvisible --name '^quib demo disk' >/dev/null ||
    fail "no X11 window without a compositor"
kill -TERM "$player"
status=0
wait "$player" || status=$?
[ "$status" -eq 0 ] || fail "on X11 quib ended with status $status"

# Scaled twice: 853 x 480 units of the desktop drawn with 1706 x 960 pixels. Where the window
# lies, weston alone knows: the pointer's position in it, from the protocol log, tells.
start_weston quib-test-2 2 1000 740
dbus-daemon --session --fork --print-address=1 --print-pid=2 >"$work/bus" 2>"$work/bus.pid"
pids+=("$(cat "$work/bus.pid")")
export DBUS_SESSION_BUS_ADDRESS
DBUS_SESSION_BUS_ADDRESS=$(cat "$work/bus")
start_player scaled quib-test-2
wait_for sh -c 'playerctl -l 2>/dev/null | grep -qx quib' || fail "quib is not on the bus"
wait_for has_buffer "$work/scaled.log" 1706 960 || fail "no buffer of 1706 x 960 pixels"
grep -q 'wl_surface@[0-9]*\.set_buffer_scale(2)' "$work/scaled.log" ||
    fail "no buffer scale of 2 on the scaled output"
# The window's surface and, from the log, the pointer's place in it (in units) while it is in.
surface=$(grep -o 'get_xdg_surface(new id xdg_surface@[0-9]*, wl_surface@[0-9]*)' \
    "$work/scaled.log" | head -1 | grep -o 'wl_surface@[0-9]*')
pointer_in_surface() {
    awk -F'[(),]' -v surface="$surface" '
        /wl_pointer@[0-9]*\.enter\(/ { inside = index($0, surface ",") > 0 }
        /wl_pointer@[0-9]*\.leave\(/ { inside = 0 }
        /wl_pointer@[0-9]*\.(enter|motion)\(/ && inside { x = $(NF - 2); y = $(NF - 1) }
        END { if (inside) printf "%d %d\n", x, y }' "$work/scaled.log"
}
# The window's top-left corner on the X screen, once two places of the pointer (in the middle
# of the output, inside the window wherever weston put it) agree with each other. The pointer
# comes into weston's window from outside: one already inside when it opened is not always
# followed.
locate_window() {
    local a b c d
    for _ in $(seq 10); do
        xdotool mousemove 2040 1520 sleep 0.3 mousemove 1000 740 sleep 0.5
        read -r a b < <(pointer_in_surface) || continue
        xdotool mousemove 1040 770 sleep 0.5
        read -r c d < <(pointer_in_surface) || continue
        if [ $((c - a)) -eq 20 ] && [ $((d - b)) -eq 15 ]; then
            echo "$((1000 - 2 * a)) $((740 - 2 * b))"
            return 0
        fi
    done
    return 1
}
read -r x y < <(locate_window) || fail "the pointer was not followed into the window"
# The pause button's middle, at (-0.67, -0.8) of the picture. The picture shows after the
# intro: pressed until the song pauses.
x=$((x + 1706 * 165 / 1000))
y=$((y + 960 * 9 / 10))
status=
for _ in $(seq 30); do
    xdotool mousemove "$x" "$y" sleep 0.1 mousedown 1 sleep 0.2 mouseup 1
    status=$(playerctl -p quib status 2>/dev/null || true)
    [ "$status" = Paused ] && break
    sleep 0.3
done
[ "$status" = Paused ] || fail "a press on the pause button at ($x, $y) left the song $status"
kill -TERM "$player"
status=0
wait "$player" || status=$?
[ "$status" -eq 0 ] || fail "on the scaled output quib ended with status $status"
echo "quib played on Wayland ($commits frames committed), ended when its compositor went" \
    "away, fell back to X11, and drew twice the pixels on an output scaled twice"
