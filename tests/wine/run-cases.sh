#!/usr/bin/env bash
# The Windows build under Wine: unattended runs to an image file and as a
# check, a damaged container, and the real dialog driven with xdotool.
# Usage (from the repository root): run-cases.sh NATIVE_BUILD WIN64_BUILD
# NATIVE_BUILD gives zolt-pack and the sample image, WIN64_BUILD zolt.exe
# and zolt-pack.exe (both builds are also installed into one prefix);
# the Ready-state screenshot goes to WIN64_BUILD/artifacts/ready.png.
set -uo pipefail
native=$1
win64=$2
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=tests/wine/harness.sh
source "$here/harness.sh"

pack="$native/zolt-pack"
sample="$native/sample-1440k.img"
restorer="$win64/zolt.exe"
artifacts="$win64/artifacts"
for file in "$pack" "$sample" "$restorer" "$win64/zolt-pack.exe"; do
  [ -f "$file" ] || { echo "wine-tests: $file is missing; build first" >&2; exit 2; }
done

wine_work=$(mktemp -d)
trap wine_cleanup EXIT
trap 'exit 130' INT TERM
started=$SECONDS
wine_find_tools || exit 2
wine_start_display || exit 2
wine_make_prefix || exit 2
echo "Wine prefix and display $DISPLAY ready in $((SECONDS - started)) s"

passed=0
failed=0
case_started=0
# case_result NAME REASON: REASON empty means passed.
case_result() {
  local took=$((SECONDS - case_started))
  if [ -z "$2" ]; then
    passed=$((passed + 1))
    echo "PASS  $1 (${took} s)"
  else
    failed=$((failed + 1))
    echo "FAIL  $1 (${took} s): $2"
  fi
  wine_stop_program
}

# The containers of the cases.
cases="$wine_work/cases"
mkdir -p "$cases" "$artifacts"
rm -f "$artifacts/ready.png"
"$pack" build --stub "$restorer" --image "$sample" -o "$cases/plain.exe" >/dev/null
printf 'ZOLT WINE TEST\n' >"$cases/label.txt"
# The restorer's own bytes decide which passwords can protect a container
# behind it (its substitution table is derived from them): the first of a
# few that can.
password=
for candidate in secret abc sesame key zz pass open a; do
  printf 'The sample diskette, packed for the Wine tests.\nThe password is %s.\n' "$candidate" >"$cases/message.txt"
  if "$pack" build --stub "$restorer" --image "$sample" --password "$candidate" \
       --label "$cases/label.txt" --message "$cases/message.txt" -o "$cases/password.exe" >/dev/null 2>&1; then
    password=$candidate
    break
  fi
done
[ -n "$password" ] || { echo "wine-tests: no password can protect a container behind $restorer" >&2; exit 1; }

# A 400 MiB image (32 sectors, 64 heads, 400 cylinders, its BPB in the
# sample's boot sector; total sectors 819,200 in the 32-bit field): a check
# of it runs long enough to be seen running.
head -c 512 "$sample" >"$cases/big.img"
patch_bytes() { printf '%b' "$3" | dd of="$1" bs=1 seek=$(($2)) conv=notrunc status=none; }
patch_bytes "$cases/big.img" 0x13 '\x00\x00'
patch_bytes "$cases/big.img" 0x18 '\x20\x00'
patch_bytes "$cases/big.img" 0x1A '\x40\x00'
patch_bytes "$cases/big.img" 0x20 '\x00\x80\x0C\x00'
truncate -s $((819200 * 512)) "$cases/big.img"
"$pack" build --stub "$restorer" --image "$cases/big.img" --password "$password" -o "$cases/big.exe" >/dev/null

# The damaged container: the header's checksum record (type 85h, length 4)
# follows the 42 bytes of format, pad, magic AA 55 and deflate length; its
# CRC (ContainerOffset + 47 to 50) gets its first byte inverted.
offset=$(stat -c %s "$restorer")
byte_at() { od -An -tx1 -j "$2" -N 1 "$1" | tr -d ' \n'; }
cp "$cases/plain.exe" "$cases/damaged.exe"
if [ "$(byte_at "$cases/damaged.exe" $((offset + 36)))$(byte_at "$cases/damaged.exe" $((offset + 37)))" != aa55 ] ||
   [ "$(byte_at "$cases/damaged.exe" $((offset + 42)))" != 85 ]; then
  echo "wine-tests: no container header with a checksum record at $offset" >&2
  exit 1
fi
crc_byte=$(byte_at "$cases/damaged.exe" $((offset + 47)))
printf '%b' "\\x$(printf '%02x' $((0x$crc_byte ^ 0xFF)))" |
  dd of="$cases/damaged.exe" bs=1 seek=$((offset + 47)) conv=notrunc status=none

# 1. Unattended conversion to an image file on the diskette drive named on
#    the command line: the run ends by itself one second after success.
case_started=$SECONDS
name="1 a: /D=out.img /Q /T1 writes the sample and quits by itself"
out="$wine_work/out.img"
printf 'old\n' >"$out"  # replaced only once the whole image is written
wine_start "$cases" "$cases/plain.exe" a: "/D=$(windows_path "$out")" /Q /T1
if ! wine_wait_exit 60; then
  case_result "$name" "still running after 60 s"
elif [ "$program_status" -ne 0 ]; then
  case_result "$name" "exit code $program_status, expected 0"
elif ! cmp -s "$out" "$sample"; then
  case_result "$name" "the image file ($(stat -c %s "$out" 2>/dev/null || echo no) bytes) differs from the sample"
elif [ -e "$out.zolt-part" ]; then
  case_result "$name" "the file written beside it was left behind"
else
  case_result "$name" ""
fi

# 1b. The same file named, the user quits before any run: the file keeps
#     what it held and nothing is left beside it.
case_started=$SECONDS
name="1b a: /D=kept.img, Quit before the run: the file stays as it was"
kept="$wine_work/kept.img"
printf 'old\n' >"$kept"
wine_start "$cases" "$cases/plain.exe" a: "/D=$(windows_path "$kept")"
if ! window=$(wine_find_window 60); then
  case_result "$name" "no dialog within 60 s"
elif ! wine_quit "$window" 30; then
  case_result "$name" "Quit did not end the program"
elif [ "$program_status" -ne 0 ]; then
  case_result "$name" "exit code $program_status, expected 0"
elif [ "$(cat "$kept")" != old ]; then
  case_result "$name" "the file was changed ($(stat -c %s "$kept" 2>/dev/null || echo no) bytes)"
elif [ -e "$kept.zolt-part" ]; then
  case_result "$name" "the file written beside it was left behind"
else
  case_result "$name" ""
fi

# 1c. Unattended with a drive that does not exist: the run does not start
#     by itself (A: is not written instead), and Quit ends it with 15.
case_started=$SECONDS
name="1c q: /Q /T1 (no such drive) starts nothing and ends with 15"
mkdir -p "$wine_work/refused"
wine_start "$wine_work/refused" "$cases/plain.exe" q: /Q /T1
if ! window=$(wine_find_window 60); then
  case_result "$name" "no dialog within 60 s"
elif sleep 4 && ! program_running; then
  wine_wait_exit 1
  case_result "$name" "the program ended by itself (exit code $program_status)"
elif ! wine_quit "$window" 30; then
  case_result "$name" "Quit did not end the program"
elif [ "$program_status" -ne 15 ]; then
  case_result "$name" "exit code $program_status, expected 15"
elif [ -n "$(find "$wine_work/refused" "$wine_work/floppy" -mindepth 1 -print -quit 2>/dev/null)" ]; then
  case_result "$name" "files appeared: $(find "$wine_work/refused" "$wine_work/floppy" -mindepth 1 | tr '\n' ' ')"
else
  case_result "$name" ""
fi

# 2. Unattended check: nothing is written, neither in the working folder
#    nor on the drive.
case_started=$SECONDS
name="2 a: /I /Q /T1 checks, writes nothing and quits by itself"
mkdir -p "$wine_work/check"
wine_start "$wine_work/check" "$cases/plain.exe" a: /I /Q /T1
if ! wine_wait_exit 60; then
  case_result "$name" "still running after 60 s"
elif [ "$program_status" -ne 0 ]; then
  case_result "$name" "exit code $program_status, expected 0"
elif [ -n "$(find "$wine_work/check" "$wine_work/floppy" -mindepth 1 -print -quit)" ]; then
  case_result "$name" "files appeared: $(find "$wine_work/check" "$wine_work/floppy" -mindepth 1 | tr '\n' ' ')"
else
  case_result "$name" ""
fi

# 3. A checksum that does not match: the run fails, the dialog stays after
#    the quit delay has long passed, "&Quit" ends it with exit code 4.
case_started=$SECONDS
name="3 damaged checksum: /I /Q /T1 fails with exit code 4 and waits for Quit"
wine_start "$cases" "$cases/damaged.exe" a: /I /Q /T1
if ! window=$(wine_find_window 60); then
  case_result "$name" "no dialog within 60 s"
elif ! wait_for 60 run_failed "$window"; then
  case_result "$name" "the progress bar never showed the failure"
elif sleep 3 && ! program_running; then
  wine_wait_exit 1
  case_result "$name" "the dialog quit by itself after the failure (exit code $program_status)"
elif ! wine_quit "$window" 30; then
  case_result "$name" "Quit did not end the program"
elif [ "$program_status" -ne 4 ]; then
  case_result "$name" "exit code $program_status, expected 4"
else
  case_result "$name" ""
fi

# start_ready NAME FILE: starts FILE on a: and waits until its dialog is
# in Ready (password row shown, "Test only" enabled), its X window then in
# $window; otherwise reports case NAME failed and returns 1.
start_ready() {
  wine_start "$cases" "$2" a:
  if ! window=$(wine_find_window 60); then
    case_result "$1" "no dialog within 60 s"
    return 1
  elif ! wait_for 60 dialog_ready "$window"; then
    case_result "$1" "the dialog never reached Ready (password row shown, Test only enabled)"
    return 1
  fi
}

# succeeds_and_quits NAME WHY: the run in $window shows success (else WHY
# is the likely cause), and "&Quit" ends the program with exit code 0.
succeeds_and_quits() {
  if ! wait_for 60 run_succeeded "$window"; then
    case_result "$1" "the check never showed success ($2)"
  elif ! wine_quit "$window" 30; then
    case_result "$1" "Quit did not end the program"
  elif [ "$program_status" -ne 0 ]; then
    case_result "$1" "exit code $program_status, expected 0"
  else
    case_result "$1" ""
  fi
}

# 4. The dialog as a user meets it: a password-protected container, no /Q.
#    Type the password into the focused field, "&Test only", then "&Quit".
#    5. On the way, the screenshot of the Ready state.
case_started=$SECONDS
name="4 dialog: password, Test only, Quit"
shot="$artifacts/ready.png"
if start_ready "$name" "$cases/password.exe"; then
  import -window root "$shot" 2>/dev/null
  wine_type "$window" "$password"
  wine_keys "$window" alt+t
  succeeds_and_quits "$name" "wrong or lost password?"
fi

case_started=$SECONDS
name="5 screenshot of the Ready dialog in $shot"
if [ ! -f "$shot" ]; then
  case_result "$name" "not taken"
elif [ "$(head -c 8 "$shot" | od -An -tx1 | tr -d ' \n')" != 89504e470d0a1a0a ]; then
  case_result "$name" "not a PNG"
elif [ "$(stat -c %s "$shot")" -lt 4000 ] || [ "$(identify -format '%k' "$shot")" -lt 16 ]; then
  case_result "$name" "too plain to show a dialog: $(stat -c %s "$shot") bytes, $(identify -format '%k' "$shot") colours"
else
  case_result "$name" ""
fi

# 6. A diskette run. Wine opens \\.\A: over the file that dosdevices/a::
#    names and takes the volume lock, but knows neither the drive's
#    geometry nor how to format a track, and answers the request for the
#    drive's media types with bytes that are no list of them: the writer
#    formats while copying, the format of track 0 is refused, and the run
#    fails with exit code 1, nothing written over the medium, and waits for
#    Quit. Wine cannot show a restored diskette; this shows the Windows
#    build's diskette path running against a real volume handle.
case_started=$SECONDS
name="6 a: /Q /T1 onto Wine's A: volume fails cleanly (Wine cannot format), leaves the medium alone and waits for Quit"
medium="$wine_work/medium.img"
head -c 1474560 /dev/zero >"$medium"
ln -sfn "$medium" "$WINEPREFIX/dosdevices/a::"
wine_start "$cases" "$cases/plain.exe" a: /Q /T1
if ! window=$(wine_find_window 60); then
  case_result "$name" "no dialog within 60 s"
elif ! wait_for 60 run_failed "$window"; then
  case_result "$name" "the progress bar never showed the failure"
elif ! wine_quit "$window" 30; then
  case_result "$name" "Quit did not end the program"
elif [ "$program_status" -ne 1 ]; then
  case_result "$name" "exit code $program_status, expected 1"
elif ! head -c 1474560 /dev/zero | cmp -s - "$medium"; then
  case_result "$name" "the failed run wrote over the medium ($(cmp - "$medium" < <(head -c 1474560 /dev/zero) 2>&1 | head -1))"
else
  case_result "$name" ""
fi
rm -f "$WINEPREFIX/dosdevices/a::"

# converts_and_checks NAME FILE: FILE, a self-restoring file for Windows,
# converts its image to an image file that equals the sample (/D=) and
# checks itself (/I), both unattended with exit code 0.
converts_and_checks() {
  local name=$1 file=$2 out="$wine_work/$(basename "$2" .exe).img"
  case_started=$SECONDS
  wine_start "$cases" "$file" a: "/D=$(windows_path "$out")" /Q /T1
  if ! wine_wait_exit 60; then
    case_result "$name /D=" "still running after 60 s"
  elif [ "$program_status" -ne 0 ]; then
    case_result "$name /D=" "exit code $program_status, expected 0"
  elif ! cmp -s "$out" "$sample"; then
    case_result "$name /D=" "the image file differs from the sample"
  else
    case_result "$name /D=" ""
  fi
  case_started=$SECONDS
  wine_start "$cases" "$file" a: /I /Q /T1
  if ! wine_wait_exit 60; then
    case_result "$name /I" "still running after 60 s"
  elif [ "$program_status" -ne 0 ]; then
    case_result "$name /I" "exit code $program_status, expected 0"
  else
    case_result "$name /I" ""
  fi
}

# 7. Both builds installed into one prefix: the Linux zolt-pack there finds
#    the Windows restorer that the Windows build's install put beside it
#    (lib/zolt/zolt.exe) and makes a file for Windows with --for windows.
install_root="$wine_work/install"
case_started=$SECONDS
name="7 cmake --install of both builds, then zolt-pack build --for windows on Linux"
if ! cmake --install "$native" --prefix "$install_root" >"$wine_work/install.log" 2>&1 ||
   ! cmake --install "$win64" --prefix "$install_root" >>"$wine_work/install.log" 2>&1; then
  case_result "$name" "cmake --install failed: $(tail -1 "$wine_work/install.log")"
elif ! "$install_root/bin/zolt-pack" build --for windows --image "$sample" -o "$cases/linux-made.exe" \
       >"$wine_work/pack.log" 2>&1; then
  case_result "$name" "zolt-pack failed: $(cat "$wine_work/pack.log")"
elif ! grep -q "(restorer $install_root/bin/../lib/zolt/zolt.exe," "$wine_work/pack.log"; then
  case_result "$name" "another restorer was taken: $(head -1 "$wine_work/pack.log")"
else
  case_result "$name" ""
  converts_and_checks "7 the file made on Linux runs under Wine:" "$cases/linux-made.exe"
fi

# 8. The Windows zolt-pack under Wine makes the file (its default restorer:
#    the zolt.exe beside it), from the sample given by its Windows path.
case_started=$SECONDS
name="8 zolt-pack.exe build under Wine"
made="$cases/windows-made.exe"
if ! "$wine_bin" "$win64/zolt-pack.exe" build --image "$(windows_path "$sample")" \
       -o "$(windows_path "$made")" </dev/null >"$wine_work/pack.log" 2>&1; then
  case_result "$name" "zolt-pack.exe failed: $(tr -d '\r' <"$wine_work/pack.log")"
elif ! "$pack" extract "$made" -o "$wine_work/windows-made-back.img" >/dev/null 2>&1 ||
     ! cmp -s "$wine_work/windows-made-back.img" "$sample"; then
  case_result "$name" "the file it made does not carry the sample"
elif ! cmp -s <(head -c "$(stat -c %s "$restorer")" "$made") "$restorer"; then
  case_result "$name" "the file it made does not start with $restorer"
else
  case_result "$name" ""
  converts_and_checks "8 the file made by zolt-pack.exe runs under Wine:" "$made"
fi

# 9. The Windows zolt-pack captures a diskette: \\.\A: is Wine's volume
#    over a copy of the sample (dosdevices/a::), which tells no size of its
#    medium, so it is read to its end; the file made carries the sample.
case_started=$SECONDS
name="9 zolt-pack.exe build --image \\\\.\\A: captures the diskette under Wine"
medium="$wine_work/capture-medium.img"
cp "$sample" "$medium"
ln -sfn "$medium" "$WINEPREFIX/dosdevices/a::"
captured="$cases/captured.exe"
if ! "$wine_bin" "$win64/zolt-pack.exe" build --image '\\.\A:' -o "$(windows_path "$captured")" \
       </dev/null >"$wine_work/pack.log" 2>&1; then
  case_result "$name" "zolt-pack.exe failed: $(tr -d '\r' <"$wine_work/pack.log")"
elif ! "$pack" extract "$captured" -o "$wine_work/captured-back.img" >/dev/null 2>&1 ||
     ! cmp -s "$wine_work/captured-back.img" "$sample"; then
  case_result "$name" "the file it made does not carry the diskette's bytes"
else
  case_result "$name" ""
fi
rm -f "$WINEPREFIX/dosdevices/a::"

# 10. After a wrong password the focus goes back to the password field, its
#    text selected: the password typed again replaces it, and its letters
#    ("t" among them) press no button. "&Ok" is clicked, which gives it the
#    focus, as a user's click does. The wrong password is every mnemonic
#    letter of the dialog, typed into the field.
case_started=$SECONDS
name="10 dialog: wrong password, Ok clicked, the password typed again replaces it"
if start_ready "$name" "$cases/password.exe"; then
  wine_type "$window" lmdtocqh
  sleep 1
  wine_click "$window" 40 195  # the middle of "&Ok"
  sleep 2
  wine_type "$window" "$password"
  wine_keys "$window" alt+t
  if ! program_running; then
    wine_wait_exit 1
    case_result "$name" "a typed letter ended the program (exit code $program_status)"
  else
    succeeds_and_quits "$name" "the letters went to the buttons, or the old text stayed"
  fi
fi

# 11. Escape during a run started with "&Test only" asks the stop question
#    (the pressed button is disabled, the focus moves on to "&Cancel"). The
#    question is left up until the run is through, then answered "Yes"
#    (a click; the question's focus is on "No"): too late, it changes
#    nothing, and the exit code stays 0.
case_started=$SECONDS
name="11 dialog: Escape during Test only asks; a Yes after the run ended changes nothing"
if start_ready "$name" "$cases/big.exe"; then
  wine_type "$window" "$password"
  wine_keys "$window" alt+t
  # Escape once the run is seen going (Escape in Ready asks nothing).
  if ! wait_for 30 bar_is "$window" "$PROBE_BAR_LEFT" green; then
    case_result "$name" "the run was never seen going"
  elif bar_is "$window" "$PROBE_BAR_RIGHT" green; then
    case_result "$name" "the run was through before Escape could be pressed"
  elif ! wine_keys "$window" Escape || ! question=$(wine_find_named 20 "$QUESTION_TITLE"); then
    case_result "$name" "Escape during the run asked no question"
  elif ! wait_for 60 bar_is "$window" "$PROBE_BAR_RIGHT" green; then
    case_result "$name" "the run never got through under the question"
  else
    sleep 3
    wine_click "$question" 65 125 213 141  # the middle of "Yes"
    sleep 2
    if xdotool search --onlyvisible --name "$QUESTION_TITLE" >/dev/null 2>&1; then
      case_result "$name" "the question is still up after Yes"
    elif ! wine_quit "$window" 30; then
      case_result "$name" "Quit did not end the program"
    elif [ "$program_status" -ne 0 ]; then
      case_result "$name" "exit code $program_status, expected 0 (the late Yes counted)"
    else
      case_result "$name" ""
    fi
  fi
fi

echo "Wine part took $((SECONDS - started)) s"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
