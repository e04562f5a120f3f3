#!/bin/sh
# strip-relocs.sh STRIP MODULE: takes the relocation table out of a fixed-base image and
# says so in its header.
# ld writes .reloc for any executable with exports, whatever it is told, and strip removes
# the section but leaves IMAGE_FILE_RELOCS_STRIPPED (0x0001) clear, as if the image could
# still be moved. With the flag, a loader that cannot give the image its preferred base
# refuses it instead of running it unrelocated.
set -eu
"$1" -R .reloc "$2"
# e_lfanew at 0x3c, then "PE\0\0" and the file header, whose Characteristics is at +22;
# the flag is in its low byte.
set -- "$2" $(od -An -v -tu1 -j60 -N4 "$2")
pe=$(($2 + $3 * 256 + $4 * 65536 + $5 * 16777216))
[ "$(od -An -c -j"$pe" -N2 "$1" | tr -d ' ')" = PE ] || { echo "$1: no PE header" >&2; exit 1; }
low=$(od -An -tu1 -j$((pe + 22)) -N1 "$1" | tr -d ' ')
printf "\\$(printf %03o $((low | 1)))" | dd of="$1" bs=1 seek=$((pe + 22)) conv=notrunc status=none
