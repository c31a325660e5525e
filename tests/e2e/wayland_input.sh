#!/usr/bin/env bash
# Drives the real program on Wayland with a real pointer and keyboard: weston runs as an X client on a virtual X
# display, so xdotool's input reaches the program through the compositor. Moves a note by its caption, sizes it by
# its corner, types into it and saves with Ctrl+S; the saved board must hold the new rectangle and text.
# Exits 77 (skipped) when a tool is missing.
set -u
exe="$1"
# The board writer (zb_header, zb_note).
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
skip() { echo "skipped: $*"; exit 77; }
for tool in weston xvfb-run xwininfo xdotool import convert python3; do
    command -v "$tool" >/dev/null 2>&1 || skip "$tool missing"
done
ls /usr/lib/*/qt6/plugins/platforms/libqwayland-generic.so >/dev/null 2>&1 || skip "no Qt Wayland plugin"
ls /usr/lib/*/libweston-*/x11-backend.so >/dev/null 2>&1 || skip "no weston X11 backend"
work="$(mktemp -d)"
# ZB_E2E_KEEP=1 keeps the folder (board, logs, screenshots) for a look afterwards.
[[ "${ZB_E2E_KEEP:-0}" == 1 ]] && echo "work folder: $work" || trap 'rm -rf "$work"' EXIT
unset QT_QPA_PLATFORM WAYLAND_DISPLAY

# Pure green background; one note (200, 150)-(360, 260) captioned "Wayland" in red, with a line of text.
printf "$(zb_header 1)$(zb_note 200 150 360 260 Wayland 0xFF 'hello there')" >"$work/board.zbd"

cat >"$work/check.sh" <<'INNER'
#!/usr/bin/env bash
set -u
exe="$1" work="$2"
cd "$work"
wpid="" apid=""
cleanup() {
    [[ -n "$apid" ]] && kill "$apid" 2>/dev/null
    [[ -n "$wpid" ]] && kill "$wpid" 2>/dev/null
    wait 2>/dev/null
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; import -window root "$work/failure.png" 2>/dev/null; cat "$work/app.log"; exit 1; }
for _ in $(seq 1 200); do xwininfo -root >/dev/null 2>&1 && break; sleep 0.05; done
export HOME="$work/home" XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/run"
export XDG_STATE_HOME="$work/state"
mkdir -p "$HOME" "$XDG_DATA_HOME" "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
socket="zb-wl-input-$$"
# The kiosk shell (no panel or launchers) and no on-screen keyboard, which would cover the board and take keys.
printf '[core]\nidle-time=0\n[input-method]\npath=\n' >"$work/weston.ini"
weston --config="$work/weston.ini" --shell=kiosk-shell.so --backend=x11-backend.so --use-pixman --socket="$socket" --width=1024 --height=768 \
    --idle-time=0 >"$work/weston.log" 2>&1 &
wpid=$!
for _ in $(seq 1 200); do [[ -S "$XDG_RUNTIME_DIR/$socket" ]] && break; sleep 0.05; done
[[ -S "$XDG_RUNTIME_DIR/$socket" ]] || { echo "skipped: weston did not start"; exit 77; }
WAYLAND_DISPLAY="$socket" QT_QPA_PLATFORM=wayland "$exe" "$work/board.zbd" >"$work/app.log" 2>&1 &
apid=$!

# The board's top-left corner on the screen: the bounding box of its green, once it shows.
bx="" by=""
for _ in $(seq 1 100); do
    kill -0 "$apid" 2>/dev/null || fail "program ended early"
    import -window root "$work/screen.png" 2>/dev/null
    box=$(convert "$work/screen.png" -fill black +opaque '#00C800' -format '%@' info: 2>/dev/null)
    size=${box%%+*}
    if [[ -n "$size" && "${size%x*}" -ge 500 ]]; then
        rest=${box#*+}
        bx=${rest%%+*} by=${rest#*+}
        break
    fi
    sleep 0.1
done
[[ -n "$bx" ]] || fail "no board on the screen"
echo "board at ($bx, $by)"
drag() { # x0 y0 x1 y1, in board coordinates, in steps as a hand moves
    local i
    xdotool mousemove $((bx + $1)) $((by + $2)) mousedown 1
    for i in $(seq 1 10); do
        xdotool mousemove $((bx + $1 + ($3 - $1) * i / 10)) $((by + $2 + ($4 - $2) * i / 10))
        sleep 0.02
    done
    xdotool mouseup 1
}
before=$(cksum <board.zbd)
# Move by (80, 10), then size by its bottom-right corner by (-30, -20), then type at the end of the text.
drag 260 161 340 171
sleep 0.3
drag 439 269 409 249
sleep 0.3
xdotool mousemove $((bx + 300)) $((by + 220)) click 1
sleep 0.2
xdotool key ctrl+End
xdotool type --delay 20 ' wl'
xdotool key ctrl+s
saved=""
for _ in $(seq 1 100); do
    [[ "$(cksum <board.zbd)" != "$before" ]] && { saved=1; break; }
    sleep 0.05
done
sleep 0.2
[[ -n "$saved" ]] || fail "Ctrl+S did not save the board"
python3 - "$work/board.zbd" <<'PY' || fail "the saved note is not as moved, sized and typed"
import struct, sys
d = open(sys.argv[1], 'rb').read()
p = 57
rect = struct.unpack_from('<4i', d, p)
p += 20
p += 1 + d[p]
p += 4
text = d[p + 1:p + 1 + d[p]]
print('saved note', rect, text)
sys.exit(0 if rect == (280, 160, 410, 250) and text == b'hello there wl' else 1)
PY
echo "on Wayland a note moved, sized and edited by pointer and keyboard saves as it shows: passed"
INNER
chmod +x "$work/check.sh"
xvfb-run -a -n $((100 + RANDOM % 800)) -s "-screen 0 1280x1024x24 -noreset" "$work/check.sh" "$exe" "$work"
