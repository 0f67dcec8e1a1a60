#!/usr/bin/env bash
# A whole game's sound through the real window and sound device: SDL's disk audio driver captures
# what the one device plays (the chime, a ripped CD track, MP3 music, a MIDI song through the
# synthesiser, and a movie's sound), and the capture is checked for each sound in its order and
# length. The window uses SDL's dummy video driver, so no display is needed.
# Usage: sound_capture.sh ADVPLAY GAME_DIR REPOSITORY TESTDATA
set -eu
advplay=$1 game=$2 repository=$3 testdata=$4
# As in the window test: libraries that SDL loads keep small buffers to the end; not our leaks.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cp -r "$game" "$work/game"
mkdir "$work/game/cd"
cp "$testdata/mp3/corkami-mp3.mp3" "$work/game/cd/Track01.mp3"
cp "$testdata/mp3/corkami-mp3.mp3" "$work/game/data/music.mp3"
cp "$testdata/midi/jazzsoft-test-c-major-scale.mid" "$work/game/data/scale.mid"
cp "$repository/games/demo/data/se/chime.wav" "$work/game/data/chime.wav"
cp "$repository/games/demo/data/movie/intro.avi" "$work/game/data/intro.avi"

if ! SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$work/out.raw" \
    timeout 60 "$advplay" "$work/game" 2>"$work/stderr"; then
  echo "the game did not end by itself:"
  cat "$work/stderr"
  exit 1
fi
python3 "$repository/tests/tools/sound_runs.py" "$work/out.raw"
