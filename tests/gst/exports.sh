#!/usr/bin/env bash
# Checks that the element's plug-in library exports GStreamer's two plug-in entry points and
# no other symbol (nm -D --defined-only); the build tree's library (ctest) and the packaged one
# (scripts/check-package) alike.
#
#   exports.sh LIBRARY
set -euo pipefail
expected=$'gst_plugin_tesselox_get_desc\ngst_plugin_tesselox_register'
exported=$(nm -D --defined-only "$1" | awk '{print $NF}' | sort)
if [ "$exported" = "$expected" ]; then
  echo "ok: $1 exports only $(tr '\n' ' ' <<<"$exported")"
else
  echo "FAIL: $1 exports $(wc -l <<<"$exported") symbols; other than the entry points:"
  comm -23 <(echo "$exported") <(echo "$expected") | head -n 20
  exit 1
fi
