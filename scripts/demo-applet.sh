#!/usr/bin/env bash
# The control panel with the certificate manager applet on the emulated
# device, driven through every page as a finger would, one step per page,
# with a screenshot of each. Runs inside scripts/demo.sh (its bus, device and
# material). Usage: scripts/demo-applet.sh BUILD_DIR
set -euo pipefail
build=$(cd "${1:?usage: demo-applet.sh BUILD_DIR}" && pwd)
here=$(cd "$(dirname "$0")/.." && pwd)
source "$here/scripts/demo-lib.sh"

panel() { app plixcontrolpanel "$@"; }
service() { app trustkeep_dbus "$@"; }
page() { panel wait "$1" 60000; }
# Back until the list is on top.
to_list() {
  until "$build/bin/zelvo-automation" --socket "$uidir/plixcontrolpanel.sock" pages 2>/dev/null \
      | tail -n 8 | grep -q '"plixPage0"'; do
    panel back
  done
}
# The list shows one kind: the menu's chooser, then the entry.
show_kind() {
  panel click certificatesDisplayed
  panel click --text "$1"
  app_close_menu plixcontrolpanel
  page plixPage0
}
# Until the list shows its rows (the spinner is gone).
rows_shown() {
  for _ in $(seq 300); do
    "$build/bin/zelvo-automation" --socket "$uidir/plixcontrolpanel.sock" widgets 2>/dev/null \
      | grep -q '"CertificateItemWidget"' && return 0
    sleep 0.2
  done
  echo "The demonstration stopped: the applet's list stayed empty (see $log)." >&2
  exit 1
}
# Until a banner has gone (it does by itself after a few seconds).
gone() {
  for _ in $(seq 100); do
    "$build/bin/zelvo-automation" --socket "$uidir/plixcontrolpanel.sock" widgets 2>/dev/null \
      | grep -q "\"$1\"" || return 0
    sleep 0.1
  done
  echo "The demonstration stopped: $1 stayed on the screen (see $log)." >&2
  exit 1
}
said() { printf '   %s\n' "$*"; }

"$build/bin/plixcontrolpanel" --applet trustpanel >> "$log" 2>&1 &
host=$!
trap 'kill $host 2>/dev/null || true' EXIT

# The list, by kind.
page certificatesListPage
rows_shown
shot plixcontrolpanel list-all "The applet's list, all certificates by name: this machine's CA bundle and the device's own"
panel click certificatesDisplayed
panel wait zelvoComboPopup 20000
shot plixcontrolpanel list-kinds "The menu's chooser of the kinds of certificate shown"
panel click --text "Root certificates"
app_close_menu plixcontrolpanel
shot plixcontrolpanel list-root "Root certificates: the CAs of the shared \"common-ca\" domain and the installed issuing CA"
# A CA of the machine's bundle (the first row) opens on the page without a menu.
first=$("$build/bin/zelvo-automation" --socket "$uidir/plixcontrolpanel.sock" widgets \
  | awk '/"class": "CertificateItemWidget"/ { row = 1 } row && /"text":/ { print; exit }' \
  | sed 's/^ *"text": "//; s/",\{0,1\}$//')
panel click --text "$first"
page plixPage4
shot plixcontrolpanel details-unmanaged "\"$first\" of this machine's CA bundle: its details, with no menu (it cannot be changed)"
panel back
page plixPage0
show_kind "Server certificates"
shot plixcontrolpanel list-server "Server certificates: the trust decisions made through CheckCertificate"
show_kind "User certificates"
shot plixcontrolpanel list-user "User certificates: the three with keys, one of each preference"

# Details, and a related certificate one level deeper each time.
panel click --text "Bank Login"
page plixPage5
shot plixcontrolpanel details "Details of \"Bank Login\" (further down: the certificates related to it)"
panel click relatedCertificate_0
page plixPage6
shot plixcontrolpanel details-related "The related certificate: \"Demo Issuing CA\", which issued it"
panel click relatedCertificate_0
page plixPage7
shot plixcontrolpanel details-root "One level deeper: \"Demo Device Root CA\" of the shared domain"
panel click deleteCertificate
panel wait rootDeleteInfoBanner 20000
shot plixcontrolpanel root-banner "Deleting a root certificate is refused, with a banner"
said "lists by kind (all, root, user, server); details of Bank Login, its issuing CA and its root (deleting it: a banner)"

# The key's password, changed in the service's dialog.
gone rootDeleteInfoBanner
panel back
page plixPage6
panel back
page plixPage5
panel click changePassword
service wait currentPasswordField 60000
shot trustkeep_dbus service-change-password "Change password (menu): the service asks for the current password and a new one"
service type currentPasswordField bank-1234
service type newPasswordField bank-5678
service type confirmPasswordField bank-5678
service click acceptButton
page plixPage5
said "Bank Login's password changed in the service's dialog (now bank-5678)"

# A purpose change, then a preference change, on the settings page.
to_list
panel click --text "Office Wi-Fi"
page plixPage5
panel click certificateSettings
page certificateSettingsPage
shot plixcontrolpanel settings "Settings of \"Office Wi-Fi\": its purposes and how freely programs get its key"
panel click purpose_ssl
shot plixcontrolpanel settings-purpose "A purpose change: web sites added to wireless networks"
panel back
page plixPage5
to_list
panel click --text "Ann Example"
page plixPage5
panel click certificateSettings
page certificateSettingsPage
panel click preferenceChooser
panel wait comboEntry0 20000
shot plixcontrolpanel settings-preference "A preference change for the key of \"Ann Example\": the choices"
panel click --text "Ask for confirmation"
app_close_menu plixcontrolpanel
panel back
page plixPage5
said "purposes: web sites added to Office Wi-Fi; preference: Ann Example's key to \"ask for confirmation\""

# A deletion, with its question.
to_list
panel click --text "Old Laptop"
page plixPage5
panel click deleteCertificate
panel wait messageBoxText 20000
shot plixcontrolpanel delete-question "Delete certificate (menu): the applet asks first"
panel answer Yes
page plixPage0
shot plixcontrolpanel list-after-delete "Back on the list: \"Old Laptop\" is gone"

# Import from a file: the file list, the file's certificates, their settings.
panel click importNew
page certificateFileListPage
app_wait_text plixcontrolpanel partner-certificates.pem
shot plixcontrolpanel import-files "Import (menu): the certificate files found in the device's home"
panel click --text partner-certificates.pem
page certificateInstallPage
panel click details_0
page certificateDetailsPage
shot plixcontrolpanel import-details "Details of \"Partner Portal\", read from the file before it is installed"
panel back
page certificateInstallPage
panel click pick_0
panel click pick_1
shot plixcontrolpanel import-file "The certificates of partner-certificates.pem, both picked"
panel click installButton
page certificateSettingsPage
panel click purpose_wifi
panel click purpose_codesign
shot plixcontrolpanel import-settings "Their purposes: web sites and e-mail users"
panel back
to_list
show_kind "User certificates"
app_wait_text plixcontrolpanel "Partner Portal"
shot plixcontrolpanel list-after-import "The user certificates with the imported \"Partner Portal\""
said "Old Laptop deleted after its question; Partner Portal and its CA imported from a file, for web sites and e-mail"

# Back from the list ends the control panel.
panel back
status=0
wait $host || status=$?
trap - EXIT
said "the control panel ended with status $status"
