#!/usr/bin/env bash
# The Linux twin of the Windows host writes the same log as the stand-in host application for the same
# phantom and mapping, so the Windows runs compared with the twin are runs of what users run.
#   check_app_log.sh <Zentrovis application> <Linux runner> <posalign.so> <work dir> <mapping> [small|full]
set -euo pipefail
source "$(dirname "$0")/wine_env.sh"

app=$1
twin=$2
module=$3
work=$4
mapping=$5
size=${6:-small}
rm -rf "$work"
mkdir -p "$work"

app_options=(--demo --mapping "$mapping" --out "$work/app" --plugin "$module")
twin_options=("$module" --mapping "$mapping" --log-file "$work/twin.log")
if [ "$size" = small ]; then
    app_options+=(--small-phantom)
    twin_options+=(--small)
fi
native_run "$work/app.txt" "$app" "${app_options[@]}"
[ "$RC" = 0 ] || fail "the application ended with $RC: $(tail -3 "$work/app.txt")"
native_run "$work/twin.txt" "$twin" "${twin_options[@]}"
[ "$RC" = 0 ] || fail "the twin ended with $RC"
[ -s "$work/app/posalign.log" ] || fail "the application wrote no posalign.log"
grep -q '^Finished\.$' "$work/twin.log" || fail "the twin's log does not end the run with Finished."
same_bytes "$work/app/posalign.log" "$work/twin.log"
echo "mapping $mapping ($size phantom): the application's and the twin's logs are identical"
