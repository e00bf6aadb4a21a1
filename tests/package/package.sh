#!/bin/sh
# Builds the Debian package from a built tree, unpacks it with dpkg -x into a
# scratch folder and checks the installed files: the programs run and say the
# one version, the menu entry and the metainfo validate, the manual pages
# render without a warning, completion completes, and a menu start works in
# $XDG_DATA_HOME/pelarin and leaves the home folder alone.
set -u
build=$1
failures=0
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

version=$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")
[ -n "$version" ] || { echo "FAIL: no version in $build/CPackConfig.cmake"; exit 1; }

if ! cpack --config "$build/CPackConfig.cmake" -B "$tmp/out" >"$tmp/cpack.log" 2>&1; then
  cat "$tmp/cpack.log"
  echo "FAIL: cpack"
  exit 1
fi
deb=$(ls "$tmp"/out/pelarin_*.deb)
case $deb in
  */pelarin_"$version"_*.deb) ;;
  *) fail "package file $deb is not pelarin_${version}_ARCH.deb" ;;
esac

# The libraries' packages, computed; the font spelt out.
depends=$(dpkg-deb -f "$deb" Depends)
for p in libqt6widgets6 libsqlite3-0 libicu72 fonts-ipafont-gothic libc6; do
  echo "$depends" | grep -q "\(^\|, \)$p\( \|,\|$\)" || fail "Depends lacks $p: $depends"
done

root=$tmp/root
dpkg -x "$deb" "$root"
prefix=$root/usr
for f in bin/pelarin bin/pelarin-cli bin/pelarin-desktop \
         share/applications/org.pelarin.Pelarin.desktop share/metainfo/org.pelarin.Pelarin.metainfo.xml \
         share/pelarin/pelarin.HLP share/pelarin/samples/sample.log \
         share/icons/hicolor/scalable/apps/pelarin.svg \
         share/icons/hicolor/16x16/apps/pelarin.png share/icons/hicolor/32x32/apps/pelarin.png \
         share/icons/hicolor/48x48/apps/pelarin.png share/icons/hicolor/64x64/apps/pelarin.png \
         share/icons/hicolor/128x128/apps/pelarin.png share/icons/hicolor/256x256/apps/pelarin.png \
         share/man/man1/pelarin.1 share/man/man1/pelarin-cli.1 share/man/man1/pelarin-desktop.1 \
         share/bash-completion/completions/pelarin-cli; do
  [ -f "$prefix/$f" ] || fail "missing /usr/$f"
done
# Only what belongs to the program: no test, benchmark or build file.
unexpected=$(cd "$root" && find . -type f | grep -v -E '^\./usr/(bin/pelarin(-cli|-desktop)?|share/(applications|metainfo|pelarin|icons/hicolor|man/man1|bash-completion/completions)/.*)$')
[ -z "$unexpected" ] || fail "unexpected files: $unexpected"

# The programs run from the unpacked tree and give the one version.
[ "$("$prefix/bin/pelarin-cli" --version)" = "pelarin-cli $version" ] || fail "pelarin-cli --version"
[ "$(env -u DISPLAY -u WAYLAND_DISPLAY "$prefix/bin/pelarin" --version)" = "pelarin $version" ] ||
  fail "pelarin --version"
env -u DISPLAY -u WAYLAND_DISPLAY "$prefix/bin/pelarin" --help | grep -q "^Usage: pelarin \[--help | --version\]" ||
  fail "pelarin --help"
grep -q "<release version=\"$version\"" "$prefix/share/metainfo/org.pelarin.Pelarin.metainfo.xml" ||
  fail "metainfo's release is not $version"
grep -q "Pelarin $version" "$prefix/share/man/man1/pelarin-cli.1" || fail "manual page's version"
count=$("$prefix/bin/pelarin-cli" split -C "$tmp" "$prefix/share/pelarin/samples/sample.log") ||
  fail "pelarin-cli split on the installed sample"
[ "${count:-0}" -gt 0 ] || fail "the installed sample split into $count messages"

desktop-file-validate "$prefix/share/applications/org.pelarin.Pelarin.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$prefix/share/metainfo/org.pelarin.Pelarin.metainfo.xml" >"$tmp/as.log" 2>&1 ||
  { cat "$tmp/as.log"; fail "appstreamcli validate"; }
for page in pelarin pelarin-cli pelarin-desktop; do
  # man resolves the .so of pelarin-desktop.1 against the manual's root.
  warnings=$(cd "$prefix/share/man" && LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "man1/$page.1" 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "man $page: $warnings"
  text=$(cd "$prefix/share/man" && LC_ALL=C.UTF-8 MANWIDTH=80 man -l "man1/$page.1" 2>/dev/null)
  echo "$text" | grep -q "^SYNOPSIS" || fail "man $page shows no synopsis"
done

# Completion, as bash-completion loads it.
if [ -f /usr/share/bash-completion/bash_completion ]; then
  got=$(bash -c '. /usr/share/bash-completion/bash_completion; . "$1"
    complete_words() { COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); COMP_LINE="$*"; COMP_POINT=${#COMP_LINE}
      COMPREPLY=(); _pelarin_cli; echo "${COMPREPLY[*]}"; }
    complete_words pelarin-cli li; complete_words pelarin-cli library ex
    complete_words pelarin-cli library export --format h; complete_words pelarin-cli split --s' \
    sh "$prefix/share/bash-completion/completions/pelarin-cli" 2>&1)
  [ "$got" = "$(printf 'list library\nexport\nhtml\n--sort')" ] || fail "completion: $got"
else
  fail "bash-completion is not installed (scripts/setup)"
fi

# A menu start: the entry's Exec runs the launcher, which works in
# $XDG_DATA_HOME/pelarin (default ~/.local/share/pelarin) with the help file.
exec_line=$(sed -n 's/^Exec=//p' "$prefix/share/applications/org.pelarin.Pelarin.desktop")
[ "$exec_line" = pelarin-desktop ] || fail "Exec=$exec_line"
for case in default relative absolute; do
  home=$tmp/home-$case
  mkdir -p "$home"
  case $case in
    default) xdg= want=$home/.local/share/pelarin ;;
    relative) xdg=data want=$home/.local/share/pelarin ;;
    absolute) xdg=$tmp/xdg want=$tmp/xdg/pelarin ;;
  esac
  out=$(cd "$home" && env -u DISPLAY -u WAYLAND_DISPLAY HOME="$home" XDG_DATA_HOME="$xdg" \
          PATH="$prefix/bin:$PATH" $exec_line --version) || fail "$case: launcher failed"
  [ "$out" = "pelarin $version" ] || fail "$case: launcher printed $out"
  cmp -s "$want/pelarin.HLP" "$prefix/share/pelarin/pelarin.HLP" || fail "$case: no help file in $want"
  left=$(cd "$home" && find . -mindepth 1 | grep -v -E '^\./\.local(/share(/pelarin(/pelarin\.HLP)?)?)?$')
  [ -z "$left" ] || fail "$case: the launcher left $left in the home folder"
done
# A help file changed by an upgrade is renewed; a link in its place is replaced, not written through.
home=$tmp/home-default
printf 'old' >"$tmp/elsewhere"
ln -sf "$tmp/elsewhere" "$home/.local/share/pelarin/pelarin.HLP"
(cd "$home" && env -u DISPLAY HOME="$home" XDG_DATA_HOME= "$prefix/bin/pelarin-desktop" --version >/dev/null)
[ "$(cat "$tmp/elsewhere")" = old ] || fail "the launcher wrote through a link"
cmp -s "$home/.local/share/pelarin/pelarin.HLP" "$prefix/share/pelarin/pelarin.HLP" || fail "help file not renewed"

# A help file that cannot be put there (a folder in its place) still starts
# the program and leaves that folder alone.
rm -f "$home/.local/share/pelarin/pelarin.HLP"
mkdir "$home/.local/share/pelarin/pelarin.HLP"
out=$(cd "$home" && env -u DISPLAY HOME="$home" XDG_DATA_HOME= "$prefix/bin/pelarin-desktop" --version 2>/dev/null)
[ "$out" = "pelarin $version" ] || fail "a help file that cannot be written stopped the launcher"
[ -z "$(ls -A "$home/.local/share/pelarin/pelarin.HLP")" ] || fail "the launcher wrote into a folder named pelarin.HLP"
[ ! -e "$home/.local/share/pelarin/.pelarin.HLP.new" ] || fail "the launcher left its temporary file"

[ "$failures" -eq 0 ] && echo "package: $(basename "$deb"), $(stat -c %s "$deb") bytes, Depends: $depends"
[ "$failures" -eq 0 ]
