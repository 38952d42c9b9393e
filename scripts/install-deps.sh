#!/usr/bin/env bash
# Installs every Debian package that Morvel's build, tests and program need.
# Idempotent and quiet: when everything is present it only asks dpkg, and it runs
# apt-get update only when something is missing.
set -euo pipefail

# fonts-liberation for its Sans Narrow (Arial Narrow's stand-in; liberation2 has none), xvfb and
# xauth for the gallery's screenshots on an X server (xvfb-run needs xauth); x11-apps (xwd),
# imagemagick and xdotool for scripts/screenshots.sh, which drives the window with real keys;
# xclip reads the X clipboard back in the copy menu's test.
packages=(
  build-essential cmake ninja-build pkg-config git
  qt6-base-dev qt6-multimedia-dev libglib2.0-dev libfontconfig-dev
  libavcodec-dev libavformat-dev libavutil-dev libswscale-dev libswresample-dev
  libjpeg62-turbo-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  clang
  ffmpeg dvgrab mediainfo libimage-exiftool-perl libglib2.0-bin
  fonts-liberation2 fonts-liberation fonts-noto-cjk xvfb xauth x11-apps imagemagick xdotool
  xclip
)

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${db:Status-Status}' "$p" 2>/dev/null || true)
  [ "$status" = "installed" ] || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
