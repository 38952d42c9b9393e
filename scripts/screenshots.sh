#!/usr/bin/env bash
# Runs Morvel's window on an X server of its own (Xvfb) with a few DV files, presses real keys
# with xdotool and saves what the screen shows as PNGs (xwd, then ImageMagick):
#   scripts/screenshots.sh [output folder]        (default: build/screenshots)
# MORVEL_PROGRAM names the morvel to run; by default it is built as ./run.sh builds it. The
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
clip() { # name, date: ffmpeg's DV muxer dates the frames, its AVI muxer keeps them whole
  ffmpeg -v error -f lavfi -i "testsrc=size=720x576:rate=25" -f lavfi -i "sine=frequency=440:sample_rate=48000" \
    -t 0.4 ${2:+-metadata creation_time="$2"} -c:v dvvideo -pix_fmt yuv420p -c:a pcm_s16le -ac 2 -f dv \
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
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
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
key ctrl+q
for _ in $(seq 50); do kill -0 "$morvel_pid" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$morvel_pid" 2>/dev/null; then
  echo "morvel did not close on Ctrl+Q" >&2
  exit 1
fi
morvel_pid=""
