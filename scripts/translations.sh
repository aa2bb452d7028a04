#!/usr/bin/env bash
# Brings translations/zentrava_en.ts up to date with the texts in the sources: new texts come in unfinished,
# texts no longer used go. Translate the unfinished ones (Qt Linguist, or by hand) before committing.
set -euo pipefail
cd "$(dirname "$0")/.."
ts=${1:-translations/zentrava_en.ts}
/usr/lib/qt6/bin/lupdate -silent -no-obsolete -locations none -extensions cpp,h \
    app cli common engine packing platform security session sites transfer ui xml -ts "$ts"
