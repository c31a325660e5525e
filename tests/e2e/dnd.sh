#!/usr/bin/env bash
# Drags text between the notes of two running copies of the program under a virtual X display, with the pointer
# and keys driven by xdotool: a word with a non-ASCII letter is moved from the first program's note into the
# second's (plain drag), a word is copied back (Ctrl held at the release), and a word is moved within one note.
# After each drag the programs save their boards (Ctrl+S), and the note texts are read from the saved files.
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
# Byte-wise strings here; the programs get a UTF-8 locale of their own.
LC_ALL=C
pids=()
cleanup() { for p in "${pids[@]}"; do kill "$p" 2>/dev/null; wait "$p" 2>/dev/null; done; }
trap cleanup EXIT
fail() { echo "FAIL: $*"; import -window root "$work/failure.png" 2>/dev/null; exit 1; }

# Little-endian 32-bit field as printf escapes.
le32() {
    local v=$(($1 & 0xFFFFFFFF))
    printf '\\x%02x\\x%02x\\x%02x\\x%02x' $((v & 255)) $(((v >> 8) & 255)) $(((v >> 16) & 255)) $(((v >> 24) & 255))
}
# A board with a pure green background and one note at (40, 60, 340, 260) in view coordinates holding $2.
# With an empty picture name and an empty caption, the note's text length byte is at offset 82.
make_board() {
    local f=""
    f+="$(le32 1)$(le32 100)$(le32 10)$(le32 10)$(le32 10)"            # one note; storage and waste-bin icons
    f+="$(le32 1)$(le32 0)$(le32 0)$(le32 0x00C800)$(le32 0)\\x00"      # pure colour RGB(0, 200, 0); no picture
    f+="$(le32 200)$(le32 200)$(le32 100)$(le32 100)"
    f+="$(le32 40)$(le32 60)$(le32 340)$(le32 260)$(le32 0)\\x00$(le32 0xFF)"
    f+="$(printf '\\x%02x' ${#2})"
    printf "$f" >"$1"
    printf '%s' "$2" >>"$1"
}
note_text() {
    local n
    n=$(od -An -tu1 -j82 -N1 "$1" | tr -d ' ')
    [[ -n "$n" ]] || return 1
    dd if="$1" bs=1 skip=83 count="$n" 2>/dev/null
}

# Starts one program on a board; prints the id of its main window.
start() { # name
    mkdir -p "$1/home" "$1/run"
    chmod 700 "$1/run"
    LC_ALL=C.UTF-8 HOME="$work/$1/home" XDG_DATA_HOME="$work/$1/data" XDG_CONFIG_HOME="$work/$1/config" \
        XDG_RUNTIME_DIR="$work/$1/run" "$exe" "$work/$1.zbd" >"$work/$1.log" 2>&1 &
    pids+=($!)
}
find_window() { # name
    local id=""
    for _ in $(seq 1 200); do
        id=$(xwininfo -root -tree 2>/dev/null | grep "\"$1.zbd - Zentbase\"" | awk '{print $1}' | head -n1)
        [[ -n "$id" ]] && break
        sleep 0.05
    done
    echo "$id"
}
# Moves a window and waits until it is there.
place() { # id x y
    xdotool windowmove "$1" "$2" "$3"
    for _ in $(seq 1 100); do
        local info
        info=$(xwininfo -id "$1")
        [[ $(awk '/Absolute upper-left X:/ {print $4}' <<<"$info") == "$2" &&
            $(awk '/Absolute upper-left Y:/ {print $4}' <<<"$info") == "$3" ]] && return 0
        sleep 0.05
    done
    return 1
}
# Screen position of the board's top-left corner: the bounding box of the board's green in the window.
board_origin() { # id x y
    import -window "$1" "$work/win.png"
    local box
    box=$(convert "$work/win.png" -fill black +opaque '#00C800' -format '%@' info:)
    # WxH+X+Y
    local ox oy
    ox=${box#*+}
    oy=${ox#*+}
    ox=${ox%%+*}
    echo "$(($2 + ox)) $(($3 + oy))"
}
# Waits until the saved note text of board $1 is $2 (after asking the program to save with Ctrl+S).
save_and_expect() { # name window expected
    xdotool windowfocus --sync "$2" 2>/dev/null || xdotool windowfocus "$2"
    xdotool key --clearmodifiers ctrl+s
    local got=""
    for _ in $(seq 1 100); do
        got=$(note_text "$work/$1.zbd") || got=""
        [[ "$got" == "$3" ]] && break
        sleep 0.05
    done
    echo "$1: \"$got\""
    [[ "$got" == "$3" ]]
}
# A drag with the left button from (x1, y1) to (x2, y2) in small steps, as a hand moves; with Ctrl held from the
# moment the pointer is over the target when $5 is "ctrl".
drag() { # x1 y1 x2 y2 [ctrl]
    xdotool mousemove "$1" "$2" mousedown 1
    local steps=16
    for i in $(seq 1 $steps); do
        xdotool mousemove $(($1 + ($3 - $1) * i / steps)) $(($2 + ($4 - $2) * i / steps))
        [[ "${5:-}" == ctrl && $i == $((steps - 2)) ]] && xdotool keydown ctrl
        sleep 0.04
    done
    sleep 0.2
    xdotool mouseup 1
    [[ "${5:-}" == ctrl ]] && xdotool keyup ctrl
    return 0
}
# Double-clicks a word, then waits out the double-click time so that the next press is a press of its own.
select_word() { # x y
    xdotool mousemove "$1" "$2" click --repeat 2 --delay 60 1
    sleep 0.6
}

# The first word holds an e with acute accent (0xE9 in the board's Windows-1252), which travels as UTF-8.
make_board "$work/a.zbd" $'caf\xe9 beta gamma'
make_board "$work/b.zbd" "one two"
start a
ida=$(find_window a)
start b
idb=$(find_window b)
[[ -n "$ida" && -n "$idb" ]] || fail "main windows did not come up"
place "$ida" 0 0 || fail "could not place the first program"
place "$idb" 640 0 || fail "could not place the second program"
sleep 0.3
read -r ax ay < <(board_origin "$ida" 0 0)
read -r bx by < <(board_origin "$idb" 640 0)
echo "boards at ($ax, $ay) and ($bx, $by)"
# Note text areas: the note's outer corner plus the frame (4) and the small caption (15) above.
atx=$((ax + 40 + 4)) aty=$((ay + 60 + 4 + 15))
btx=$((bx + 40 + 4)) bty=$((by + 60 + 4 + 15))
# Points: inside the first word of the first line; below the last line (the end of the text).
first_word_a="$((atx + 6)) $((aty + 9))"
first_word_b="$((btx + 6)) $((bty + 9))"
end_a="$((atx + 150)) $((aty + 150))"
end_b="$((btx + 150)) $((bty + 150))"

# Move: the first word from the first program's note to the end of the second's.
select_word $first_word_a
drag $first_word_a $end_b
save_and_expect b "$idb" $'one twocaf\xe9' || fail "moved text did not arrive"
save_and_expect a "$ida" " beta gamma" || fail "moved text was not removed from its source"

# Copy: "one" from the second program's note to the end of the first's, Ctrl held at the release.
select_word $first_word_b
drag $first_word_b $end_a ctrl
save_and_expect a "$ida" " beta gammaone" || fail "copied text did not arrive"
save_and_expect b "$idb" $'one twocaf\xe9' || fail "copied text was removed from its source"

# Move within one note of one program: its first word to its end.
select_word $first_word_b
drag $first_word_b $end_b
save_and_expect b "$idb" $' twocaf\xe9one' || fail "text moved within a note went wrong"
echo "move and copy between two programs, and a move within a note: passed"
INNER
chmod +x "$work/check.sh"
"$work/check.sh" "$exe" "$work"
