# shellcheck shell=bash disable=SC2034  # the globals are read by run-cases.sh
# The means of the Wine tests, sourced by tests/wine/run-cases.sh: a Wine
# prefix of their own with A: as a diskette drive, an X server of their own,
# starting and ending the Windows program, and reading the main dialog's
# state from a screenshot of its window.
#
# Everything started here is remembered by process id and ended by
# wine_cleanup; the wineserver of our prefix is ended through the prefix.

wine_work=""        # temporary folder: prefix, X display file, logs, cases
wine_bin=""         # the 64-bit Wine loader
wine_server=""      # the wineserver that goes with it
xvfb_pid=""         # our X server
program_pid=""      # the Windows program of the running case, if any
program_status=""   # its exit code, once it has ended

readonly DIALOG_TITLE="Zolt Version 4.38"
readonly QUESTION_TITLE="ZOLT by the ZOLT developers"  # the confirmation dialog: message 64

# The program NAME of the wine64 package, else the one in PATH. Debian
# installs the loader and the server outside PATH; the two must come from
# the same Wine.
wine_package_program() {
  local path
  for path in $(dpkg -L wine64 2>/dev/null | grep "/$1\$"); do
    if [ -f "$path" ] && [ -x "$path" ]; then
      echo "$path"
      return 0
    fi
  done
  command -v "$1" || true
}

wine_find_tools() {
  wine_bin=$(wine_package_program wine64)
  wine_server=$(wine_package_program wineserver64)
  [ -n "$wine_server" ] || wine_server=$(command -v wineserver || true)
  local tool
  for tool in "$wine_bin" "$wine_server" "$(command -v Xvfb)" "$(command -v xdotool)" \
              "$(command -v import)" "$(command -v convert)"; do
    if [ -z "$tool" ] || [ ! -x "$tool" ]; then
      echo "wine-tests: missing a tool (wine64, wineserver, Xvfb, xdotool or imagemagick)" >&2
      return 1
    fi
  done
}

# A fresh prefix; A: is a diskette drive whose file system is an empty
# folder (GetDriveTypeA answers DRIVE_REMOVABLE only with both the registry
# entry and the folder). The server is restarted so that it reads the drive.
wine_make_prefix() {
  export WINEPREFIX="$wine_work/prefix"
  # Wine puts its server's socket folder in TMPDIR; ours goes with the rest.
  mkdir -p "$wine_work/tmp"
  export TMPDIR="$wine_work/tmp"
  export WINEDEBUG=-all
  # No Mono or Gecko installer: the program needs neither.
  export WINEDLLOVERRIDES="mscoree,mshtml="
  (unset DISPLAY; "$wine_bin" wineboot -i </dev/null >"$wine_work/wineboot.log" 2>&1) || {
    echo "wine-tests: wineboot failed; see the log below" >&2
    cat "$wine_work/wineboot.log" >&2
    return 1
  }
  "$wine_bin" reg add 'HKLM\Software\Wine\Drives' /v a: /d floppy /f </dev/null >>"$wine_work/wineboot.log" 2>&1
  mkdir -p "$wine_work/floppy"
  ln -sfn "$wine_work/floppy" "$WINEPREFIX/dosdevices/a:"
  "$wine_server" -k 2>/dev/null || true
  "$wine_server" -w 2>/dev/null || true
}

# Xvfb picks a free display itself and writes its number once it accepts
# connections.
wine_start_display() {
  local display_file="$wine_work/display" fd
  : >"$display_file"
  exec {fd}>"$display_file"
  Xvfb -displayfd "$fd" -screen 0 1024x768x24 -nolisten tcp >"$wine_work/xvfb.log" 2>&1 &
  xvfb_pid=$!
  exec {fd}>&-
  local deadline=$((SECONDS + 30))
  until [ -s "$display_file" ]; do
    if ! kill -0 "$xvfb_pid" 2>/dev/null || [ $SECONDS -ge $deadline ]; then
      echo "wine-tests: Xvfb did not start" >&2
      cat "$wine_work/xvfb.log" >&2
      return 1
    fi
    sleep 0.1
  done
  DISPLAY=":$(head -n 1 "$display_file")"
  export DISPLAY
}

wine_cleanup() {
  wine_stop_program
  if [ -n "${WINEPREFIX:-}" ] && [ -d "$WINEPREFIX" ]; then
    "$wine_server" -k 2>/dev/null || true
    "$wine_server" -w 2>/dev/null || true
  fi
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
    xvfb_pid=""
  fi
  [ -n "$wine_work" ] && rm -rf "$wine_work"
}

# The Windows path of a Unix path: Z: is the Unix root. The program splits
# its command line at spaces and knows no quotes.
windows_path() {
  case "$1" in *" "*) echo "wine-tests: no spaces allowed in $1" >&2; return 1 ;; esac
  printf 'Z:%s' "${1//\//\\}"
}

# wine_start FOLDER EXE ARGS...: runs the program in FOLDER, in the background.
wine_start() {
  local folder=$1
  shift
  program_status=""
  (cd "$folder" && exec "$wine_bin" "$@" </dev/null >>"$wine_work/program.log" 2>&1) &
  program_pid=$!
}

# Whether the program still runs (an ended child that is not yet reaped
# still answers kill -0).
program_running() {
  [ -n "$program_pid" ] && [ -r "/proc/$program_pid/stat" ] || return 1
  local state
  state=$(sed 's/.*) //' "/proc/$program_pid/stat" 2>/dev/null | cut -d ' ' -f 1)
  [ -n "$state" ] && [ "$state" != Z ]
}

# wine_wait_exit SECONDS: 0 when the program ended by itself within the
# time; its exit code is then in program_status.
wine_wait_exit() {
  local deadline=$((SECONDS + $1))
  while program_running; do
    [ $SECONDS -lt $deadline ] || return 1
    sleep 0.2
  done
  [ -n "$program_pid" ] || return 0
  wait "$program_pid"
  program_status=$?
  program_pid=""
  return 0
}

wine_stop_program() {
  if [ -n "$program_pid" ]; then
    kill "$program_pid" 2>/dev/null || true
    wait "$program_pid" 2>/dev/null || true
    program_pid=""
  fi
}

# wine_find_window SECONDS: prints the main dialog's X window once mapped.
wine_find_window() {
  wine_find_named "$1" "$DIALOG_TITLE"
}

# wine_find_named SECONDS TITLE: prints the X window of that title once
# mapped.
wine_find_named() {
  local deadline=$((SECONDS + $1)) window
  while [ $SECONDS -lt $deadline ]; do
    window=$(xdotool search --onlyvisible --name "$2" 2>/dev/null | head -n 1)
    if [ -n "$window" ]; then
      echo "$window"
      return 0
    fi
    program_running || return 1
    sleep 0.2
  done
  return 1
}

# wine_click WINDOW X Y [WIDE HIGH]: a click of the first mouse button at
# (X, Y) in dialog units of a dialog WIDE x HIGH units large, the main
# dialog's 319 x 204 by default (a window without a frame is the dialog's
# client area).
wine_click() {
  local width height
  eval "$(xdotool getwindowgeometry --shell "$1" 2>/dev/null | grep -E '^(WIDTH|HEIGHT)=')"
  width=${WIDTH:-0}
  height=${HEIGHT:-0}
  xdotool mousemove --window "$1" $(($2 * width / ${4:-319})) $(($3 * height / ${5:-204})) click 1 2>/dev/null
}

# xdotool warns that Xvfb without a window manager has no input focus.
wine_keys() { xdotool key --window "$1" "${@:2}" 2>/dev/null; }
wine_type() { xdotool type --window "$1" "$2" 2>/dev/null; }

# Places of the main dialog 5006 (x, y, width, height in dialog units,
# inside the controls of the template) whose colours tell its state. The
# window has no frame without a window manager, so the X window is the
# dialog's client area, 319 x 204 dialog units.
readonly PROBE_PASSWORD="130 157 30 6"   # right half of the password field: white when shown
readonly PROBE_TEST_ONLY="190 157 40 6"  # caption of "&Test only": black when enabled, grey when not
readonly PROBE_BAR_LEFT="10 176 30 4"    # progress bar, left end: red after a failure
readonly PROBE_BAR_RIGHT="280 176 30 4"  # progress bar, right end: green when the image is through

# wine_probe WINDOW "X Y W H": prints "minimum red green blue" (0 to 255:
# the darkest channel anywhere, then the mean of each channel) of that place.
wine_probe() {
  local window=$1 shot="$wine_work/probe.png" geometry width height
  import -window "$window" "$shot" 2>/dev/null || return 1
  geometry=$(identify -format '%w %h' "$shot") || return 1
  local x y w h
  read -r width height <<<"$geometry"
  read -r x y w h <<<"$2"
  local px=$((x * width / 319)) py=$((y * height / 204))
  local pw=$((w * width / 319)) ph=$((h * height / 204))
  convert "$shot" -crop "${pw}x${ph}+${px}+${py}" +repage \
    -format '%[fx:int(255*minima)] %[fx:int(255*mean.r)] %[fx:int(255*mean.g)] %[fx:int(255*mean.b)]\n' info:
}

# The states read from the probes.
dialog_ready() {  # password row shown and "&Test only" enabled
  local min r g b
  read -r min r g b <<<"$(wine_probe "$1" "$PROBE_PASSWORD")" || return 1
  [ "${min:-0}" -ge 250 ] || return 1
  read -r min r g b <<<"$(wine_probe "$1" "$PROBE_TEST_ONLY")" || return 1
  [ "${min:-255}" -lt 80 ]
}
bar_is() {  # bar_is WINDOW PROBE green|red
  local min r g b
  read -r min r g b <<<"$(wine_probe "$1" "$2")" || return 1
  case $3 in
    green) [ "${g:-0}" -ge 200 ] && [ "${r:-255}" -lt 60 ] && [ "${b:-255}" -lt 60 ] ;;
    red) [ "${r:-0}" -ge 200 ] && [ "${g:-255}" -lt 60 ] && [ "${b:-255}" -lt 60 ] ;;
  esac
}
run_succeeded() { bar_is "$1" "$PROBE_BAR_LEFT" green && bar_is "$1" "$PROBE_BAR_RIGHT" green; }
run_failed() { bar_is "$1" "$PROBE_BAR_LEFT" red; }

# wait_for SECONDS COMMAND...: polls COMMAND until it succeeds; fails when
# the time is up or the program has ended.
wait_for() {
  local deadline=$((SECONDS + $1))
  shift
  while [ $SECONDS -lt $deadline ]; do
    "$@" && return 0
    program_running || return 1
    sleep 0.3
  done
  return 1
}

# wine_quit WINDOW SECONDS: presses "&Quit" until the program has ended.
# A press while "&Quit" is disabled (the run still going) is lost, hence
# the repetition.
wine_quit() {
  local window=$1 deadline=$((SECONDS + $2))
  while program_running; do
    [ $SECONDS -lt $deadline ] || return 1
    wine_keys "$window" alt+q
    wine_wait_exit 1 && return 0
  done
  wine_wait_exit 1
}
