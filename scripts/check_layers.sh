#!/usr/bin/env bash
# The layers of src/ as the includes show them: a core file includes only the core, a link file
# the core and the link, the program's document only the core and itself, and the core's folders
# depend on each other in one direction: common, model, wire, pages, glyphs, device (a folder
# includes only itself and those before it). veltactl is handed the contexts it serves and never
# reaches the program's document. In the GUI, ui/widgets includes no area and no area the shell.
set -euo pipefail
cd "$(dirname "$0")/.."

order=(common model wire pages glyphs device)
status=0

complain() {
  echo "layers: $1"
  status=1
}

# Lines 'FILE:INCLUDE' for every quoted include of the files below $1.
includes_of() {
  grep -rHoE '^#include "[^"]+"' --include='*.h' --include='*.cpp' "$1" | sed 's/:#include "/:/; s/"$//'
}

while IFS=: read -r file inc; do
  case "$inc" in core/*) ;; *) complain "$file includes $inc, outside the core" ;; esac
done < <(includes_of src/core)

while IFS=: read -r file inc; do
  case "$inc" in core/* | link/*) ;; *) complain "$file includes $inc, above the link layer" ;; esac
done < <(includes_of src/link)

while IFS=: read -r file inc; do
  case "$inc" in core/* | program/*) ;; *) complain "$file includes $inc, above the program's document" ;; esac
done < <(includes_of src/program)

while IFS=: read -r file inc; do
  case "$inc" in program/*) complain "$file includes $inc: veltactl serves the contexts it owns" ;; esac
done < <(includes_of tools/veltactl)

# Inside the GUI: the shared widgets know no area, and no area knows the shell that opens it.
while IFS=: read -r file inc; do
  case "$inc" in ui/pages/* | ui/device/* | ui/glyphs/* | ui/shell/*)
    complain "$file includes $inc: ui/widgets serves every area" ;; esac
done < <(includes_of src/ui/widgets)

for area in pages device glyphs; do
  while IFS=: read -r file inc; do
    case "$inc" in ui/shell/*) complain "$file includes $inc: an area does not know the shell" ;; esac
  done < <(includes_of "src/ui/$area")
done

rank() {
  local i
  for i in "${!order[@]}"; do
    [ "${order[$i]}" = "$1" ] && { echo "$i"; return; }
  done
  echo 99
}

for folder in "${order[@]}"; do
  own=$(rank "$folder")
  while IFS=: read -r file inc; do
    target=${inc#core/}
    target=${target%%/*}
    [ "$(rank "$target")" -le "$own" ] || complain "$file includes $inc: core/$folder comes before core/$target"
  done < <(includes_of "src/core/$folder")
done

for dir in src/core/*/; do
  [ "$(rank "$(basename "$dir")")" -lt 99 ] || complain "$dir is not in the order of the core's folders"
done

exit $status
