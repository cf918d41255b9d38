# Shared set-up for the project's scripts: packages, wine prefix, display, wine server, build.
# Sourced by scripts/test, scripts/demo, scripts/bench and the publishing commands. Every step
# is idempotent and quiet when there is nothing to do.

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
BUILD_DIR=${UPDATER_BUILD_DIR:-$ROOT/build}
export WINEPREFIX=${UPDATER_WINEPREFIX:-$ROOT/.wine}
export WINEARCH=win64
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
# wine's WinInet honours these; all of the project's traffic stays on 127.0.0.1.
unset http_proxy https_proxy HTTP_PROXY HTTPS_PROXY

UPDATER_PACKAGES=(cmake make g++-mingw-w64-x86-64 mingw-w64-tools wine wine64 fonts-wine
    xvfb xauth x11-apps imagemagick xdotool fonts-wqy-microhei googletest curl python3 openssl
    osslsigncode)

log() { echo "[$(basename "$0")] $*" >&2; }

as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

ensure_packages() {
    local missing=() pkg
    for pkg in "${UPDATER_PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" ||
            missing+=("$pkg")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    log "installing ${missing[*]}"
    as_root apt-get update -qq >/dev/null
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
        "${missing[@]}" >/dev/null
}

# Font substitutions so that dialogs asking for SimSun, MS Shell Dlg, ... draw Chinese text.
write_font_replacements() {
    local reg=$1 face
    {
        printf 'Windows Registry Editor Version 5.00\r\n\r\n'
        printf '[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\r\n'
        for face in SimSun NSimSun 宋体 新宋体 "Microsoft YaHei" 微软雅黑 SimHei 黑体 \
            "MS Shell Dlg" "MS Shell Dlg 2" "MS Sans Serif" Tahoma; do
            printf '"%s"="WenQuanYi Micro Hei"\r\n' "$face"
        done
        printf '\r\n[HKEY_CURRENT_USER\\Software\\Wine\\X11 Driver]\r\n"Managed"="N"\r\n'
    } | iconv -f UTF-8 -t UTF-16LE | { printf '\xff\xfe'; cat; } >"$reg"
}

ensure_wine_prefix() {
    [ -f "$WINEPREFIX/.updater-ready" ] && return 0
    log "creating wine prefix in $WINEPREFIX"
    rm -rf "$WINEPREFIX"
    mkdir -p "$WINEPREFIX"
    wineboot -i >/dev/null 2>&1 </dev/null
    wineserver -w
    local reg="$WINEPREFIX/updater-fonts.reg"
    write_font_replacements "$reg"
    wine regedit /S "$(winepath -w "$reg" 2>/dev/null)" >/dev/null 2>&1 </dev/null
    wineserver -w
    touch "$WINEPREFIX/.updater-ready"
}

XVFB_PID=
ensure_display() {
    [ -n "${DISPLAY:-}" ] && return 0
    local n=90
    while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    XVFB_PID=$!
    local i
    for i in $(seq 100); do
        [ -e "/tmp/.X11-unix/X$n" ] && break
        sleep 0.1
    done
    export DISPLAY=":$n"
}

# A persistent, warmed wine server: without the warm-up, wine's helper processes inherit
# ctest's output pipe and ctest waits for them for ever. A server already running for the
# prefix (another script, a session of the user's) is used as it is and left running.
STARTED_WINESERVER=
start_wineserver() {
    if wineserver -p 2>/dev/null; then
        STARTED_WINESERVER=1
    else
        log "using the wine server already running for $WINEPREFIX"
    fi
    wine cmd /c exit 0 </dev/null >/dev/null 2>&1
}

stop_session() {
    if [ -n "$STARTED_WINESERVER" ]; then
        wineserver -k 2>/dev/null || true
    fi
    if [ -n "$XVFB_PID" ]; then
        kill "$XVFB_PID" 2>/dev/null || true
        wait "$XVFB_PID" 2>/dev/null || true
    fi
}

build_project() {
    mkdir -p "$BUILD_DIR"
    cmake -S "$ROOT" -B "$BUILD_DIR" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64-x86_64.cmake" \
        -DCMAKE_BUILD_TYPE=Release >"$BUILD_DIR/configure.log" 2>&1 || {
        cat "$BUILD_DIR/configure.log"
        return 1
    }
    # Keeps going past a failing target so that the other test programs still run; the
    # caller reports the failed build in its own exit status.
    if ! cmake --build "$BUILD_DIR" -j"$(nproc)" -- -k --no-print-directory \
        >"$BUILD_DIR/build.log" 2>&1; then
        grep -E "error|Error" "$BUILD_DIR/build.log" | head -n 40
        return 1
    fi
    grep -E "warning:" "$BUILD_DIR/build.log" || true
}

PUBLISH_EXE=$BUILD_DIR/tools/updater-publish.exe

# A Linux path as wine shows it to a Windows program; the file need not exist.
windows_path() {
    winepath -w "$(realpath -m -- "$1")" 2>/dev/null
}

# Runs `updater-publish COMMAND ARGUMENTS...` under wine once the packages, the prefix and the
# tool are there. The values of the options listed in PATH_OPTIONS (space-separated; "--name
# VALUE" or "--name=VALUE") and the other arguments that name existing files go to it as Windows
# paths. Its standard input is empty; what it writes passes through unchanged.
# Usage: run_publish COMMAND "PATH_OPTIONS" ARGUMENTS...
run_publish() {
    local command=$1 path_options=" $2 " next= arg name args=()
    shift 2
    ensure_packages
    ensure_wine_prefix
    [ -f "$PUBLISH_EXE" ] || build_project >&2
    for arg in "$@"; do
        name=${arg%%=*}
        if [ "$next" = path ]; then
            arg=$(windows_path "$arg")
            next=
        elif [ "$next" = value ]; then
            next=
        elif [[ $arg == --*=* && $path_options == *" $name "* ]]; then
            arg=$name=$(windows_path "${arg#*=}")
        elif [[ $arg == --* && $arg != *=* && $arg != --help ]]; then
            next=value
            [[ $path_options == *" $arg "* ]] && next=path
        elif [[ $arg != -* && -e $arg ]]; then
            arg=$(windows_path "$arg")
        fi
        args+=("$arg")
    done
    wine "$PUBLISH_EXE" "$command" "${args[@]}" </dev/null
}
