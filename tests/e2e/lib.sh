# Shared by the scripts that drive the real program under a virtual X display; sourced, not run.
# Gives: a work folder, a private Xvfb, programs started with an isolated home, window look-up, waiting on a
# condition with a deadline, and boards written byte by byte.

# ctest reports this exit status as skipped (SKIP_RETURN_CODE).
ZB_SKIP=77

# Skips the test unless every tool is there.
zb_need() {
    local tool
    for tool; do
        command -v "$tool" >/dev/null 2>&1 || { echo "skipped: $tool missing"; exit "$ZB_SKIP"; }
    done
}

zb_pids=()
zb_xvfb=""
zb_cleanup() {
    local p
    for p in "${zb_pids[@]}"; do
        kill "$p" 2>/dev/null && wait "$p" 2>/dev/null
    done
    [[ -n "$zb_xvfb" ]] && { kill "$zb_xvfb" 2>/dev/null; wait "$zb_xvfb" 2>/dev/null; }
    [[ "${ZB_E2E_KEEP:-0}" == 1 ]] || rm -rf "$work"
}

# Makes $work and the isolated folders the programs live in; everything goes when the script ends.
# ZB_E2E_KEEP=1 keeps the folder (boards, logs, a screenshot on failure) for a look afterwards.
zb_setup() {
    work="$(mktemp -d)"
    [[ "${ZB_E2E_KEEP:-0}" == 1 ]] && echo "work folder: $work"
    trap zb_cleanup EXIT
    mkdir -p "$work/home" "$work/state" "$work/config" "$work/data" "$work/run"
    chmod 700 "$work/run"
    unset QT_QPA_PLATFORM
    # Byte-wise strings here; the programs get a UTF-8 locale of their own.
    export LC_ALL=C
}

zb_fail() {
    echo "FAIL: $*"
    [[ -n "${DISPLAY:-}" ]] && import -window root "$work/failure.png" 2>/dev/null
    exit 1
}

# Runs "$@" every 50 ms until it succeeds or $1 seconds have passed.
zb_until() {
    local deadline=$((SECONDS + $1))
    shift
    until "$@"; do
        ((SECONDS < deadline)) || return 1
        sleep 0.05
    done
}

# A private X server on a free display. -noreset: the server keeps its state when the last program ends, as
# it does when a program is killed and started again.
zb_start_x() {
    local size="${1:-1280x800x24}"
    : >"$work/display"
    Xvfb -displayfd 3 -screen 0 "$size" -noreset -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
    zb_xvfb=$!
    zb_until 20 grep -q '[0-9]' "$work/display" || zb_fail "Xvfb did not start"
    export DISPLAY=":$(tr -dc 0-9 <"$work/display")"
    zb_until 20 xwininfo -root >/dev/null 2>&1 || zb_fail "no X display"
}

# Starts the program with the given arguments; its pid is in $zb_pid, its output in $work/$1.log.
zb_start() { # log-name args...
    local name="$1"
    shift
    LC_ALL=C.UTF-8 QT_QPA_PLATFORM=xcb HOME="$work/home" XDG_STATE_HOME="$work/state" \
        XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" XDG_RUNTIME_DIR="$work/run" \
        "$exe" "$@" >>"$work/$name.log" 2>&1 &
    zb_pid=$!
    zb_pids+=("$zb_pid")
}

# Ends a program at once, with no chance to clean up.
zb_kill9() {
    kill -9 "$1" 2>/dev/null
    wait "$1" 2>/dev/null
    return 0
}

# The id of a shown window whose title is exactly $1 (a fixed string), waiting up to $2 seconds (default 10).
zb_window() {
    local pattern id
    pattern="^$(sed 's/[][\.*^$+?(){}|]/\\&/g' <<<"$1")\$"
    zb_until "${2:-10}" eval 'id=$(xdotool search --onlyvisible --name "$pattern" 2>/dev/null | head -n1); [[ -n "$id" ]]' ||
        return 1
    echo "$id"
}

# Gives the window the keyboard and waits until it has it.
zb_focus() {
    local target="$1"
    xdotool windowfocus --sync "$target" 2>/dev/null || xdotool windowfocus "$target"
    zb_until 5 eval '[[ $(xdotool getwindowfocus 2>/dev/null) == "$target" ]]' || true
}

# Screen position of the board's top-left corner: the bounding box of its colour $2 (default the pure green the
# boards here are made with) in a screenshot.
zb_board_origin() { # window-id [colour]
    import -window root "$work/screen.png"
    local box ox oy
    box=$(convert "$work/screen.png" -fill black +opaque "${2:-#00C800}" -format '%@' info: 2>/dev/null)
    # Fails until the board shows: with none of its colour the box is empty or a sliver.
    local size=${box%%+*}
    [[ "$size" == *x* && ${size%x*} -ge 100 && ${size#*x} -ge 100 ]] || return 1
    ox=${box#*+}
    oy=${ox#*+}
    ox=${ox%%+*}
    echo "$ox $oy"
}

# A left-button drag from (x1, y1) to (x2, y2) in small steps, as a hand moves.
zb_drag() { # x1 y1 x2 y2
    local i steps=16
    xdotool mousemove "$1" "$2" mousedown 1
    for i in $(seq 1 $steps); do
        xdotool mousemove $(($1 + ($3 - $1) * i / steps)) $(($2 + ($4 - $2) * i / steps))
        sleep 0.03
    done
    xdotool mouseup 1
}

# Board bytes, as printf escapes. Little-endian 32-bit field:
zb_le32() {
    local v=$(($1 & 0xFFFFFFFF))
    printf '\\x%02x\\x%02x\\x%02x\\x%02x' $((v & 255)) $(((v >> 8) & 255)) $(((v >> 16) & 255)) $(((v >> 24) & 255))
}
# A string of fewer than 255 bytes: its length, then every byte escaped.
zb_str() {
    local hex
    printf '\\x%02x' "$(printf '%s' "$1" | wc -c)"
    for hex in $(printf '%s' "$1" | od -An -tx1 -v); do
        printf '\\x%s' "$hex"
    done
}
# The header of a board of $1 notes: pure colour $2 (default RGB(0, 200, 0)), storage icon at ($3, $4) (default
# (100, 10)), waste bin at (10, 10), no picture.
zb_header() { # count [colour [storage-x storage-y]]
    zb_le32 "$1"
    zb_le32 "${3:-100}" && zb_le32 "${4:-10}" && zb_le32 10 && zb_le32 10
    zb_le32 1 && zb_le32 0 && zb_le32 0 && zb_le32 "${2:-0x00C800}" && zb_le32 0 && zb_str ""
    zb_le32 200 && zb_le32 200 && zb_le32 100 && zb_le32 100
}
# One note record on the board (not in storage).
zb_note() { # left top right bottom caption colour text
    zb_le32 "$1" && zb_le32 "$2" && zb_le32 "$3" && zb_le32 "$4" && zb_le32 0
    zb_str "$5" && zb_le32 "$6" && zb_str "$7"
}
zb_write() { # file escapes
    printf "$2" >"$1"
}
