# morvik_xvfb DIR: starts a private virtual X server (1024 x 768, no TCP) writing into DIR; its pid
# goes to MORVIK_XVFB and its display to DISPLAY. On a loaded machine (a whole test suite, builds
# beside it) it may take many seconds to come up: it is waited for while it runs, up to a minute;
# when it fails, what it said is shown. Sourced by the screenshot and the tests on X.
#
# The display number is one no other server of ours holds: servers started in network namespaces of
# their own do not see each other's sockets, so Xvfb's own choice would give two of them the same
# number (and the same compiled keymap file). A number is ours while we hold its lock, which the
# server inherits, so it is free again as soon as the server and its starter are gone.
morvik_xvfb() {
    local dir=$1 n fd=
    for n in $(seq 20 400); do
        [[ -e /tmp/.X$n-lock ]] && continue
        exec {fd}>>"/tmp/.morvik-xvfb-$n.lock" || { fd=; continue; }
        flock -n "$fd" && break
        exec {fd}>&-
        fd=
    done
    if [[ -z $fd ]]; then
        echo "Xvfb did not start: no free display" >&2
        return 1
    fi
    Xvfb ":$n" -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$dir/display" 2>"$dir/xvfb.err" &
    MORVIK_XVFB=$!
    for _ in $(seq 1200); do
        [[ -s $dir/display ]] && break
        kill -0 "$MORVIK_XVFB" 2>/dev/null || break
        sleep 0.05
    done
    if [[ ! -s $dir/display ]]; then
        echo "Xvfb did not start:" >&2
        cat "$dir/xvfb.err" >&2
        return 1
    fi
    export DISPLAY=:$(<"$dir/display")
}
