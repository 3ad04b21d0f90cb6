#!/bin/sh
# make demo: Pixbako on a sample memory card, run headless twice as a script or a udev rule
# would run it, then the resulting folders and the log.
#   tools/demo/run-demo.sh BUILD_FOLDER [DEMO_FOLDER]
set -eu
build=$1
demo=${2:-$(mktemp -d "${TMPDIR:-/tmp}/pixbako-demo-XXXXXX")}
card="$demo/media/CARD"
save="$demo/Pictures"
mkdir -p "$demo/bin" "$save"

# The program with its settings file beside it (the program's path with ".INI"), in UTF-8
# with its byte-order mark: without the mark the file would be read as CP932.
cp "$build/app/pixbako" "$demo/bin/pixbako"
crlf() { sed 's/$/\r/'; }
{ printf '\357\273\277'; crlf; } > "$demo/bin/pixbako.INI" <<INI
[INI0]
READ=$card/DCIM
WRITE=$save
MODE=0
OVERW=0
SUBDIR=1
TYPEF=0
DIRCHKBOX=1
DDATE=yyyy_mm_dd
RENAME=1
FMAE=
FDATE=yyyymmdd
FATO=_
FNUM=1
FNUMF=1
FAUTONUMF=1
START=1
LOGF=1
AUTOQUIT=1
INI

export QT_QPA_PLATFORM=offscreen
if [ -z "${XDG_RUNTIME_DIR:-}" ]; then # a login session has one; a bare shell may not
    export XDG_RUNTIME_DIR="$demo/runtime"
    mkdir -p -m 700 "$XDG_RUNTIME_DIR"
fi
step() { printf '\n== %s\n' "$*"; }
run() {
    status=0
    "$demo/bin/pixbako" "$card/DCIM" || status=$?
    echo "pixbako exited with status $status"
}
tree() {
    (cd "$1" && find . -mindepth 1 | LC_ALL=C sort | sed -e 's|^\./||' -e 's|[^/]*/|    |g')
}

step "A sample memory card in $card"
"$build/tools/demo/pixbako-democard" "$card"

step "First run: pixbako $card/DCIM (move into date folders, renamed and numbered)"
run
step "Later the camera took two more shots"
"$build/tools/demo/pixbako-democard" "$card" --later
step "Second run: numbering continues where the first run stopped"
run

step "Left on the card (the counter file is never imported)"
tree "$card"
step "The save folder $save"
tree "$save"
for log in "$save"/*.LOG; do
    step "Log $(basename "$log") (CP932 with CRLF, shown in UTF-8)"
    iconv -f CP932 -t UTF-8 "$log" | tr -d '\r'
    echo
done
printf '\nEverything is in %s (remove it when done).\n' "$demo"
