#!/usr/bin/env bash
# Usage: scripts/check-package.sh <build-dir>
# Makes the Debian package of a built tree in a scratch folder and checks what an installer gets: lintian's
# verdict, the payload and dependencies, every program's manual page and its --help, --version and wrong
# option answered without a display, the systemd user units and bash completions it ships, the menu entry
# and AppStream file, and the panel's first start, offscreen from the unpacked tree, once as the menu entry
# starts it and once with a folder given to it. Installs nothing.
set -euo pipefail
build=$(realpath "$1")
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

"${CPACK:-cpack}" --config "$build/CPackConfig.cmake" -B "$scratch" >"$scratch/cpack.log" ||
    { cat "$scratch/cpack.log"; fail "cpack could not make the package"; }
deb=$(ls "$scratch"/rdx480_*.deb)
usr=$scratch/root/usr
dpkg-deb -x "$deb" "$scratch/root"

app=org.rdx480.Panel
desktop=$usr/share/applications/$app.desktop
[ -f "$desktop" ] || fail "the package has no menu entry $app.desktop"
icon=$(sed -n 's/^Icon=//p' "$desktop")
for f in bin/rdx480 bin/rdx480-sim share/doc/rdx480/copyright share/doc/rdx480/changelog.gz \
         share/doc/rdx480/README.md \
         share/metainfo/$app.metainfo.xml share/icons/hicolor/scalable/apps/$icon.svg \
         share/icons/hicolor/{16x16,22x22,24x24,32x32,48x48,64x64,128x128,256x256}/apps/$icon.png; do
    [ -f "$usr/$f" ] || fail "the package lacks /usr/$f"
done
depends=$(dpkg-deb -f "$deb" Depends)
[[ $depends == *fonts-noto-cjk* && $depends == *libqt5serialport5* ]] || fail "Depends lacks a font or Qt: $depends"
desktop-file-validate "$desktop" || fail "the menu entry does not validate"
appstreamcli validate --no-net "$usr/share/metainfo/$app.metainfo.xml" || fail "the AppStream file does not validate"
version=$(dpkg-deb -f "$deb" Version)
grep -q "<release version=\"$version\"" "$usr/share/metainfo/$app.metainfo.xml" ||
    fail "the AppStream releases lack this version $version"
zcat "$usr/share/doc/rdx480/changelog.gz" | head -1 | grep -q "^rdx480 ($version) " ||
    fail "the changelog's latest entry is not $version"

# Lintian as Debian runs it, pedantic tags included: no error and no warning may remain.
command -v lintian >/dev/null || fail "lintian is missing (scripts/setup.sh installs it)"
lintian --pedantic --fail-on error,warning --tag-display-limit 0 "$deb" >"$scratch/lintian.log" 2>&1 ||
    { cat "$scratch/lintian.log"; fail "lintian finds errors or warnings"; }
grep -E '^(E|W): ' "$scratch/lintian.log" && fail "lintian finds errors or warnings"

# Every program: a manual page, and with no display to talk to (as over ssh): --help, --version (the
# package's version), and a wrong option refused with exit status 2 and one line.
headless() { env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$@"; }
for program in "$usr"/bin/*; do
    name=$(basename "$program")
    [ -f "$usr/share/man/man1/$name.1.gz" ] || fail "$name has no manual page"
    help=$(headless "$program" --help) && [[ $help == "Usage: "*"$name"* ]] || fail "$name --help fails without a display"
    answer=$(headless "$program" --version) || fail "$name --version fails without a display"
    [ "$answer" = "$name $version" ] || fail "$name --version says '$answer', the package is $version"
    status=0
    headless "$program" --no-such-option >"$scratch/out" 2>"$scratch/err" || status=$?
    [ "$status" -eq 2 ] && [ ! -s "$scratch/out" ] && [ "$(wc -l <"$scratch/err")" -eq 1 ] ||
        fail "$name --no-such-option: exit status $status, $(wc -l <"$scratch/err") lines (want 2, one line)"
done

# systemd user units, checked on copies whose ExecStart names the unpacked program; a template is checked
# as one instance of it.
mkdir -p "$scratch/runtime" "$scratch/units" && chmod 700 "$scratch/runtime"
for unit in "$usr"/lib/systemd/user/*; do
    [ -e "$unit" ] || continue
    name=$(basename "$unit")
    case $name in *@.*) name=${name/@./@check.} ;; esac
    sed "s|^\(ExecStart=[-@+!:]*\)/usr/bin/|\1$usr/bin/|" "$unit" >"$scratch/units/$name"
    # Documentation=man: pages are looked up in the package's own manual folder.
    MANPATH=$usr/share/man XDG_RUNTIME_DIR=$scratch/runtime systemd-analyze --user verify "$scratch/units/$name" ||
        fail "the user unit $(basename "$unit") does not verify"
done
for completion in "$usr"/share/bash-completion/completions/*; do
    [ -e "$completion" ] || continue
    bash -n "$completion" || fail "the bash completion $(basename "$completion") is no valid bash"
    [ -x "$usr/bin/$(basename "$completion")" ] || fail "the completion $(basename "$completion") names no program"
done

# The panel handles SIGTERM before it chooses its folder, so once the folder exists the signal closes the
# window normally, and info.ini shows up only if the window really ran and saved.
export QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=$scratch/runtime HOME=$scratch/home
unset XDG_CONFIG_HOME
mkdir "$scratch/elsewhere"
run_panel() { # the folder it must work in, then its command line
    local folder=$1 pid status=0
    shift
    (cd "$scratch/elsewhere" && exec "$@" 2>"$scratch/panel.log") &
    pid=$!
    for _ in $(seq 100); do [ -d "$folder" ] && break; sleep 0.1; done
    kill -TERM "$pid"
    for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -0 "$pid" 2>/dev/null && { kill -KILL "$pid"; fail "$* did not close on SIGTERM"; }
    wait "$pid" || status=$?
    [ "$status" -eq 0 ] || { cat "$scratch/panel.log"; fail "$* exited with $status"; }
    [ -f "$folder/info.ini" ] || { cat "$scratch/panel.log"; fail "$* wrote no info.ini in $folder"; }
    [ ! -e "$scratch/elsewhere/info.ini" ] || fail "$* wrote info.ini in the folder it was started in"
}
# A first start (no info.ini) speaks the locale's language and names a Linux serial port.
first_start() { # folder, LANGUAGE expected
    grep -qx "LANGUAGE=$2" "$1/info.ini" && grep -qx "PORTNAME=/dev/ttyUSB0" "$1/info.ini" ||
        { cat "$1/info.ini"; fail "a first start in $1 did not follow the locale or named no Linux port"; }
}
unset LC_ALL LC_MESSAGES
read -r -a command <<<"$(sed -n 's/^Exec=//p' "$desktop")"
run_panel "$HOME/.config/rdx480" env LANG=zh_CN.UTF-8 "$usr/bin/${command[0]}" "${command[@]:1}"
[ "$(stat -c %a "$HOME/.config/rdx480")" = 700 ] || fail "the user folder is not private (mode 0700)"
first_start "$HOME/.config/rdx480" false
run_panel "$scratch/given" env LANG=C.UTF-8 "$usr/bin/rdx480" --folder "$scratch/given"
first_start "$scratch/given" true
echo "package $(basename "$deb") checked"
