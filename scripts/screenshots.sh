#!/usr/bin/env bash
# Takes the README's screenshot of the main window under a virtual X server, with the shipped
# catalogue in a scratch program folder and home: screenshots.sh [OUTPUT.png].
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-docs/main-window.png}
bash scripts/deps.sh >/dev/null
bash scripts/deps.sh x11-apps imagemagick >/dev/null
bash scripts/build.sh plain >/dev/null
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$scratch/prog/const" "$scratch/home"
cp const/system-linux.txt "$scratch/prog/const/system.txt"
cat >"$scratch/shoot.sh" <<'INNER'
#!/usr/bin/env bash
set -euo pipefail
"$1" --home "$2" &
pid=$!
for _ in $(seq 50); do xwininfo -name "Vorlisk  V1.00 " >/dev/null 2>&1 && break; sleep 0.2; done
sleep 1
xwd -name "Vorlisk  V1.00 " -silent | convert xwd:- "$3"
kill -TERM "$pid"
wait "$pid"
INNER
HOME=$scratch/home XDG_CONFIG_HOME=$scratch/home/.config XDG_DATA_HOME=$scratch/home/.local/share \
  XDG_CACHE_HOME=$scratch/home/.cache XDG_RUNTIME_DIR=$scratch \
  xvfb-run -a -s "-screen 0 1024x768x24" bash "$scratch/shoot.sh" "$PWD/build/vorlisk" \
  "$scratch/prog" "$PWD/$out"
echo "$out"
