#!/usr/bin/env bash
# Remakes the seed corpus from the test server's type-library description
# with the compiler of a build folder (default build/ci).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../../../build/ci}
mkdir -p "$here/corpus"
"$build/platform/com/tools/typelib_compiler/tesk_typelib_compiler" \
  "$here/../tests/server/test_server.tld" "$here/corpus/test_server.tlb" /dev/null
