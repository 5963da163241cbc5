#!/usr/bin/env bash
# The claim protocol on a real network share: one folder mounted twice with sshfs over the
# loopback address (sshd on 127.0.0.1 only, a key made on the fly), programs in two host names
# (unshare --uts), one of them with its clock three minutes behind (libfaketime), a pause past
# the stale time for each, and a kill -9. Checked throughout: no program finds the label file
# written by another while it held the claim. The stale time is shortened to 5 s for this test
# only (an argument of the test program), so the whole run takes about forty seconds; a busy machine that stalls a live program for longer than that would count as a takeover.
# Exits 77 (skipped) with the reason where root, FUSE, sshd, sshfs or namespaces are missing.
set -uo pipefail

claimer=${1:?usage: sharedclaims.sh SHARECLAIMER}
stale_ms=5000
pause_s=9

skip() {
    echo "SKIPPED: $*"
    exit 77
}

[ "$(id -u)" -eq 0 ] || skip "needs root for sshd, FUSE mounts and host names"
[ -c /dev/fuse ] || skip "no /dev/fuse"
for tool in sshd sshfs ssh-keygen fusermount3 unshare; do
    command -v "$tool" >/dev/null || skip "no $tool (apt-get install openssh-server sshfs)"
done
faketime_lib=$(ls /usr/lib/*/faketime/libfaketime.so.1 2>/dev/null | head -n1)
[ -n "$faketime_lib" ] || skip "no libfaketime (apt-get install faketime)"
unshare --uts true 2>/dev/null || skip "no UTS namespaces here"

work=$(mktemp -d /tmp/sharedclaims.XXXXXX)
pids=()
sshd_pid=
cleanup() {
    for pid in "${pids[@]}"; do kill -9 "$pid" 2>/dev/null; done
    fusermount3 -u -z "$work/a" 2>/dev/null
    fusermount3 -u -z "$work/b" 2>/dev/null
    [ -n "$sshd_pid" ] && kill "$sshd_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

. "$(dirname "$0")/loopbackshare.sh"
start_sshd
mount_share "$work/a"
mount_share "$work/b"

# start NAME HOST MOUNT IMAGE SECONDS [behind]: one program, in its own host name.
start() {
    local preload=()
    # A sanitized build would refuse a library preloaded before its runtime.
    [ "${6:-}" = behind ] && preload=(env "LD_PRELOAD=$faketime_lib" "FAKETIME=-180s"
        "ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}verify_asan_link_order=0")
    unshare --uts sh -c 'hostname "$0" && exec "$@"' "$2" "${preload[@]}" \
        "$claimer" "$work/$3/room1.$4" "$1" "$5" "$stale_ms" "$work/$1.journal" &
    pids+=($!)
    last=$!
}

count() { cat "$work"/*.journal 2>/dev/null | grep -cx "$1"; }

pauses=0
pause() {
    kill -STOP "$1"
    sleep "$pause_s"
    kill -CONT "$1"
    sleep 1
    kill -0 "$1" 2>/dev/null && pauses=$((pauses + 1))
}

# ann's program sees room1.jpg through one mount, bob's, three minutes behind in another host,
# room1.JPG through the other: one label file.
start ann hostA a jpg 32
ann=$last
start bob hostB b JPG 32 behind
bob=$last
sleep 3
pause "$ann"
sleep 2
pause "$bob"
sleep 1
kill -9 "$ann"
start cy hostA a jpg 8
wait "$bob" "$last"

rounds=$(count round)
takeovers=$(count takeover)
writes=$(count write)
nonholder=$(count nonholder)
echo "rounds: $rounds, takeovers: $takeovers, pauses survived: $pauses, writes: $writes," \
    "writes by a non-holder: $nonholder"
[ "$nonholder" -eq 0 ] && [ "$takeovers" -ge 2 ] && [ "$pauses" -eq 2 ] && [ "$writes" -gt 0 ]
