#!/usr/bin/env bash
# Undo with the real program under a virtual X display: a note dragged by its caption onto the waste bin and
# deleted there (Yes to the question) comes back with two Ctrl+Z, the deletion first, then the drag; Ctrl+S then
# writes the board exactly as it was opened.
set -uo pipefail
exe="$1"
source "$(dirname "$0")/lib.sh"
zb_need Xvfb xwininfo xdotool import convert cmp
zb_setup
zb_start_x

# The storage icon out of the way: on the way to the bin the note must meet nothing else.
notes_one="$(zb_note 150 60 270 150 one 0xFF "first note")"
notes_two="$(zb_note 300 60 420 150 two 0xFF00 "the one that is deleted")"
notes_three="$(zb_note 150 170 270 260 three 0xFF0000 "third")"
zb_write "$work/board.zbd" "$(zb_header 3 0x00C800 500 250)$notes_one$notes_two$notes_three"
# Each load puts a note at the head of the list, and Save walks it from the head: the notes come out reversed.
zb_write "$work/expected.zbd" "$(zb_header 3 0x00C800 500 250)$notes_three$notes_two$notes_one"

zb_start undo "$work/board.zbd"
win=$(zb_window "board.zbd - Zentbase" 20) || zb_fail "no main window"
zb_until 10 eval 'read -r bx by < <(zb_board_origin "$win") && [[ -n "$bx" && "$bx" != 0 ]]' || zb_fail "board not found on the screen"
echo "board at ($bx, $by)"

# Note "two" by the middle of its caption (frame 4, small caption 15) until its corner is at (20, 20), over
# the bin at (10, 10, 42, 42).
zb_drag $((bx + 360)) $((by + 71)) $((bx + 80)) $((by + 31))
box=$(zb_window "Zentbase" 10) || zb_fail "no question at the waste bin"
zb_focus "$box"
xdotool key --clearmodifiers alt+y
zb_until 10 eval '! xdotool search --onlyvisible --name "^Zentbase\$" >/dev/null 2>&1' || zb_fail "the question stayed"
# The note's caption is gone from where it was dropped: the board's green shows there again.
green_at() {
    import -window root "$work/screen.png"
    [[ $(convert "$work/screen.png" -format "%[hex:p{$1,$2}]" info:) == 00C800* ]]
}
zb_until 5 green_at $((bx + 60)) $((by + 80)) || zb_fail "the note was not deleted"

zb_focus "$win"
xdotool key --clearmodifiers ctrl+z
xdotool key --clearmodifiers ctrl+z
xdotool key --clearmodifiers ctrl+s
zb_until 10 cmp -s "$work/board.zbd" "$work/expected.zbd" || {
    cmp "$work/board.zbd" "$work/expected.zbd"
    zb_fail "after two undos the saved board is not the one opened"
}
echo "a note deleted at the waste bin, two undos, Save: the board as opened, $(wc -c <"$work/board.zbd") bytes: passed"
