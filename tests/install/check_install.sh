#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks the installed programs: the
# scanner runs and finds its files, the window starts offscreen and finds the language
# files in the installed Lang/ folder. Builds and checks the Debian package, and
# validates the desktop entry and the metainfo, where the tools are present.
#   check_install.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
BUILD=$1 SOURCE=$2
WORK=$(mktemp -d)
trap 'kill $PROGRAM 2>/dev/null || true; rm -rf "$WORK"' EXIT
PROGRAM=

fail() { echo "FAIL: $*"; exit 1; }

cmake --install "$BUILD" --prefix "$WORK/prefix" >/dev/null
P=$WORK/prefix
for f in bin/foldermate bin/foldermate-scan bin/foldermate-settings bin/foldermate-sync lib/foldermate/foldermate \
         lib/foldermate/Lang/English.txt lib/foldermate/Lang/Deutsch.txt lib/foldermate/Help/English.rtf \
         lib/foldermate/Help/English.html lib/foldermate/Help/Deutsch.html "lib/foldermate/Help/Français.html" \
         share/applications/org.foldermate.Foldermate.desktop \
         share/metainfo/org.foldermate.Foldermate.metainfo.xml \
         share/icons/hicolor/scalable/apps/org.foldermate.Foldermate.svg share/doc/foldermate/copyright \
         share/bash-completion/completions/foldermate-scan share/bash-completion/completions/foldermate-sync \
         share/bash-completion/completions/foldermate-settings; do
  [ -e "$P/$f" ] || fail "not installed: $f"
done
[ -L "$P/bin/foldermate" ] || fail "bin/foldermate is not a link"

# The scanner, run through its link in bin/.
mkdir -p "$WORK/s/sub" "$WORK/d"
echo same > "$WORK/s/a.txt"; cp -p "$WORK/s/a.txt" "$WORK/d/a.txt"; echo x > "$WORK/s/sub/only.txt"
out=$("$P/bin/foldermate-scan" "$WORK/s" "$WORK/d" | sort)
expected=$(printf '1\t%s\n5\t%s\n6\t%s\n' "$WORK/s/sub/only.txt" "$WORK/s/a.txt" "$WORK/d/a.txt" | sort)
[ "$out" = "$expected" ] || fail "scanner output: $out"
"$P/bin/foldermate-scan" "$WORK/s" "$WORK/s" 2>/dev/null && fail "the same folder twice was accepted"

# The manual pages, where help2man made them: each renders without a warning.
MAN_PAGES=
if command -v help2man >/dev/null; then
  MAN_PAGES="foldermate foldermate-scan foldermate-settings foldermate-sync"
  for page in $MAN_PAGES; do
    f=$P/share/man/man1/$page.1.gz
    [ -e "$f" ] || fail "no manual page: $f"
    if command -v man >/dev/null; then
      out=$(LC_ALL=C.UTF-8 man --warnings -l "$f" 2>&1 >/dev/null) || fail "man -l $page.1"
      [ -z "$out" ] || fail "man -l $page.1: $out"
      LC_ALL=C.UTF-8 MANWIDTH=80 man -l "$f" 2>/dev/null | grep -q "EXIT STATUS" || fail "$page.1 without its exit statuses"
    fi
  done
fi
# The completion script loads in bash and completes a --format value.
if [ -f /usr/share/bash-completion/bash_completion ]; then
  got=$(bash -c 'source /usr/share/bash-completion/bash_completion
    source "$1"; COMP_WORDS=(foldermate-scan --format ""); COMP_CWORD=2; _foldermate_scan; echo "${COMPREPLY[*]}"' \
    _ "$P/share/bash-completion/completions/foldermate-scan")
  [ "$got" = "tsv json" ] || fail "completion of --format: '$got'"
fi

# The window, offscreen, for a German user with a fresh settings store: at creation it
# picks the language from the installed Lang/ folder and stores its index as LangID.
export XDG_CONFIG_HOME=$WORK/config
QT_QPA_PLATFORM=offscreen LANG=de_DE.UTF-8 LC_ALL= LANGUAGE= "$P/bin/foldermate" >/dev/null 2>&1 &
PROGRAM=$!
lang=
for _ in $(seq 1 100); do
  lang=$("$P/bin/foldermate-settings" export 2>/dev/null | sed -n 's/^"LangID" = REG_DWORD \(-\{0,1\}[0-9]*\)$/\1/p')
  [ -n "$lang" ] && break
  kill -0 $PROGRAM 2>/dev/null || fail "the installed program ended at start"
  sleep 0.1
done
kill $PROGRAM; wait $PROGRAM 2>/dev/null || true
[ -n "$lang" ] || fail "the installed program stored no language choice"
names=$(ls -f "$P/lib/foldermate/Lang" | grep -i '\.txt$' || true)
[ "$lang" -ge 0 ] || fail "the installed program found no language file (LangID $lang)"
chosen=$(printf '%s\n' "$names" | sed -n "$((lang + 1))p")
[ "$chosen" = "Deutsch.txt" ] || fail "LangID $lang designates '$chosen', not Deutsch.txt"

if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$P/share/applications/org.foldermate.Foldermate.desktop" || fail "desktop entry"
fi
if command -v appstreamcli >/dev/null; then
  appstreamcli validate --no-net --pedantic "$P/share/metainfo/org.foldermate.Foldermate.metainfo.xml" >/dev/null \
    || appstreamcli validate --no-net "$P/share/metainfo/org.foldermate.Foldermate.metainfo.xml" || fail "metainfo"
fi
if command -v cpack >/dev/null && command -v dpkg-deb >/dev/null && command -v dpkg-shlibdeps >/dev/null; then
  (cd "$BUILD" && cpack -G DEB -B "$WORK/deb" >/dev/null) || fail "cpack"
  deb=$(ls "$WORK"/deb/foldermate_*.deb)
  contents=$(dpkg-deb -c "$deb")
  depends=$(dpkg-deb -f "$deb" Depends)
  grep -q './usr/lib/foldermate/Lang/Deutsch.txt' <<<"$contents" || fail "package without language files"
  grep -q './usr/share/applications/org.foldermate.Foldermate.desktop' <<<"$contents" || fail "package without its desktop entry"
  for page in $MAN_PAGES; do
    grep -q "./usr/share/man/man1/$page.1" <<<"$contents" || fail "package without the manual page of $page"
  done
  for program in foldermate-scan foldermate-sync foldermate-settings; do
    grep -q "./usr/share/bash-completion/completions/$program\$" <<<"$contents" || fail "package without completion: $program"
  done
  grep -q './usr/share/doc/foldermate/copyright' <<<"$contents" || fail "package without its copyright file"
  grep -q './usr/share/doc/foldermate/changelog.gz' <<<"$contents" || fail "package without its changelog"
  grep -q libqt6widgets6 <<<"$depends" || fail "package without its dependencies: $depends"
  grep -q libglib2.0 <<<"$depends" || fail "package without GIO for the trash: $depends"
fi
# lintian, where installed: errors fail, warnings are listed.
if [ -n "${deb:-}" ] && command -v lintian >/dev/null; then
  # The maintainer address is a placeholder (foldermate@invalid) until the project has one.
  report=$(lintian --tag-display-limit 0 --suppress-tags bogus-mail-host,bogus-mail-host-in-debian-changelog "$deb" 2>&1 | grep -v '^running with root' || true)
  [ -z "$report" ] || echo "$report"
  grep -q '^E:' <<<"$report" && fail "lintian errors"
fi
echo "install check passed"
