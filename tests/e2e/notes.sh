#!/usr/bin/env bash
# Opens a board of 30 notes in the real program under a virtual X display and checks from a screenshot that at
# most one caption is drawn active (a gradient; an inactive caption is one solid colour). Then drags a note by its
# caption far past the left edge of the board with xdotool and checks that part of its caption is still on it.
set -uo pipefail
exe="$1"
source "$(dirname "$0")/lib.sh"
zb_need Xvfb xwininfo xdotool import convert
# ZB_E2E_KEEP=1 keeps the folder (boards, logs, screenshots) for a look afterwards.
zb_setup
zb_start_x

cat > "$work/check.sh" <<'INNER'
#!/usr/bin/env bash
set -u
exe="$1"
work="$2"
cd "$work"
export QT_QPA_PLATFORM=xcb
LC_ALL=C
pid=""
cleanup() { [[ -n "$pid" ]] && { kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; }; }
trap cleanup EXIT
fail() { echo "FAIL: $*"; import -window root "$work/failure.png" 2>/dev/null; exit 1; }
for _ in $(seq 1 200); do xwininfo -root >/dev/null 2>&1 && break; sleep 0.05; done

le32() {
    local v=$(($1 & 0xFFFFFFFF))
    printf '\\x%02x\\x%02x\\x%02x\\x%02x' $((v & 255)) $(((v >> 8) & 255)) $(((v >> 16) & 255)) $(((v >> 24) & 255))
}
# Note i of the board: 70 x 45 at (nx i, ny i), six to a row.
nx() { echo $((15 + ($1 % 6) * 95)); }
ny() { echo $((50 + ($1 / 6) * 52)); }
# Pure green background; 30 empty notes with red captions, none stored.
f="$(le32 30)$(le32 100)$(le32 10)$(le32 10)$(le32 10)"
f+="$(le32 1)$(le32 0)$(le32 0)$(le32 0x00C800)$(le32 0)\\x00"
f+="$(le32 200)$(le32 200)$(le32 100)$(le32 100)"
for i in $(seq 0 29); do
    x=$(nx "$i") y=$(ny "$i")
    f+="$(le32 "$x")$(le32 "$y")$(le32 $((x + 70)))$(le32 $((y + 45)))$(le32 0)\\x00$(le32 0xFF)\\x00"
done
printf "$f" >board.zbd

mkdir -p home run
chmod 700 run
HOME="$work/home" XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/run" \
    "$exe" "$work/board.zbd" >"$work/program.log" 2>&1 &
pid=$!
id=""
for _ in $(seq 1 200); do
    id=$(xwininfo -root -tree 2>/dev/null | grep '"board.zbd - Zentbase"' | awk '{print $1}' | head -n1)
    [[ -n "$id" ]] && break
    kill -0 "$pid" 2>/dev/null || fail "program ended early"
    sleep 0.05
done
[[ -n "$id" ]] || fail "no main window"
# Away from the screen's left edge, so that the pointer can go far past the board's.
xdotool windowmove "$id" 300 100
for _ in $(seq 1 100); do
    [[ $(xwininfo -id "$id" | awk '/Absolute upper-left X:/ {print $4}') == 300 ]] && break
    sleep 0.05
done
sleep 0.5

# The board's top-left corner on the screen: the bounding box of its green.
board_origin() {
    import -window root "$work/screen.png"
    local box ox oy
    box=$(convert "$work/screen.png" -fill black +opaque '#00C800' -format '%@' info:)
    ox=${box#*+}
    oy=${ox#*+}
    ox=${ox%%+*}
    echo "$ox $oy"
}
read -r bx by < <(board_origin)
echo "board at ($bx, $by)"

# Colours along the middle row of note i's caption (frame 4, small caption 15).
caption_colours() {
    local x y
    x=$((bx + $(nx "$1") + 6)) y=$((by + $(ny "$1") + 4 + 7))
    convert "$work/screen.png" -crop "58x1+$x+$y" +repage -unique-colors -format '%w' info:
}
active=0
for i in $(seq 0 29); do
    n=$(caption_colours "$i")
    [[ "$n" -gt 2 ]] && active=$((active + 1))
done
echo "captions drawn active: $active of 30"
[[ "$active" -le 1 ]] || fail "$active captions drawn active"

# Drag note 0 by its caption to 250 pixels left of the board, in steps as a hand moves.
sx=$((bx + $(nx 0) + 35)) sy=$((by + $(ny 0) + 4 + 7))
xdotool mousemove "$sx" "$sy" mousedown 1
for i in $(seq 1 20); do
    xdotool mousemove $((sx - (sx - bx + 250) * i / 20)) "$sy"
    sleep 0.03
done
sleep 0.2
xdotool mouseup 1
sleep 0.5
import -window root "$work/screen.png"
# The caption's red still lies at the board's left edge, on the row that was grabbed.
pixel=$(convert "$work/screen.png" -format "%[fx:int(255*p{$((bx + 1)),$sy}.r)] %[fx:int(255*p{$((bx + 1)),$sy}.g)] %[fx:int(255*p{$((bx + 1)),$sy}.b)]" info:)
read -r r g b <<<"$pixel"
echo "board's left edge on the caption row: $r $g $b"
[[ "$r" -gt 150 && "$g" -lt 120 && "$b" -lt 120 ]] || fail "the note's caption left the board"
echo "one active caption at most, and a note dragged off the left edge keeps its caption on the board: passed"
INNER
chmod +x "$work/check.sh"
"$work/check.sh" "$exe" "$work"
