#!/usr/bin/env bash
# The package as installed: extracted into a temporary root (dpkg -x) and
# started from there by an ordinary user (a throw-away account when run as
# root) with HOME and XDG_DATA_HOME in a scratch folder.
#
#   installed_layout.sh PACKAGE.deb INSTALLCHECK
#
# 1. The installed executable starts: the data folder appears owner-only
#    with the database and the shipped template in it.
# 2. INSTALLCHECK, the test entry point, runs from beside the installed
#    executable: login, preview and save of a receipt, program end.
# 3. The data folder then holds database, settings and template, owner-only,
#    and nothing in the installation changed.
set -euo pipefail
deb=$(realpath "$1")
check=$(realpath "$2")
here=$(dirname "$(realpath "$0")")

fail() {
  echo "installed-layout: FAIL: $*" >&2
  exit 1
}

scratch=$(mktemp -d /tmp/mtrfee-installed.XXXXXX)
user=""
cleanup() {
  [ -n "${pid:-}" ] && kill "$pid" 2>/dev/null || true
  if [ -n "$user" ]; then
    # The spreadsheet application goes with the program; give it a moment.
    for _ in 1 2 3 4 5 6 7 8 9 10; do userdel "$user" 2>/dev/null && break; sleep 1; done
    id "$user" >/dev/null 2>&1 && userdel --force "$user" 2>/dev/null || true
  fi
  chmod -R u+w "$scratch" 2>/dev/null || true
  rm -rf "$scratch"
}
trap cleanup EXIT
chmod 0755 "$scratch"

root=$scratch/root
home=$scratch/home
data=$home/xdg-data/mtrfee
dpkg-deb -x "$deb" "$root"
# The entry point runs as the installed executable does: from usr/bin, and
# with its library search path instead of the build tree's.
install -m 0755 "$check" "$root/usr/bin/mtrfee-installcheck"
cmake -DFROM="$root/usr/bin/mtrfee" -DFILE="$root/usr/bin/mtrfee-installcheck" -P "$here/same-rpath.cmake"
mkdir -m 0700 "$home"

if [ "$(id -u)" = 0 ]; then
  user="mtrfee-t$$"
  useradd --system --no-create-home --home-dir "$home" --shell /usr/sbin/nologin --user-group "$user"
  chown "$user:$user" "$home"
  as_user=(setpriv --reuid="$user" --regid="$user" --clear-groups --)
  echo "installed-layout: running as the ordinary user $user"
else
  # An ordinary user already: the installation is made read-only instead.
  chmod -R a-w "$root"
  as_user=()
  echo "installed-layout: running as $(id -un)"
fi
# The command line that runs a program as that user, in the test's environment
# (one simple command, so that a background run's pid is the program's).
run=("${as_user[@]}" env -i PATH=/usr/bin:/bin HOME="$home" XDG_DATA_HOME="$home/xdg-data"
     USER="${user:-$(id -un)}" LC_ALL=C.UTF-8 QT_QPA_PLATFORM=offscreen)
snapshot() { (cd "$root" && find . -printf '%p %y %s %m %T@\n' | sort); }
snapshot > "$scratch/before"

mode_of() { stat -c %a "$1"; }
owner_only() {
  local bad
  bad=$(find "$data" -perm /077 -printf '%p %m\n')
  [ -z "$bad" ] || fail "readable by others: $bad"
  if [ -n "$user" ]; then
    bad=$(find "$data" ! -user "$user" -printf '%p %u\n')
    [ -z "$bad" ] || fail "not the user's: $bad"
  fi
}

# 1. The installed executable's first start (it waits at the login dialog).
"${run[@]}" "$root/usr/bin/mtrfee" > "$scratch/mtrfee.log" 2>&1 &
pid=$!
for _ in $(seq 1 600); do
  [ -f "$data/qmvDemo.db" ] && [ -f "$data/收据模板.xls" ] && break
  kill -0 "$pid" 2>/dev/null || { cat "$scratch/mtrfee.log" >&2; fail "the installed executable ended at start"; }
  sleep 0.2
done
[ -f "$data/qmvDemo.db" ] || { cat "$scratch/mtrfee.log" >&2; fail "no database in $data"; }
sleep 1
kill -0 "$pid" 2>/dev/null || { cat "$scratch/mtrfee.log" >&2; fail "the installed executable ended at the login"; }
kill "$pid"
wait "$pid" 2>/dev/null || true
kill -0 "$pid" 2>/dev/null && fail "the installed executable did not end"
pid=""
[ "$(mode_of "$data")" = 700 ] || fail "data folder mode $(mode_of "$data"), not 700"
cmp -s "$data/收据模板.xls" "$root/usr/share/mtrfee/收据模板.xls" || fail "the template is not the shipped one"
owner_only
echo "installed-layout: first start: $(cd "$data" && ls | tr '\n' ' ')"

# 2. Login, preview and save through the entry point.
if ! "${run[@]}" timeout 600 "$root/usr/bin/mtrfee-installcheck" > "$scratch/check.log" 2>&1; then
  cat "$scratch/check.log" >&2
  fail "the entry point's run failed"
fi
grep -E '^(PASS|FAIL|Totals)' "$scratch/check.log" || true

# 3. What the runs left.
for f in qmvDemo.db mtrfee.ini 收据模板.xls; do
  [ -f "$data/$f" ] || fail "$f missing from the data folder"
done
[ "$(mode_of "$data")" = 700 ] || fail "data folder mode $(mode_of "$data"), not 700"
owner_only
grep -qi '^\[judge\]' "$data/mtrfee.ini" || fail "the settings file has no section"
snapshot > "$scratch/after"
diff "$scratch/before" "$scratch/after" >&2 || fail "the installation changed"
echo "installed-layout: data folder: $(cd "$data" && ls -l | tail -n +2 | awk '{print $1, $NF}' | tr '\n' ';')"
echo "installed-layout: PASS"
