#!/usr/bin/env bash
# The README's pictures: starts the desktop program under Xvfb with a sample settings file (in a
# temporary folder), serves examples/demo-site with nginx on 127.0.0.1 as scripts/demo.sh does,
# and lets the program save PNG pictures of its main window, the project editor, the replace-rule
# dialog, the About page, the progress during a run of the demo project and the log after it into
# docs/screenshots/.
# The program takes the pictures itself when TARROW_SCREENSHOT_DIR is set: here of the whole
# 1280x720 screen, with the frames and title bars of a window manager (openbox, installed for this
# script only).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
if ! command -v openbox >/dev/null; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends openbox
fi

build="${BUILD_DIR:-$root/build}"
cmake -S "$root" -B "$build" -G Ninja >/dev/null
cmake --build "$build" --target tarrow-screenshots

tmp=$(mktemp -d)
. "$root/scripts/demo-site.sh"

# The demo project (checked, so the run loads it) and three more to fill the list.
mkdir -p "$tmp/settings"
{
  sed -e "s|@PORT@|$port|g" -e "s|^TarrowProjectsN=1|TarrowProjectsN=4|" \
    "$root/examples/demo-tarrow.ini.in"
  cat <<INI
TarrowProjects[2].ProjectName=Team Blog
TarrowProjects[2].GroupName=Work
TarrowProjects[2].WebsiteURL=http://127.0.0.1:$port/blog/
TarrowProjects[2].OutputFolder={OutDir}/{ProjectName}
TarrowProjects[2].Overwrite=2
TarrowProjects[2].RemoveScripts=1
TarrowProjects[2].IndexFile=index.html
TarrowProjects[2].Visible=1
TarrowProjects[3].ProjectName=Product Docs
TarrowProjects[3].GroupName=Work
TarrowProjects[3].WebsiteURL=http://127.0.0.1:$port/docs/
TarrowProjects[3].OutputFolder={OutDir}/docs
TarrowProjects[3].BaseURL=https://mirror.example/docs/
TarrowProjects[3].Overwrite=1
TarrowProjects[3].Visible=1
TarrowProjects[4].ProjectName=Photo Archive
TarrowProjects[4].GroupName=Personal
TarrowProjects[4].WebsiteURL=http://127.0.0.1:$port/photos/
TarrowProjects[4].OutputFolder={OutDir}/{ProjectName}
TarrowProjects[4].Overwrite=0
TarrowProjects[4].Visible=1
OutDir=$tmp/out
INI
} > "$tmp/settings/tarrow.ini"

out="$root/docs/screenshots"
mkdir -p "$out" "$tmp/runtime"
chmod 700 "$tmp/runtime"
# A state file of its own (window sizes as on a first start), never the user's; the window
# manager runs before the first window opens.
state=$(mktemp -d -p "$tmp")
env XDG_RUNTIME_DIR="$tmp/runtime" XDG_STATE_HOME="$state" TARROW_SCREENSHOT_DIR="$out" \
  TARROW_SCREENSHOT_WHOLE_SCREEN=1 QT_QPA_PLATFORM=xcb \
  xvfb-run -a -s "-screen 0 1280x720x24" bash -c '
    openbox --sm-disable & wm=$!
    sleep 2
    "$0" -settingsdir "$1"; status=$?
    kill $wm
    exit $status' "$build/ui/tarrow-screenshots" "$tmp/settings"
ls -1 "$out"/*.png
