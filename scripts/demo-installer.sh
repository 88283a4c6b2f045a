#!/usr/bin/env bash
# The certificate installer (trustkeep without --dbus) on the emulated
# device: the sample files of make-demo-files in its home, trustkeep started
# on them without a display and driven through UI automation, a screenshot of
# each page, and what ended up in the store and the trust database (in the
# log). Runs inside scripts/demo.sh. Usage: scripts/demo-installer.sh BUILD_DIR
set -euo pipefail
build=$(cd "${1:?usage: demo-installer.sh BUILD_DIR}" && pwd)
here=$(cd "$(dirname "$0")/.." && pwd)
source "$here/scripts/demo-lib.sh"

installer() { app trustkeep "$@"; }
page() { installer wait "$1" 60000; }
said() { printf '   %s\n' "$*"; }

"$build/bin/make-demo-files" "$home"   # scripts/demo-tools/make-demo-files.cpp
note "The installer's files: $(cd "$home" && ls -1 -- *.pem *.p12 *.crt | tr '\n' ' ')"
"$build/bin/trustkeep" >> "$log" 2>&1 &
pid=$!
trap 'kill $pid 2>/dev/null || true' EXIT

app_wait_text trustkeep demo-user.p12
shot trustkeep installer-files "The installer: the certificate files found in the home"

installer click --text demo-user.p12
page installButton
shot trustkeep installer-file "The certificates of demo-user.p12, to pick from"
installer click details_0
page certificateDetailsWidget
shot trustkeep installer-details "Everything about the certificate, before installing it"
installer back
page pick_0
installer click pick_0
installer click installButton
page preferenceChooser
installer click preferenceChooser
page comboEntry0
installer click comboEntry0
installer click purpose_codesign
installer click purpose_ssl
shot trustkeep installer-settings "Its purposes (wireless networks, e-mail users) and its key: use without asking"
installer back   # leaving the settings page installs the key and the certificate
app_wait_text trustkeep expired-server.crt
said "Demo User installed from demo-user.p12, with its key"

installer click --text expired-server.crt
page pick_0
installer click pick_0
installer click installButton
page certificateExpiredDialog
shot trustkeep installer-expired "An expired certificate: install anyway? (No)"
installer answer No
app_wait_text trustkeep demo-root-ca.pem
said "expired-server.crt: expired, not installed"

installer click --text demo-root-ca.pem
page pick_0
installer click pick_0
installer click installButton
page certificateSettingsWidget
installer click purpose_smime
installer click purpose_codesign
shot trustkeep installer-settings-ca "A CA certificate: purposes only, here web sites and wireless networks"
installer back
app_wait_text trustkeep demo-user.p12
installer back   # the list's back button ends the installer
status=0
wait $pid || status=$?
said "Demo Root CA installed from demo-root-ca.pem; the installer ended with status $status"

# The empty state: a folder without certificate files.
mkdir -p "$build/demo-empty-folder"
"$build/bin/trustkeep" "$build/demo-empty-folder" >> "$log" 2>&1 &
pid=$!
page EmptyLabel
shot trustkeep installer-empty "The installer on a folder without certificate files"
installer back
wait $pid || true
trap - EXIT

{
  echo "What the installer put into the store (certificates by domain, keys):"
  (cd "$home/.bastra-certs" && find . -mindepth 2 -newer "$home/demo-user.p12" -type f | sort | sed 's/^\.\//   /')
  if command -v sqlite3 > /dev/null; then
    echo "Key records in the trust database (id, preference, name, domains, size of the kept key):"
    sqlite3 "$home/private/trustkeep.db" "SELECT id, auth_preference, cn, domains, length(der_dump) FROM keys" \
      | sed 's/^/   /'
  fi
} >> "$log"
