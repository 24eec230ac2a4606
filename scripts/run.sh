#!/usr/bin/env bash
# Installs what the project needs, builds QAV and runs its main job: QAV answers a call from the
# simulated call client on a private desktop, plays the greeting, records the caller's message and
# mails it to a local SMTP server (aiosmtpd on 127.0.0.1), and this script prints the voice
# message's path and length and where the mail it received was saved. QAV's version check goes to
# the web server's stand-in on 127.0.0.1 ($QAV_WEB_BASE), so nothing leaves the machine, and the
# script prints what it asked and what QAV made of the answer. QAV runs with its tray icon
# on a private virtual display (Xvfb with the trayer tray); at the end its voice messages page is
# opened there and saved as a screenshot, whose path is printed.
#
#   scripts/run.sh [--keep-running]
#
# Everything happens in a fresh folder under $TMPDIR (printed at the end, where the message stays):
# its own desktop directory, registry, data, configuration and log folders, so nothing of the
# user's own set-up is read or changed. With --keep-running, QAV, the simulated client, the mail
# server and the virtual display are left running on that desktop instead of being shut down at
# the end.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh
./scripts/build.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null

keep=0
[ "${1:-}" = "--keep-running" ] && keep=1
qav=$PWD/build/app/qav
client=$PWD/build/sim/qav-sim-callclient
webserver=$PWD/build/sim/qav-sim-webserver
screenshot=$PWD/build/tests/qav_x_screenshot
answerDelaySec=3
callId=1234

work=$(mktemp -d "${TMPDIR:-/tmp}/qav-run-XXXXXX")
export QAV_DESKTOP_DIR=$work/desktop QAV_REGISTRY_DIR=$work/registry QAV_DATA_DIR=$work/data \
  QAV_CONFIG_DIR=$work/config QAV_STATE_DIR=$work/state QAV_TEMP_DIR=$work/temp QAV_RUNTIME_DIR=$work/runtime
mkdir -p "$work/data/QAV" "$work/temp"

qavPid=
clientPid=
smtpPid=
webPid=
xvfbPid=
trayPid=
finish() {
  if [ "$keep" -eq 0 ]; then
    [ -n "$smtpPid" ] && kill -TERM "$smtpPid" 2>/dev/null || true
    [ -n "$smtpPid" ] && wait "$smtpPid" 2>/dev/null || true
    [ -n "$webPid" ] && kill -TERM "$webPid" 2>/dev/null || true
    [ -n "$webPid" ] && wait "$webPid" 2>/dev/null || true
    [ -n "$qavPid" ] && "$qav" /shutdown >/dev/null 2>&1 || true
    [ -n "$qavPid" ] && wait "$qavPid" 2>/dev/null || true
    [ -n "$clientPid" ] && kill -TERM "$clientPid" 2>/dev/null || true
    [ -n "$clientPid" ] && wait "$clientPid" 2>/dev/null || true
    [ -n "$trayPid" ] && kill -TERM "$trayPid" 2>/dev/null || true
    [ -n "$trayPid" ] && wait "$trayPid" 2>/dev/null || true
    [ -n "$xvfbPid" ] && kill -TERM "$xvfbPid" 2>/dev/null || true
    [ -n "$xvfbPid" ] && wait "$xvfbPid" 2>/dev/null || true
  fi
}
trap finish EXIT

fail() {
  echo "run.sh: $1" >&2
  echo "run.sh: the call client's transcript is $work/callclient.txt; QAV's log is in $work/state/QAV/" >&2
  exit 1
}

waitFor() {  # waitFor <seconds> <command...>
  local bound=$1
  shift
  for _ in $(seq $((bound * 20))); do "$@" && return 0; sleep 0.05; done
  return 1
}

# The private display QAV shows its tray icon and windows on, whether or not this session has one of
# its own: Xvfb picks a free display number and writes it to the descriptor given; trayer is its
# notification area.
exec 3>"$work/display.txt"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.txt" 2>&1 &
xvfbPid=$!
exec 3>&-
waitFor 20 grep -q '^[0-9]' "$work/display.txt" || fail "the virtual display did not start (see $work/xvfb.txt)"
export DISPLAY=:$(head -n 1 "$work/display.txt")
unset WAYLAND_DISPLAY
export QT_QPA_PLATFORM=xcb
# Qt's programs want a private runtime folder; a session without one gets the run's own.
if [ -z "${XDG_RUNTIME_DIR:-}" ]; then
  export XDG_RUNTIME_DIR=$work/xdg-runtime
  mkdir -m 700 "$XDG_RUNTIME_DIR"
fi
trayer --edge top --align right --widthtype pixel --width 160 --height 24 >"$work/trayer.txt" 2>&1 &
trayPid=$!
waitFor 20 xdotool search --onlyvisible --class trayer >/dev/null || fail "the tray did not start (see $work/trayer.txt)"

# The mail server the voice message is sent to: aiosmtpd on a free port of 127.0.0.1, saving what
# it receives into $work/mail (Debian's module is installed for /usr/bin/python3).
mkdir -p "$work/mail"
/usr/bin/python3 sim/programs/sim_smtp_server.py --mail-folder "$work/mail" >"$work/smtp.txt" 2>&1 &
smtpPid=$!
waitFor 10 grep -q '^ready ' "$work/smtp.txt" || fail "the local SMTP server did not start"
smtpPort=$(sed -n 's/^ready //p' "$work/smtp.txt")

# The maker's web server: its stand-in on a free port of 127.0.0.1, which answers the version check
# with the latest version it is told and saves each request's info document into $work/web.
mkdir -p "$work/web"
"$webserver" --folder "$work/web" --latest-ver 1.0.0.0 --period 14400 >"$work/webserver.txt" 2>&1 &
webPid=$!
waitFor 10 grep -q '^PORT ' "$work/webserver.txt" || fail "the web server's stand-in did not start"
export QAV_WEB_BASE=http://127.0.0.1:$(sed -n 's/^PORT //p' "$work/webserver.txt")/

# The answering machine's settings: answer after a few seconds, keep the message as WAV, and mail
# it, attached, to the local server.
cat >"$work/data/QAV/QAV.ini" <<EOF
[Settings]
AnswerAllowed=1
AnswerAllowedOnline=1
SecB4AnsweringOnline=$answerDelaySec
MaxRecordingDurationSec=60
AudioFileRecordingFormat=0
WinStartUp=0
EMailNotificationAllowed=1
EMailAttachmentAllowed=1
YourEMailAddress=you@example.org
SMTPServerAddress=127.0.0.1
SMTPServerPort=$smtpPort
SMTPSSLEnabled=0
EOF

# The caller's voice, at the call audio's own format (16 kHz, 16-bit, mono).
espeak-ng -v en -s 150 -w "$work/caller-22k.wav" \
  "Hello, this is a test caller. I am sorry I missed you. Please call me back when you can. Goodbye."
sox -q "$work/caller-22k.wav" -r 16000 -c 1 -b 16 "$work/caller.wav"

# The caller rings a contact's call and hangs up once the greeting and the message are through.
cat >"$work/call.txt" <<EOF
wait-attach
contact caller1 FULLNAME Test Caller
contact caller1 BUDDYSTATUS 3
wait 1000
ring $callId caller1 audio=$work/caller.wav
wait-command ALTER CALL $callId ANSWER
wait 16000
hangup $callId
EOF

"$client" --scenario "$work/call.txt" >"$work/callclient.txt" 2>&1 &
clientPid=$!
for _ in $(seq 100); do grep -q '^ready ' "$work/callclient.txt" 2>/dev/null && break; sleep 0.05; done
grep -q '^ready ' "$work/callclient.txt" || fail "the simulated call client did not start"

# QAV keeps a debug log for this run (level 4, FINE): its profile value, added under the
# registry's writer lock beside the keys the client has written.
printf '[Software\\Zarvelin\\QAV\\Settings]\n"LoggingEnabled"=dword:00000004\n' |
  flock "$work/registry/HKEY_CURRENT_USER.lock" tee -a "$work/registry/HKEY_CURRENT_USER.reg" >/dev/null
"$qav" >"$work/qav.txt" 2>&1 &
qavPid=$!

waitFor 10 grep -q '^attached ' "$work/callclient.txt" || fail "QAV did not attach to the call client"
echo "QAV is attached to the simulated call client; a call rings (QAV answers after ${answerDelaySec} s)."

# The version check runs once the call client has named the signed-in user.
qavLog() { cat "$work"/state/QAV/*.log 2>/dev/null; }
waitFor 20 test -s "$work/web/request-1.info.xml" || fail "QAV's version check did not reach the web server's stand-in"
checkUser=$(sed -n 's:.*<username>\(.*\)</username>.*:\1:p' "$work/web/request-1.info.xml")
echo "Version check: QAV asked the web server's stand-in at $QAV_WEB_BASE for user '$checkUser'."
waitFor 10 sh -c "cat '$work'/state/QAV/*.log 2>/dev/null | grep -q 'Web Site version is'" ||
  fail "QAV logged no answer to its version check"
qavLog | grep -m1 -o 'Web Site version is .*' | sed 's/^/  the answer: /'
qavLog | grep -m1 -o "Using version download link .*" | sed 's/^/  /' || true
echo "  ($(ls "$work"/web/request-*.info.xml | wc -l) version check(s) in this run; the stand-in's log: $work/webserver.txt)"
waitFor $((answerDelaySec + 15)) grep -q "ALTER CALL $callId ANSWER" "$work/callclient.txt" ||
  fail "QAV did not answer the call"
echo "QAV answered; the caller hears the greeting and leaves a message."

newMessage() {
  find "$work/data" -type f \( -name '*.wav' -o -name '*.mp3' \) ! -name '*.tmp*' -newer "$work/call.txt" 2>/dev/null |
    head -n 1
}
waitFor 30 grep -q "CALL $callId STATUS FINISHED" "$work/callclient.txt" || fail "the call did not end"
waitFor 15 test -n "$(newMessage)" || fail "no voice message was stored"
message=$(newMessage)
seconds=$(soxi -D "$message")
echo "Voice message: $message"
echo "Length: ${seconds} s"
waitFor 30 grep -q '^mail ' "$work/smtp.txt" || fail "the voice message did not arrive by mail (see $work/smtp.txt)"
mail=$(sed -n 's/^mail //p' "$work/smtp.txt" | head -n 1)
echo "Mail received by the local SMTP server, saved as: $mail"
grep -m1 -i '^Subject:' "$mail" || true
if /usr/bin/python3 - "$mail" "$message" <<'PY'
import email, email.policy, sys
with open(sys.argv[1], "rb") as f:
    mail = email.message_from_binary_file(f, policy=email.policy.default)
parts = [p for p in mail.walk() if p.get_content_disposition() == "attachment"]
with open(sys.argv[2], "rb") as f:
    sys.exit(0 if parts and parts[0].get_payload(decode=True) == f.read() else 1)
PY
then
  echo "Its attachment $(basename "$message") is byte for byte the voice message on disk."
else
  fail "the mail's attachment differs from the voice message on disk"
fi

# The voice messages page: QAV brings it up by itself when a new message is in (its "restore the
# window" option, on by default), listing the message; it is saved as a screenshot.
sheet=
findSheet() { sheet=$(xdotool search --onlyvisible --name '^QAV - owner\.one$' 2>/dev/null | head -n 1); [ -n "$sheet" ]; }
waitFor 20 findSheet || fail "QAV's voice messages page did not come up on the display $DISPLAY"
# Nothing on the display tells when a window just mapped has painted its rows: a moment for it.
sleep 1
eval "$(xdotool getwindowgeometry --shell "$sheet")"
shot=$work/voice-messages.png
"$screenshot" "$shot" "$X" "$Y" "$WIDTH" "$HEIGHT" || fail "the screenshot of the voice messages page failed"
echo "Screenshot of the voice messages page listing it: $shot"
if [ "$keep" -eq 1 ]; then echo "QAV's tray icon and windows are on the virtual display $DISPLAY."; fi
echo "(the run's folder, with the transcript and the log: $work)"
