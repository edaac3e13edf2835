#!/usr/bin/env bash
# A print scheduler of the tests' own, so that printing tests never touch the
# machine's printing setup (its scheduler, settings, queues or default
# printer):
#
#   test-services.sh start DIR   starts a CUPS scheduler whose configuration,
#                                spool, logs and socket all live in DIR (a new
#                                or empty folder), with one queue "mtrfee-test"
#                                as its default; the queue writes every job's
#                                document as DIR/pdf/job_<id>.pdf, and the
#                                documents are also kept in DIR/spool.
#                                Prints the socket path.
#   test-services.sh stop DIR    ends that scheduler and removes DIR.
#   test-services.sh             checks that what "start" needs is installed.
#
# A program reaches the scheduler through CUPS_SERVER=DIR/cups.sock; the
# tests set that (and LPDEST) for themselves. The queue's device is a small
# backend of this script's own: a PDF-writing backend such as cups-pdf reads
# its settings from /etc/cups, which is the machine's. The scheduler needs
# root: as another user the commands run through sudo.
set -euo pipefail

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
QUEUE=mtrfee-test

need() {
  local missing=0
  for f in /usr/sbin/cupsd /usr/lib/cups/daemon/cups-exec; do
    if [ ! -e "$f" ]; then echo "test-services: $f is missing (scripts/setup.sh installs it)" >&2; missing=1; fi
  done
  return $missing
}

# The device "mtrfee-pdf:FOLDER": each job's document as it came (the queue
# is raw, so that is the PDF file the program sent) goes into FOLDER as
# job_<id>.pdf, written under another name first so that a reader never sees
# half a file.
BACKEND='#!/bin/sh
if [ $# -eq 0 ]; then
  echo "direct mtrfee-pdf \"Unknown\" \"Test PDF output\""
  exit 0
fi
out="${DEVICE_URI#mtrfee-pdf:}"
part="$out/.job_$1.part"
if [ -n "${6:-}" ]; then cat -- "$6" >"$part"; else cat >"$part"; fi || exit 1
chmod 0644 "$part" && mv -f -- "$part" "$out/job_$1.pdf" || exit 1
exit 0
'

start() {
  local dir="$1"
  need
  mkdir -p "$dir"
  dir="$(cd "$dir" && pwd)"
  local sock="$dir/cups.sock"
  mkdir -p "$dir/conf/ppd" "$dir/spool/tmp" "$dir/cache" "$dir/state" "$dir/log" "$dir/pdf" "$dir/bin/backend"
  # The scheduler's helper programs are the installed ones; only the
  # backend is this folder's (run as root: its mode is 0700).
  for sub in cgi-bin daemon driver filter monitor notifier; do
    if [ -e "/usr/lib/cups/$sub" ]; then ln -sfn "/usr/lib/cups/$sub" "$dir/bin/$sub"; fi
  done
  printf '%s' "$BACKEND" >"$dir/bin/backend/mtrfee-pdf"
  chmod 0700 "$dir/bin/backend/mtrfee-pdf"
  cat >"$dir/conf/cupsd.conf" <<EOF
Listen $sock
Browsing No
BrowseLocalProtocols none
DefaultShared No
WebInterface No
LogLevel warn
PreserveJobFiles Yes
PreserveJobHistory Yes
MaxJobs 0
<Location />
  Order allow,deny
  Allow all
</Location>
<Policy default>
  <Limit All>
    Order deny,allow
  </Limit>
</Policy>
EOF
  cat >"$dir/conf/cups-files.conf" <<EOF
ServerRoot $dir/conf
ServerBin $dir/bin
RequestRoot $dir/spool
TempDir $dir/spool/tmp
CacheDir $dir/cache
StateDir $dir/state
ErrorLog $dir/log/error_log
AccessLog $dir/log/access_log
PageLog $dir/log/page_log
SystemGroup root
EOF
  $SUDO /usr/sbin/cupsd -f -c "$dir/conf/cupsd.conf" -s "$dir/conf/cups-files.conf" \
    </dev/null >>"$dir/log/cupsd.out" 2>&1 &
  echo $! >"$dir/cupsd.pid"
  local up=0
  for _ in $(seq 1 100); do
    if CUPS_SERVER="$sock" lpstat -r 2>/dev/null | grep -q "is running"; then up=1; break; fi
    sleep 0.1
  done
  if [ "$up" -ne 1 ]; then
    echo "test-services: the scheduler in $dir did not start:" >&2
    cat "$dir/log/cupsd.out" "$dir/log/error_log" >&2 2>/dev/null || true
    return 1
  fi
  # A raw queue (no driver): lpadmin warns that raw queues are deprecated.
  CUPS_SERVER="$sock" $SUDO lpadmin -p "$QUEUE" -v "mtrfee-pdf:$dir/pdf" -E 2>/dev/null
  CUPS_SERVER="$sock" $SUDO lpadmin -d "$QUEUE"
  echo "$sock"
}

stop() {
  local dir="$1"
  [ -d "$dir" ] || return 0
  if [ -f "$dir/cupsd.pid" ]; then
    local pid
    pid="$(cat "$dir/cupsd.pid")"
    $SUDO kill "$pid" 2>/dev/null || true
    for _ in $(seq 1 50); do
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.1
    done
    $SUDO kill -9 "$pid" 2>/dev/null || true
  fi
  $SUDO rm -rf -- "$dir"
}

case "${1:-}" in
  start) start "${2:?usage: test-services.sh start DIR}" ;;
  stop) stop "${2:?usage: test-services.sh stop DIR}" ;;
  "") need && echo "test-services: ready (each printing test starts a scheduler of its own)" ;;
  *) echo "usage: test-services.sh [start DIR | stop DIR]" >&2; exit 2 ;;
esac
