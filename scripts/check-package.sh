#!/usr/bin/env bash
# Checks the Debian package in a fresh, minimal Debian 12 system (a debootstrap chroot):
# apt installs it with its dependencies, the programs carry cap_net_raw, an unprivileged user
# starts Pelvaro! (offscreen) and pings 127.0.0.1, and a purge leaves nothing of the package
# behind. Prints start-up figures on the way.
#
# usage: scripts/check-package.sh [PAKET.deb]   (default: build/package/pelvaro_*.deb)
# Needs root (debootstrap, chroot, mounts) and access to deb.debian.org; installs
# debootstrap itself when it is missing. The chroot is made anew in /var/tmp/pelvaro-chroot
# on every run; it stays there after a failure for a look inside and is removed on success.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ "$(id -u)" -ne 0 ]; then
    exec sudo --preserve-env=PELVARO_MIRROR "$0" "$@"
fi

deb=${1:-$(find build/package -maxdepth 1 -name 'pelvaro_*.deb' -print -quit 2>/dev/null || true)}
if [ -z "$deb" ] || [ ! -f "$deb" ]; then
    echo "Kein Paket gefunden; erst scripts/package.sh ausführen oder den Pfad angeben." >&2
    exit 2
fi
deb=$(realpath "$deb")
root=/var/tmp/pelvaro-chroot
mirror=${PELVARO_MIRROR:-http://deb.debian.org/debian}

fail() {
    echo "FEHLER: $*" >&2
    exit 1
}
step() {
    echo
    echo "== $(date +%T) $*"
}

mounted=()
cleanup() {
    local i
    for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do
        umount -l "${mounted[$i]}" 2>/dev/null || true
    done
}
trap cleanup EXIT
bind() {
    mkdir -p "$root$1"
    mount --bind "$1" "$root$1"
    mounted+=("$root$1")
}
in_root() {
    chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 \
        DEBIAN_FRONTEND=noninteractive "$@"
}
# As the unprivileged user, in his own session: no variable of root's comes along.
as_tester() {
    in_root runuser -u tester -- env HOME=/home/tester QT_QPA_PLATFORM=offscreen \
        XDG_RUNTIME_DIR=/tmp/tester-runtime "$@"
}

# check_caches present|absent: the caches that the dpkg triggers of shared-mime-info,
# desktop-file-utils and gtk-update-icon-cache rebuild name the program, or no longer do.
check_caches() {
    local want=$1 found
    local -A caches=(
        [shared-mime-info]=/usr/share/mime/globs2
        [desktop-file-utils]=/usr/share/applications/mimeinfo.cache
        [gtk-update-icon-cache]=/usr/share/icons/hicolor/icon-theme.cache
    )
    local package
    for package in shared-mime-info desktop-file-utils gtk-update-icon-cache; do
        if ! in_root dpkg -s "$package" >/dev/null 2>&1; then
            echo "$package: nicht installiert, kein Cache zu aktualisieren"
            continue
        fi
        found=absent
        if [ -f "$root${caches[$package]}" ] && grep -qa 'pelvaro' "$root${caches[$package]}"; then
            found=present
        fi
        [ "$found" = "$want" ] || fail "$package: ${caches[$package]} erwartet $want, ist $found"
        echo "$package: ${caches[$package]} $([ "$want" = present ] && echo nennt || echo nennt nicht mehr) Pelvaro!"
    done
}

started=$(date +%s)
if ! command -v debootstrap >/dev/null 2>&1; then
    step "debootstrap installieren"
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq debootstrap
fi

step "frisches Debian 12 (minbase) in $root"
if [ -d "$root" ]; then
    # Mounts of an interrupted earlier run must not take the host's /dev or /proc with them.
    for m in proc dev/pts dev; do umount -l "$root/$m" 2>/dev/null || true; done
    rm -rf --one-file-system "$root"
fi
debootstrap --variant=minbase bookworm "$root" "$mirror" >/var/tmp/pelvaro-debootstrap.log 2>&1 ||
    { tail -20 /var/tmp/pelvaro-debootstrap.log >&2; fail "debootstrap fehlgeschlagen"; }
bind /dev
bind /dev/pts
mount -t proc proc "$root/proc"
mounted+=("$root/proc")
cp /etc/resolv.conf "$root/etc/resolv.conf"

step "Paket mit seinen Abhängigkeiten installieren: $(basename "$deb")"
cp "$deb" "$root/tmp/"
in_root apt-get update -qq
install_started=$(date +%s%N)
in_root apt-get install -y -q "/tmp/$(basename "$deb")" >/var/tmp/pelvaro-apt-install.log 2>&1 ||
    { tail -30 /var/tmp/pelvaro-apt-install.log >&2; fail "apt-get install fehlgeschlagen"; }
install_ms=$((($(date +%s%N) - install_started) / 1000000))
grep -E '^(Setting up|Processing triggers)' /var/tmp/pelvaro-apt-install.log | grep -Ei 'pelvaro|mime|desktop|icon' || true
echo "Pakete insgesamt nachinstalliert: $(grep -c '^Setting up' /var/tmp/pelvaro-apt-install.log)"
in_root dpkg -L pelvaro | sort >/var/tmp/pelvaro-files.txt
in_root apt-get install -y -qq time >/dev/null

step "Fähigkeiten der Programme"
for program in /usr/bin/pelvaro /usr/bin/pelvaro-cli; do
    caps=$(in_root getcap "$program")
    echo "$caps"
    [[ $caps == *cap_net_raw=ep* ]] || fail "$program hat kein cap_net_raw"
done

step "Die Caches der Arbeitsfläche kennen das Programm (dpkg-Trigger)"
check_caches present

step "Start als normaler Benutzer"
in_root useradd --create-home --shell /bin/bash tester
in_root install -d -m 700 -o tester -g tester /tmp/tester-runtime
if [ -w /proc/sys/vm/drop_caches ]; then
    sync
    echo 3 >/proc/sys/vm/drop_caches
    echo "(Seiten-Cache vorher geleert: kalter Start)"
else
    echo "(Seiten-Cache nicht leerbar: erster Start nach der Installation)"
fi
as_tester /usr/bin/time -f '%e s, %M KiB' -o /tmp/cold.txt pelvaro --exit-after-start ||
    fail "pelvaro --exit-after-start endete mit $?"
echo "erster Start: $(cat "$root/tmp/cold.txt")"
[ -f "$root/home/tester/.local/share/pelvaro/daten/pelvarodaten.db" ] ||
    fail "kein Katalog im Datenordner des Benutzers"
as_tester pelvaro-cli catalogue counts
in_root install -o tester -m 644 /dev/null /tmp/warm.txt
for _ in 1 2 3 4 5 6 7 8 9 10; do
    as_tester /usr/bin/time -f '%e %M' -a -o /tmp/warm.txt pelvaro --exit-after-start ||
        fail "warmer Start endete mit Fehler"
done
sort -n "$root/tmp/warm.txt" | awk '{t[NR]=$1; m[NR]=$2} END {
    printf "warmer Start, Median von %d: %.2f s (min %.2f, max %.2f)\n", NR, (t[5]+t[6])/2, t[1], t[NR]
}'
sort -n -k2 "$root/tmp/warm.txt" | awk '{m[NR]=$2} END { printf "Speicherspitze (max RSS), Median: %d KiB\n", (m[5]+m[6])/2 }'

step "Ping auf http://127.0.0.1/ als normaler Benutzer"
echo "net.ipv4.ping_group_range = $(cat /proc/sys/net/ipv4/ping_group_range)"
as_tester pelvaro-cli ping http://127.0.0.1/ >"$root/tmp/ping.txt" || true
cat "$root/tmp/ping.txt"
grep -q '^TEST OK:' "$root/tmp/ping.txt" || fail "kein Echo von 127.0.0.1"
# The same program without the capability (a copy drops it) shows what the capability adds.
in_root install -m 755 /usr/bin/pelvaro-cli /tmp/pelvaro-cli-ohne-cap
echo "-- dasselbe ohne cap_net_raw:"
as_tester /tmp/pelvaro-cli-ohne-cap ping http://127.0.0.1/ >"$root/tmp/ping-nocap.txt" || true
cat "$root/tmp/ping-nocap.txt"
in_root rm -f /tmp/pelvaro-cli-ohne-cap
if [ "$(cat /proc/sys/net/ipv4/ping_group_range)" = "1	0" ]; then
    grep -q 'Der Ping kann auf diesem System nicht gesendet werden' "$root/tmp/ping-nocap.txt" ||
        fail "ohne cap_net_raw hätte der Ping hier scheitern müssen"
fi

step "Größen"
size=$(stat -c %s "$deb")
echo "Paketdatei: $size Bytes ($((size / 1024)) KiB)"
# shellcheck disable=SC2016 # dpkg-query's own field syntax
echo "Installed-Size: $(in_root dpkg-query -W -f='${Installed-Size}' pelvaro) KiB"
# shellcheck disable=SC2016
echo "Depends: $(in_root dpkg-query -W -f='${Depends}' pelvaro)"

step "apt-get purge -y pelvaro"
in_root apt-get purge -y -q pelvaro >/var/tmp/pelvaro-apt-purge.log 2>&1 ||
    { tail -20 /var/tmp/pelvaro-apt-purge.log >&2; fail "purge fehlgeschlagen"; }
left=()
while IFS= read -r path; do
    [ "$path" = "/." ] && continue
    # A folder another package owns too stays, rightly.
    if [ -e "$root$path" ] && ! in_root dpkg -S "$path" >/dev/null 2>&1; then
        left+=("$path")
    fi
done </var/tmp/pelvaro-files.txt
if [ ${#left[@]} -gt 0 ]; then
    printf '  %s\n' "${left[@]}"
    fail "nach dem Purge liegt noch etwas vom Paket herum"
fi
in_root dpkg -s pelvaro >/dev/null 2>&1 && fail "dpkg kennt das Paket nach dem Purge noch"
echo "nichts vom Paket übrig ($(wc -l </var/tmp/pelvaro-files.txt) Einträge von dpkg -L geprüft)"
check_caches absent

# The first installation brought shared-mime-info and the icon cache along, so they built
# their caches while being set up. On a desktop they are there before: install once more
# with them (and desktop-file-utils) present, so only their triggers can do the work.
step "erneut installieren, die Cache-Programme schon vorhanden"
in_root apt-get install -y -qq desktop-file-utils >/dev/null
in_root apt-get install -y -q "/tmp/$(basename "$deb")" >/var/tmp/pelvaro-apt-reinstall.log 2>&1 ||
    { tail -20 /var/tmp/pelvaro-apt-reinstall.log >&2; fail "zweite Installation fehlgeschlagen"; }
grep '^Processing triggers' /var/tmp/pelvaro-apt-reinstall.log || true
check_caches present
in_root apt-get purge -y -q pelvaro >/var/tmp/pelvaro-apt-purge.log 2>&1 || fail "zweiter Purge fehlgeschlagen"
grep '^Processing triggers' /var/tmp/pelvaro-apt-purge.log || true
check_caches absent

echo
echo "Installation per apt: $((install_ms / 1000)).$(printf %03d $((install_ms % 1000))) s; Prüfung insgesamt: $(($(date +%s) - started)) s"
cleanup
mounted=()
rm -rf --one-file-system "$root"
echo "Paketprüfung bestanden."
