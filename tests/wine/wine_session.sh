#!/usr/bin/env bash
# Starts and stops the shared session of the Wine end-to-end tests: an Xvfb server on a free
# display and a booted wine64 prefix, described for the scenarios in <state dir>/session.env.
#
#   wine_session.sh start <state dir> <prefix dir>
#   wine_session.sh stop <state dir>
#
# Fails loudly (non-zero, with the reason) when wine64 or Xvfb is missing, so that the scenarios
# depending on this session never pass without having run.
set -euo pipefail

WINE64=${WINE64:-/usr/lib/wine/wine64}
WINESERVER=${WINESERVER:-/usr/lib/wine/wineserver}

die() {
  echo "wine_session: FAIL: $*" >&2
  exit 1
}

start() {
  # Wine takes only an absolute prefix path.
  local state prefix
  state=$(realpath -m "$1")
  prefix=$(realpath -m "$2")
  [ -x "$WINE64" ] || die "wine64 not found at $WINE64 (Debian package wine64; scripts/setup.sh installs it)"
  [ -x "$WINESERVER" ] || die "wineserver not found at $WINESERVER"
  command -v Xvfb >/dev/null || die "Xvfb not found (Debian package xvfb)"
  command -v import >/dev/null || die "import not found (Debian package imagemagick), needed for screenshots"

  stop "$state" 2>/dev/null || true
  mkdir -p "$state" "$prefix"

  # Xvfb picks a free display itself and writes its number once it accepts connections. Its
  # output goes to a file: a child holding the test's output open would keep ctest waiting.
  rm -f "$state/display"
  setsid Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$state/display" \
    >"$state/xvfb.log" 2>&1 </dev/null &
  echo $! >"$state/xvfb.pid"
  local waited=0
  until [ -s "$state/display" ]; do
    kill -0 "$(cat "$state/xvfb.pid")" 2>/dev/null || die "Xvfb did not start: $(cat "$state/xvfb.log")"
    [ $waited -lt 100 ] || die "Xvfb gave no display within 10 s"
    sleep 0.1
    waited=$((waited + 1))
  done
  local display=":$(tr -d '[:space:]' <"$state/display")"

  cat >"$state/session.env" <<EOF
DISPLAY=$display
WINEPREFIX=$prefix
WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
WINEDEBUG=-all
WINE64=$WINE64
WINESERVER=$WINESERVER
LC_ALL=C.UTF-8
EOF
  # Wine reads file names, command lines and the environment in the Linux locale's character set:
  # UTF-8 whatever the machine's own locale is, so that a name outside ASCII reaches Windows whole.
  # winemenubuilder (which copies every new shortcut into the Linux desktop's menus) is of no use
  # here, and crashed on shortcuts named outside ASCII, its debugger then holding up later programs.
  export DISPLAY=$display WINEPREFIX=$prefix WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d" WINEDEBUG=-all \
    LC_ALL=C.UTF-8

  # A persistent server started here, with its output in a file, outlives each scenario's programs.
  setsid "$WINESERVER" -p >"$state/wineserver.log" 2>&1 </dev/null &
  # Debian's Wine keeps a server's socket in /tmp/wine-XXXXXX/server-<device>-<inode of the
  # prefix>/. A client that looks while the new server has made its folder but not yet its socket
  # makes a folder of its own and fails ("wine: chdir to /tmp/wine-.../server-...: No such file or
  # directory"), as wineboot did right after this line: it waits for the socket (up to 10 s).
  local server_dir waited_socket=0
  server_dir="server-$(stat -c %D "$prefix")-$(printf %x "$(stat -c %i "$prefix")")"
  until compgen -G "/tmp/wine-*/$server_dir/socket" >/dev/null || compgen -G "/tmp/.wine-*/$server_dir/socket" >/dev/null; do
    [ $waited_socket -lt 100 ] || { echo "wine_session: no socket of the Wine server after 10 s; going on" >&2; break; }
    sleep 0.1
    waited_socket=$((waited_socket + 1))
  done
  # A new prefix is created once (about 700 MB; seconds where 32-bit programs run natively, about
  # three minutes where wine32's side of it is set up under emulation); later runs reuse it, and
  # each scenario resets the paths it touches.
  # Booting starts whatever is in the Startup folders, where a scenario of an earlier run may have
  # left the sample program: it would be running, with its window up, under the next scenarios.
  if [ -d "$prefix/drive_c" ]; then
    find "$prefix/drive_c" -ipath '*/Start Menu/Programs/Startup/*' -delete
  fi
  if [ ! -f "$prefix/system.reg" ]; then
    echo "wine_session: creating prefix $prefix"
    "$WINE64" wineboot -i >"$state/wineboot.log" 2>&1 </dev/null || die "wineboot -i failed: $(tail -5 "$state/wineboot.log")"
  else
    "$WINE64" wineboot >"$state/wineboot.log" 2>&1 </dev/null || die "wineboot failed: $(tail -5 "$state/wineboot.log")"
  fi
  # Without a window manager on the display, Wine draws the frames and captions itself, so the
  # screenshots show them.
  "$WINE64" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >>"$state/wineboot.log" 2>&1 </dev/null \
    || die "cannot set the X11 driver options"
  [ -d "$prefix/drive_c/windows" ] || die "prefix $prefix has no drive_c/windows after booting"
  # Wine's own fonts (Debian package fonts-wine), so that the windows look as they do on Windows:
  # Marlett draws the title bars' close, minimise and maximise glyphs (without it they show as
  # the letters "r", "0" and "1"); sserife.fon is the bitmap MS Sans Serif that Windows uses for
  # the dialog templates' "MS Sans Serif" 8 pt (any other font sets the progress window's first
  # line too wide, so that it wraps and is cut); Tahoma is the message boxes' font. Debian's Wine
  # does not look in the folder the package puts them in, but every prefix loads its own Fonts
  # folder.
  local fonts=/usr/share/wine/fonts font
  for font in marlett.ttf sserife.fon tahoma.ttf tahomabd.ttf; do
    [ -f "$fonts/$font" ] || die "Wine's font $fonts/$font is missing (Debian package fonts-wine)"
    cp -u "$fonts/$font" "$prefix/drive_c/windows/Fonts/"
  done
  # Names outside the Western scripts in the pictures: Windows fills in the letters a font lacks
  # from the fonts its FontLink list names; here DejaVu Sans (Greek, Cyrillic) and WenQuanYi Micro
  # Hei (Chinese, Japanese), from Debian's fonts-dejavu-core and fonts-wqy-microhei, for the faces
  # the installer's windows use.
  local face
  for face in Tahoma "MS Sans Serif" "Microsoft Sans Serif" "MS Shell Dlg" "MS Shell Dlg 2"; do
    "$WINE64" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' /v "$face" \
      /t REG_MULTI_SZ /d 'DejaVuSans.ttf,DejaVu Sans\0wqy-microhei.ttc,WenQuanYi Micro Hei' /f \
      >>"$state/wineboot.log" 2>&1 </dev/null || die "cannot set the font links"
  done
  echo "wine_session: Xvfb on $display, prefix $prefix ready"
}

stop() {
  local state=$1
  if [ -f "$state/session.env" ]; then
    # shellcheck disable=SC1091
    (set -a && . "$state/session.env" && "$WINESERVER" -k) >/dev/null 2>&1 || true
  fi
  if [ -f "$state/xvfb.pid" ]; then
    kill "$(cat "$state/xvfb.pid")" 2>/dev/null || true
    rm -f "$state/xvfb.pid"
  fi
  rm -f "$state/session.env"
}

case "${1:-}" in
  start) [ $# -eq 3 ] || die "usage: $0 start <state dir> <prefix dir>"; start "$2" "$3" ;;
  stop) [ $# -eq 2 ] || die "usage: $0 stop <state dir>"; stop "$2"; echo "wine_session: stopped" ;;
  *) die "usage: $0 start|stop ..." ;;
esac
