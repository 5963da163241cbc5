#!/usr/bin/env bash
# Key to pixels and launch to first image on a network share, beside a local disk in the same
# run: one folder of 6000 x 4000 photographs served by sshfs over the loopback address through a
# relay that holds each direction for 0, 10 and 25 ms (or the delays given).
#   sharebench.sh BENCH_SHARE QUADROTAG DELAYRELAY [MILLISECONDS...]
# Run as root (sshd, FUSE mounts); not part of CTest.
set -uo pipefail

bench=${1:?usage: sharebench.sh BENCH_SHARE QUADROTAG DELAYRELAY [MILLISECONDS...]}
program=${2:?}
relay_program=${3:?}
shift 3
delays=("$@")
[ ${#delays[@]} -gt 0 ] || delays=(0 10 25)

skip() {
    echo "SKIPPED: $*"
    exit 77
}

[ "$(id -u)" -eq 0 ] || skip "needs root for sshd and FUSE mounts"
[ -c /dev/fuse ] || skip "no /dev/fuse"
for tool in sshd sshfs ssh-keygen fusermount3; do
    command -v "$tool" >/dev/null || skip "no $tool (apt-get install openssh-server sshfs)"
done

work=$(mktemp -d /tmp/sharebench.XXXXXX)
sshd_pid=
relay_pid=
cleanup() {
    fusermount3 -u -z "$work/mount" 2>/dev/null
    [ -n "$relay_pid" ] && kill "$relay_pid" 2>/dev/null
    [ -n "$sshd_pid" ] && kill "$sshd_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

. "$(dirname "$0")/loopbackshare.sh"
"$bench" --make "$work/photos" || exit 1

mkdir -p "$work/local"
cp "$work/photos"/* "$work/local/"
echo "local disk: $("$bench" "$program" "$work/local" | tail -n 1)"

start_sshd
for delay in "${delays[@]}"; do
    rm -rf "$work/share"
    mkdir -p "$work/share"
    cp "$work/photos"/* "$work/share/"
    relay_port=$((port + 1))
    "$relay_program" "$relay_port" "$port" "$delay" &
    relay_pid=$!
    sleep 0.2
    mount_share "$work/mount" "$relay_port"
    echo "share, $delay ms each way: $("$bench" "$program" "$work/mount" | tail -n 1)"
    fusermount3 -u -z "$work/mount"
    kill "$relay_pid"
    relay_pid=
done
