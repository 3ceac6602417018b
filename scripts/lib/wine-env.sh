# Everything a Wine run needs, shared by scripts/scenarios and scripts/run:
# packages, locales, an Xvfb of our own on a free display (stopped at exit),
# and a Wine prefix of our own under build/. Source it from the tree's root.
. "$(dirname "${BASH_SOURCE[0]}")/packages.sh"

WINE=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver
export WINEDEBUG=-all
# No Mono or Gecko install dialogs: nothing here needs them. Programs named
# like a Wine builtin (a stub as iexplore.exe, the launcher as notepad.exe)
# must load as themselves, not as the builtin.
export WINEDLLOVERRIDES="mscoree,mshtml=;iexplore.exe,notepad.exe=n"

wine_env_packages() {
  install_packages cmake make g++ libgtest-dev g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64 \
    wine64 xvfb x11-utils imagemagick locales "$@"
}

# The unix locales that stand for the launcher's code pages and separators.
wine_env_locales() {
  local missing=() want
  for want in ja_JP.UTF-8 en_US.UTF-8 de_DE.UTF-8; do
    locale -a 2>/dev/null | grep -qix "$(echo "$want" | sed 's/UTF-8/utf8/')" || missing+=("$want")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  for want in "${missing[@]}"; do
    if grep -q "^# *$want UTF-8" /etc/locale.gen; then
      sed -i "s/^# *\($want UTF-8\)/\1/" /etc/locale.gen
    elif ! grep -q "^$want UTF-8" /etc/locale.gen; then
      echo "$want UTF-8" >>/etc/locale.gen
    fi
  done
  locale-gen >/dev/null
}

# Starts Xvfb on the first free display and stops it when the shell exits.
# A server that ends at once (another one took the display first) is tried
# again on the next; what it said is kept in build/xvfb-<display>.log.
wine_env_xvfb() {
  local n=90 attempt i
  trap wine_env_stop EXIT
  for attempt in 1 2 3; do
    while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
    mkdir -p build
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >"build/xvfb-$n.log" 2>&1 &
    WINE_ENV_XVFB_PID=$!
    export DISPLAY=":$n"
    for i in $(seq 200); do
      [ -e "/tmp/.X11-unix/X$n" ] && return 0
      kill -0 "$WINE_ENV_XVFB_PID" 2>/dev/null || break
      sleep 0.05
    done
    echo "Xvfb did not start on :$n (attempt $attempt):" >&2
    sed 's/^/  /' "build/xvfb-$n.log" >&2
    kill "$WINE_ENV_XVFB_PID" 2>/dev/null
    wait "$WINE_ENV_XVFB_PID" 2>/dev/null
    WINE_ENV_XVFB_PID=
    n=$((n + 1))
  done
  return 1
}

wine_env_stop() {
  [ -n "${WINEPREFIX:-}" ] && "$WINESERVER" -k >/dev/null 2>&1 || true
  if [ -n "${WINE_ENV_XVFB_PID:-}" ]; then
    kill "$WINE_ENV_XVFB_PID" 2>/dev/null || true
    wait "$WINE_ENV_XVFB_PID" 2>/dev/null || true
    WINE_ENV_XVFB_PID=
  fi
}

# A prefix of our own, booted once; wineboot's first run takes a while.
# A second argument "managed" keeps Wine's managed windows, whose titles
# the X server shows (scripts/run looks for the editor by its title).
wine_env_prefix() {
  export WINEPREFIX="${1:-$PWD/build/wine-prefix}"
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    "$WINE" wineboot -i >/dev/null 2>&1
    "$WINESERVER" -w
  fi
  if [ "${2:-}" = managed ]; then
    if [ -f "$WINEPREFIX/.velquin-unmanaged" ]; then
      "$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d Y /f >/dev/null 2>&1
      rm -f "$WINEPREFIX/.velquin-unmanaged"
    fi
  elif [ ! -f "$WINEPREFIX/.velquin-unmanaged" ]; then
    # Xvfb has no window manager: with managed windows, every window that
    # hides (a message box pressed OK) waits two seconds for one.
    "$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
    "$WINESERVER" -w
    touch "$WINEPREFIX/.velquin-unmanaged"
  fi
}

# Windows path of a unix path.
wine_env_winpath() { "$WINE" winepath -w "$1" 2>/dev/null | tr -d '\r'; }

# Brings the named x86_64 targets up to date, configuring the tree first
# when it never was.
wine_env_build_win64() {
  [ -f build/win64/CMakeCache.txt ] ||
    cmake -S . -B build/win64 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake >/dev/null
  local targets=() target
  for target in "$@"; do targets+=(--target "$target"); done
  cmake --build build/win64 -j "$(nproc)" "${targets[@]}" >/dev/null
}

wine_env_setup() {
  wine_env_packages
  wine_env_locales
  wine_env_xvfb
  wine_env_prefix "$@"
}
