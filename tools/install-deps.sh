#!/bin/sh
# Installs the Debian packages that building, running and testing Pixbako need, but only
# those that are missing, so that a second call costs nothing. Uses sudo when not root.
set -eu
packages="g++ cmake ninja-build make pkg-config qt6-base-dev libjpeg62-turbo-dev libgtest-dev \
libgmock-dev libbenchmark-dev fonts-noto-cjk libimage-exiftool-perl clang libclang-rt-14-dev \
xvfb xauth coreutils time desktop-file-utils qt6-translations-l10n libheif-dev \
libavformat-dev libavcodec-dev libswscale-dev libavutil-dev libsqlite3-dev libxxhash-dev"
missing=""
for p in $packages; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $p"
    fi
done
[ -z "$missing" ] && exit 0
echo "Installing:$missing"
if [ "$(id -u)" -eq 0 ]; then sudo=""; else sudo="sudo"; fi
$sudo apt-get update
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends $missing
