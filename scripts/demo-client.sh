#!/usr/bin/env bash
# The service answering a client we did not write: gdbus on the methods of
# com.tavelo.certman (InstallCertificateToDomains ran in demo.sh,
# ChangePrivateKeyPassword through the applet), the service's dialogs
# answered through automation, then the bus policy seen from another account. Runs inside scripts/demo.sh
# (after the applet and the installer). Usage: scripts/demo-client.sh BUILD_DIR
set -euo pipefail
build=$(cd "${1:?usage: demo-client.sh BUILD_DIR}" && pwd)
here=$(cd "$(dirname "$0")/.." && pwd)
source "$here/scripts/demo-lib.sh"

said() { printf '   %s\n' "$*"; }
answer() { certman "$@" | sed 's/^(//; s/,)$//'; }   # the reply's value
ann=$(cat "$material/key-0.id")
bank=$(cat "$material/key-2.id")
wifiUse="bastra-certman-common-ca::CertUserWifiUse"
service_ends

listed=$(certman LoadCertificatesFromDomains "['common-ca', 'ssl-user', 'smime-user', 'wifi-user', 'server']" \
  | grep -o "': <'" | wc -l)
said "LoadCertificatesFromDomains: $listed certificates;" \
  "CheckCertificate shop.example.com: $(answer CheckCertificate "$(cat "$material/server-shop.b64")");" \
  "GetPrivateKeyData: $(answer GetPrivateKeyData "$ann") (Ann Example), $(answer GetPrivateKeyData "$bank") (Bank Login)"

# A key under "ask for confirmation": the service asks before handing it out.
asked_call "$material/key.out" GetPrivateKey "$ann" "$wifiUse"
app trustkeep_dbus wait acceptButton 60000
shot trustkeep_dbus service-key-confirmation "GetPrivateKey for the key of \"Ann Example\": the service asks the user first"
app trustkeep_dbus click acceptButton
wait $asked
allowed=$(grep -o "[A-Za-z0-9+/=]*" "$material/key.out" | wc -L)

# A key under "ask for password": the key's password, asked by the service.
service_ends
asked_call "$material/key.out" GetPrivateKey "$bank" "$wifiUse"
app trustkeep_dbus wait currentPasswordField 60000
shot trustkeep_dbus service-key-password "GetPrivateKey for the key of \"Bank Login\": the service asks for its password"
app trustkeep_dbus type currentPasswordField bank-5678
app trustkeep_dbus click acceptButton
wait $asked
said "GetPrivateKey: Ann Example's key once the user allowed it, Bank Login's after its password" \
  "($allowed and $(grep -o "[A-Za-z0-9+/=]*" "$material/key.out" | wc -L) characters of cryptogram)"

# Any program may show a certificate to the user.
service_ends
asked_call "$material/show.out" ShowCertificateInfo "$(cat "$material/server-mail.b64")"
app trustkeep_dbus wait certificateDetailsWidget 60000
shot trustkeep_dbus service-show-certificate "ShowCertificateInfo: the service shows mail.example.org until the user goes back"
app trustkeep_dbus back
wait $asked
deleted=$(answer DeleteCertificateFromDomains "$ann" "['smime-user']")
methods=$(gdbus introspect --xml --system --dest com.tavelo.certman --object-path /request \
  | sed -n '/<interface name="com.tavelo.certman">/,/<\/interface>/p' | grep -c '<method')
said "ShowCertificateInfo: $(sed 's/^(//; s/,)$//' "$material/show.out");" \
  "DeleteCertificateFromDomains Ann Example: $deleted; Introspect: $methods methods"

# The policy: every account may check a certificate, introspect and ping;
# the rest is for root and the device's user.
if [ "$(id -u)" -eq 0 ] && id nobody > /dev/null 2>&1; then
  as_nobody() { runuser -u nobody -- gdbus call --system --dest com.tavelo.certman --object-path /request "$@" 2>&1; }
  checked=$(as_nobody --method com.tavelo.certman.CheckCertificate "$(cat "$material/server-shop.b64")" \
    | sed 's/^(//; s/,)$//')
  refused=$(as_nobody --method com.tavelo.certman.LoadCertificatesFromDomains "['ssl-user']" | grep -c AccessDenied || true)
  note "As nobody: CheckCertificate $checked; LoadCertificatesFromDomains refused: $refused"
  said "as the account nobody: CheckCertificate answers $checked; LoadCertificatesFromDomains" \
    "$([ "$refused" -gt 0 ] && echo "is refused by the bus" || echo "was NOT refused")"
fi

sleep 3
if service_running; then said "the service is still running"; else said "idle for two seconds, the service ended itself"; fi
