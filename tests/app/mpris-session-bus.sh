#!/usr/bin/env bash
# quib on a private session bus, driven by real clients (playerctl, busctl) as a desktop's
# media keys and panels drive it: status, metadata, next, pause, stop, volume, the
# PropertiesChanged signals, Quit; and without a bus it plays as before and says nothing.
# Usage: mpris-session-bus.sh QUIB DISK.qdp
set -euo pipefail
quib=$1
disk=$2
work=$(mktemp -d)
daemon=
player=
cleanup() {
    [ -n "$player" ] && kill "$player" 2>/dev/null || true
    [ -n "$daemon" ] && kill "$daemon" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }
export SDL_AUDIODRIVER=dummy
# quib opens a real window here: SDL unloads the X11 GL driver when the window goes, and the
# allocations that driver leaves behind can no longer be told from the player's (their module is
# gone). As for the window tests, a sanitizer build checks leaks in the headless tests only.
export ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0
# quib asks for the desktop's size, leaving the server, before it opens its window: a server
# that resets when its last client leaves may refuse that window for a moment.
xvfb_args=(-a -s "-screen 0 1280x1024x24 -noreset")

# Without a session bus: still playing after two seconds, nothing on either stream.
status=0
DBUS_SESSION_BUS_ADDRESS=unix:path=$work/no-bus xvfb-run "${xvfb_args[@]}" \
    timeout 2 "$quib" "$disk" >"$work/nobus.out" 2>&1 || status=$?
[ "$status" -eq 124 ] || fail "without a bus quib ended with status $status"
[ ! -s "$work/nobus.out" ] || fail "without a bus quib said: $(cat "$work/nobus.out")"

dbus-daemon --session --fork --print-address=1 --print-pid=2 >"$work/address" 2>"$work/pid"
export DBUS_SESSION_BUS_ADDRESS
DBUS_SESSION_BUS_ADDRESS=$(cat "$work/address")
daemon=$(cat "$work/pid")

xvfb-run "${xvfb_args[@]}" "$quib" "$disk" >"$work/quib.out" 2>&1 &
player=$!
for _ in $(seq 100); do
    playerctl -l 2>/dev/null | grep -qx quib && break
    sleep 0.1
done
ctl() { playerctl -p quib "$@"; }
expect() { # expect WHAT EXPECTED COMMAND...: polls, since the player acts on its next frame
    local what=$1 expected=$2 actual=
    shift 2
    for _ in $(seq 50); do
        actual=$("$@" 2>/dev/null || true)
        [ "$actual" = "$expected" ] && return 0
        sleep 0.1
    done
    fail "$what: expected '$expected', got '$actual'"
}

expect "status at start" Playing ctl status
expect "identity" 's "quib"' busctl --user get-property org.mpris.MediaPlayer2.quib \
    /org/mpris/MediaPlayer2 org.mpris.MediaPlayer2 Identity
expect "first title" "Lantern Lights" ctl metadata xesam:title
expect "album" "quib demo disk" ctl metadata xesam:album
expect "first track" "'/org/quib/track/0'" ctl metadata mpris:trackid
# The demo's songs: a 69 s tracker tune, then a 42 s stream (lengths in microseconds).
in_range() { awk -v v="$1" -v lo="$2" -v hi="$3" 'BEGIN { exit !(v >= lo && v <= hi) }'; }
in_range "$(ctl metadata mpris:length)" 68500000 69500000 ||
    fail "first length: $(ctl metadata mpris:length)"

dbus-monitor --session "type='signal',member='PropertiesChanged',path='/org/mpris/MediaPlayer2'" \
    >"$work/signals" 2>&1 &
monitor=$!
sleep 0.5
ctl next
expect "title after next" "Slow Tide" ctl metadata xesam:title
in_range "$(ctl metadata mpris:length)" 41500000 42500000 ||
    fail "length after next: $(ctl metadata mpris:length)"
awk -v p="$(ctl position)" 'BEGIN { exit !(p > 0) }' || fail "no position while playing"
ctl pause
expect "status after pause" Paused ctl status
ctl volume 0.25
expect "volume" 0.250000 ctl volume
ctl previous
expect "title after previous" "Lantern Lights" ctl metadata xesam:title
ctl stop
expect "status after stop" Stopped ctl status
ctl play
expect "status after play" Playing ctl status
sleep 0.3
kill "$monitor"
for property in Metadata PlaybackStatus Volume; do
    grep -q "string \"$property\"" "$work/signals" || fail "no PropertiesChanged for $property"
done
grep -q 'string "Slow Tide"' "$work/signals" || fail "the signal for next carries no new title"

busctl --user call org.mpris.MediaPlayer2.quib /org/mpris/MediaPlayer2 org.mpris.MediaPlayer2 Quit
for _ in $(seq 50); do
    kill -0 "$player" 2>/dev/null || break
    sleep 0.1
done
if kill -0 "$player" 2>/dev/null; then fail "Quit did not end quib"; fi
wait "$player" || fail "quib ended with a failure after Quit: $(cat "$work/quib.out")"
player=
echo "1 passed, 0 failed"
