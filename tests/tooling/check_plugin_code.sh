#!/usr/bin/env bash
# Fails when code that runs inside the plug-in, or in the host core, the module loader and the Windows host
# programs built from them, includes a C++ standard library header or uses exceptions or
# RTTI. That code is also built for Windows against the C runtime alone, where neither exists.
#
# Usage: check_plugin_code.sh <source root> [C++ compiler]
set -euo pipefail
root="$1"
compiler="${2:-c++}"

allowed_everywhere=" stdio.h stdlib.h string.h math.h stdint.h stddef.h "
allowed_in_platform=" dlfcn.h unistd.h corecrt_startup.h intrin.h "
# The compiler's own vector intrinsics, for the AVX2 kernels.
allowed_in_projection=" immintrin.h avxintrin.h avx2intrin.h "
forbidden_words='throw|try|catch|dynamic_cast|typeid'

status=0
checked=0
for folder in platform host_api geometry projection command plugin host/core host/plugin_loader host/runner; do
    [ -d "$root/$folder" ] || continue
    while IFS= read -r -d '' file; do
        checked=$((checked + 1))
        relative="${file#"$root"/}"
        # Comments removed; directives kept as written; nothing included or expanded.
        if ! stripped=$("$compiler" -x c++ -fpreprocessed -dD -E -P "$file" 2>/dev/null); then
            echo "$relative: cannot be read"
            status=1
            continue
        fi
        while IFS= read -r header; do
            [ -n "$header" ] || continue
            if [[ "$allowed_everywhere" == *" $header "* ]]; then
                continue
            fi
            if [[ ( "$folder" == platform || "$folder" == host/plugin_loader ) && "$allowed_in_platform" == *" $header "* ]]; then
                continue
            fi
            if [[ "$folder" == projection && "$allowed_in_projection" == *" $header "* ]]; then
                continue
            fi
            echo "$relative: includes <$header>"
            status=1
        done < <(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*<\([^>]*\)>.*/\1/p' <<<"$stripped")
        # String and character literals blanked, so a log text may say "try" without tripping the check.
        code=$(sed -E -e 's/"([^"\\]|\\.)*"/""/g' -e "s/'([^'\\\\]|\\\\.)*'/0/g" <<<"$stripped")
        if found=$(grep -wE "$forbidden_words" <<<"$code"); then
            while IFS= read -r line; do
                echo "$relative: uses exceptions or RTTI: $line"
            done <<<"$found"
            status=1
        fi
    done < <(find "$root/$folder" -type f \( -name '*.h' -o -name '*.hpp' -o -name '*.cpp' -o -name '*.cc' \
        -o -name '*.c' -o -name '*.inl' \) -print0 | sort -z)
done

if [ "$checked" -eq 0 ]; then
    echo "no plug-in sources found under $root"
    exit 1
fi
if [ "$status" -eq 0 ]; then
    echo "$checked plug-in source files use only the C library and no exceptions or RTTI"
fi
exit "$status"
