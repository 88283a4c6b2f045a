# Sourced by the scripts that play the device's system bus with a dbus-daemon
# of their own (the demonstration, the package check).
#
#   private_bus_config SOCKET SERVICE_DIR [LINE...]
# prints the system bus configuration the tests use too (testsupport/privatebus.conf):
# it listens on SOCKET, activates from SERVICE_DIR, starts from the rules a
# system bus starts from (nobody owns a name or calls a method), and ends with
# LINE..., the policies that open what they allow (the service's own, included).
private_bus_template="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/testsupport/privatebus.conf"

private_bus_config() {
  local socket=$1 services=$2 line
  shift 2
  while IFS= read -r line; do
    case $line in
      *@POLICIES@*) if [ $# -gt 0 ]; then printf '  %s\n' "$@"; fi ;;
      *) line=${line//@SOCKET@/$socket}; printf '%s\n' "${line//@SERVICEDIR@/$services}" ;;
    esac
  done < "$private_bus_template"
}
