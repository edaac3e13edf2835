#!/usr/bin/env bash
# Starts what the printing tests need: the CUPS scheduler and a default
# queue that writes every job as a PDF file (cups-pdf). Idempotent: a running
# scheduler and an existing default queue are left as they are.
set -euo pipefail

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

scheduler_up() { lpstat -r 2>/dev/null | grep -q "is running"; }

if ! scheduler_up; then
  $SUDO mkdir -p /run/cups
  $SUDO cupsd
  for _ in $(seq 1 50); do
    scheduler_up && break
    sleep 0.2
  done
fi
if ! scheduler_up; then
  echo "test-services: the CUPS scheduler did not start" >&2
  exit 1
fi

# Keep each job's document after printing, so tests can read what a job held.
if ! grep -qi "^PreserveJobFiles Yes" /etc/cups/cupsd.conf 2>/dev/null; then
  $SUDO cupsctl PreserveJobFiles=Yes
  for _ in $(seq 1 50); do
    scheduler_up && break
    sleep 0.2
  done
fi

if ! lpstat -d 2>/dev/null | grep -q "system default destination:"; then
  if ! lpstat -p PDF >/dev/null 2>&1; then
    ppd=/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd
    [ -f "$ppd" ] || ppd=/usr/share/ppd/cups-pdf/CUPS-PDF_noopt.ppd
    $SUDO lpadmin -p PDF -v cups-pdf:/ -E -P "$ppd"
  fi
  $SUDO lpadmin -d PDF
  $SUDO cupsenable PDF 2>/dev/null || true
  $SUDO cupsaccept PDF 2>/dev/null || true
fi
echo "test-services: CUPS running, default destination: $(lpstat -d 2>/dev/null | sed 's/.*: //')"
