#!/usr/bin/env bash
# The installer on the emulated device under BUILD_DIR/demo-device: sample
# certificate files in its home, trustkeep started on it without a display
# and driven through UI automation, a screenshot of each page saved to
# BUILD_DIR/demo-screenshots/, and what ended up in the store and the trust
# database. Usage: scripts/demo-installer.sh BUILD_DIR
set -euo pipefail
build=${1:?usage: demo-installer.sh BUILD_DIR}
build=$(cd "$build" && pwd)

device="$build/demo-device"
home="$device/home/user"
shots="$build/demo-screenshots"
sock="$build/demo-installer-ui.sock"
log="$build/demo-installer.log"
mkdir -p "$home/private"
rm -rf "$shots" "$sock"
mkdir -p "$shots"

export TRUSTKEEP_DEVICE_ROOT="$device"
export QT_QPA_PLATFORM=offscreen
export TRUSTKEEP_LOG_STDERR=1
export ZELVO_AUTOMATION_SOCKET="$sock"

ui() { "$build/bin/zelvo-automation" --socket "$sock" "$@" >/dev/null; }
wait_text() { "$build/bin/zelvo-automation" --socket "$sock" send "{\"cmd\":\"wait\",\"text\":\"$1\",\"timeout_ms\":20000}" >/dev/null; }
wait_for() { ui wait "$1" 20000; }
shot() {
  ui screenshot "$shots/$1.png"
  printf '   %-28s %s\n' "$1.png" "$2"
}

echo
echo "### The certificate installer (trustkeep without --dbus)"
"$build/bin/make-demo-files" "$home"   # scripts/demo-tools/make-demo-files.cpp
echo "Sample files in the emulated home:"
(cd "$home" && ls -1 -- *.pem *.p12 *.crt | sed 's/^/   /')

echo "Screenshots, in $shots:"
"$build/bin/trustkeep" 2>"$log" &
installer=$!
trap 'kill $installer 2>/dev/null || true' EXIT

wait_text demo-user.p12
shot 01-file-list "the certificate files found in the home"

ui click --text demo-user.p12
wait_for installButton
shot 02-certificate-page "the certificates of demo-user.p12, to pick from"
ui click details_0
wait_for certificateDetailsWidget
shot 03-details-page "everything about the certificate"
ui back
wait_for pick_0
ui click pick_0
ui click installButton
wait_for preferenceChooser
shot 04-settings-with-key "purposes, and how freely programs may have the key"
ui click preferenceChooser
wait_for comboEntry0
shot 05-preference-chooser "the key's authorization preference"
ui click comboEntry0
ui click purpose_codesign
ui click purpose_ssl
shot 06-settings-chosen "wireless networks and e-mail, no action for the key"
ui back   # leaving the settings page installs the key and the certificate
wait_text expired-server.crt

ui click --text expired-server.crt
wait_for pick_0
ui click pick_0
ui click installButton
wait_for certificateExpiredDialog
shot 07-expired-question "an expired certificate: install anyway?"
ui answer No   # not installed; back to the list
wait_text demo-root-ca.pem

ui click --text demo-root-ca.pem
wait_for pick_0
ui click pick_0
ui click installButton
wait_for certificateSettingsWidget
ui click purpose_smime
ui click purpose_codesign
shot 08-settings-ca "a CA certificate: purposes only, here web sites and wireless networks"
ui back
wait_text demo-user.p12
shot 09-file-list-again "back on the list after installing"
ui back   # the list's back button ends the installer
status=0
wait $installer || status=$?
trap - EXIT
echo "The installer ended with status $status."

# The empty state: a folder without certificate files.
mkdir -p "$build/demo-empty-folder"
"$build/bin/trustkeep" "$build/demo-empty-folder" 2>>"$log" &
installer=$!
trap 'kill $installer 2>/dev/null || true' EXIT
wait_for EmptyLabel
shot 10-empty-list "a folder without certificate files"
ui back
wait $installer || true
trap - EXIT

echo "What the installer put into the store (certificates by domain, keys):"
(cd "$home/.bastra-certs" && find . -mindepth 2 -newer "$home/demo-user.p12" -type f | sort | sed 's/^\.\//   /')
if command -v sqlite3 >/dev/null; then
  echo "Key records in the trust database:"
  sqlite3 "$home/private/trustkeep.db" "SELECT id, auth_preference, cn, domains, length(der_dump) FROM keys" \
    | sed 's/^/   /'
fi
if grep -qv XDG_RUNTIME_DIR "$log"; then
  echo "Its log lines:"
  grep -v XDG_RUNTIME_DIR "$log" | sed 's/^/   /'
fi
