#!/usr/bin/env bash
# Installs, from Debian's packages, whatever the build, the tests and the program still lack.
# Idempotent: with everything present it changes nothing and does not touch the network.
set -euo pipefail

packages=(
    # build
    build-essential cmake ninja-build pkg-config git clang-format
    qt6-base-dev qt6-base-dev-tools qt6-multimedia-dev
    # QtHttpServer for the service stand-in; its CMake package also needs the WebSockets one
    qt6-httpserver-dev qt6-websockets-dev
    libqt6sql6-sqlite
    # the raw SQLite yardstick of the store benchmark
    libsqlite3-dev
    # tests and benchmarks: ICU as a reference lunar calendar, Google Benchmark
    libicu-dev libbenchmark-dev
    # what a user needs at run time: a CJK font and the tune decoders
    fonts-wqy-microhei
    # Qt's own Chinese texts for the standard dialog buttons
    qt6-translations-l10n
    # tunes through Qt's GStreamer backend: MP3, WAV and the sound output (good); MIDI through the
    # FluidSynth decoder (bad), which loads the first General MIDI bank it finds under
    # /usr/share/sounds/sf2 (timgm6mb, the small one)
    gstreamer1.0-plugins-good gstreamer1.0-plugins-bad timgm6mb-soundfont
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

if [ "$(id -u)" -ne 0 ]; then
    SUDO=sudo
else
    SUDO=
fi

echo "Installing: ${missing[*]}"
$SUDO apt-get update -q
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
