#!/usr/bin/env bash
# Builds the Debian package from the build folder, checks it as a distribution would (lintian,
# the AppStream tree, the copyright file), unpacks it into a scratch root and uses the installed
# programs from there.
set -u
build=$1
source_dir=$(cd "$(dirname "$0")/.." && pwd)
app_id=org.example.halcyone
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
source "$(dirname "${BASH_SOURCE[0]}")/check.sh"

(cd "$build" && cpack -G DEB -B "$work/package" >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log"; exit 1; }
deb=$(ls "$work"/package/*.deb)
check "one package was built" test -f "$deb"
dpkg-deb -f "$deb" Depends >"$work/depends"
check "it depends on the Qt, FluidSynth and ALSA libraries" \
  bash -c "grep -q libqt6widgets6 '$work/depends' && grep -q libfluidsynth3 '$work/depends' &&
           grep -q libasound2 '$work/depends' && grep -q qt6-qpa-plugins '$work/depends'"
check "it recommends a General MIDI SoundFont" \
  bash -c "dpkg-deb -f '$deb' Recommends | grep -q fluid-soundfont-gm"
# JACK is opened at run time, so that the programs start without it: recommended, not linked.
check "it recommends JACK's library and no program links it" \
  bash -c "dpkg-deb -f '$deb' Recommends | grep -q 'libjack-jackd2-0 | libjack-0.125' &&
           ! grep -q libjack '$work/depends'"

# Lintian runs as on a distribution's archive; an override it honours needs a reason beside it.
lintian_clean() {
  lintian --fail-on error,warning "$deb" >"$work/lintian" 2>/dev/null && ! [ -s "$work/lintian" ] ||
    { cat "$work/lintian"; return 1; }
}
check "lintian reports no error or warning" lintian_clean

root=$work/root
dpkg-deb -x "$deb" "$root"
for f in usr/bin/halcyone usr/bin/halcyone-cli \
         usr/share/applications/$app_id.desktop usr/share/metainfo/$app_id.metainfo.xml \
         usr/share/man/man1/halcyone.1.gz usr/share/man/man1/halcyone-cli.1.gz \
         usr/share/doc/halcyone/copyright usr/share/doc/halcyone/changelog.gz \
         usr/share/halcyone/halcyone.hlp usr/share/halcyone/examples/seahorse-valley.mpr; do
  check "installs /$f" test -s "$root/$f"
done
check "the AppStream metadata, its desktop entry and the other files agree" \
  bash -c "out=\$(appstreamcli validate-tree --pedantic --no-net --format yaml '$root') &&
           [ -z \"\$out\" ] || { echo \"\$out\"; false; }"
icon=$(sed -n 's/^Icon=//p' "$root/usr/share/applications/$app_id.desktop")
check "installs the icon the desktop entry names, 16 to 256 pixels" \
  bash -c "for size in 16 32 64 128 256; do
             test -s '$root/usr/share/icons/hicolor/'\$size'x'\$size'/apps/$icon.png' || exit 1; done"
# The set-up type: known by its name and by its bytes, with the program to open it.
mime_database_knows_setups() {
  update-mime-database "$root/usr/share/mime" >/dev/null 2>&1 || return 1
  cp "$source_dir/examples/seahorse-valley.mpr" "$work/named.mpr"
  cp "$source_dir/examples/seahorse-valley.mpr" "$work/unnamed.bin"
  local by_name by_bytes
  by_name=$(XDG_DATA_DIRS="$root/usr/share" XDG_DATA_HOME="$work/nohome" xdg-mime query filetype "$work/named.mpr")
  by_bytes=$(XDG_DATA_DIRS="$root/usr/share" XDG_DATA_HOME="$work/nohome" mimetype --magic-only -b "$work/unnamed.bin")
  [ "$by_name" = application/x-halcyone-setup ] && [ "$by_bytes" = application/x-halcyone-setup ] ||
    { echo "by name: $by_name, by its bytes: $by_bytes"; return 1; }
  grep -q '^MimeType=application/x-halcyone-setup;' "$root/usr/share/applications/$app_id.desktop" &&
    grep -q '^Exec=halcyone %f' "$root/usr/share/applications/$app_id.desktop" &&
    desktop-file-validate "$root/usr/share/applications/$app_id.desktop" &&
    test -s "$root/usr/share/icons/hicolor/48x48/mimetypes/application-x-halcyone-setup.png" -o \
         -s "$root/usr/share/icons/hicolor/64x64/mimetypes/application-x-halcyone-setup.png"
}
check "set-ups (.mpr) are a MIME type of their own that the window opens" mime_database_knows_setups

version=$(dpkg-deb -f "$deb" Version)
check "the changelog and the AppStream metadata have a release of version $version" \
  bash -c "zcat '$root/usr/share/doc/halcyone/changelog.gz' | dpkg-parsechangelog -l - -S Version |
             grep -qx '$version' &&
           grep -q '<release version=\"$version\"' '$root/usr/share/metainfo/$app_id.metainfo.xml'"

# The copyright file in Debian's machine-readable format: every licence it names has its text,
# the project's own files are GPL-3+, and files bundled from elsewhere (the fonts) have stanzas
# of their own. Lintian checks this format only in source packages.
copyright_complete() {
  /usr/bin/python3 - "$root/usr/share/doc/halcyone/copyright" "$source_dir" <<'PY'
import pathlib, sys
from debian.copyright import Copyright
copyright = Copyright(open(sys.argv[1]), strict=True)
source = pathlib.Path(sys.argv[2])
texts = {p.license.synopsis for p in copyright.all_license_paragraphs() if p.license.text}
faults = [f"{' '.join(p.files)}: no copyright or no text for {p.license.synopsis}"
          for p in copyright.all_files_paragraphs()
          if not p.copyright or not (p.license.text or p.license.synopsis in texts)]
own = copyright.find_files_paragraph("cli/main.cpp")
if own.files != ("*",) or own.license.synopsis != "GPL-3+":
    faults.append("the project's own files are not Files: * under GPL-3+")
for path in sorted((source / "resources/fonts").glob("*")):
    name = path.relative_to(source).as_posix()
    if copyright.find_files_paragraph(name).files == ("*",):
        faults.append(f"{name}: bundled, but under the project's own stanza")
print(*faults, sep="\n")
sys.exit(1 if faults else 0)
PY
}
check "the copyright file covers the project and what it bundles" copyright_complete

check "the installed companion tells its version and licence" \
  bash -c "'$root/usr/bin/halcyone-cli' --version | grep -q '^halcyone-cli $version' &&
           '$root/usr/bin/halcyone-cli' --version | grep -q 'GPLv3+'"
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

finish
