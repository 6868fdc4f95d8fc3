#!/usr/bin/env bash
# The engine stands on its own: no file under engine/ may include a header of the game,
# whether by a path into game/ or by a name that only the game's include root resolves.
# Usage: check_engine_includes.sh SOURCE_DIR
set -euo pipefail
root=${1:?source directory}
status=0
while IFS= read -r -d '' file; do
  dir=$(dirname "$file")
  while IFS= read -r line; do
    header=$(sed -E 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"([^"]+)".*/\1/' <<< "$line")
    [ -e "$dir/$header" ] && [[ "$(realpath "$dir/$header")" == "$root/engine/"* ]] && continue
    [ -e "$root/engine/$header" ] && continue
    if [[ "$header" == *game/* ]] || [ -e "$root/game/$header" ]; then
      echo "$file includes game header \"$header\""
      status=1
    fi
  done < <(grep -E '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$file" || true)
done < <(find "$root/engine" -type f \( -name '*.h' -o -name '*.cpp' \) -print0)
[ $status -eq 0 ] && echo "engine includes no game header"
exit $status
