# What the mounted-share scripts share: sshd on 127.0.0.1 only, with keys made on the fly in
# $work/ssh, and sshfs mounts of $work/share through it. Sourced; skip() is the caller's.

# start_sshd: sets $port and $sshd_pid.
start_sshd() {
    mkdir -p "$work/share" "$work/ssh" /run/sshd
    ssh-keygen -q -t ed25519 -N '' -f "$work/ssh/host" || skip "ssh-keygen failed"
    ssh-keygen -q -t ed25519 -N '' -f "$work/ssh/client" || skip "ssh-keygen failed"
    cp "$work/ssh/client.pub" "$work/ssh/authorized_keys"
    chmod 600 "$work/ssh/authorized_keys"
    port=$((20000 + RANDOM % 30000))
    cat >"$work/ssh/sshd_config" <<CONFIG
ListenAddress 127.0.0.1
Port $port
HostKey $work/ssh/host
AuthorizedKeysFile $work/ssh/authorized_keys
PermitRootLogin prohibit-password
PasswordAuthentication no
StrictModes no
Subsystem sftp internal-sftp
PidFile $work/ssh/sshd.pid
CONFIG
    /usr/sbin/sshd -D -f "$work/ssh/sshd_config" -E "$work/ssh/sshd.log" &
    sshd_pid=$!
    sleep 0.5
    kill -0 "$sshd_pid" 2>/dev/null || skip "sshd did not start: $(tail -n 3 "$work/ssh/sshd.log")"
}

# mount_share MOUNTPOINT [PORT]: $work/share through sshd, or through a relay listening on PORT.
mount_share() {
    mkdir -p "$1"
    for attempt in 1 2 3 4 5; do
        sshfs -p "${2:-$port}" -o "IdentityFile=$work/ssh/client,StrictHostKeyChecking=no" \
            -o "UserKnownHostsFile=/dev/null,BatchMode=yes,LogLevel=ERROR,dir_cache=no" \
            "root@127.0.0.1:$work/share" "$1" && break
        sleep 0.5
    done
    mountpoint -q "$1" || skip "sshfs could not mount the share"
}
