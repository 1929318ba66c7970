#!/bin/sh
# Starts a private D-Bus session bus under DIR and prints its address. The line "keyring" on its
# standard input then starts a keyring daemon on the bus, whose login keyring opens with an empty
# password, and is answered "ready" once the daemon answers; "lock" locks that keyring. Stops
# both when its input closes.
set -eu
dir=$1
mkdir -p "$dir/home" "$dir/data" "$dir/config" "$dir/runtime"
chmod 700 "$dir/runtime"
# No service folders: nothing but what this script starts can own a name on the bus.
cat >"$dir/bus.conf" <<CONF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:path=$dir/runtime/bus</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
CONF
export HOME="$dir/home" XDG_DATA_HOME="$dir/data" XDG_CONFIG_HOME="$dir/config"
export XDG_RUNTIME_DIR="$dir/runtime"
unset DISPLAY WAYLAND_DISPLAY
bus_pid=
keyring_pid=
stop() {
    [ -n "$keyring_pid" ] && kill "$keyring_pid" 2>/dev/null && wait "$keyring_pid" 2>/dev/null
    [ -n "$bus_pid" ] && kill "$bus_pid" 2>/dev/null
    return 0
}
trap stop EXIT
timeout 10 dbus-daemon --config-file="$dir/bus.conf" --fork --print-address=3 --print-pid=4 \
    3>"$dir/address" 4>"$dir/bus.pid"
bus_pid=$(cat "$dir/bus.pid")
DBUS_SESSION_BUS_ADDRESS=$(head -n 1 "$dir/address")
export DBUS_SESSION_BUS_ADDRESS
start_keyring() {
    # An empty line is the empty password: the login keyring is made, and opened, with it.
    printf '\n' >"$dir/password"
    gnome-keyring-daemon --foreground --unlock --components=secrets \
        --control-directory="$dir/runtime/keyring" <"$dir/password" >"$dir/keyring.log" 2>&1 &
    keyring_pid=$!
    # Bounded: 10 s for the daemon to own its name on the bus.
    i=0
    until dbus-send --session --print-reply --dest=org.freedesktop.DBus / \
        org.freedesktop.DBus.NameHasOwner string:org.freedesktop.secrets 2>/dev/null |
        grep -q 'boolean true'; do
        i=$((i + 1))
        if [ "$i" -gt 100 ]; then
            echo "failed: $(cat "$dir/keyring.log")"
            return 0
        fi
        sleep 0.1
    done
    echo ready
}
echo "$DBUS_SESSION_BUS_ADDRESS"
while read -r command; do
    if [ "$command" = keyring ] && [ -z "$keyring_pid" ]; then
        start_keyring
    elif [ "$command" = lock ]; then
        if timeout 10 dbus-send --session --print-reply --dest=org.freedesktop.secrets \
            /org/freedesktop/secrets org.freedesktop.Secret.Service.Lock \
            array:objpath:/org/freedesktop/secrets/collection/login >/dev/null; then
            echo locked
        else
            echo "failed to lock"
        fi
    fi
done
