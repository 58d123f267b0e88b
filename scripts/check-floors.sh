#!/usr/bin/env bash
# Fails when a file includes a header of a library above its own. The floors, lowest first:
# each room is a library, named by the folders or file stems it holds (the longest match
# names a file's room). A file may include headers of its own room and of any lower floor,
# never of a room beside it on the same floor or above it.
set -euo pipefail
cd "$(dirname "$0")/.."

FLOORS='
1 seam        device/
1 files       image/
1 job         download/data_info
2 sim         device/sim/
2 linux       device/linux/
2 windows     device/windows/
2 commands    device/command_set
3 discovery   device/discovery device/hotplug
3 platforms   device/platforms
3 prepare     image/prepare_fw_image image/hex_path image/version_label
3 engine      download/worker download/thread_handoff
4 session     download/flash_ download/request_recorder download/camera_
5 window      app/
5 cli         cli/
'

git ls-files --cached --others --exclude-standard -- device download image app cli |
  grep -E '\.(h|cpp)$' |
  while read -r file; do
    if [ ! -f "$file" ]; then continue; fi
    sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$file" |
      while read -r header; do
        # Generated and system headers are not on any floor.
        if [ -f "$header" ]; then echo "$file $header"; fi
      done
  done |
  awk -v floors="$FLOORS" '
    BEGIN {
      n = split(floors, lines, "\n")
      for (i = 1; i <= n; i++) {
        count = split(lines[i], field, " ")
        for (j = 3; j <= count; j++) { floor[field[j]] = field[1]; room[field[j]] = field[2] }
      }
    }
    function place(path,    prefix, best) {
      best = ""
      for (prefix in floor) {
        if (index(path, prefix) == 1 && length(prefix) > length(best)) best = prefix
      }
      return best
    }
    {
      from = place($1); to = place($2)
      if (from == "" || to == "") {
        printf "%s includes %s: %s is on no floor\n", $1, $2, from == "" ? $1 : $2
        failed = 1
      } else if (room[from] != room[to] && floor[to] >= floor[from]) {
        printf "%s (floor %d, %s) includes %s (floor %d, %s)\n", $1, floor[from], room[from],
               $2, floor[to], room[to]
        failed = 1
      }
    }
    END { exit failed }
  '
