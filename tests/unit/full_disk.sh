#!/usr/bin/env bash
# full_disk.sh PROGRAM ARGS...: runs PROGRAM on a full disk, a small tmpfs of its own that
# holds an old picture (old.png), a link to it (link.png), a device node that is always
# full (dev, as /dev/full) and an empty file (out), with no space left. In the arguments
# @FULL@ names the disk's directory, ">@FULL@" sends stdout to its file out and ">&-" runs
# PROGRAM with stdout closed. Ends with PROGRAM's exit code, or 99 with a line on stderr
# when anything on the disk was changed, removed or left behind.
set -u
[ "$(id -u)" = 0 ] || exec unshare --user --map-root-user --mount "$0" "$@"
disk=$(mktemp -d)
mount -t tmpfs -o size=64k,mode=755 virelo-full-disk "$disk" || exit 98
trap 'umount "$disk"; rmdir "$disk"' EXIT
printf 'an old picture\n' >"$disk/old.png"
ln -s old.png "$disk/link.png"
mknod "$disk/dev" c 1 7 2>/dev/null
: >"$disk/out"
dd if=/dev/zero of="$disk/fill" bs=4k 2>/dev/null
listing() { cd "$disk" && find . -printf '%y %p %l %s %m\n' | sort && find . -type f -exec sha256sum {} + | sort; }
before=$(listing)
prog=$1 args=() out=
shift
for a in "$@"; do
    case $a in
    ">@FULL@") out=disk ;;
    ">&-") out=closed ;;
    *) args+=("${a//@FULL@/$disk}") ;;
    esac
done
case $out in
disk) "$prog" "${args[@]}" >"$disk/out" ;;
closed) "$prog" "${args[@]}" >&- ;;
*) "$prog" "${args[@]}" ;;
esac
code=$?
[ "$(listing)" = "$before" ] || { echo "full_disk.sh: $prog changed what was on the disk" >&2; exit 99; }
exit $code
