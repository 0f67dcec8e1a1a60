#!/usr/bin/env bash
# Builds advplay for the web with Emscripten into build/web/: the page, its JavaScript and
# WebAssembly, the default font and SoundFont. The libraries it needs that Debian packages only for
# the host (SDL2, SDL2_mixer, FreeType, libpng, zlib) are built from Debian's own source packages,
# fetched with apt-get source through a deb-src entry made from the machine's Debian source list.
# Sources and builds are cached outside the repository ($ADVPLAY_WEB_CACHE, default
# ~/.cache/advplay-web), so only the first run on a machine builds them.
# Usage: scripts/web.sh [--test]
# --test then plays the demo in the page and under node against a native headless run
# (tests/web/page_matches_native.sh), with the native advplay of the test preset (build/test).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
cache=${ADVPLAY_WEB_CACHE:-$HOME/.cache/advplay-web}
prefix=$cache/prefix
jobs=$(nproc)
mkdir -p "$cache/src" "$cache/build" "$prefix"

as_root=()
if [ "$(id -u)" -ne 0 ]; then
  as_root=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive

# ---- Packages: the compiler, what fetches and unpacks source packages, the fonts and SoundFont the
# page carries, and the browser its test runs in ----------------------------------------------------
packages=(emscripten dpkg-dev timgm6mb-soundfont fonts-ipafont-gothic fonts-ipafont-mincho fontconfig chromium)
missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
# The machine's own Node.js may bring npm; Debian's comes with Debian's Node.js otherwise.
command -v npm >/dev/null || missing+=(npm)
if [ ${#missing[@]} -gt 0 ]; then
  echo "web: installing ${missing[*]}"
  "${as_root[@]}" apt-get update -q
  "${as_root[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# ---- Debian's sources ------------------------------------------------------------------------------
# The same archives as the machine's binary packages, as deb-src.
src_list=/etc/apt/sources.list.d/advplay-deb-src.sources
if [ ! -f "$src_list" ]; then
  if [ ! -f /etc/apt/sources.list.d/debian.sources ]; then
    echo "web: no /etc/apt/sources.list.d/debian.sources to make a deb-src entry from" >&2
    exit 1
  fi
  sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources | "${as_root[@]}" tee "$src_list" >/dev/null
  "${as_root[@]}" apt-get update -q
fi

# fetch PACKAGE: unpacks Debian's source of PACKAGE under $cache/src once, and prints its folder. A
# version the security archive no longer serves is taken from the release instead.
fetch() {
  local package=$1 folder
  folder=$(find "$cache/src" -maxdepth 1 -type d -name "$package-[0-9]*" | head -n 1)
  if [ -z "$folder" ]; then
    (cd "$cache/src" && { apt-get source -q "$package" >/dev/null 2>&1 || apt-get source -q "$package/bookworm" >/dev/null; })
    folder=$(find "$cache/src" -maxdepth 1 -type d -name "$package-[0-9]*" | head -n 1)
  fi
  echo "$folder"
}

# build NAME SOURCE [CMAKE ARGS...]: a static Release build for Emscripten, installed into $prefix;
# a stamp keeps it from being built again.
build() {
  local name=$1 source=$2
  shift 2
  [ -f "$cache/build/$name.done" ] && return
  echo "web: building $name"
  rm -rf "$cache/build/$name"
  emcmake cmake -S "$source" -B "$cache/build/$name" -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=OFF \
    -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_FIND_ROOT_PATH="$prefix" "$@" \
    >"$cache/build/$name.log" 2>&1 || { tail -n 30 "$cache/build/$name.log"; exit 1; }
  cmake --build "$cache/build/$name" -j "$jobs" >>"$cache/build/$name.log" 2>&1 \
    && cmake --install "$cache/build/$name" >>"$cache/build/$name.log" 2>&1 \
    || { tail -n 30 "$cache/build/$name.log"; exit 1; }
  touch "$cache/build/$name.done"
}

# zlib's CMake file wants the Windows resources that Debian's source leaves out: its own configure.
if [ ! -f "$cache/build/zlib.done" ]; then
  echo "web: building zlib"
  rm -rf "$cache/build/zlib"
  cp -r "$(fetch zlib)" "$cache/build/zlib"
  (cd "$cache/build/zlib" && emconfigure ./configure --static --prefix="$prefix" && emmake make -j "$jobs" libz.a \
    && emmake make install) >"$cache/build/zlib.log" 2>&1 || { tail -n 30 "$cache/build/zlib.log"; exit 1; }
  touch "$cache/build/zlib.done"
fi
build libpng "$(fetch libpng1.6)" -DPNG_SHARED=OFF -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF \
  -DZLIB_ROOT="$prefix"
build freetype "$(fetch freetype)" -DFT_DISABLE_BZIP2=ON -DFT_DISABLE_HARFBUZZ=ON -DFT_DISABLE_BROTLI=ON \
  -DFT_REQUIRE_ZLIB=ON -DFT_REQUIRE_PNG=ON -DZLIB_ROOT="$prefix"
build sdl2 "$(fetch libsdl2)" -DSDL_SHARED=OFF -DSDL_STATIC=ON -DSDL_TEST=OFF
# SDL_mixer's own decoders only: WAV, MP3 (dr_mp3), Ogg (stb_vorbis), FLAC (dr_flac).
build sdl2_mixer "$(fetch libsdl2-mixer)" -DSDL2MIXER_SAMPLES=OFF -DSDL2MIXER_VENDORED=OFF \
  -DSDL2MIXER_MIDI=OFF -DSDL2MIXER_MOD=OFF -DSDL2MIXER_OPUS=OFF -DSDL2MIXER_FLAC_LIBFLAC=OFF \
  -DSDL2MIXER_FLAC_DRFLAC=ON -DSDL2MIXER_MP3_MPG123=OFF -DSDL2MIXER_MP3_DRMP3=ON \
  -DSDL2MIXER_VORBIS=STB -DSDL2MIXER_WAVE=ON -DSDL2MIXER_CMD=OFF -DSDL2MIXER_DEPS_SHARED=OFF \
  -DSDL2_DIR="$prefix/lib/cmake/SDL2"

# giflib has a plain Makefile: its library's sources, compiled by hand.
if [ ! -f "$cache/build/giflib.done" ]; then
  echo "web: building giflib"
  rm -rf "$cache/build/giflib"
  cp -r "$(fetch giflib)" "$cache/build/giflib"
  (cd "$cache/build/giflib" && emcc -O2 -c dgif_lib.c egif_lib.c gifalloc.c gif_err.c gif_font.c gif_hash.c \
    openbsd-reallocarray.c quantize.c && emar rcs libgif.a ./*.o && mkdir -p "$prefix/include" "$prefix/lib" \
    && cp gif_lib.h "$prefix/include/" && cp libgif.a "$prefix/lib/") >"$cache/build/giflib.log" 2>&1 \
    || { tail -n 30 "$cache/build/giflib.log"; exit 1; }
  touch "$cache/build/giflib.done"
fi
# libjpeg-turbo: the library alone (its tools do not link for the web), installed by hand. Its size
# checks run a test program, which under the emulator reports nonsense: the sizes are given.
if [ ! -f "$cache/build/libjpeg.done" ]; then
  echo "web: building libjpeg-turbo"
  rm -rf "$cache/build/libjpeg"
  source=$(fetch libjpeg-turbo)
  (emcmake cmake -S "$source" -B "$cache/build/libjpeg" -DCMAKE_BUILD_TYPE=Release -DENABLE_SHARED=OFF \
    -DENABLE_STATIC=ON -DWITH_SIMD=OFF -DWITH_TURBOJPEG=OFF \
    -DHAVE_SIZE_T=TRUE -DSIZE_T=4 -DHAVE_UNSIGNED_LONG=TRUE -DUNSIGNED_LONG=4 \
    && cmake --build "$cache/build/libjpeg" -j "$jobs" --target jpeg-static \
    && cp "$cache/build/libjpeg/libjpeg.a" "$prefix/lib/" \
    && cp "$source/jpeglib.h" "$source/jmorecfg.h" "$source/jerror.h" "$cache/build/libjpeg/jconfig.h" \
      "$prefix/include/") >"$cache/build/libjpeg.log" 2>&1 || { tail -n 30 "$cache/build/libjpeg.log"; exit 1; }
  touch "$cache/build/libjpeg.done"
fi

# FFmpeg with only what AVI games hold: the decoders below, the AVI, WAV and MP3 readers, and the
# scaler and resampler the movie player converts with. No threads: the page has none.
if [ ! -f "$cache/build/ffmpeg.done" ]; then
  echo "web: building ffmpeg"
  rm -rf "$cache/build/ffmpeg"
  mkdir -p "$cache/build/ffmpeg"
  source=$(fetch ffmpeg)
  decoders=cinepak,msvideo1,msrle,indeo3,indeo4,indeo5,mjpeg,mpeg4,rawvideo,pcm_s16le,pcm_u8,adpcm_ms,adpcm_ima_wav,mp3,mp3float
  (cd "$cache/build/ffmpeg" && emconfigure "$source/configure" --prefix="$prefix" --target-os=none --arch=x86_32 \
    --enable-cross-compile --cc=emcc --cxx=em++ --ar=emar --ranlib=emranlib --nm=llvm-nm \
    --disable-x86asm --disable-inline-asm --disable-asm --disable-stripping --disable-programs --disable-doc \
    --disable-debug --disable-runtime-cpudetect --disable-autodetect --disable-pthreads --disable-w32threads \
    --disable-os2threads --disable-network --disable-everything --enable-decoder=$decoders \
    --enable-demuxer=avi,wav,mp3 --enable-parser=mpeg4video,mpegaudio,mjpeg --enable-protocol=file \
    --enable-swscale --enable-swresample --enable-static --disable-shared \
    && emmake make -j "$jobs" && emmake make install) >"$cache/build/ffmpeg.log" 2>&1 \
    || { tail -n 30 "$cache/build/ffmpeg.log"; exit 1; }
  touch "$cache/build/ffmpeg.done"
fi

echo "web: the libraries are in $prefix"

# ---- The page's JavaScript parts from npm: the synthesiser, the zip reader and writer, and the browser
# driver of the tests ---------------------------------------------------------------------------------
npm_dir=$cache/npm
npm_packages=(js-synthesizer@1.11.0 fflate@0.8.4 playwright-core)
for wanted in "${npm_packages[@]}"; do
  if [ ! -d "$npm_dir/node_modules/${wanted%@*}" ]; then
    mkdir -p "$npm_dir"
    (cd "$npm_dir" && { [ -f package.json ] || npm init -y >/dev/null; } \
      && npm install --no-audit --no-fund "${npm_packages[@]}" >/dev/null)
    break
  fi
done

# ---- advplay -----------------------------------------------------------------------------------------
# Emscripten's optimiser needs Debian's acorn, which node finds only when told where.
export NODE_PATH=/usr/share/nodejs
out=$root/build/web
mkdir -p "$out"
PKG_CONFIG_LIBDIR=$prefix/lib/pkgconfig emcmake cmake -S "$root" -B "$out/cmake" -DCMAKE_BUILD_TYPE=Release \
  -DADVPLAY_TESTS=OFF -DADVPLAY_BENCHMARKS=OFF -DADVPLAY_SDL=OFF -DCMAKE_PREFIX_PATH="$prefix" \
  -DCMAKE_FIND_ROOT_PATH="$prefix" >"$out/cmake.log" 2>&1 || { tail -n 30 "$out/cmake.log"; exit 1; }
cmake --build "$out/cmake" -j "$jobs" --target advplay advplay_page >>"$out/cmake.log" 2>&1 \
  || { grep -E "error" -A5 "$out/cmake.log" | head -n 40; exit 1; }

# The page: the program, its script, the synthesiser, the SoundFont, the gothic face the games'
# text uses (the same file as the native build's, so that the text is the same to the pixel) and
# the demo game.
packager=/usr/share/emscripten/tools/file_packager.py
cp "$out/cmake/src/advplay-page.js" "$out/cmake/src/advplay-page.wasm" "$root/src/platform/web/index.html" \
  "$root/src/platform/web/advplay-web.js" "$npm_dir/node_modules/js-synthesizer/dist/js-synthesizer.min.js" \
  "$npm_dir/node_modules/js-synthesizer/externals/libfluidsynth-2.4.6.js" "$out/"
cp "$npm_dir/node_modules/fflate/umd/index.js" "$out/fflate.min.js"
cp /usr/share/sounds/sf2/TimGM6mb.sf2 "$out/"
gothic=$(fc-match -f '%{file}' IPAGothic)
rm -rf "$out/fonts" && mkdir -p "$out/fonts"
cp -L "$gothic" "$out/fonts/ipag.ttf"
echo "IPAGothic = /fonts/ipag.ttf" > "$out/fonts/fonts.txt"
(cd "$out" && python3 "$packager" fonts.data --preload fonts@/fonts --js-output=fonts.js \
  --export-name=advplayModule >/dev/null && rm -rf fonts)
(cd "$out" && python3 "$packager" demo.data --preload "$root/games/demo@/games/demo" --js-output=demo.js \
  --export-name=advplayModule >/dev/null)
# The command-line program under node, on the host's files and fonts, for comparing with native runs.
mkdir -p "$out/node"
cp "$out/cmake/src/advplay.js" "$out/cmake/src/advplay.wasm" "$out/node/"
for family in IPAGothic IPAPGothic IPAMincho IPAPMincho; do
  echo "$family = $(fc-match -f '%{file}' "$family")"
done > "$out/node/fonts.txt"

echo "web: the page is in build/web; serve it with: (cd build/web && python3 -m http.server 8000)"
echo "web: and open http://localhost:8000/ (the demo starts by itself; add ?pick to wait for a game)"

if [ "${1:-}" = --test ]; then
  if [ ! -x "$root/build/test/src/advplay" ]; then
    cmake --preset test >/dev/null
    cmake --build --preset test -j "$jobs" --target advplay >/dev/null
  fi
  "$root/tests/web/page_matches_native.sh" "$root/build/test/src/advplay" "$out" "$root/games/demo" \
    "$root/tests/scenarios/demo_game/input.txt" "$npm_dir/node_modules"
fi
