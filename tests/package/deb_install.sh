#!/usr/bin/env bash
# deb_install.sh BUILD_DIR (as root): makes the Debian package, checks what it holds, installs it with apt
# into a fresh Debian 12 root made by debootstrap, and runs installed_checks.sh there.
set -euo pipefail
fail() { echo "FAIL: $*" >&2; exit 1; }
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "$1" && pwd)
work=$(mktemp -d "$build/package-test.XXXXXX")
root="$work/root"
cleanup() {
    # Deepest mount first; --one-file-system keeps rm out of anything still mounted.
    awk -v top="$work/" 'index($2, top) == 1 { print $2 }' /proc/mounts | sort -r | xargs -r umount -l
    rm -rf --one-file-system "$work"
}
trap cleanup EXIT

timeout 900 cmake --build "$build" --target zentrava zentrava-cli zentrava_icons zentrava_man
rm -f "$build"/zentrava_*.deb
(cd "$build" && timeout 300 cpack -G DEB)
deb=$(echo "$build"/zentrava_*.deb)
version=$(dpkg-deb -f "$deb" Version)

dpkg-deb -x "$deb" "$work/deb"
cd "$work/deb/usr"
for path in bin/zentrava bin/zentrava-cli share/applications/zentrava.desktop share/zentrava/help/index.html \
    share/metainfo/zentrava.metainfo.xml share/icons/hicolor/scalable/apps/zentrava.svg \
    share/man/man1/zentrava.1.gz share/man/man1/zentrava-cli.1.gz; do
    [[ -s "$path" ]] || fail "the package holds no /usr/$path"
done
for size in 48 256; do
    file "share/icons/hicolor/${size}x$size/apps/zentrava.png" | grep -F "PNG image data, $size x $size," ||
        fail "no ${size}x$size PNG icon"
done
desktop-file-validate share/applications/zentrava.desktop
appstreamcli validate --no-net share/metainfo/zentrava.metainfo.xml
grep -F "<release version=\"$version\"" share/metainfo/zentrava.metainfo.xml || fail "no release $version"

# The first bookworm archive the host's apt sources name, in one-line or deb822 form.
mirror=$({ cat /etc/apt/sources.list /etc/apt/sources.list.d/*.{list,sources} 2> /dev/null || true; } |
    awk 'function flush() { if (uri && suite && !off) { print uri; uri = ""; exit } uri = suite = off = "" }
        { sub(/ \[[^]]*\]/, "") }
        $1 == "deb" && $3 ~ /^(bookworm|stable)$/ { uri = $2; suite = 1; flush() }
        /^[ \t]*$/ { flush() }
        $1 == "URIs:" { uri = $2 }
        $1 == "Suites:" && / (bookworm|stable)( |$)/ { suite = 1 }
        ($1 == "Types:" && !/ deb( |$)/) || ($1 == "Enabled:" && $2 == "no") { off = 1 }
        END { flush() }')
[[ -n "$mirror" ]] || fail "the host's apt sources name no bookworm archive"
timeout 900 debootstrap --variant=minbase bookworm "$root" "$mirror"

cp "$deb" "$root/tmp/zentrava.deb"
cp /etc/resolv.conf "$root/etc/resolv.conf"
mount -t proc proc "$root/proc"
in_root() { timeout "$1" chroot "$root" env -i PATH=/usr/bin:/bin:/usr/sbin:/sbin DEBIAN_FRONTEND=noninteractive "${@:2}"; }
in_root 300 apt-get update -q
# Without the recommended packages: what the package depends on must be enough to run it.
in_root 900 apt-get install -y -q --no-install-recommends /tmp/zentrava.deb
in_root 300 bash -s "$version" < "$here/installed_checks.sh"
echo "the package installs and runs"
