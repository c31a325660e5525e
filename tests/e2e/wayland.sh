#!/usr/bin/env bash
# Starts the real program with a board under a headless Wayland compositor and checks from a screenshot that the
# board shows: its green background over at least the default client size, the waste-bin icon's dark outline near
# its corner, and the board's one note with its red caption where the file places it.
# Prints "skipped" and exits 77 (ctest's skipped) when weston, its screenshot client or Qt's Wayland plugin is
# missing or unusable.
set -u
exe="$1"
# The board writer (zb_header, zb_note).
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
skip() { echo "skipped: $*"; exit 77; }
command -v weston >/dev/null || skip "no weston"
command -v weston-screenshooter >/dev/null || skip "no weston-screenshooter"
command -v convert >/dev/null || skip "no ImageMagick"
ls /usr/lib/*/qt6/plugins/platforms/libqwayland-generic.so >/dev/null 2>&1 || skip "no Qt Wayland plugin"
work="$(mktemp -d)"
cleanup() {
    [[ -n "${apid:-}" ]] && kill "$apid" 2>/dev/null
    [[ -n "${wpid:-}" ]] && kill "$wpid" 2>/dev/null
    wait 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
export HOME="$work/home" XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/run"
mkdir -p "$HOME" "$XDG_DATA_HOME" "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
# Pure green background; one note (200, 150)-(360, 260) captioned "Wayland" in red, with a line of text.
printf "$(zb_header 1)$(zb_note 200 150 360 260 Wayland 0xFF 'hello there')" >"$work/board.zbd"
socket="zb-wayland-$$"
# The pixman renderer: the headless default draws nothing, so a screenshot would never complete.
weston --backend=headless-backend.so --use-pixman --socket="$socket" --debug --width=1024 --height=768 \
    --idle-time=0 >"$work/weston.log" 2>&1 &
wpid=$!
for _ in $(seq 1 100); do [[ -S "$XDG_RUNTIME_DIR/$socket" ]] && break; sleep 0.05; done
[[ -S "$XDG_RUNTIME_DIR/$socket" ]] || skip "weston did not start"
export WAYLAND_DISPLAY="$socket"
QT_QPA_PLATFORM=wayland "$exe" "$work/board.zbd" >"$work/app.log" 2>&1 &
apid=$!
# Wait until a screenshot shows the board: a large green area.
ok=""
for _ in $(seq 1 60); do
    kill -0 "$apid" 2>/dev/null || { echo "program ended early"; cat "$work/app.log"; exit 1; }
    rm -f "$work"/wayland-screenshot-*.png
    (cd "$work" && timeout 5 weston-screenshooter >/dev/null 2>&1)
    shot=$(ls "$work"/wayland-screenshot-*.png 2>/dev/null | head -n1)
    if [[ -n "$shot" ]]; then
        green=$(convert "$shot" -fill black +opaque '#00C800' -fill white -opaque '#00C800' \
            -format '%[fx:mean*w*h]' info: 2>/dev/null)
        green=${green%.*}
        if [[ -n "$green" && "$green" -ge 150000 ]]; then ok="$shot"; break; fi
    fi
    sleep 0.2
done
[[ -n "$ok" ]] || { echo "no board in the screenshot"; exit 1; }
# The board's green area: its bounding box; the waste bin at (10, 10) in it has black outline pixels.
bbox=$(convert "$ok" -fill black +opaque '#00C800' -trim -format '%w %h %X %Y' info:)
read -r bw bh bx by <<<"$bbox"
echo "board area ${bw}x${bh} at (${bx}, ${by})"
(( bw >= 580 && bh >= 250 )) || { echo "board smaller than expected"; exit 1; }
dark=$(convert "$ok" -crop "32x32+$((bx + 10))+$((by + 10))" -threshold 10% -negate -format '%[fx:mean*w*h]' info:)
dark=${dark%.*}
echo "dark pixels in the waste bin's place: $dark"
(( dark >= 20 )) || { echo "no waste-bin icon at (10, 10) of the board"; exit 1; }
# The note's caption row (frame 4, small caption 15): red across, active gradient or not; below the note, green.
red=$(convert "$ok" -crop "140x5+$((bx + 210))+$((by + 156))" +repage -fx 'r>0.6 && g<0.45 && b<0.45' \
    -format '%[fx:mean*w*h]' info:)
red=${red%.*}
echo "red pixels in the caption band: $red of 700"
(( red >= 500 )) || { echo "the note's caption is not red where the board places it"; exit 1; }
below=$(convert "$ok" -format "%[hex:p{$((bx + 280)),$((by + 280))}]" info:)
[[ "$below" == 00C800* ]] || { echo "board below the note is $below, not green"; exit 1; }
echo "ok"
