#!/usr/bin/env bash
# qdp preview in a real window under Xvfb, as an author uses it: it plays the demo's source,
# swaps in an edited time, keeps playing through a broken edit (naming the line), and quits on
# Escape with status 0.
# Usage: preview-window.sh QDP DEMO.toml ASSETS_DIR
set -euo pipefail
qdp=$1
source=$2
assets=$3
work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; cat "$work/preview.log"; exit 1; }
export SDL_AUDIODRIVER=dummy
# A real window: leaks are checked by the headless tests only (see the window tests).
export ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0

mkfifo "$work/display"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$work/display" >"$work/xvfb.log" 2>&1 &
pids+=($!)
read -r -t 15 number <"$work/display" || fail "Xvfb reported no display"
export DISPLAY=:$number

cp "$source" "$work/demo.toml"
: >"$work/preview.log"
"$qdp" preview "$work/demo.toml" --assets "$assets" 2>"$work/preview.log" &
preview=$!
pids+=("$preview")
window=$(timeout 30 xdotool search --sync --onlyvisible --name '^quib demo disk') ||
    fail "no window"
wait_for() { # wait_for TEXT: polls the log, since the preview looks at its files now and then
    for _ in $(seq 100); do
        grep -qF -- "$1" "$work/preview.log" && return 0
        sleep 0.1
    done
    fail "the log never said '$1'"
}

sed -i '0,/intervals = \[\[0, 61.44\]\]/s//intervals = [[0, 30]]/' "$work/demo.toml"
wait_for "swapped in"
echo 'broken = ' >>"$work/demo.toml"
wait_for ": error: "
grep -q "^$work/demo.toml:[0-9]*:[0-9]*: error: " "$work/preview.log" ||
    fail "the error does not name the file, line and column"
kill -0 "$preview" || fail "the preview ended on a broken edit"

xdotool windowfocus --sync "$window" key Escape
status=0
wait "$preview" || status=$?
[ "$status" -eq 0 ] || fail "the preview ended with status $status"
echo "qdp preview: swapped an edit in, kept playing through a broken one, quit on Escape"
