#!/usr/bin/env bash
# Installs the build into a scratch DESTDIR under a prefix of its own and checks the result as
# a user would meet it: the listed files, a valid desktop entry that starts the installed
# program in the installed examples' folder, valid AppStream metainfo, a MIME type that maps
# *.slt, man pages, binaries free of the build's paths, and the installed programs playing an
# installed example.
#   install_test.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$(cd "$1" && pwd) source=$2 prefix=/opt/kestrel-test
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
root=$work/root$prefix
fail() { echo "FAIL: $*" >&2; exit 1; }

# The default component is the whole install; naming it keeps the user's install_manifest.txt.
DESTDIR=$work/root cmake --install "$build" --prefix "$prefix" --component Unspecified >/dev/null
while read -r file; do [ -e "$root/$file" ] || fail "not installed: $file"; done \
    < "$source/dist/installed-files.txt"

desktop=$root/share/applications/kestrel3d.desktop
desktop-file-validate "$desktop" || fail "desktop entry"
grep -qx "Path=$prefix/share/kestrel3d/examples" "$desktop" || fail "desktop entry's Path"
grep -qx "Exec=$prefix/bin/kestrel3d %f" "$desktop" || fail "desktop entry's Exec" # PATH or not
metainfo=$(ls "$root"/share/metainfo/*.metainfo.xml)
appstreamcli validate --no-net "$metainfo" >/dev/null || fail "$(appstreamcli validate --no-net "$metainfo")"
grep -q '<launchable type="desktop-id">kestrel3d.desktop</launchable>' "$metainfo" || fail launchable
mime=$root/share/mime/packages/kestrel3d.xml
xmllint --noout "$mime" || fail "MIME file"
type=$(grep -o 'type="application/[^"]*"' "$mime" | head -1 | cut -d'"' -f2)
grep -qx "MimeType=$type;" "$desktop" || fail "desktop entry does not open $type"
mkdir -p "$work/mime/packages" && cp "$mime" "$work/mime/packages/"
update-mime-database "$work/mime"
grep -q "^[0-9]*:$type:\*\.slt$" "$work/mime/globs2" || fail "*.slt is not $type"
for page in kestrel3d slotsim; do
    zcat "$root/share/man/man1/$page.1.gz" | grep -q '^\.SH "MACHINE FILE"' || fail "man $page"
done
# The pages teach playing, every key, every command and every exit code; the help speaks the
# user's words, not the command-line library's.
man=$(zcat "$root/share/man/man1/kestrel3d.1.gz" "$root/share/man/man1/slotsim.1.gz")
for line in '.SH "HOW TO PLAY"' '.SH "KEYS AND MOUSE"' '\fBMouse\fR' '\fBKeypad +, +\fR' \
    '\fBKeypad \-, \-\fR' '\fBEsc\fR' '\fBSpace\fR' '\fBEnter\fR' .B\ {0,1,2,3} \
    '\fB'{F1,F2,F3,F4,F5}'\fR' '\fBCtrl+'{P,W,S,D,A,O,L,X,Y,Z}'\fR' \
    '\fB'{dump,eval,run,play,par,sim,tune}'\fR'; do
    grep -qxF -- "$line" <<<"$man" || fail "man pages lack: $line"
done
help=$("$root/bin/kestrel3d" --help; "$root/bin/slotsim" --help-all)
! grep -E 'ENUM:|->|Spin\(|advances MS|(^| )TEXT( |:|$)' <<<"$help" || fail "help shows CLI11's internals"
for bin in kestrel3d slotsim; do
    ! readelf -d "$root/bin/$bin" | grep -q 'R.*PATH' || fail "$bin has an RPATH"
    objcopy -O binary --only-section=.rodata "$root/bin/$bin" "$work/rodata"
    ! grep -qF "$build" "$work/rodata" || fail "$bin names the build folder"
done

# The installed program on the installed example, against the build's program on the build's
# example: the same picture, and no box (a picture that fails to load shows one per use).
play() { # BIN MACHINE NAME
    printf 'open %s\nframes 3\nshot %s.png\nstate %s.json\nquit\n' "$2" "$work/$3" "$work/$3" \
        > "$work/$3.txt"
    (cd "$work" && QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy "$1" --seed 1 --tick-step 16 \
        --script "$3.txt" > "$3.out" 2>/dev/null) || fail "$3 run"
}
machine=share/kestrel3d/examples/lucky-sevens/lucky-sevens.slt
play "$root/bin/kestrel3d" "$root/$machine" installed
play "$build/bin/kestrel3d" "$build/examples/lucky-sevens/lucky-sevens.slt" built
! grep -q '^box' "$work/installed.out" || fail "$(grep '^box' "$work/installed.out" | head -1)"
cmp -s "$work/installed.png" "$work/built.png" || fail "the installed example looks different"
python3 - "$work/installed.json" "$("$root/bin/slotsim" dump "$root/$machine")" <<'PY'
import json, sys
state, dump = json.load(open(sys.argv[1])), json.loads(sys.argv[2])
assert state["Title"] == "Kestrel-3D: Lucky Sevens ($0 Expended)", state["Title"]
assert state["Textures"] == ["buttons", "chart", "syms"], state["Textures"]
assert dump["Name"] == "Lucky Sevens" and dump["NumReels"] == 3, dump
assert dump["Messages"] == [], dump["Messages"]
PY
echo "install: all checks passed"
