#!/usr/bin/env bash
# Brings the window's translations up to date with the texts in ui/: new texts are added as
# unfinished, texts no longer used are dropped. Without locations, so that moving code leaves
# the .ts files alone. Usage: scripts/update-translations.sh [ts file...] (default: all of them)
set -euo pipefail
cd "$(dirname "$0")/.."
lupdate=${LUPDATE:-$(command -v lupdate6 || command -v lupdate || echo /usr/lib/qt6/bin/lupdate)}
files=("$@")
[ ${#files[@]} -eq 0 ] && files=(ui/translations/*.ts)
"$lupdate" -silent -locations none -no-obsolete -I . ui -ts "${files[@]}"
