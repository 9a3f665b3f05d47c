#!/usr/bin/env bash
# quib under a Wayland compositor (weston, nested in a private Xvfb so that it has a seat):
# it plays as a native Wayland client when WAYLAND_DISPLAY is set, ends cleanly when told to,
# and opens on X11 when the compositor cannot be reached.
# Usage: wayland-session.sh QUIB DISK.qdp
set -euo pipefail
quib=$1
disk=$2
work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }
export SDL_AUDIODRIVER=dummy
# A real window again: leaks are checked by the headless tests only (see the window tests).
export ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0
export XDG_RUNTIME_DIR=$work/runtime
mkdir -m 700 "$XDG_RUNTIME_DIR"

mkfifo "$work/display"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
pids+=($!)
read -r -t 15 number <"$work/display" || fail "Xvfb reported no display"
export DISPLAY=:$number
weston --backend=x11-backend.so --use-pixman --socket=quib-test --idle-time=0 \
    --width=1200 --height=900 >"$work/weston.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do
    [ -S "$XDG_RUNTIME_DIR/quib-test" ] && break
    sleep 0.1
done
[ -S "$XDG_RUNTIME_DIR/quib-test" ] || fail "weston did not start: $(tail -5 "$work/weston.log")"

# Natively on Wayland, with X11 at hand too: the protocol log shows its toplevel window and
# the frames it commits; a termination request ends it with status 0 and nothing said.
WAYLAND_DISPLAY=quib-test WAYLAND_DEBUG=client "$quib" "$disk" >"$work/wayland.out" \
    2>"$work/wayland.log" &
player=$!
pids+=("$player")
sleep 4
kill -TERM "$player"
status=0
wait "$player" || status=$?
[ "$status" -eq 0 ] || fail "on Wayland quib ended with status $status: $(grep -v '^\[' "$work/wayland.log" | tail -5)"
grep -q 'xdg_toplevel@[0-9]*\.set_title("quib demo disk' "$work/wayland.log" ||
    fail "no Wayland toplevel with the disk's title"
commits=$(grep -c 'wl_surface@[0-9]*\.commit()' "$work/wayland.log" || true)
[ "$commits" -ge 30 ] || fail "only $commits surface commits in four seconds"
if grep -v '^\[' "$work/wayland.log" | grep -qi 'assert\|error'; then
    fail "on Wayland quib said: $(grep -v '^\[' "$work/wayland.log" | grep -i 'assert\|error')"
fi

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
echo "quib played on Wayland ($commits frames committed) and fell back to X11"
