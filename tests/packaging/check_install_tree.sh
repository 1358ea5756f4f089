#!/usr/bin/env bash
# check_install_tree.sh BUILD_DIR SOURCE_DIR
#
# Installs the build into a fresh prefix and checks the tree as a package would ship it: the
# desktop file, AppStream data, MIME types, icons and manual page pass their own tools; the
# installed program starts from a read-only installation, gives each user a writable copy of
# the sample catalogue, and one user's selection stays out of another's catalogue.
set -euo pipefail

if [ $# -ne 2 ]; then
    echo "usage: $0 BUILD_DIR SOURCE_DIR" >&2
    exit 2
fi
build=$(realpath "$1")
source_dir=$(realpath "$2")
app_id=example.trevanix.pelvaro

work=$(mktemp -d "${TMPDIR:-/tmp}/pelvaro-install.XXXXXX")
cleanup() {
    chmod -R u+w "$work" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    exit 1
}
step() {
    echo "== $*"
}

prefix=$work/usr
share=$prefix/share

step "cmake --install into $prefix"
cmake --install "$build" --prefix "$prefix" >"$work/install.log" ||
    { cat "$work/install.log" >&2; fail "cmake --install failed"; }

step "installed files"
expected=(
    bin/pelvaro
    bin/pelvaro-cli
    share/pelvaro/daten/pelvarodaten.db
    share/pelvaro/tips.txt
    "share/applications/$app_id.desktop"
    "share/metainfo/$app_id.metainfo.xml"
    "share/mime/packages/$app_id.xml"
    "share/icons/hicolor/scalable/apps/$app_id.svg"
    share/man/man1/pelvaro.1.gz
    share/man/man1/pelvaro-cli.1.gz
    share/doc/pelvaro/README.md
    share/doc/pelvaro/copyright
    share/doc/pelvaro/changelog.gz
)
for file in "${expected[@]}"; do
    [ -f "$prefix/$file" ] || fail "missing $file"
done
for program in pelvaro pelvaro-cli; do
    [ -x "$prefix/bin/$program" ] || fail "$program is not executable"
done
cmp -s "$source_dir/README.md" "$share/doc/pelvaro/README.md" || fail "installed README differs"
cmp -s "$source_dir/resources/tips.txt" "$share/pelvaro/tips.txt" || fail "installed tips differ"

step "desktop file"
desktop=$share/applications/$app_id.desktop
desktop-file-validate "$desktop" || fail "desktop-file-validate"
grep -qx "Icon=$app_id" "$desktop" || fail "desktop file names another icon"
grep -qx 'Exec=pelvaro %f' "$desktop" || fail "desktop file's Exec line"

step "AppStream metainfo"
# Exits non-zero on warnings as well as errors.
appstreamcli validate --no-net "$share/metainfo/$app_id.metainfo.xml" ||
    fail "appstreamcli validate"
grep -q "<launchable type=\"desktop-id\">$app_id.desktop</launchable>" \
    "$share/metainfo/$app_id.metainfo.xml" || fail "metainfo launches another desktop file"

step "MIME types"
update-mime-database "$share/mime" 2>/dev/null || fail "update-mime-database"
globs=$share/mime/globs2
# Lines read weight:type:pattern.
grep -q '^[0-9]*:application/x-pelvaro-site:\*\.sit$' "$globs" || fail "*.sit not mapped: $(cat "$globs")"
grep -q '^[0-9]*:application/x-pelvaro-selection:\*\.suc$' "$globs" || fail "*.suc not mapped"
for type in x-pelvaro-site x-pelvaro-selection; do
    grep -qF "application/$type" <<<"$(grep '^MimeType=' "$desktop")" ||
        fail "desktop file does not open application/$type"
done
grep -q 'Pelvaro!-Site-Info' "$share/mime/application/x-pelvaro-site.xml" || fail "site comment"
grep -q 'Pelvaro!-Suchdienstauswahl' "$share/mime/application/x-pelvaro-selection.xml" ||
    fail "selection comment"

step "icons"
for size in 16 22 24 32 48 64 128 256; do
    icon=$share/icons/hicolor/${size}x${size}/apps/$app_id.png
    [ -f "$icon" ] || fail "missing icon $icon"
    description=$(file -b "$icon")
    [[ $description == "PNG image data, $size x $size,"* ]] || fail "$icon is $description"
done
grep -q '<svg' "$share/icons/hicolor/scalable/apps/$app_id.svg" || fail "scalable icon is no SVG"

step "manual pages"
for program in pelvaro pelvaro-cli; do
    manual=$share/man/man1/$program.1.gz
    gzip -t "$manual" || fail "$manual is no gzip file"
    if ! LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$manual" >"$work/man.txt" 2>"$work/man.err"; then
        cat "$work/man.err" >&2
        fail "man could not render $manual"
    fi
    [ ! -s "$work/man.err" ] || { cat "$work/man.err" >&2; fail "$manual renders with warnings"; }
    grep -q "^ *$program - " "$work/man.txt" || fail "$manual does not describe $program"
done
gzip -t "$share/doc/pelvaro/changelog.gz" || fail "changelog.gz is no gzip file"

step "installed catalogue read-only, as in a package"
chmod -R a-w "$share/pelvaro"
installed_sum=$(sha256sum <"$share/pelvaro/daten/pelvarodaten.db")

# Runs a program of the installation as one user: a home and XDG folders of his own, no
# program folder forced by PELVARO_HOME.
as_user() {
    local home=$1
    shift
    env -u PELVARO_HOME HOME="$home" XDG_CONFIG_HOME="$home/.config" \
        XDG_DATA_HOME="$home/.local/share" XDG_CACHE_HOME="$home/.cache" \
        XDG_RUNTIME_DIR="$home/runtime" QT_QPA_PLATFORM=offscreen \
        timeout 120 "$@"
}
new_user() {
    local home=$work/$1
    mkdir -p "$home/.config" "$home/.local/share" "$home/.cache"
    mkdir -m 700 "$home/runtime"
    echo "$home"
}
counts() {
    local home=$1
    as_user "$home" "$prefix/bin/pelvaro-cli" catalogue counts || fail "pelvaro-cli catalogue counts as $home"
}

reference=$(env -u PELVARO_HOME QT_QPA_PLATFORM=offscreen \
    "$build/pelvaro-cli" --home "$build" catalogue counts) || fail "counts of the build tree"
[ -n "$reference" ] || fail "the build tree's pelvaro-cli printed no counts"

check_first_start() {
    local home=$1
    as_user "$home" "$prefix/bin/pelvaro" --exit-after-start ||
        fail "installed pelvaro --exit-after-start as $home exited $?"
    local copy=$home/.local/share/pelvaro/daten/pelvarodaten.db
    [ -f "$copy" ] || fail "no catalogue copied to $copy"
    [ "$(stat -c %u "$copy")" = "$(id -u)" ] || fail "$copy belongs to someone else"
    [[ $(stat -c %A "$copy") == -rw* ]] || fail "$copy is not writable by its user: $(stat -c %A "$copy")"
    [ -f "$home/.local/share/pelvaro/tips.txt" ] || fail "no tips file copied for $home"
    [ "$(counts "$home")" = "$reference" ] ||
        fail "counts of $home differ from the build tree: $(counts "$home") vs $reference"
}

step "first user starts the installed program"
first=$(new_user first)
check_first_start "$first"

step "second user starts it and gets a copy of his own"
second=$(new_user second)
check_first_start "$second"

step "a selection of the first user stays his"
as_user "$first" "$prefix/bin/pelvaro-cli" catalogue select --nr 1 >/dev/null ||
    fail "pelvaro-cli catalogue select --nr 1"
[ "$(counts "$first")" != "$reference" ] || fail "selecting service 1 changed no count"
[ "$(counts "$second")" = "$reference" ] || fail "the first user's selection shows in the second's"
[ "$(sha256sum <"$share/pelvaro/daten/pelvarodaten.db")" = "$installed_sum" ] ||
    fail "the installed catalogue was changed"

step "a third user calls the command line before the window ever ran"
third=$(new_user third)
[ "$(counts "$third")" = "$reference" ] ||
    fail "pelvaro-cli before any window start: $(counts "$third") vs $reference"
[ -f "$third/.local/share/pelvaro/daten/pelvarodaten.db" ] || fail "pelvaro-cli copied no catalogue"

echo "install tree OK"
