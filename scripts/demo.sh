#!/usr/bin/env bash
# The whole-device demonstration on an emulated device under BUILD_DIR/demo-device
# (never the real device paths), on a private system bus of its own:
#
#   1. the device: this machine's CA bundle in the shared "common-ca" domain,
#      a small PKI and three user certificates with keys of each preference,
#      installed through the service with gdbus;
#   2. server checks through CheckCertificate, answered on the service's pages;
#   3. the control panel with the applet, through every page (demo-applet.sh);
#   4. the installer (demo-installer.sh);
#   5. a client we did not write (gdbus) on the other methods, and the bus policy;
#
# a screenshot of every page, and BUILD_DIR/demo-screenshots/index.html.
# The detail goes to BUILD_DIR/demo.log. Usage: scripts/demo.sh BUILD_DIR
set -euo pipefail
build=${1:?usage: demo.sh BUILD_DIR}
build=$(cd "$build" && pwd)
here=$(cd "$(dirname "$0")/.." && pwd)
source "$here/scripts/demo-lib.sh"
source "$here/scripts/private-bus.sh"

rm -rf "$device" "$shots" "$material" "$uidir"
mkdir -p "$home/private" "$shots" "$material" "$uidir"
: > "$log"
: > "$shots/captions.tsv"

# --- a private system bus ---------------------------------------------------
# The device's system bus, played by a dbus-daemon of our own: default-deny
# rules, the shipped policy of the service, and activation of the build
# tree's trustkeep on the first call to its name.
bus="$build/demo-bus"
rm -rf "$bus"
mkdir -p "$bus/services"
# On the device the service runs as root; here it runs as whoever runs the
# demonstration, who then stands in for root on this bus.
stand_in=()
if [ "$(id -u)" -ne 0 ]; then
  stand_in=("<policy user=\"$(id -un)\"><allow own=\"com.tavelo.certman\"/><allow send_destination=\"com.tavelo.certman\" send_interface=\"com.tavelo.certman\"/></policy>")
fi
private_bus_config "$bus/socket" "$bus/services" "<include>$here/data/com.tavelo.certman.conf</include>" \
  "${stand_in[@]}" > "$bus/system.conf"
cat > "$bus/services/com.tavelo.certman.service" <<SERVICE
[D-BUS Service]
Name=com.tavelo.certman
Exec=$build/bin/trustkeep --dbus
User=root
SERVICE
export DBUS_SYSTEM_BUS_ADDRESS="unix:path=$bus/socket"
# The activated service inherits the daemon's environment (device root,
# automation socket); its log lines go to the daemon's log.
dbus-daemon --config-file="$bus/system.conf" --nofork --nopidfile --nosyslog --print-address=1 \
  > "$bus/address" 2> "$bus/daemon.log" &
daemon=$!
cleanup() {
  kill $daemon 2>/dev/null || true
  if [ -s "$bus/daemon.log" ]; then
    { echo "--- the bus and the service"; cat "$bus/daemon.log"; } >> "$log"
  fi
}
trap cleanup EXIT
for _ in $(seq 50); do [ -s "$bus/address" ] && break; sleep 0.1; done

started=$(date +%s)
echo "trustkeep on an emulated handset: $device"

# --- 1. the device ----------------------------------------------------------
if [ ! -s /etc/ssl/certs/ca-certificates.crt ]; then
  echo "The demonstration needs this machine's CA bundle (/etc/ssl/certs; package ca-certificates)." >&2
  exit 1
fi
echo "1. The device"
"$build/bin/make-demo-device" ca-bundle /etc/ssl/certs/ca-certificates.crt
mkdir -p "$device/etc/bastra-certs/codesigning"   # the system image's software-maker domain, empty here
"$build/bin/make-demo-device" material "$material"  # scripts/demo-tools/make-demo-device.cpp
"$build/bin/make-demo-files" "$home"                 # files for the installer, also seen by the applet

note "Installing the issuing CA and the user certificates with gdbus:"
certman InstallCertificateToDomains "$(cat "$material/issuing-ca.item")" "['ssl-ca', 'smime-ca']" >> "$log"
certman InstallCertificateToDomains "$(cat "$material/key-0.item")" "['smime-user']" >> "$log"
certman InstallCertificateToDomains "$(cat "$material/key-1.item")" "['wifi-user']" >> "$log"
certman InstallCertificateToDomains "$(cat "$material/old-laptop.item")" "['wifi-user']" >> "$log"
# A key under a password of the user's: the service asks for it.
asked_call "$material/key-2.out" InstallCertificateToDomains "$(cat "$material/key-2.item")" "['ssl-user']"
app trustkeep_dbus wait newPasswordField 60000
shot trustkeep_dbus service-new-password "The service asks for a password for the key of \"Bank Login\", installed with the preference \"ask for password\""
app trustkeep_dbus type newPasswordField bank-1234
app trustkeep_dbus type confirmPasswordField bank-1234
app trustkeep_dbus click acceptButton
wait $asked
echo "   a demo root beside them, an issuing CA, and user certificates with keys, installed with gdbus:"
echo "   Ann Example (use without asking), Office Wi-Fi (ask for confirmation), Bank Login (ask for password: bank-1234);"
echo "   and Old Laptop, without a key"

# --- 2. server checks -------------------------------------------------------
echo "2. Server certificates checked with CheckCertificate, answered on the service's pages"
service_ends
# check NAME PAGE BUTTON CAPTION: a question the user answers (BUTTON "back" leaves it)
check() {
  asked_call "$material/check.out" CheckCertificate "$(cat "$material/server-$1.b64")"
  app trustkeep_dbus wait "$2" 60000
  local kind=${2#serverCertificateInstall}
  kind=${kind%Page}
  shot trustkeep_dbus "service-$1-${kind,,}" "$4"
  if [ "$3" = back ]; then app trustkeep_dbus back; else app trustkeep_dbus click "$3"; fi
  wait $asked
  printf '   %-34s %s\n' "$(sed 's/[(,)]//g' "$material/check.out")" "$5"
  service_ends
}
check shop serverCertificateInstallNewPage CertmanTustButton \
  "A program asks the service about shop.example.com: a new certificate; the user trusts it" \
  "shop.example.com: trusted (until the certificate ends)"
check mail serverCertificateInstallNewPage CertmanTrust24Button \
  "mail.example.org is new too; the user trusts it for 24 hours" "mail.example.org: trusted for 24 hours"
check news serverCertificateInstallNewPage back \
  "news.example.net: the user goes back without trusting it" "news.example.net: not trusted"
printf '   %-34s %s\n' "$(certman CheckCertificate "$(cat "$material/server-shop.b64")" | sed 's/[(,)]//g')" \
  "shop.example.com again: no question, the decision holds"
check old serverCertificateInstallNewPage CertmanTustButton \
  "old.example.net, whose certificate ended yesterday: new to the user, who trusts it" \
  "old.example.net (expired certificate): trusted until its end, which is past"
check old serverCertificateInstallExpiredPage CertmanTustButton \
  "old.example.net again: the trust ran out with the certificate; the user keeps trusting it, now without an end" \
  "old.example.net again: asked once more, trusted without an end"
check shop2 serverCertificateInstallChangedPage back \
  "shop.example.com comes with another certificate: the page shows the trusted one above the new one" \
  "shop.example.com with another certificate: not trusted"

# --- 3. the control panel with the applet -----------------------------------
echo "3. The control panel with the certificate manager applet, driven through every page"
"$here/scripts/demo-applet.sh" "$build"

# --- 4. the installer --------------------------------------------------------
echo "4. The certificate installer (trustkeep without --dbus)"
"$here/scripts/demo-installer.sh" "$build"

# --- 5. a client we did not write ---------------------------------------------
echo "5. The service answering gdbus, and the bus policy"
"$here/scripts/demo-client.sh" "$build"

# The store library's own walk-through, on a device of its own, for the log.
{
  echo "--- the certificate store's walk-through (scripts/demo-tools/bastra-certman-demo.cpp)"
  rm -rf "$build/demo-store-device"
  mkdir -p "$build/demo-store-device/home/user/private"
  TRUSTKEEP_DEVICE_ROOT="$build/demo-store-device" "$build/bin/bastra-certman-demo"
} >> "$log" 2>&1

write_picture_page
echo "Screenshots: $(wc -l < "$shots/captions.tsv") pages in $shots"
echo "Details of every step (and the store library's walk-through): $log"
echo "The run took $(($(date +%s) - ${TRUSTKEEP_DEMO_STARTED:-$started})) s."
echo "The picture page: $shots/index.html"
