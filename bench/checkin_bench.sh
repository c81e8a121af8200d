#!/usr/bin/env bash
# One whole check-in, timed by stage: a resident ZULMan checks in with the development
# distribution server, whose answer brings a channel and a default-type item with a file set of
# about 100 MB (bench/archive_input.py, packed by tools/pack_fileset.py) served by nginx on
# loopback. The manager's diagnostic log (the "LogFile" setting) gives each outcome's duration:
#   request          the check-in exchange (machine id, request, HTTP POST, answer parsed)
#   download         DownloadFileSet of every file set
#   extraction       every archive extracted (the item's file set into the installer's folder)
#   install program  the item's InstallItem less its extraction (the program run, its folder removed)
#   records          what remains of the answer's processing (records, subscription, lists)
# Prints each stage's time and share, and the share of download + extraction + install program
# (goal 90 % or more). Runs: the first argument (default 3); the figures are the median run's.
#   ZUL_BUILD=... bench/checkin_bench.sh [runs]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
runs=${1:-3}
bin=${ZUL_BUILD:-$root/build}/win32/bin
export ZUL_BUILD=${ZUL_BUILD:-$root/build}/bench-checkin
. "$root/scripts/wine-env"
data=$ZUL_BUILD/data
server=$ZUL_BUILD/server
web=$ZUL_BUILD/web

for program in ZULMan.exe ZULManps.dll tools/zulctl.exe tools/TestInstall.exe; do
  [ -f "$bin/$program" ] || { echo "checkin_bench: build $program first" >&2; exit 1; }
done

item_set='{6D2A51C0-4B8E-4F3A-9C1D-2E3F4A5B6C7D}'
item='{3F8B2C1D-5E6A-4B7C-8D9E-0A1B2C3D4E5F}'
channel='{2B7E1C3A-9D4F-4A6B-8C2E-1F3A5B7D9E0C}'
stamp=$(cat "$here/archive_input.py" "$root/tools/pack_fileset.py" | sha1sum | cut -d' ' -f1)
if [ "$(cat "$data/stamp" 2>/dev/null)" != "$stamp" ]; then
  echo "checkin_bench: making the file set under $data"
  rm -rf "$data"; mkdir -p "$data"
  python3 "$here/archive_input.py" "$data/input"
  cp "$bin/tools/TestInstall.exe" "$data/input/"
  python3 "$root/tools/pack_fileset.py" "$data/input" --guid "$item_set" --name "Bench game" \
    -o "$data/game.FileSet" >/dev/null
  echo "$stamp" > "$data/stamp"
fi

wine_run() { "$ZUL_WINE" "$@" </dev/null 2>/dev/null; }
reg() { wine_run reg "$@" >/dev/null; }
cleanup() {
  "$root/tools/devserver/devserver" stop "$server" || true
  "$root/tests/integration/nginx-fixture" stop "$web" || true
  "$root/scripts/wine-harness" stop
}
trap cleanup EXIT

mkdir -p "$web/html"
ln -sf "$data/game.FileSet" "$web/html/game.FileSet"
"$root/tests/integration/nginx-fixture" start "$web"
files_port=$(cat "$web/nginx.port")
port=$("$root/tools/devserver/devserver" start "$server")
cat > "$server/catalogue.txt" <<CAT
FileSet
{
   GUID=$item_set
   SourceURL=http://127.0.0.1:$files_port/game.FileSet
}
Channel
{
   Guid=$channel
   Name=Bench Channel
   Subscribe=1
}
Item
{
   Guid=$item
   Type={A1E29D92-F94C-3D9C-CF8D-E58406789B1F}
   Channel=$channel
   Name=Bench game
   FileSets=$item_set
   InstallFileSet=$item_set
   InstallFile=TestInstall.exe
   InstallArgs=/install /log=C:\\TestInstall.log
}
CAT
printf 'Channel\r\n{\r\n   Guid=%s\r\n   Name=Bench Channel\r\n   Subscribe=1\r\n}\r\n' "$channel" > "$data/preset.txt"

stage_rows=()
for run in $(seq "$runs"); do
  "$root/scripts/wine-harness" start >/dev/null
  drive_c=$WINEPREFIX/drive_c
  install_dir="$drive_c/Program Files/Tessary/ZUL"
  win_dir='C:\Program Files\Tessary\ZUL'
  mkdir -p "$install_dir"
  cp "$bin/ZULMan.exe" "$bin/ZULManps.dll" "$install_dir/"
  cp "$bin/tools/zulctl.exe" "$data/preset.txt" "$drive_c/"
  reg add 'HKLM\Software\Tessary\ZUL' /v Path /d "$win_dir" /f
  reg add 'HKLM\Software\Tessary\ZUL' /v CheckinURL /d "http://127.0.0.1:$port/zulm/channelcheckin.asp" /f
  reg add 'HKLM\Software\Tessary\ZUL' /v LogFile /d 'C:\zul.log' /f
  wine_run "$win_dir\\ZULMan.exe" -RegServer
  wine_run 'C:\zulctl.exe' load 'C:\preset.txt' >/dev/null || true
  rm -f "$drive_c/zul.log" "$server/requests.log"
  reg add 'HKLM\Software\Tessary\ZUL\Checkin' /v NextChannelCheckin /d 0 /f
  "$ZUL_WINE" "$win_dir\\ZULMan.exe" -Background </dev/null >/dev/null 2>&1 &
  for _ in $(seq 600); do grep -q '^.* answer ' "$drive_c/zul.log" 2>/dev/null && break; sleep 0.2; done
  wine_run 'C:\zulctl.exe' shutdown >/dev/null || true
  grep -q ' install .* ret=0 ' "$drive_c/zul.log" || { echo "checkin_bench: the item did not install:" >&2; cat "$drive_c/zul.log" >&2; exit 1; }
  stage_rows+=("$(tr -d '\r' < "$drive_c/zul.log" | python3 "$here/checkin_stages.py" "$item_set")")
  "$root/scripts/wine-harness" stop
done
printf '%s\n' "${stage_rows[@]}" | python3 "$here/checkin_stages.py" --report
