#!/bin/sh
# The Debian package as a user gets it: built by cpack from the build
# folder, accepted by lintian (no error), unpacked into a scratch folder,
# and its program run from there: --version, then a short headless run
# against the simulator with its data in a folder of the test's own. Its
# service units pass systemd-analyze verify, pointed at the unpacked program.
#   package_check.sh BUILD_DIR WORK_DIR SIMULATOR
set -eu
build=$1
work=$2
simulator=$3

rm -rf "$work"
mkdir -p "$work"
say() { printf 'package_check: %s\n' "$*"; }
fail() { say "FAILED: $*"; exit 1; }

cd "$build"
cpack -G DEB -B "$work/cpack" >"$work/cpack.log" 2>&1 || { cat "$work/cpack.log"; fail "cpack"; }
deb=$(ls "$work"/cpack/quelvane_*.deb)
say "built $(basename "$deb")"

# Errors fail; warnings are listed (the README says why each is left).
lintian --fail-on error --tag-display-limit 0 "$deb" >"$work/lintian.log" 2>&1 || {
  cat "$work/lintian.log"
  fail "lintian reports errors"
}
sed 's/^/lintian: /' "$work/lintian.log"

depends=$(dpkg-deb -f "$deb" Depends)
for wanted in libqt5widgets5 libqwt-qt5 libqt5svg5 qttranslations5-l10n qt5-image-formats-plugins; do
  case "$depends" in *"$wanted"*) ;; *) fail "Depends lacks $wanted: $depends" ;; esac
done

root="$work/root"
dpkg-deb -x "$deb" "$root"
for f in usr/bin/quelvane usr/share/applications/quelvane.desktop \
         usr/share/icons/hicolor/scalable/apps/quelvane.svg \
         lib/systemd/system/quelvane.service lib/systemd/system/quelvane@.service \
         usr/share/quelvane/grafana/quelvane.json usr/share/quelvane/prometheus/quelvane-rules.yml \
         usr/share/doc/quelvane/copyright usr/share/doc/quelvane/changelog.gz usr/share/doc/quelvane/README.md; do
  [ -e "$root/$f" ] || fail "missing from the package: $f"
done
desktop-file-validate "$root/usr/share/applications/quelvane.desktop" || fail "desktop entry"

program="$root/usr/bin/quelvane"
"$program" --version | grep -q '^Quelvane - Version' || fail "--version"

# A short headless run: the simulator as the gateway, the data in a folder
# named on the command line, nothing written beside the program.
"$simulator" --port 0 >"$work/sim.out" 2>&1 &
sim=$!
trap 'kill $sim 2>/dev/null || true' EXIT
address=""
for _ in $(seq 50); do
  address=$(sed -n 's/.*listening on \(127\.0\.0\.1:[0-9]*\).*/\1/p' "$work/sim.out")
  [ -n "$address" ] && break
  sleep 0.1
done
[ -n "$address" ] || fail "the simulator did not start"
data="$work/données"
mkdir -p "$data"
printf '[LIVEBOX]\nLiveBox=%s\nUser=admin\nPass=secret\nSSID=Livebox-1234\n[MONITOR]\nCycle=00:00:05\n' \
  "$address" >"$data/livebox.ini"
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$program" --headless --dir "$data" 2>"$work/run.err" &
run=$!
rows=0
for _ in $(seq 200); do
  [ -f "$data/Livebox-1234.csv" ] && rows=$(wc -l <"$data/Livebox-1234.csv")
  [ "$rows" -ge 2 ] && break
  sleep 0.1
done
kill -TERM $run
status=0
wait $run || status=$?
cat "$work/run.err"
[ "$rows" -ge 2 ] || fail "no row recorded in $data"
[ "$status" -eq 0 ] || fail "the headless run ended with status $status"
[ "$(ls -A "$root/usr/bin")" = "quelvane" ] || fail "written beside the program: $(ls -A "$root/usr/bin")"

# The units, with the unpacked program in place of /usr/bin/quelvane.
units="$work/units"
mkdir -p "$units"
sed "s#/usr/bin/quelvane#$program#" "$root/lib/systemd/system/quelvane.service" >"$units/quelvane.service"
sed "s#/usr/bin/quelvane#$program#" "$root/lib/systemd/system/quelvane@.service" >"$units/quelvane@.service"
# A template is verified through one of its instances.
cp "$units/quelvane@.service" "$units/quelvane@maison.service"
(cd "$units" && SYSTEMD_LOG_LEVEL=notice systemd-analyze verify --man=no quelvane.service quelvane@maison.service) \
  >"$work/verify.log" 2>&1 || { cat "$work/verify.log"; fail "systemd-analyze verify"; }
if [ -s "$work/verify.log" ]; then
  cat "$work/verify.log"
  fail "systemd-analyze verify has remarks"
fi
say "passed"
