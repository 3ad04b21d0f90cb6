#!/bin/sh
# Installs the build into a temporary prefix (with a blank in its path) and checks that it
# holds exactly the program, its desktop entry and its icon, that the entry passes
# desktop-file-validate, names the installed program and offers Pixbako for camera cards.
set -eu
build=$1
base=$(mktemp -d)
trap 'rm -rf "$base"' EXIT
prefix="$base/my apps"
cmake --install "$build" --prefix "$prefix" >/dev/null

cd "$prefix"
found=$(find . ! -type d | sort)
expected="./bin/pixbako
./share/applications/pixbako.desktop
./share/icons/hicolor/scalable/apps/pixbako.svg"
if [ "$found" != "$expected" ]; then
    printf 'installed:\n%s\nexpected:\n%s\n' "$found" "$expected"
    exit 1
fi
[ -x bin/pixbako ]
entry=share/applications/pixbako.desktop
desktop-file-validate "$entry"
grep -qxF "Exec=\"$prefix/bin/pixbako\" %F" "$entry" || { echo "Exec line:"; grep ^Exec "$entry"; exit 1; }
grep -qxF 'MimeType=x-content/image-dcf;' "$entry"
grep -qxF 'Icon=pixbako' "$entry"
echo "installed: $expected" | tr '\n' ' '
