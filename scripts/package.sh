#!/usr/bin/env bash
# Builds the Debian packages from a build folder, checks them with lintian (any
# error fails the script), installs them into a clean root and starts the
# installed service there: a private system bus reads the installed policy,
# and the installed activation file (its program path moved into the root)
# starts the installed trustkeep on the first call.
# Usage: scripts/package.sh BUILD_DIR      (the packages land in BUILD_DIR/packages)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
source "$here/scripts/private-bus.sh"
build=${1:?usage: scripts/package.sh BUILD_DIR}
mkdir -p "$build"
build=$(cd "$build" && pwd)

work=$(mktemp -d "${TMPDIR:-/tmp}/trustkeep-package-XXXXXX")
daemon_pid=""
cleanup() {
  if [ -n "$daemon_pid" ]; then kill "$daemon_pid" 2>/dev/null || true; wait "$daemon_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "package.sh: $*" >&2; exit 1; }

# --- Build ---------------------------------------------------------------------
echo "[1/4] building what the packages hold (prefix /usr)"
cmake -S "$here" -B "$build" -DCMAKE_INSTALL_PREFIX=/usr >"$work/configure.log" 2>&1 \
  || { cat "$work/configure.log"; fail "configuring failed"; }
cmake --build "$build" -j"$(nproc)" --target trustkeep_packaged >"$work/build.log" 2>&1 \
  || { tail -40 "$work/build.log"; fail "building failed"; }

echo "[2/4] making the Debian packages"
rm -rf "$build/packages"
(cd "$build" && cpack -G DEB) >"$work/cpack.log" 2>&1 || { tail -40 "$work/cpack.log"; fail "cpack failed"; }
debs=("$build"/packages/*.deb)
for deb in "${debs[@]}"; do
  printf '      %-40s %s\n' "$(basename "$deb")" "$(dpkg-deb -f "$deb" Depends | cut -c1-90)"
done

# --- lintian -------------------------------------------------------------------
echo "[3/4] lintian"
lintian_status=0
lintian --fail-on error "${debs[@]}" >"$work/lintian.log" 2>&1 || lintian_status=$?
grep -E '^[EW]: ' "$work/lintian.log" | sed 's/^/      /' || true
errors=$(grep -c '^E: ' "$work/lintian.log" || true)
warnings=$(grep -c '^W: ' "$work/lintian.log" || true)
echo "      lintian: $errors errors, $warnings warnings"
[ "$lintian_status" -eq 0 ] && [ "$errors" -eq 0 ] || fail "lintian reports errors"

# --- Clean root: install, then start the installed service ---------------------
echo "[4/4] installing into a clean root and starting the installed service"
root="$work/root"
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates"
touch "$root/var/lib/dpkg/status"
# Debian's own libraries are not in the empty root (the check borrows this
# system's); between our packages the dependencies must hold.
dpkg --root="$root" --force-not-root --force-script-chrootless --force-depends \
  --log=/dev/null -i "${debs[@]}" >"$work/dpkg.log" 2>&1 || { cat "$work/dpkg.log"; fail "dpkg could not install the packages"; }
ours=$(for deb in "${debs[@]}"; do dpkg-deb -f "$deb" Package; done | paste -sd'|')
if grep -E "Package ($ours) is not (installed|configured)" "$work/dpkg.log"; then
  fail "one of our packages depends on another that is not there"
fi
installed=$(dpkg --root="$root" -l | grep -c '^ii ' || true)
[ "$installed" -eq "${#debs[@]}" ] || { dpkg --root="$root" -l; fail "only $installed of ${#debs[@]} packages installed"; }

libdir=$(dirname "$(find "$root/usr/lib" -name 'libbastra_crypto.so.0' | head -1)")
[ -d "$libdir" ] || fail "no platform library in the root"
activation="$root/usr/share/dbus-1/system-services/com.tavelo.certman.service"
[ -f "$activation" ] || fail "no activation file installed"
grep -qx 'Exec=/usr/bin/trustkeep --dbus' "$activation" || fail "the activation file does not start /usr/bin/trustkeep"

bus="$work/bus"
mkdir -p "$bus/services" "$work/device/home/user/private"
# One CA certificate in the shared domain "common-ca", stored as the store keeps
# it: DER, named by the SHA-1 of its public key.
ca="$work/device/etc/bastra-certs/common-ca"
mkdir -p "$ca"
openssl req -x509 -newkey rsa:2048 -nodes -subj "/CN=trustkeep package check CA" -days 2 \
  -keyout "$work/ca.key" -out "$work/ca.pem" 2>/dev/null
keyid=$(openssl x509 -in "$work/ca.pem" -noout -pubkey | openssl rsa -pubin -RSAPublicKey_out -outform DER 2>/dev/null \
          | sha1sum | cut -d' ' -f1)
openssl x509 -in "$work/ca.pem" -outform DER -out "$ca/$keyid"
sed "s|^Exec=/|Exec=$root/|" "$activation" >"$bus/services/com.tavelo.certman.service"
private_bus_config "$bus/system_bus_socket" "$bus/services" \
  "<includedir>$root/usr/share/dbus-1/system.d</includedir>" >"$bus/system.conf"
export DBUS_SYSTEM_BUS_ADDRESS="unix:path=$bus/system_bus_socket"
# What the service inherits from the bus: an emulated device, no display, the
# root's libraries, and errors on standard error too.
env TRUSTKEEP_DEVICE_ROOT="$work/device" QT_QPA_PLATFORM=offscreen LD_LIBRARY_PATH="$libdir" \
    TRUSTKEEP_LOG_STDERR=1 ZELVO_LOG_STDERR=1 \
    dbus-daemon --config-file="$bus/system.conf" --nofork --print-address=1 >"$work/address" 2>"$work/bus.log" &
daemon_pid=$!
for _ in $(seq 100); do [ -S "$bus/system_bus_socket" ] && [ -s "$work/address" ] && break; sleep 0.1; done
[ -S "$bus/system_bus_socket" ] || { cat "$work/bus.log"; fail "the private system bus did not start"; }

reply=$(timeout 60 gdbus call --system --dest com.tavelo.certman --object-path /request \
          --method com.tavelo.certman.LoadCertificatesFromDomains "['common-ca']" 2>&1) \
  || { cat "$work/bus.log"; fail "calling the installed service failed: $reply"; }
owner=$(gdbus call --system --dest org.freedesktop.DBus --object-path /org/freedesktop/DBus \
          --method org.freedesktop.DBus.GetConnectionUnixProcessID com.tavelo.certman 2>&1) \
  || fail "the service left the bus right after its reply: $owner"
pid=$(tr -dc '0-9 ' <<<"$owner" | awk '{print $NF}')
program=$(readlink "/proc/$pid/exe" || true)
maps=$(cat "/proc/$pid/maps" 2>/dev/null || true)
[ "$program" = "$root/usr/bin/trustkeep" ] || fail "the bus started $program, not the installed trustkeep"
grep -q "$libdir/libbastra_certman.so.0.1.0" <<<"$maps" || fail "the service did not load the root's platform libraries"
grep -q "$root/usr/share/trustkeep/translations/certificatemanager.qm" <<<"$maps" \
  || fail "the service did not load the root's translation catalog"
if grep -E 'catalog|cannot|ERROR' "$work/bus.log"; then fail "the installed service reported errors"; fi
grep -qF "'$(base64 -w0 "$ca/$keyid")': <'common-ca'>" <<<"$reply" \
  || fail "the installed service did not list the certificate of common-ca: $reply"
echo "      the bus started $program (pid $pid): LoadCertificatesFromDomains(['common-ca']) lists its CA"

# The installed control panel finds the installed applet beside itself.
applets=$(LD_LIBRARY_PATH="$libdir" QT_QPA_PLATFORM=offscreen "$root/usr/bin/plixcontrolpanel")
grep -qx "trustpanel	$libdir/plixcontrolpanel/applets/libtrustpanel.so" <<<"$applets" \
  || fail "the installed control panel does not list the installed applet: $applets"
echo "      the installed control panel lists: $(tr '\t\n' '  ' <<<"$applets")"
echo "packages in $build/packages"
