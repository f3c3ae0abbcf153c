#!/usr/bin/env bash
# Builds the Debian package from the build folder, unpacks it into a scratch root and uses the
# installed programs from there.
set -u
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
check() {  # check DESCRIPTION COMMAND...
  local what=$1
  shift
  if "$@"; then echo "ok: $what"; else echo "FAILED: $what"; failures=$((failures + 1)); fi
}

(cd "$build" && cpack -G DEB -B "$work/package" >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log"; exit 1; }
deb=$(ls "$work"/package/*.deb)
check "one package was built" test -f "$deb"
dpkg-deb -f "$deb" Depends >"$work/depends"
check "it depends on the Qt, FluidSynth and ALSA libraries" \
  bash -c "grep -q libqt6widgets6 '$work/depends' && grep -q libfluidsynth3 '$work/depends' &&
           grep -q libasound2 '$work/depends' && grep -q qt6-qpa-plugins '$work/depends'"
check "it recommends a General MIDI SoundFont" \
  bash -c "dpkg-deb -f '$deb' Recommends | grep -q fluid-soundfont-gm"

root=$work/root
dpkg-deb -x "$deb" "$root"
for f in usr/bin/halcyone usr/bin/halcyone-cli \
         usr/share/applications/org.example.halcyone.desktop \
         usr/share/metainfo/org.example.halcyone.metainfo.xml \
         usr/share/icons/hicolor/16x16/apps/org.example.halcyone.png usr/share/icons/hicolor/256x256/apps/org.example.halcyone.png \
         usr/share/man/man1/halcyone.1 usr/share/halcyone/halcyone.hlp \
         usr/share/halcyone/examples/seahorse-valley.mpr; do
  check "installs /$f" test -s "$root/$f"
done
check "the installed companion tells its version" \
  bash -c "'$root/usr/bin/halcyone-cli' --version | grep -q '^halcyone-cli 1.2.0'"
check "the installed companion composes an installed example" \
  bash -c "'$root/usr/bin/halcyone-cli' compose '$root/usr/share/halcyone/examples/seahorse-valley.mpr' \
             -o '$work/piece.mid' >/dev/null && head -c 4 '$work/piece.mid' | grep -q MThd"

# halcyone-cli's playback module: in <libdir>/halcyone, whichever libdir the build chose, found
# from the installed tool, and its own libraries among the package's dependencies.
module=$(cd "$root" && ls usr/lib/halcyone/halcyone-playback.so usr/lib/*/halcyone/halcyone-playback.so 2>/dev/null | head -n 1)
check "installs the playback module in <libdir>/halcyone" bash -c "[ -n '$module' ] && [ -s '$root/$module' ]"
module_depends_covered() {
  mkdir -p "$work/shlibs/debian" && touch "$work/shlibs/debian/control"
  local wanted
  wanted=$(cd "$work/shlibs" && dpkg-shlibdeps -O "$root/$module" 2>/dev/null | sed -n 's/^shlibs:Depends=//p' |
           tr ',' '\n' | awk '{print $1}')
  [ -n "$wanted" ] || return 1
  for package in $wanted; do grep -qw -- "$package" "$work/depends" || return 1; done
}
check "it depends on the libraries of the playback module" module_depends_covered
check "the installed companion lists ports through the installed module" \
  bash -c "'$root/usr/bin/halcyone-cli' ports 2>&1 | grep -q 'Built-in synthesizer (FluidSynth) *(default)'"
if [ -r /usr/share/sounds/sf2/default-GM.sf2 ]; then
  check "the installed companion renders an installed example" \
    bash -c "'$root/usr/bin/halcyone-cli' render '$root/usr/share/halcyone/examples/bulb-garden.mpr' \
               -o '$work/piece.wav' >/dev/null && head -c 4 '$work/piece.wav' | grep -q RIFF"
fi

echo "$failures failed"
[ "$failures" -eq 0 ]
