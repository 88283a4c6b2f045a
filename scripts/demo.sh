#!/usr/bin/env bash
# The demonstration on an emulated device under BUILD_DIR/demo-device (never
# the real device paths). Usage: scripts/demo.sh BUILD_DIR
set -euo pipefail
build=${1:?usage: demo.sh BUILD_DIR}
build=$(cd "$build" && pwd)

device="$build/demo-device"
rm -rf "$device"
mkdir -p "$device/home/user/private"
export TRUSTKEEP_DEVICE_ROOT="$device"

# The store's walk-through (scripts/demo-tools/bastra-certman-demo.cpp) makes
# its certificates with the test certificate factory.
echo "### The certificate store"
"$build/bin/bastra-certman-demo"

echo
echo "### Files on the emulated device"
(cd "$device" && find . -mindepth 1 -path ./home/user/private -prune -o -print | sort | sed 's/^\.\//   /')

# --- the trustkeep service on a private system bus -----------------------
# A dbus-daemon of the demo's own plays the device's system bus: default-deny
# rules, the shipped policy of the service, and activation of the build
# tree's trustkeep on the first call to its name.
echo
echo "### The trustkeep service on a private system bus"
here=$(cd "$(dirname "$0")/.." && pwd)
bus="$build/demo-bus"
rm -rf "$bus"
mkdir -p "$bus/services"
cat > "$bus/system.conf" <<CONF
<busconfig>
  <type>system</type>
  <listen>unix:path=$bus/socket</listen>
  <auth>EXTERNAL</auth>
  <servicedir>$bus/services</servicedir>
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
  <include>$here/data/com.tavelo.certman.conf</include>
</busconfig>
CONF
cat > "$bus/services/com.tavelo.certman.service" <<SERVICE
[D-BUS Service]
Name=com.tavelo.certman
Exec=$build/bin/trustkeep --dbus
User=root
SERVICE

export DBUS_SYSTEM_BUS_ADDRESS="unix:path=$bus/socket"
export QT_QPA_PLATFORM=offscreen
export TRUSTKEEP_LOG_STDERR=1
dbus-daemon --config-file="$bus/system.conf" --nofork --nopidfile --nosyslog --print-address=1 \
  > "$bus/address" 2> "$bus/daemon.log" &
daemon=$!
trap 'kill $daemon 2>/dev/null || true' EXIT
for _ in $(seq 50); do [ -s "$bus/address" ] && break; sleep 0.1; done

call() {
  echo "\$ gdbus call --system --dest com.tavelo.certman --object-path /request --method com.tavelo.certman.$1 $(shift; printf '%q ' "$@")"
  gdbus call --system --dest com.tavelo.certman --object-path /request --method "com.tavelo.certman.$@" | sed 's/^/   /'
}
running() {
  if gdbus call --system --dest org.freedesktop.DBus --object-path /org/freedesktop/DBus \
       --method org.freedesktop.DBus.NameHasOwner com.tavelo.certman | grep -q true; then
    echo "   (trustkeep is running)"
  else
    echo "   (trustkeep is not running)"
  fi
}

echo "Before any call:"; running
echo "The first call starts the service on demand:"
call GetPrivateKeyData 0000000000000000000000000000000000000000
running
echo "A certificate that is not Base64 DER is refused:"
call CheckCertificate "not a certificate"
echo "What a client sees of the interface:"
gdbus introspect --system --dest com.tavelo.certman --object-path /request \
  | awk '/interface com.tavelo.certman \{/ { show = 1 } show { print "   " $0 } show && /^  };/ { exit }'
echo "Idle for three seconds: the service ends itself two seconds after its last call."
sleep 3
running
echo "What the bus did:"
grep -E 'Activating|activated' "$bus/daemon.log" | sed 's/^dbus-daemon\[[0-9]*\]: /   /' || true
echo "The service's error log (empty when all went well):"
grep -E '^[a-z]+\([0-9]+\): ERROR' "$bus/daemon.log" | sed 's/^/   /' || true

# --- the certificate installer --------------------------------------------
# Sample files in the emulated home, the installer driven through UI
# automation, and a screenshot of each page in $build/demo-screenshots/.
"$here/scripts/demo-installer.sh" "$build"
