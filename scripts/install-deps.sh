#!/usr/bin/env bash
# Installs every Debian package that advplay needs to build, test, benchmark and fuzz.
# Packages that are already installed are skipped, so running it again is cheap.
set -euo pipefail

packages=(
  # toolchain
  build-essential cmake pkg-config git clang clang-format libclang-rt-14-dev
  # tests and benchmarks
  googletest libgtest-dev libgmock-dev libbenchmark-dev libpixman-1-dev
  # the independent MIDI file reader that the song loader is checked against
  midicsv
  # window, input, audio
  libsdl2-dev libsdl2-mixer-dev libasound2-dev
  # full screen on an X display without a window manager needs to know there is none
  libx11-dev
  # the picture tests' reference decoder (the product itself does not link it)
  libsdl2-image-dev
  # fonts and text
  libfreetype-dev libfontconfig-dev fonts-ipafont-gothic fonts-ipafont-mincho
  # picture decoding
  libpng-dev zlib1g-dev libgif-dev libjpeg62-turbo-dev
  # MIDI synthesis
  libfluidsynth-dev timgm6mb-soundfont
  # movies; the command-line ffmpeg makes the demo's movie and the reference frames of the movie tests
  libavformat-dev libavcodec-dev libswscale-dev libswresample-dev libavutil-dev ffmpeg
  # window tests
  xvfb xdotool xauth x11-apps
)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: all ${#packages[@]} packages are installed"
  exit 0
fi

echo "install-deps: installing ${#missing[@]} packages: ${missing[*]}"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  sudo_cmd=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -q
"${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
echo "install-deps: done"
