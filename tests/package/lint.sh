#!/usr/bin/env bash
# Checks a built package the way distributions do: lintian (no errors), the
# AppStream metadata (appstreamcli validate) and the desktop entry
# (desktop-file-validate). Prints every tool's output.
set -euo pipefail
deb=$(realpath "$1")
for tool in lintian appstreamcli desktop-file-validate; do
  command -v "$tool" >/dev/null || { echo "lint: $tool is missing (scripts/setup.sh installs it)" >&2; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
dpkg-deb -x "$deb" "$work/root"

status=0
echo "== lintian $(basename "$deb")"
# As root lintian wants to be told that this is fine.
lintian --allow-root --display-info "$deb" > "$work/lintian.txt" 2>&1 || true
cat "$work/lintian.txt"
if grep -q '^E: ' "$work/lintian.txt"; then
  echo "lint: lintian reports errors" >&2
  status=1
fi

for meta in "$work"/root/usr/share/metainfo/*.xml; do
  echo "== appstreamcli validate $(basename "$meta")"
  appstreamcli validate --no-net "$meta" || status=1
done
for entry in "$work"/root/usr/share/applications/*.desktop; do
  echo "== desktop-file-validate $(basename "$entry")"
  desktop-file-validate "$entry" || status=1
done
exit $status
