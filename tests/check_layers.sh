#!/usr/bin/env bash
# The layers, checked on the sources: Qt is included only in ui/, tests/ and
# bench/, and a folder includes only from the folders beneath it:
#   curve <- sim <- plot <- form <- ui, web;  raster <- canvas;
#   plot, raster <- canvas <- ui, web.
# Prints every offending line and exits 1 if there is one.
set -uo pipefail
cd "$(dirname "$0")/.."

declare -A may_use=(
    [curve]="curve"
    [sim]="curve sim"
    [raster]="raster"
    [plot]="curve sim plot"
    [canvas]="curve sim raster plot canvas"
    [form]="curve sim plot form"
    [ui]="curve sim raster plot canvas form ui"
    [web]="curve sim raster plot canvas form web"
)
status=0
for folder in "${!may_use[@]}"; do
    [ -d "$folder" ] || continue
    while IFS= read -r hit; do
        file=${hit%%:*}
        line=${hit#*:}; line=${line#*:}
        if [[ "$line" =~ \#include[[:space:]]*[\<\"](Q[A-Za-z]*|Qt[A-Za-z]*/) ]] && [ "$folder" != ui ]; then
            echo "$hit: Qt outside ui/"
            status=1
        elif [[ "$line" =~ \#include[[:space:]]*\"([a-z_]+)/ ]]; then
            used=${BASH_REMATCH[1]}
            if [ -n "${may_use[$used]+x}" ] && [[ " ${may_use[$folder]} " != *" $used "* ]]; then
                echo "$hit: $folder/ may not include from $used/"
                status=1
            fi
        fi
    done < <(git ls-files "$folder" | grep -E '\.(h|cpp|in)$' | xargs -r grep -n -E '#include' /dev/null)
done
[ $status -eq 0 ] && echo "layers: every include runs down the table"
exit $status
