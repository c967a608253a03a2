#!/usr/bin/env bash
# The main job on a bundled demo site: installs what is needed, builds tarrow-cli, serves
# examples/demo-site with nginx on 127.0.0.1, loads it with a bundled settings file into
# ./tarrow-demo (under the current folder) and prints where the offline copy is.
set -euo pipefail
here=$(pwd)
root=$(cd "$(dirname "$0")/.." && pwd)
[ -n "${TARROW_CLI:-}" ] || "$root/scripts/install-deps.sh"

# TARROW_CLI names an already built tarrow-cli (the test suite uses it); otherwise build one.
cli=${TARROW_CLI:-}
if [ -z "$cli" ]; then
  build="$root/build"
  cmake -S "$root" -B "$build" -G Ninja >/dev/null
  cmake --build "$build" --target tarrow-cli
  cli="$build/cli/tarrow-cli"
fi

tmp=$(mktemp -d)
. "$root/scripts/demo-site.sh"

mkdir -p "$tmp/settings"
sed -e "s|@PORT@|$port|g" "$root/examples/demo-tarrow.ini.in" > "$tmp/settings/tarrow.ini"

out="$here/tarrow-demo"
status=0
"$cli" -settingsdir "$tmp/settings" -outdir "$out" || status=$?
echo
if [ $status -eq 0 ]; then
  echo "Offline copy: $out/Harbour Lights/index.html"
else
  echo "tarrow-cli ended with status $status" >&2
fi
exit $status
