#!/bin/sh
# Serves a folder, the web page's by default, on 127.0.0.1 and prints its address; Ctrl-C stops it.
# Usage: scripts/web_run.sh [DIR] [PORT]   (PORT 0 or none: a free one)
set -eu
dir=${1:-build-web}
port=${2:-0}
[ -f "$dir/index.html" ] || { echo "web-run: no $dir/index.html: make web builds it" >&2; exit 1; }
exec python3 - "$dir" "$port" <<'PYTHON'
import functools, http.server, sys

directory, port = sys.argv[1], int(sys.argv[2])
handler = functools.partial(http.server.SimpleHTTPRequestHandler, directory=directory)
with http.server.ThreadingHTTPServer(("127.0.0.1", port), handler) as server:
    print(f"web-run: http://127.0.0.1:{server.server_address[1]}/ (serving {directory}; Ctrl-C stops it)", flush=True)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass
PYTHON
