#!/usr/bin/env bash
# Starts the real program under a virtual X display and checks that its main window comes up with the right
# title and size.
set -euo pipefail
exe="$1"
for tool in xvfb-run xwininfo; do
    command -v "$tool" >/dev/null 2>&1 || { echo "skipped: $tool missing"; exit 77; }
done
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
export HOME="$work/home" XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/run"
mkdir -p "$HOME" "$XDG_DATA_HOME" "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
unset QT_QPA_PLATFORM

cat > "$work/check.sh" <<'INNER'
#!/usr/bin/env bash
set -u
exe="$1"
# The server may take a moment on a loaded machine.
for _ in $(seq 1 200); do xwininfo -root >/dev/null 2>&1 && break; sleep 0.05; done
QT_QPA_PLATFORM=xcb "$exe" &
pid=$!
id=""
for _ in $(seq 1 200); do
    id=$(xwininfo -root -tree 2>/dev/null | grep '"Untitled - Zentbase"' | awk '{print $1}' | head -n1)
    [[ -n "$id" ]] && break
    if ! kill -0 "$pid" 2>/dev/null; then echo "program ended early"; exit 1; fi
    sleep 0.05
done
if [[ -z "$id" ]]; then echo "no main window titled 'Untitled - Zentbase'"; kill "$pid"; exit 1; fi
info=$(xwininfo -id "$id")
width=$(awk '/Width:/ {print $2}' <<<"$info")
height=$(awk '/Height:/ {print $2}' <<<"$info")
x=$(awk '/Absolute upper-left X:/ {print $4}' <<<"$info")
y=$(awk '/Absolute upper-left Y:/ {print $4}' <<<"$info")
echo "window $id: ${width}x${height} at ($x, $y)"
kill "$pid" 2>/dev/null
wait "$pid" 2>/dev/null
[[ "$width" == 600 && "$height" == 400 && "$x" == 100 && "$y" == 100 ]]
INNER
chmod +x "$work/check.sh"
# A random first display number keeps parallel runs on a shared machine apart.
xvfb-run -a -n $((100 + RANDOM % 800)) -s "-screen 0 1024x768x24 -noreset" "$work/check.sh" "$exe"
