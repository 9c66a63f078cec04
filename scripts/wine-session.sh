# Sourced: start_wine_session gives the Windows programs a script runs a virtual display and the
# project's Wine prefix, and stops both when that script exits.
source "$(dirname "${BASH_SOURCE[0]}")/xvfb.sh"
WINE_SESSION_SCRIPTS="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"

stop_wine_session() {
  "$WINE_SESSION_SCRIPTS/wine-prefix.sh" stop
  stop_xvfb
}

# Arguments go to wine-prefix.sh start.
start_wine_session() {
  trap stop_wine_session EXIT
  start_xvfb
  "$WINE_SESSION_SCRIPTS/wine-prefix.sh" start "$@"
}
