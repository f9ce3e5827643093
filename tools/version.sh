#!/usr/bin/env bash
# Prints the product's version, as project(... VERSION) in CMakeLists.txt gives it.
set -euo pipefail
version=$(sed -n 's/^project(Lumbra VERSION \([0-9][0-9.]*\) .*/\1/p' "$(dirname "$0")/../CMakeLists.txt")
[ -n "$version" ] || { echo "version: no project(Lumbra VERSION ...) in CMakeLists.txt" >&2; exit 1; }
echo "$version"
