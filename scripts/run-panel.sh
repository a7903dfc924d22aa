#!/usr/bin/env bash
# Usage: scripts/run-panel.sh [build-dir]
# Builds only the panel and the simulated device, starts the device on loopback and the panel against it over
# TCP, in run/ with an info.ini of its own (the operator's info.ini elsewhere is never touched).
# With no display, runs the same session under Xvfb instead: clicks Connect and every page, in English
# and then in Chinese, and saves a screenshot of each in screenshots/; fails when the panel does not connect.
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$PWD
build=${1:-build}
run=$repo/run
shots=$repo/screenshots

if [ -z "${RDX480_UNDER_XVFB:-}" ]; then
    if [ -x scripts/setup.sh ]; then
        RDX480_BUILD_TARGETS="rdx480 rdx480-sim" scripts/setup.sh "$build"
    else
        cmake -S . -B "$build" -G Ninja >/dev/null && cmake --build "$build" --target rdx480 rdx480-sim
    fi
    if [ -z "${DISPLAY:-}" ]; then
        echo "No display: running the session under Xvfb and taking screenshots."
        RDX480_UNDER_XVFB=1 exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$build"
    fi
fi
case $build in /*) ;; *) build=$repo/$build ;; esac

mkdir -p "$run"
"$build/sim/rdx480-sim" --no-serial >"$run/sim.out" &
sim=$!
panel=
trap 'kill $panel $sim 2>/dev/null || true' EXIT
for _ in $(seq 50); do grep -q '^tcp ' "$run/sim.out" && break; sleep 0.1; done
port=$(awk '$1 == "tcp" { print $3 }' "$run/sim.out")
[ -n "$port" ] || { echo "the simulated device did not start" >&2; exit 1; }
echo "Simulated RDX480 on 127.0.0.1:$port"

start_panel() { # language: true English, false Chinese
    printf 'IP=127.0.0.1\nPORT=%s\nPORTNAME=\nID=1\nNETWORK=true\nLANGUAGE=%s\n' "$port" "$1" >"$run/info.ini"
    (cd "$run" && exec "$build/shell/rdx480" 2>>"$run/panel.log") &
    panel=$!
}

if [ -z "${RDX480_UNDER_XVFB:-}" ]; then
    start_panel true
    wait $panel || true
    exit 0
fi

# Window coordinates of the function bar's buttons and the page host's home button.
declare -A at=([Control]="55 55" [Mosaic]="55 170" [Setting]="55 285" [Information]="55 400"
               [Connect]="55 535" [Navigation]="135 25")
mkdir -p "$shots"
session() { # language flag, name
    start_panel "$1"
    local win
    win=$(timeout 20 xdotool search --sync --onlyvisible --name 'RDX480' | head -1)
    sleep 1
    shot() { import -window "$win" "$shots/$2-$1.png"; echo "  $shots/$2-$1.png"; }
    click() { xdotool mousemove --window "$win" ${at[$1]} click 1; sleep 1.5; }
    shot 0-start "$2"
    click Connect
    shot 1-connected "$2"
    local fill
    fill=$(convert "$shots/$2-1-connected.png" -format '%[pixel:p{55,505}]' info:)
    case $fill in *255,50,50*) echo "  connect button is red: connected" ;;
                  *) echo "  connect button is not red ($fill): not connected" >&2
                     unconnected+=("$2") ;; esac
    # The navigation page shows right after connecting: its own screenshot would be the same picture.
    local i=2
    for page in Control Mosaic Setting Information; do
        click $page
        shot "$i-$page" "$2"
        i=$((i + 1))
    done
    kill $panel; wait $panel 2>/dev/null || true
}
unconnected=()
echo "English session:"; session true en
echo "Chinese session:"; session false zh
echo "Screenshots are in $shots"
if [ ${#unconnected[@]} -gt 0 ]; then
    echo "FAILED: the panel did not connect to the simulated device in the session(s): ${unconnected[*]}" >&2
    exit 1
fi
