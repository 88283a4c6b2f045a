# Sourced by the scripts that play the device's system bus with a dbus-daemon
# of their own (the demonstration, the package check).
#
#   private_bus_config SOCKET SERVICE_DIR [LINE...]
# prints a system bus configuration that listens on SOCKET and activates from
# SERVICE_DIR, with the rules a system bus starts from (nobody owns a name or
# calls a method) followed by LINE..., the policies that open what they allow
# (the service's own policy, included).
private_bus_config() {
  local socket=$1 services=$2
  shift 2
  cat <<CONF
<busconfig>
  <type>system</type>
  <listen>unix:path=$socket</listen>
  <auth>EXTERNAL</auth>
  <servicedir>$services</servicedir>
  <policy context="default">
    <allow user="*"/>
    <deny own="*"/>
    <deny send_type="method_call"/>
    <allow send_type="signal"/>
    <allow send_requested_reply="true" send_type="method_return"/>
    <allow send_requested_reply="true" send_type="error"/>
    <allow receive_type="method_call"/>
    <allow receive_type="method_return"/>
    <allow receive_type="error"/>
    <allow receive_type="signal"/>
    <allow send_destination="org.freedesktop.DBus" send_interface="org.freedesktop.DBus"/>
    <allow send_destination="org.freedesktop.DBus" send_interface="org.freedesktop.DBus.Introspectable"/>
  </policy>
CONF
  if [ $# -gt 0 ]; then printf '  %s\n' "$@"; fi
  echo '</busconfig>'
}
