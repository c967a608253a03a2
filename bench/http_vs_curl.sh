#!/usr/bin/env bash
# Requests per second of THTTPClient::HTTPGet against the curl command line: sequential GETs of one
# small page over one kept-alive loopback connection, both against the same nginx in the same run.
#   bench/http_vs_curl.sh [BUILD_DIR] [COUNT]
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${1:-build}
COUNT=${2:-5000}
BENCH="$BUILD/bench/bench_http"
NGINX=${NGINX:-/usr/sbin/nginx}
[ -x "$BENCH" ] || { echo "build the bench_http target first ($BENCH)" >&2; exit 2; }
[ -x "$NGINX" ] || { echo "nginx not found at $NGINX" >&2; exit 2; }
command -v curl >/dev/null || { echo "curl not found" >&2; exit 2; }

tmp=$(mktemp -d)
nginx_pid=
cleanup() {
    [ -n "$nginx_pid" ] && kill "$nginx_pid" 2>/dev/null && wait "$nginx_pid" 2>/dev/null
    rm -rf "$tmp"
}
trap cleanup EXIT
chmod 755 "$tmp" # nginx workers drop root and must read the page
mkdir -p "$tmp/www"
{
    echo '<!DOCTYPE html><html><head><meta charset="utf-8"><title>bench</title></head><body>'
    for i in $(seq 1 40); do echo "<p><a href=\"p$i.html\">Paragraph $i</a> of the benchmark page.</p>"; done
    echo '</body></html>'
} >"$tmp/www/page.html"
chmod -R a+rX "$tmp/www"

port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
cat >"$tmp/nginx.conf" <<CONF
daemon off;
worker_processes 1;
pid $tmp/nginx.pid;
error_log $tmp/error.log;
events { worker_connections 64; }
http {
    log_format conn '\$connection';
    access_log $tmp/access.log conn buffer=256k;
    default_type text/html;
    keepalive_requests 1000000;
    keepalive_timeout 120s;
    client_body_temp_path $tmp/body;
    proxy_temp_path $tmp/proxy;
    fastcgi_temp_path $tmp/fastcgi;
    uwsgi_temp_path $tmp/uwsgi;
    scgi_temp_path $tmp/scgi;
    server {
        listen 127.0.0.1:$port;
        root $tmp/www;
    }
}
CONF
"$NGINX" -p "$tmp" -e "$tmp/error.log" -c "$tmp/nginx.conf" &
nginx_pid=$!
url="http://127.0.0.1:$port/page.html"
for _ in $(seq 1 50); do curl -s -o /dev/null "$url" && break; sleep 0.1; done

# curl: the same URL COUNT times in one invocation, which keeps one connection.
for _ in $(seq 1 "$COUNT"); do printf 'url = "%s"\noutput = "/dev/null"\n' "$url"; done >"$tmp/urls.txt"
start=$(date +%s.%N)
connects=$(curl -s -K "$tmp/urls.txt" -w '%{num_connects}\n' | awk '{ n += $1 } END { print n }')
end=$(date +%s.%N)
curl_rate=$(awk -v n="$COUNT" -v a="$start" -v b="$end" 'BEGIN { printf "%.0f", n / (b - a) }')
echo "curl:    $COUNT requests, $connects connection(s), $(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f", b - a }') s, $curl_rate requests/s"

ours=$("$BENCH" "$url" "$COUNT")
echo "$ours"
our_rate=$(echo "$ours" | sed -E 's/.* ([0-9]+) requests\/s$/\1/')
awk -v o="$our_rate" -v c="$curl_rate" 'BEGIN { printf "ratio HTTPGet/curl: %.2f (goal: at least 0.90)\n", o / c }'

# A graceful stop flushes the access log: one connection each for the probe, curl and HTTPGet.
kill -QUIT "$nginx_pid"
wait "$nginx_pid" 2>/dev/null || true
nginx_pid=
echo "nginx saw $(wc -l <"$tmp/access.log") requests on $(sort -u "$tmp/access.log" | wc -l) connections (probe, curl, HTTPGet)"
