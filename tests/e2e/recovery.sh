#!/usr/bin/env bash
# Recovery copies with the real program under a virtual X display: text typed into a note reaches a copy in the
# state folder; after kill -9 the next start asks whether to recover, Yes brings the text back, and Save writes
# exactly the bytes the copy held, while the board file itself stays untouched until that Save. Then the same
# with an Untitled board, saved through the Save As dialog.
set -uo pipefail
exe="$1"
source "$(dirname "$0")/lib.sh"
zb_need Xvfb xwininfo xdotool import convert sha256sum cmp od
zb_setup
zb_start_x
recovery="$work/state/zentbase/recovery"

# The only recovery copy there is, or nothing.
copy_path() {
    local copies=("$recovery"/*.zbd)
    [[ ${#copies[@]} == 1 && -f "${copies[0]}" ]] && echo "${copies[0]}"
}
copy_holds() { # bytes
    local c
    c=$(copy_path) && grep -qF "$1" "$c"
}
# Waits for the start-up question and answers Yes with the keyboard. The question is the message box (titled
# with the program's name alone) that comes before any main window; its words are the unit tests' business, as
# this message box cannot hand its text out under X.
answer_recover_yes() {
    local box
    box=$(zb_window "Zentbase" 20) || zb_fail "no recovery question"
    xdotool search --onlyvisible --name ' - Zentbase$' >/dev/null 2>&1 && zb_fail "a board was shown before the question"
    zb_focus "$box"
    xdotool key --clearmodifiers alt+y
    zb_until 10 eval '! xdotool search --onlyvisible --name "^Zentbase\$" >/dev/null 2>&1' || zb_fail "the question stayed"
}
# Client point (x, y) of the board shown in window $1, on the screen.
at() { echo $((bx + $1)) $((by + $2)); }

# --- A named board: three empty notes; text typed into the middle one.
zb_write "$work/board.zbd" "$(zb_header 3)$(zb_note 150 60 300 180 one 0xFF "")$(zb_note 320 60 470 180 two 0xFF00 "")$(zb_note 150 200 300 320 three 0xFF0000 "")"
# Save writes the notes in the reverse order of the file it was opened from (each load puts a note at the head).
zb_write "$work/expected.zbd" "$(zb_header 3)$(zb_note 150 200 300 320 three 0xFF0000 "")$(zb_note 320 60 470 180 two 0xFF00 "typed before the crash")$(zb_note 150 60 300 180 one 0xFF "")"
original=$(sha256sum <"$work/board.zbd")

zb_start first "$work/board.zbd"
pid=$zb_pid
win=$(zb_window "board.zbd - Zentbase" 20) || zb_fail "no main window"
zb_until 10 eval 'read -r bx by < <(zb_board_origin "$win") && [[ -n "$bx" && "$bx" != 0 ]]' || zb_fail "board not found on the screen"
echo "board at ($bx, $by)"
# Into the text of note "two": its outer corner plus the frame (4) and the small caption (15).
xdotool mousemove $(at 340 100) click 1
zb_until 5 eval '[[ $(xdotool getwindowfocus) == "$win" ]]' || true
xdotool type --delay 20 "typed before the crash"
zb_until 20 copy_holds "typed before the crash" || zb_fail "no recovery copy with the typed text in $recovery"
cp "$(copy_path)" "$work/copy-before-kill.zbd"
cmp "$work/copy-before-kill.zbd" "$work/expected.zbd" || zb_fail "the recovery copy is not the board as Save writes it"
zb_kill9 "$pid"
[[ $(sha256sum <"$work/board.zbd") == "$original" ]] || zb_fail "the board file changed before any Save"

zb_start second "$work/board.zbd"
pid=$zb_pid
answer_recover_yes
win=$(zb_window "board.zbd - Zentbase" 20) || zb_fail "no main window after recovering"
[[ $(sha256sum <"$work/board.zbd") == "$original" ]] || zb_fail "recovering wrote the board file"
zb_focus "$win"
xdotool key --clearmodifiers ctrl+s
zb_until 10 cmp -s "$work/board.zbd" "$work/expected.zbd" || zb_fail "the saved board is not the recovered one"
cmp "$work/board.zbd" "$work/copy-before-kill.zbd" || zb_fail "Save wrote other bytes than the copy held"
zb_until 10 eval '! copy_path >/dev/null' || zb_fail "the copy stayed after Save"
kill "$pid"
wait "$pid" 2>/dev/null
echo "named board: recovered and saved, $(wc -c <"$work/board.zbd") bytes as the copy held"

# --- An Untitled board: a note drawn on a new board, text typed into it.
zb_start third
pid=$zb_pid
win=$(zb_window "Untitled - Zentbase" 20) || zb_fail "no Untitled main window"
# A new board is white.
zb_until 10 eval 'read -r bx by < <(zb_board_origin "$win" "#FFFFFF") && [[ -n "$bx" && "$bx" != 0 ]]' || zb_fail "new board not found"
read -r x1 y1 < <(at 200 120)
read -r x2 y2 < <(at 380 260)
zb_drag "$x1" "$y1" "$x2" "$y2"
# The note just drawn has the keyboard.
xdotool type --delay 20 "written on an Untitled board"
zb_until 20 copy_holds "written on an Untitled board" || zb_fail "no recovery copy of the Untitled board"
cp "$(copy_path)" "$work/untitled-before-kill.zbd"
zb_kill9 "$pid"
[[ $(od -An -tu4 -N4 "$work/untitled-before-kill.zbd" | tr -d ' ') == 1 ]] || zb_fail "the copy does not hold one note"

zb_start fourth
pid=$zb_pid
answer_recover_yes
win=$(zb_window "Untitled - Zentbase" 20) || zb_fail "no main window after recovering the Untitled board"
zb_focus "$win"
xdotool key --clearmodifiers ctrl+s
dialog=$(zb_window "Save As" 20) || zb_fail "Save did not ask for a name"
zb_focus "$dialog"
# The file name field has the keyboard.
xdotool key --clearmodifiers ctrl+a
xdotool type --delay 10 "$work/untitled.zbd"
xdotool key --clearmodifiers Return
zb_until 10 cmp -s "$work/untitled.zbd" "$work/untitled-before-kill.zbd" ||
    zb_fail "the Untitled board saved after recovering is not the copy"
zb_window "untitled.zbd - Zentbase" 10 >/dev/null || zb_fail "the board is not named after Save As"
echo "Untitled board: recovered and saved as untitled.zbd, $(wc -c <"$work/untitled.zbd") bytes as the copy held"
echo "recovery after kill -9, named and Untitled: passed"
