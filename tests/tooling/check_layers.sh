#!/usr/bin/env bash
# Fails when the plug-in's layers point anywhere but down. The layers, lowest first:
#   platform -> host_api -> geometry -> projection -> command -> plugin
# A file of a layer may include headers of its own layer and of the layers below it, and its CMakeLists may
# link only the libraries of the layers below. geometry/ and projection/ are maths without side effects and
# never name the host's function table. host/core includes only host_api/ and platform/; no product code
# includes tests/ or bench/.
#
# Usage: check_layers.sh <source root>
set -euo pipefail
root="$1"

layers=(platform host_api geometry projection command plugin)
status=0
checked=0

rank_of() {
    local i
    for i in "${!layers[@]}"; do
        if [ "${layers[$i]}" == "$1" ]; then
            echo "$i"
            return
        fi
    done
    echo -1
}

# Prints "file:line: folder" for every quoted include of the sources below a folder.
quoted_includes() {
    find "$root/$1" -type f \( -name '*.h' -o -name '*.cpp' \) -print0 | sort -z |
        xargs -0 grep -nH -E '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' |
        sed -E 's/^([^:]*:[0-9]+):[^"]*"([^"]*)".*/\1 \2/'
}

for layer in "${layers[@]}"; do
    rank=$(rank_of "$layer")
    while read -r place header; do
        [ -n "$place" ] || continue
        checked=$((checked + 1))
        target="${header%%/*}"
        if [ "$target" == "$header" ]; then
            echo "${place#"$root"/}: includes \"$header\" without its folder"
            status=1
            continue
        fi
        target_rank=$(rank_of "$target")
        if [ "$target_rank" -lt 0 ] || [ "$target_rank" -gt "$rank" ]; then
            echo "${place#"$root"/}: $layer includes \"$header\", which is not below it"
            status=1
        fi
    done < <(quoted_includes "$layer")

    # The libraries a layer links, from its CMakeLists (posalign_<layer> names; the module is plugin's own).
    while read -r library; do
        [ -n "$library" ] || continue
        linked="${library#posalign_}"
        [ "$linked" == windows_runtime ] && linked=platform
        linked_rank=$(rank_of "$linked")
        if [ "$linked_rank" -lt 0 ] || [ "$linked_rank" -ge "$rank" ]; then
            echo "$layer/CMakeLists.txt: links $library, which is not below $layer"
            status=1
        fi
    done < <(tr '\n' ' ' <"$root/$layer/CMakeLists.txt" | grep -oE 'target_link_libraries\([^)]*\)' |
        sed -E 's/target_link_libraries\([[:space:]]*[^[:space:]]+//' | grep -oE '\bposalign_[a-z_]+' | sort -u)
done

for layer in geometry projection; do
    if found=$(grep -rnE 'gHostFunctions|HostFunctionTable|host_function_table|host_function_list' "$root/$layer"); then
        echo "$layer refers to the host's function table:"
        echo "$found"
        status=1
    fi
done

while read -r place header; do
    [ -n "$place" ] || continue
    checked=$((checked + 1))
    case "$header" in
    host_api/* | platform/* | host/core/*) ;;
    *)
        echo "${place#"$root"/}: host/core includes \"$header\""
        status=1
        ;;
    esac
done < <(quoted_includes host/core)

for folder in "${layers[@]}" host; do
    if found=$(grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"(tests|bench)/' "$root/$folder"); then
        echo "product code includes test code:"
        echo "$found"
        status=1
    fi
done

if [ "$status" -eq 0 ]; then
    echo "$checked includes point down the layers ${layers[*]}"
fi
exit "$status"
