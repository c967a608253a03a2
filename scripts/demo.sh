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
cleanup() {
  [ -f "$tmp/nginx.pid" ] && kill "$(cat "$tmp/nginx.pid")" 2>/dev/null || true
  rm -rf "$tmp"
}
trap cleanup EXIT

port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
sed -e "s|@TMP@|$tmp|g" -e "s|@PORT@|$port|g" -e "s|@ROOT@|$root/examples/demo-site|g" \
  "$root/examples/nginx.conf.in" > "$tmp/nginx.conf"
/usr/sbin/nginx -c "$tmp/nginx.conf" -p "$tmp" &
for _ in $(seq 50); do
  python3 -c "import socket; socket.create_connection(('127.0.0.1',$port),1)" 2>/dev/null && break
  sleep 0.1
done

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
