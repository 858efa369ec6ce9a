#!/bin/sh
# Runs a command in a network namespace of its own whose only interface is
# loopback, up and with multicast on, so that whatever the command announces
# by multicast (a beat-sharing session among others) reaches the processes
# started inside and nothing beyond this machine. Everything the command
# starts (a JACK server, a peer) stays inside with it.
#
#   in_private_network.sh COMMAND [ARGUMENTS...]
#
# Without the right to make one (not root), the command runs where it is; the
# tests that need the namespace see the machine's interfaces and skip.
if [ "$1" = "--inside" ]; then
    shift
    ip link set lo up && ip link set lo multicast on && ip route add 224.0.0.0/4 dev lo \
        || echo "in_private_network: loopback could not be set up for multicast" >&2
    exec "$@"
fi
if [ "$(id -u)" = 0 ] && unshare -n true 2>/dev/null; then
    exec unshare -n -- "$0" --inside "$@"
fi
echo "in_private_network: no network namespace of its own (needs root); running as is" >&2
exec "$@"
