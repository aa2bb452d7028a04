#!/usr/bin/env bash
# installed_checks.sh VERSION: runs inside the root the package was installed into.
set -euxo pipefail
version=$1
work=$(mktemp -d)
export ZENTRAVA_HOME="$work/home"

zentrava-cli --version | grep -Fx "zentrava-cli $version"
zentrava-cli help | grep -F "pack zip|cab|targz"
zentrava --version | grep -Fx "zentrava $version"
QT_QPA_PLATFORM=offscreen timeout 10 zentrava --help | grep -F "usage: zentrava [SITE-PATH | ADDRESS]"
for page in zentrava zentrava-cli; do
    zcat "/usr/share/man/man1/$page.1.gz" | grep -iF ".TH $page \"1\""
done

# A folder packed into a zip and unpacked again comes back byte for byte.
mkdir -p "$work/report/sub" "$work/out"
echo alpha > "$work/report/a.txt"
head -c 300000 /dev/urandom > "$work/report/sub/b.bin"
zentrava-cli pack zip "$work/report" -o "$work/out"
zentrava-cli unpack "$work/out/report.zip"
diff -r "$work/report" "$(find "$work/out/report" -name a.txt -printf '%h')"

# The window starts without a display and keeps running until stopped.
status=0
QT_QPA_PLATFORM=offscreen timeout 5 zentrava || status=$?
[[ $status -eq 124 ]]
