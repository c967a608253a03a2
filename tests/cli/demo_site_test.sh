#!/usr/bin/env bash
# The bundled demo site served by nginx, loaded by tarrow-cli: checks the saved tree and links.
set -euo pipefail
cli=$1
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
TARROW_CLI="$cli" "$root/scripts/demo.sh" > log.txt 2>&1 || { cat log.txt; exit 1; }
site="$work/tarrow-demo/Harbour Lights"
expected="about/index.html
css/print.css
css/site.css
docs/guide.pdf
img/logo-2x.png
img/logo.png
img/wave.png
index.html
media/harbour.png
news/index.html
old-news/index.html"
actual=$(cd "$site" && find . -type f | sed 's|^\./||' | sort)
if [ "$actual" != "$expected" ]; then
  echo "unexpected tree:"; echo "$actual"; cat log.txt; exit 1
fi
grep -q 'Redirect to: /site/news/' log.txt
grep -q '^Downloaded: 11, already existed: 0, not changed: 0, empty: 0, failed: 0\.$' log.txt
grep -q 'href="about/index.html"' "$site/index.html"
grep -q 'src="media/harbour.png"' "$site/index.html"
grep -q 'href="docs/guide.pdf"' "$site/index.html"
grep -q 'Copyright 2026 (offline copy)' "$site/index.html"
grep -q 'href="http://127.0.0.1:[0-9]*/site/account/logout"' "$site/index.html"
grep -q 'href="../css/site.css"' "$site/old-news/index.html"
# Complete pages: the style sheet's import and image, and the second logo of the srcset.
grep -q 'url("../img/wave.png")' "$site/css/site.css"
grep -q 'img/logo-2x.png 2x' "$site/index.html"
cmp -s "$site/docs/guide.pdf" "$root/examples/demo-site/site/docs/guide.pdf"
cmp -s "$site/media/harbour.png" "$root/examples/demo-site/media/harbour.png"
echo "demo site loaded as expected"
