#!/usr/bin/env bash
# The command line of the real program with neither a display nor a Qt platform set: every option, its output
# and exit status, exports of every format, imports, and failures that leave no output file behind.
set -uo pipefail
exe="$1"
command -v python3 >/dev/null 2>&1 || { echo "skipped: python3 missing"; exit 77; }
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/home" "$work/data" "$work/config" "$work/state"
fails=0
passes=0

# A cleaned environment: no DISPLAY, no WAYLAND_DISPLAY, no QT_QPA_PLATFORM.
run() { # stdout-file stderr-file args...
    local out="$1" err="$2"
    shift 2
    env -i PATH="$PATH" HOME="$work/home" XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config" \
        XDG_STATE_HOME="$work/state" LANG=C.UTF-8 LC_ALL=C.UTF-8 \
        ${ASAN_OPTIONS:+ASAN_OPTIONS="$ASAN_OPTIONS"} ${UBSAN_OPTIONS:+UBSAN_OPTIONS="$UBSAN_OPTIONS"} \
        ${LSAN_OPTIONS:+LSAN_OPTIONS="$LSAN_OPTIONS"} "$exe" "$@" >"$out" 2>"$err"
}
check() { # description condition...
    local what="$1"
    shift
    if "$@"; then passes=$((passes + 1)); else echo "FAIL: $what"; fails=$((fails + 1)); fi
}
status() { # expected args...
    local want="$1"
    shift
    run "$work/out" "$work/err" "$@"
    local rc=$?
    [[ $rc == "$want" ]] || { echo "  '$*' exited $rc, expected $want"; cat "$work/err"; return 1; }
}
empty() { [[ ! -s "$1" ]]; }
has() { grep -q -- "$2" "$1"; }
absent() { [[ ! -e "$1" ]]; }

# Boards byte by byte: the header of a new board with N notes, and note records.
header() { # count
    python3 - "$1" <<'PY'
import struct, sys
n = int(sys.argv[1])
sys.stdout.buffer.write(struct.pack('<i4i3I I i', n, 100, 10, 10, 10, 1, 0, 0, 0x00406080, 0) + b'\x00'
                        + struct.pack('<4i', 200, 200, 100, 100))
PY
}
note() { # left top right bottom stored caption colour text
    python3 - "$@" <<'PY'
import struct, sys
l, t, r, b, stored, cap, col, text = sys.argv[1:]
def field(s):
    try:
        raw = s.encode('cp1252')
        return bytes([len(raw)]) + raw
    except UnicodeEncodeError:
        u = s.encode('utf-16-le')
        return b'\xff\xfe\xff' + bytes([len(u) // 2]) + u
sys.stdout.buffer.write(struct.pack('<4iI', int(l), int(t), int(r), int(b), int(stored)) + field(cap)
                        + struct.pack('<I', int(col, 16)) + field(text.replace('\\n', '\r\n')))
PY
}
{
    header 3
    note 20 60 220 210 0 abc 0000FF 'x\ny'
    note 300 100 500 300 1 stored 00FF00 hidden
    note 250 220 450 380 0 "Заметка" FF0000 'Привет\n日本語'
} >"$work/board.zbd"

# --help and --version answer on standard output.
check "--help exits 0" status 0 --help
check "--help prints usage" has "$work/out" "Usage: zentbase"
check "--help names --export" has "$work/out" "--export OUT"
check "--help writes nothing to stderr" empty "$work/err"
check "-h is --help" status 0 -h
check "-h prints usage" has "$work/out" "Usage: zentbase"
check "--version exits 0" status 0 --version
check "--version prints 'zentbase 1.0'" [ "$(cat "$work/out")" == "zentbase 1.0" ]
check "--version writes nothing to stderr" empty "$work/err"

# Wrong command lines: one line of error, the usage, on stderr; status 2.
for args in "--bogus" "-x" "--export" "--export $work/a.png" "--export $work/a.png $work/board.zbd $work/board.zbd" \
    "--export $work/a.doc $work/board.zbd" "--scale 2 $work/board.zbd" \
    "--export $work/a.png --scale 5 $work/board.zbd" "--export $work/a.png --scale x $work/board.zbd" \
    "--import $work/in.canvas" "--import $work/in.canvas --export $work/a.png $work/board.zbd"; do
    # shellcheck disable=SC2086
    check "'$args' exits 2" status 2 $args
    check "'$args' prints nothing on stdout" empty "$work/out"
    check "'$args' starts with one line of error" [ "$(head -n1 "$work/err" | grep -c '^zentbase: ')" == 1 ]
    check "'$args' prints the usage on stderr" has "$work/err" "Usage: zentbase"
    check "'$args' writes no file" absent "$work/a.png"
done

# Exports of every format.
check "export png" status 0 --export "$work/b.png" "$work/board.zbd"
check "png signature" [ "$(head -c 8 "$work/b.png" | od -An -tx1 | tr -d ' \n')" == "89504e470d0a1a0a" ]
check "export png at scale 2" status 0 --export "$work/b2.png" --scale 2 "$work/board.zbd"
size() { python3 -c "import struct,sys; d=open(sys.argv[1],'rb').read(24); print('%dx%d' % struct.unpack('>II', d[16:24]))" "$1"; }
check "png is the view's size" [ "$(size "$work/b.png")" == "600x400" ]
check "png at scale 2 is twice as large" [ "$(size "$work/b2.png")" == "1200x800" ]
check "export canvas" status 0 --export "$work/b.canvas" "$work/board.zbd"
check "canvas is JSON with a Storage group" python3 -c "
import json,sys; c=json.load(open(sys.argv[1], encoding='utf-8'))
g=[n for n in c['nodes'] if n['type']=='group']; t=[n for n in c['nodes'] if n['type']=='text']
assert len(g)==1 and g[0]['label']=='Storage' and len(t)==3
assert t[0]['text']=='# Заметка\n\nПривет\n日本語' and t[0]['color']=='#0000FF', t[0]" "$work/b.canvas"
check "export md" status 0 --export "$work/b.md" "$work/board.zbd"
check "md has the sections" [ "$(grep -c '^## \|^# Storage' "$work/b.md")" == 4 ]
check "export txt" status 0 --export "$work/b.txt" "$work/board.zbd"
check "txt has no marks" [ "$(grep -c '^#' "$work/b.txt")" == 0 ]
check "txt keeps non-Latin text" has "$work/b.txt" "日本語"
check "exports write nothing to stderr" empty "$work/err"
check "the user's data folder is untouched" [ -z "$(ls -A "$work/data")" ]

# .zbd -> .canvas -> .zbd -> .canvas gives the same canvas.
check "import the canvas" status 0 --import "$work/b.canvas" "$work/c.zbd"
check "export the imported board" status 0 --export "$work/c.canvas" "$work/c.zbd"
check "round trip keeps every note" cmp -s "$work/b.canvas" "$work/c.canvas"
check "the imported board holds the original's note records" cmp -s <(tail -c +58 "$work/board.zbd") <(tail -c +58 "$work/c.zbd")

# Failures: status 1, the program's message, no output file.
printf 'not a board' >"$work/broken.zbd"
check "broken board fails" status 1 --export "$work/x.png" "$work/broken.zbd"
check "broken board says why" has "$work/err" "Unexpected file format."
check "broken board leaves no file" absent "$work/x.png"
check "missing board fails" status 1 --export "$work/x.txt" "$work/none.zbd"
check "missing board says why" has "$work/err" "Failed to open document."
check "missing board leaves no file" absent "$work/x.txt"
check "unwritable output fails" status 1 --export "$work/no/such/folder/x.md" "$work/board.zbd"
check "unwritable output says why" has "$work/err" "Failed to export board."
echo "old" >"$work/keep.txt"
check "a failed export keeps the old file" status 1 --export "$work/keep.txt" "$work/broken.zbd"
check "the old file is as it was" [ "$(cat "$work/keep.txt")" == "old" ]
printf '{"nodes": [' >"$work/bad.canvas"
check "malformed canvas fails" status 1 --import "$work/bad.canvas" "$work/bad.zbd"
check "malformed canvas says why" has "$work/err" "Unexpected file format."
check "malformed canvas writes no board" absent "$work/bad.zbd"
check "missing canvas fails" status 1 --import "$work/none.canvas" "$work/bad.zbd"
check "missing canvas writes no board" absent "$work/bad.zbd"
cat >"$work/mixed.canvas" <<'JSON'
{"nodes": [
  {"id": "a", "type": "text", "x": 10, "y": 20, "width": 200, "height": 100, "text": "# A\n\nalpha", "color": "4"},
  {"id": "f", "type": "file", "file": "x.png", "x": 0, "y": 0, "width": 5, "height": 5},
  {"id": "l", "type": "link", "url": "https://example.org", "x": 0, "y": 0, "width": 5, "height": 5}],
 "edges": [{"id": "e", "fromNode": "a", "toNode": "f"}]}
JSON
check "canvas with other nodes imports" status 0 --import "$work/mixed.canvas" "$work/mixed.zbd"
check "skipped nodes and edges are counted" has "$work/err" "skipped 2 node(s) that are not text and 1 edge(s)"
check "the imported board has its note" [ "$(python3 -c "import sys; d=open(sys.argv[1],'rb').read(); print(d[0], b'alpha' in d)" "$work/mixed.zbd")" == "1 True" ]
check "import into a folder that does not exist fails" status 1 --import "$work/mixed.canvas" "$work/no/such.zbd"
check "failed save says why" has "$work/err" "Failed to save document."

echo "$passes passed, $fails failed"
[[ $fails == 0 ]]
