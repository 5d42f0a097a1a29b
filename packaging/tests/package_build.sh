#!/usr/bin/env bash
# Builds the Debian package from the finished build and unpacks it into a scratch root with dpkg -x,
# for the package and launcher tests; nothing is installed on the machine.
# usage: package_build.sh CPACK CPACK_CONFIG SCRATCH
set -euo pipefail
cpack=$1 config=$2 scratch=$3

rm -rf "$scratch"
mkdir -p "$scratch"
if ! "$cpack" --config "$config" -B "$scratch/deb" >"$scratch/cpack.log" 2>&1; then
    cat "$scratch/cpack.log"
    echo "FAIL: cpack could not build the package" >&2
    exit 1
fi
debs=("$scratch"/deb/fennick_*.deb)
if [ ${#debs[@]} -ne 1 ] || [ ! -f "${debs[0]}" ]; then
    echo "FAIL: expected one fennick_*.deb in $scratch/deb, found: ${debs[*]}" >&2
    exit 1
fi
ln -s "${debs[0]}" "$scratch/fennick.deb"
dpkg -x "$scratch/fennick.deb" "$scratch/root"
echo "built and unpacked $(basename "${debs[0]}")"
