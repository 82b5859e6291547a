# Private network namespace for the scripts that start servers on port 80 (sourced, not run).
# A script calls `enter_private_network "$0" "$@"` near its top: the first time it re-executes the
# script inside a namespace of its own (as root, or mapped to root when not), and once inside it
# brings the namespace's loopback up, so the servers listen on a loopback that nothing else on the
# machine shares. Wine's sockets live in the wineserver: it must be started inside too.

# True inside the namespace that enter_private_network made.
in_private_network() { [[ -n ${VEYRA_IN_NETNS:-} ]]; }

enter_private_network() {
    if ! in_private_network; then
        export VEYRA_IN_NETNS=1
        if ((EUID == 0)); then
            exec unshare --net -- "$@"
        else
            exec unshare --net --map-root-user -- "$@"
        fi
    fi
    ip link set lo up
}
