# Sourced by the scripts that need the demo site: serves examples/demo-site with nginx on a free
# 127.0.0.1 port from the temporary folder $tmp (which it cleans up on exit) and sets $port.
# Needs $root (the repository) and $tmp.
cleanup_demo_site() {
  [ -f "$tmp/nginx.pid" ] && kill "$(cat "$tmp/nginx.pid")" 2>/dev/null || true
  rm -rf "$tmp"
}
trap cleanup_demo_site EXIT

port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
sed -e "s|@TMP@|$tmp|g" -e "s|@PORT@|$port|g" -e "s|@ROOT@|$root/examples/demo-site|g" \
  "$root/examples/nginx.conf.in" > "$tmp/nginx.conf"
/usr/sbin/nginx -c "$tmp/nginx.conf" -p "$tmp" &
for _ in $(seq 50); do
  python3 -c "import socket; socket.create_connection(('127.0.0.1',$port),1)" 2>/dev/null && break
  sleep 0.1
done
