#!/bin/sh
# Installs a build into a scratch folder as a package would (prefix /usr) and checks the result:
# every file in its place, the desktop entries and the AppStream metadata pass the desktop's own
# validators, the entries' commands and icon exist, the programs tell the version without a
# display, and the manual pages render cleanly and name every command and option. Usage: check-install.sh BUILD_DIR VERSION [CMAKE]
set -eu
build=$1
version=$2
cmake=${3:-cmake}
dest=$(mktemp -d)
trap 'rm -rf "$dest"' EXIT
fail() {
    echo "check-install: $*" >&2
    exit 1
}

DESTDIR=$dest "$cmake" --install "$build" --prefix /usr >/dev/null
root=$dest/usr
for f in bin/tavrin-sim bin/tavrin-cli \
    share/applications/tavrin.desktop share/applications/tavrin-sim.desktop \
    share/metainfo/io.github.tavrin.Tavrin.metainfo.xml \
    share/icons/hicolor/scalable/apps/tavrin.svg \
    share/icons/hicolor/16x16/apps/tavrin.png share/icons/hicolor/48x48/apps/tavrin.png \
    share/icons/hicolor/256x256/apps/tavrin.png \
    lib/udev/rules.d/99-tavrin-ftdi.rules \
    share/man/man1/tavrin.1.gz share/man/man1/tavrin-sim.1.gz share/man/man1/tavrin-cli.1.gz; do
    [ -s "$root/$f" ] || fail "not installed: /usr/$f"
done
if [ -n "$(find "$dest" -name '*.a' -o -name '*_tests' -o -name '*.h')" ]; then
    fail "build-only files installed: $(find "$dest" -name '*.a' -o -name '*_tests' -o -name '*.h')"
fi

desktop-file-validate "$root"/share/applications/*.desktop || fail "desktop-file-validate failed"
appstreamcli validate --no-net "$root"/share/metainfo/*.metainfo.xml >/dev/null ||
    fail "appstreamcli validate failed: $(appstreamcli validate --no-net "$root"/share/metainfo/*.xml)"

for entry in "$root"/share/applications/*.desktop; do
    exe=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$entry")
    icon=$(sed -n 's/^Icon=//p' "$entry")
    # tavrin itself is built only where libftdi1 is found.
    [ "$exe" = tavrin ] && [ ! -e "$build/src/app/tavrin" ] && continue
    [ -x "$root/bin/$exe" ] || fail "$entry: Exec=$exe is not an installed program"
    [ -e "$root/share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "$entry: no icon $icon"
done

# Neither needs a display for it: a terminal over ssh must do.
for prog in tavrin-cli tavrin-sim; do
    out=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$root/bin/$prog" --version) ||
        fail "$prog --version failed"
    [ "$out" = "$prog $version" ] || fail "$prog --version printed '$out', not '$prog $version'"
done
grep -q "release version=\"$version\"" "$root"/share/metainfo/*.metainfo.xml ||
    fail "the metadata does not name version $version"

# The manual pages render without a warning, and keep up with the programs: every command
# tavrin-cli --help names, and every option the --help texts name, is in the page.
# The warnings are those of a UTF-8 terminal; the text to search is plain ASCII (\- a hyphen).
page_text() {
    gzip -dc "$root/share/man/man1/$1.1.gz" | groff -man -Tutf8 -ww -z 2>"$dest/warnings"
    [ ! -s "$dest/warnings" ] || fail "$1.1 renders with warnings: $(cat "$dest/warnings")"
    gzip -dc "$root/share/man/man1/$1.1.gz" | groff -man -Tascii -P-cbou 2>/dev/null |
        tr '\n' ' ' | tr -s ' '
}
options() {
    grep -o -- '--[a-zA-Z0-9][a-zA-Z0-9-]*[a-zA-Z0-9]' | sort -u
}
page_text tavrin >/dev/null
for prog in tavrin-cli tavrin-sim; do
    text=$(page_text $prog)
    helps=$("$root/bin/$prog" --help)
    if [ $prog = tavrin-cli ]; then
        commands=$(printf '%s\n' "$helps" | sed -n '/^Commands:/,/^$/s/^  \([a-z][a-z]*\) .*/\1/p')
        [ -n "$commands" ] || fail "tavrin-cli --help names no command"
        for command in $commands; do
            printf '%s' "$text" | grep -qF "tavrin-cli $command " ||
                fail "tavrin-cli.1 does not show the command $command"
            helps="$helps
$("$root/bin/$prog" "$command" --help)" || fail "tavrin-cli $command --help failed"
        done
    fi
    for option in $(printf '%s\n' "$helps" | options); do
        printf '%s' "$text" | grep -qw -- "$option" || fail "$prog.1 does not describe $option"
    done
done
echo "check-install: OK"
