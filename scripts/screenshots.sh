#!/usr/bin/env bash
# Runs Morvel's window on an X server of its own (Xvfb) with a few DV files, presses real keys
# with xdotool and saves what the screen shows as PNGs (xwd, then ImageMagick):
#   scripts/screenshots.sh [output folder]        (default: build/screenshots)
# MORVEL_PROGRAM names the morvel to run; by default it is built as ./run.sh builds it.
# MORVEL_SCREEN sets the screen's size (default 1280x1024); QT_SCALE_FACTOR=2 scales the window. The
# settings, the play-list folder and the files live in a temporary folder: nothing of the user's
# is read or written.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=$(realpath -m "${1:-$root/build/screenshots}")

"$root/scripts/install-deps.sh" >&2
program=${MORVEL_PROGRAM:-}
if [ -z "$program" ]; then
  build=${MORVEL_RUN_BUILD_DIR:-$root/build/release}
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DMORVEL_TESTS=OFF -DMORVEL_BENCH=OFF >&2
  cmake --build "$build" --target morvel >&2
  program=$build/app/morvel
fi

work=$(mktemp -d)
xvfb_pid=""
morvel_pid=""
cleanup() {
  [ -n "$morvel_pid" ] && kill "$morvel_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# Three dated DV clips, one of them named in Chinese.
mkdir -p "$work/tapes" "$work/home" "$work/registry" "$work/data"
clip() { # name, date[, seconds]: ffmpeg's DV muxer dates the frames, its AVI muxer keeps them whole
  ffmpeg -v error -f lavfi -i "testsrc=size=720x576:rate=25" -f lavfi -i "sine=frequency=440:sample_rate=48000" \
    -t "${3:-0.4}" ${2:+-metadata creation_time="$2"} -c:v dvvideo -pix_fmt yuv420p -c:a pcm_s16le -ac 2 -f dv \
    -y "$work/clip.dv"
  ffmpeg -v error -i "$work/clip.dv" -c copy -f avi -y "$work/tapes/$1"
}
clip "Plage 2006-07-14.avi" "2006-07-14T15:30:00"
clip "海边 1.avi" "2005-08-02T10:12:40"
clip "Noël.avi" "2006-12-24T21:05:10"
# The player's clip, recorded first, so it is the one shown: two scenes of two seconds, two hours apart.
for part in 1 2; do
  ffmpeg -v error -f lavfi -i "testsrc=size=720x576:rate=25" -f lavfi -i "sine=frequency=440:sample_rate=48000" \
    -t 2 -metadata creation_time="2004-05-01T1$((part * 2 - 2)):00:0$part" -c:v dvvideo -pix_fmt yuv420p \
    -c:a pcm_s16le -ac 2 -f dv -y "$work/part$part.dv"
done
cat "$work/part1.dv" "$work/part2.dv" >"$work/scenes.dv"
ffmpeg -v error -i "$work/scenes.dv" -c copy -f avi -y "$work/tapes/Vacances 2004.avi"

display=":$((90 + RANDOM % 100))"
Xvfb "$display" -screen 0 "${MORVEL_SCREEN:-1280x1024}x24" -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 50); do DISPLAY=$display xdotool getdisplaygeometry >/dev/null 2>&1 && break; sleep 0.1; done

mkdir -p "$out"
export DISPLAY=$display QT_QPA_PLATFORM=xcb HOME=$work/home MORVEL_REGISTRY_DIR=$work/registry \
  XDG_DATA_HOME=$work/data XDG_CONFIG_HOME=$work/home/.config
"$program" +hs "$work/tapes/Vacances 2004.avi" 2>>"$work/morvel.log" # its ".scn", for F9
(cd "$work/tapes" && exec "$program" *.avi) >"$work/morvel.log" 2>&1 &
morvel_pid=$!

window=$(xdotool search --sync --onlyvisible --name '^Morvel' | head -n 1)
xdotool windowfocus --sync "$window"

shot() { # name: the window as the screen shows it
  sleep 0.8
  xwd -silent -display "$display" -id "$window" | convert xwd:- "png:$out/$1.png"
  echo "$out/$1.png"
}
screen() { # name: the whole screen (menus are windows of their own)
  sleep 0.8
  xwd -silent -display "$display" -root | convert xwd:- -trim "png:$out/$1.png"
  echo "$out/$1.png"
}
key() { xdotool key --clearmodifiers "$@"; }

sleep 2 # the files are listed and the first one shown
shot 01-listed
key F6
shot 02-list-hidden-F6
key F6
key alt+d
shot 03-sorted-by-date-Alt+D
key alt+a
shot 04-sorted-by-name-Alt+A
key F1
shot 05-about-F1
key F10
shot 06-options-F10
key F10
# The player on the clip of two scenes: paused, a frame on with the overlay (F12), the next scene,
# playing, full screen (a window of its own: the screen), the overlay's sliders.
shot 08-player-paused
key F12
key ctrl+Right
shot 09-player-frame-on-Ctrl+Right
key F9
shot 10-player-next-scene-F9
key space
sleep 0.5
shot 11-player-playing-Space
key space
key F11
screen 12-player-full-screen-F11
key Escape
key alt+i
shot 13-player-sliders-Alt+I
key alt+i
key F12
key ctrl+Delete
shot 07-empty-list
quits() { # Ctrl+Q ends the program within a few seconds
  key ctrl+q
  for _ in $(seq 100); do kill -0 "$morvel_pid" 2>/dev/null || break; sleep 0.1; done
  if kill -0 "$morvel_pid" 2>/dev/null; then
    echo "morvel did not close on Ctrl+Q" >&2
    exit 1
  fi
  morvel_pid=""
}
quits

# The window's batches, in a second window on a folder of their own: a burn-in in progress
# (Ctrl+I), Shift+Esc letting it finish and starting no other, the conversions' keys as the X
# server sends them (Ctrl+Shift+2, Ctrl+Num 1) on the last entry (End), and the question a
# burn-in asks over its earlier output.
appears() { # files...: waits up to two minutes for them
  for _ in $(seq 1200); do
    local all=1
    for f in "$@"; do [ -e "$f" ] || all=0; done
    [ "$all" = 1 ] && { sleep 0.5; return 0; }
    sleep 0.1
  done
  echo "not written: $*" >&2
  return 1
}
mkdir -p "$work/batch"
clip "../batch/Anniversaire.avi" "2004-03-01T09:00:00" 120
clip "../batch/Plage.avi" "2006-07-14T15:30:00"
# A type-1 file given an empty second stream: the type 2 that Ctrl+Shift+2 mends.
"$program" +h1 "$work/batch/Plage.avi" >&2
python3 - "$work/batch/Plage_type1.avi" "$work/batch/Zoo.avi" <<'PY'
import struct, sys
# A type-1 DV AVI given a second, empty sound stream: an interleaved DV stream in a file of two
# streams, as some capture tools wrote them ("iavs" type 2).
src, dst = sys.argv[1], sys.argv[2]
d = bytearray(open(src, 'rb').read())
def chunks(off, end):
    while off + 8 <= end:
        cid = bytes(d[off:off+4]); n = struct.unpack('<I', d[off+4:off+8])[0]
        yield cid, off, n, bytes(d[off+8:off+12])
        off += 8 + n + (n & 1)
top = list(chunks(12, len(d)))
hdrl = next(c for c in top if c[3] == b'hdrl')
junk = next(c for c in top if c[0] == b'JUNK')
strls = [c for c in chunks(hdrl[1] + 12, hdrl[1] + 8 + hdrl[2]) if c[3] == b'strl']
avih = hdrl[1] + 12
struct.pack_into('<I', d, avih + 8 + 24, 2)
strh = b'auds' + b'\0' * 4 + struct.pack('<IHHIIIIIIIIhhhh', 0, 0, 0, 0, 1, 48000, 0, 0, 0, 0, 4, 0, 0, 0, 0)
strf = struct.pack('<HHIIHH', 1, 2, 48000, 192000, 4, 16)
body = b'strl' + b'strh' + struct.pack('<I', len(strh)) + strh + b'strf' + struct.pack('<I', len(strf)) + strf
strl = b'LIST' + struct.pack('<I', len(body)) + body
at = strls[-1][1] + 8 + strls[-1][2]
assert junk[2] >= len(strl) + 8 and junk[1] == hdrl[1] + 8 + hdrl[2]
d[at:at] = strl
struct.pack_into('<I', d, hdrl[1] + 4, hdrl[2] + len(strl))
j = junk[1] + len(strl)
struct.pack_into('<I', d, j + 4, junk[2] - len(strl))
d[j + 8: j + 8 + len(strl)] = b''
open(dst, 'wb').write(d)
PY
rm "$work/batch/Plage_type1.avi"
(cd "$work/batch" && exec "$program" *.avi) >"$work/morvel-batch.log" 2>&1 &
morvel_pid=$!
window=$(xdotool search --sync --onlyvisible --name '^Morvel' | head -n 1)
xdotool windowfocus --sync "$window"
sleep 2
key ctrl+a
key ctrl+i
shot 14-burn-in-progress-Ctrl+I
key shift+Escape
appears "$work/batch/Anniversaire_in.avi"
shot 15-first-burnt-in-others-not-Shift+Esc
key End
key ctrl+shift+2
appears "$work/batch/Zoo_fixed.avi"
shot 16-type2-fixed-Ctrl+Shift+2
key End
key ctrl+KP_1
appears "$work/batch/Zoo_fixed_type1.avi"
shot 17-type1-Ctrl+Num1
key Home
key ctrl+i
question=$(xdotool search --sync --onlyvisible --name '^Warning$' | head -n 1)
# The box itself: on the server's root it can show black, its visual not the screen's.
main=$window
window=$question
shot 18-question-replace-Ctrl+I
window=$main
xdotool windowfocus --sync "$question"
key Escape
sleep 0.5
xdotool windowfocus --sync "$window"
quits
ls "$work/batch" >&2
