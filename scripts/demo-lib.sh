# Shared by the demonstration scripts (sourced, not run). Expects $build (the
# build folder, absolute). Sets up the emulated device's environment and the
# helpers that drive the programs through UI automation.
#
#   app NAME CMD ARGS...   one automation request to the program NAME
#                          (plixcontrolpanel, trustkeep_dbus, trustkeep)
#   shot NAME FILE TEXT    a screenshot of NAME's window, with its line for
#                          the picture page
#   note TEXT              a line for the log only

device="$build/demo-device"
home="$device/home/user"
shots="$build/demo-screenshots"
material="$build/demo-material"
uidir="$build/demo-ui"
log="$build/demo.log"

export TRUSTKEEP_DEVICE_ROOT="$device"
export QT_QPA_PLATFORM=offscreen
export TRUSTKEEP_LOG_STDERR=1
# Every program listens on its own socket: plixcontrolpanel.sock,
# trustkeep_dbus.sock (the service), trustkeep.sock (the installer).
export ZELVO_AUTOMATION_SOCKET="$uidir/%a.sock"

# gdbus calls of the service's methods; the first call starts it.
certman() {
  local method=$1
  shift
  note "\$ gdbus call --system --dest com.tavelo.certman --object-path /request --method com.tavelo.certman.$method ..."
  gdbus call --system --timeout 120 --dest com.tavelo.certman --object-path /request \
    --method "com.tavelo.certman.$method" "$@"
}
service_running() {
  gdbus call --system --dest org.freedesktop.DBus --object-path /org/freedesktop/DBus \
    --method org.freedesktop.DBus.NameHasOwner com.tavelo.certman | grep -q true
}
# The service ends itself two seconds after its last call; a question asked
# after that starts a fresh window (earlier answered pages stay in a live one).
service_ends() {
  for _ in $(seq 100); do service_running || return 0; sleep 0.1; done
  echo "The demonstration stopped: the service did not end when idle (see $log)." >&2
  exit 1
}
# Runs a call in the background while the service's page or dialog waits for
# the user: asked_call OUTPUT METHOD ARGS...; the caller answers, then waits.
asked_call() {
  local output=$1
  shift
  certman "$@" > "$output" 2>> "$log" &
  asked=$!
}

note() { printf '%s\n' "$*" >> "$log"; }

# Any failed request ends the demonstration with the program's reply in the log.
app() {
  local program=$1
  shift
  note "  [$program] $*"
  if ! "$build/bin/zelvo-automation" --socket "$uidir/$program.sock" --timeout 60000 "$@" >> "$log" 2>&1; then
    echo "The demonstration stopped: '$*' failed in $program (see $log)." >&2
    exit 1
  fi
}

# Waits for a text to be shown (a list row, a file name).
app_wait_text() {
  app "$1" send "{\"cmd\":\"wait\",\"text\":\"$2\",\"timeout_ms\":60000}"
}

# Closes the application menu if a choice left it open.
app_close_menu() {
  if "$build/bin/zelvo-automation" --socket "$uidir/$1.sock" widgets 2>/dev/null | grep -q '"zelvoApplicationMenu"'; then
    app "$1" back
  fi
}

shot() {
  local program=$1 name=$2 text=$3
  local number
  number=$(printf '%02d' $(($(wc -l < "$shots/captions.tsv") + 1)))
  app "$program" screenshot "$shots/$number-$name.png"
  printf '%s\t%s\n' "$number-$name.png" "$text" >> "$shots/captions.tsv"
}

# The picture page: every screenshot in order, with its line.
write_picture_page() {
  local page="$shots/index.html"
  {
    echo '<!DOCTYPE html>'
    echo '<html lang="en"><head><meta charset="utf-8"><title>trustkeep: every page of the demonstration</title>'
    echo '<style>body{font-family:sans-serif;background:#f4f4f4;margin:2em}figure{display:flex;align-items:center;gap:1.5em;margin:0 0 1.5em}'
    echo 'img{width:240px;border:1px solid #888;background:#000}figcaption{font-size:1.05em}</style></head><body>'
    echo '<h1>trustkeep on an emulated handset</h1>'
    echo '<p>Made by <code>scripts/run-demo.sh</code>: the service'"'"'s pages, the control panel with the certificate manager applet, and the installer, in the order the demonstration showed them.</p>'
    local file text
    while IFS=$'\t' read -r file text; do
      text=${text//&/&amp;}
      text=${text//</&lt;}
      printf '<figure><a href="%s"><img src="%s" alt=""></a><figcaption>%s. %s</figcaption></figure>\n' \
        "$file" "$file" "${file%%-*}" "$text"
    done < "$shots/captions.tsv"
    echo '</body></html>'
  } > "$page"
}
