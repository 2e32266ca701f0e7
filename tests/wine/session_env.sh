# Sourced by the Wine tests written in shell: takes the Wine session of the state folder "$state"
# (its display, prefix and programs, exported), gives a scratch folder "$work" removed at exit,
# and windows PATH, which names a Linux path as Windows sees it on drive Z:.
[ -f "$state/session.env" ] || { echo "FAIL: no Wine session ($state/session.env)"; exit 1; }
set -a
# shellcheck disable=SC1091
. "$state/session.env"
set +a
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
windows() { echo "Z:$(realpath -m "$1" | tr / '\\')"; }
