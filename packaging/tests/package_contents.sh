#!/usr/bin/env bash
# The unpacked package: every file in its place, the delivered database and help exactly as built,
# programs that run from where the package put them, a menu entry and AppStream data that point at
# what the package holds, icons of the sizes their folders claim, the dependency line, and the
# verdicts of desktop-file-validate, appstreamcli and lintian.
# usage: package_contents.sh SCRATCH VERSION EMPTY_DB SOURCE_DIR
set -uo pipefail
scratch=$(readlink -f "$1") version=$2 empty_db=$3 source=$4
root=$scratch/root
deb=$scratch/fennick.deb
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

# The validators run where they are installed; CI installs them, and there a missing one is a fault.
have() {
    command -v "$1" >/dev/null 2>&1 && return 0
    if [ "${CI:-}" = true ]; then fail "$1 is not installed"; else echo "SKIP: $1 is not installed"; fi
    return 1
}

# The value of a key in the [Desktop Entry] group.
desktop_value() {
    sed -n "/^\[Desktop Entry\]/,/^\[/s/^$2=//p" "$1" | head -n 1
}

# Width and height of a PNG, from its header.
png_size() {
    od -An -tu1 -j16 -N8 "$1" | awk '{ printf "%dx%d", $3 * 256 + $4, $7 * 256 + $8 }'
}

# --- files in their places
for file in usr/bin/fennick usr/bin/fennick-export usr/bin/fennick-launcher \
    usr/share/fennick/Date_D.dat usr/share/fennick/Date_T.dat \
    usr/share/applications/fennick.desktop usr/share/metainfo/org.example.fennick.metainfo.xml \
    usr/share/icons/hicolor/scalable/apps/fennick.svg \
    usr/share/man/man1/fennick.1.gz usr/share/man/man1/fennick-export.1.gz \
    usr/share/man/man1/fennick-launcher.1.gz \
    usr/share/doc/fennick/copyright usr/share/doc/fennick/changelog.Debian.gz \
    usr/share/lintian/overrides/fennick; do
    [ -f "$root/$file" ] || fail "$file is missing from the package"
done
for program in fennick fennick-export fennick-launcher; do
    [ -x "$root/usr/bin/$program" ] || fail "usr/bin/$program is not executable"
done
cmp -s "$root/usr/share/fennick/Date_D.dat" "$empty_db" ||
    fail "the delivered Date_D.dat is not the empty database built from data/schema.sql"
cmp -s "$root/usr/share/fennick/Date_T.dat" "$source/data/Date_T.dat" ||
    fail "the delivered Date_T.dat is not data/Date_T.dat"

# --- the programs run from the package
sh -n "$root/usr/bin/fennick-launcher" || fail "the launcher is not a valid sh script"
answer=$("$root/usr/bin/fennick" --version 2>&1)
[ "$answer" = "fennick $version" ] || fail "fennick --version answered '$answer'"
# The exporter opens the delivered database with Qt's SQLite driver and checks that it is its own;
# the empty database has no style, which is the expected complaint.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$root/usr/share/fennick/Date_D.dat" "$work/"
answer=$(cd "$work" && "$root/usr/bin/fennick-export" --db Date_D.dat --style 1 --out cards.pdf 2>&1)
status=$?
if [ $status -ne 1 ] || [[ $answer != *"没有名称或编号为“1”的请柬样式"* ]]; then
    fail "fennick-export on the delivered database: status $status, '$answer'"
fi

# --- icons
for size in 48 128 256; do
    icon=$root/usr/share/icons/hicolor/${size}x${size}/apps/fennick.png
    if [ ! -f "$icon" ]; then
        fail "the ${size}px icon is missing"
    elif [ "$(png_size "$icon")" != "${size}x${size}" ]; then
        fail "the icon in ${size}x${size}/ is $(png_size "$icon")"
    fi
done

# --- the menu entry
desktop=$root/usr/share/applications/fennick.desktop
[ "$(desktop_value "$desktop" Name)" = "Zanbor Fennick" ] || fail "desktop entry: Name"
[ "$(desktop_value "$desktop" 'Name\[zh_CN\]')" = "请柬打印" ] || fail "desktop entry: Name[zh_CN]"
[ -n "$(desktop_value "$desktop" 'Comment\[zh_CN\]')" ] || fail "desktop entry: no Chinese comment"
categories=";$(desktop_value "$desktop" Categories)"
[[ $categories == *";Office;"* && $categories == *";Printing;"* ]] ||
    fail "desktop entry: categories '$categories'"
command=$(desktop_value "$desktop" Exec)
command=${command%% *}
[ "$command" = fennick-launcher ] && [ -x "$root/usr/bin/$command" ] ||
    fail "desktop entry: Exec runs '$command', not the packaged launcher"
icon=$(desktop_value "$desktop" Icon)
[ -f "$root/usr/share/icons/hicolor/scalable/apps/$icon.svg" ] ||
    fail "desktop entry: no scalable icon named '$icon'"
if have desktop-file-validate; then
    desktop-file-validate "$desktop" || fail "desktop-file-validate rejects the desktop entry"
fi

# --- AppStream
metainfo=$root/usr/share/metainfo/org.example.fennick.metainfo.xml
launchable=$(sed -n 's|.*<launchable type="desktop-id">\(.*\)</launchable>.*|\1|p' "$metainfo")
[ -f "$root/usr/share/applications/$launchable" ] ||
    fail "metainfo: the launchable '$launchable' is not in the package"
grep -q "<release version=\"$version\"" "$metainfo" || fail "metainfo: no release entry for $version"
grep -q '<summary xml:lang="zh-CN">' "$metainfo" || fail "metainfo: no Chinese summary"
grep -q '<image>' "$metainfo" || fail "metainfo: no screenshot"
if have appstreamcli; then
    appstreamcli validate --no-net "$metainfo" || fail "appstreamcli rejects the metainfo file"
fi

# --- the control data and the changelog agree on the version; dependencies
control_version=$(dpkg-deb -f "$deb" Version)
[[ $control_version == "$version-"* ]] || fail "package version '$control_version' is not $version-<n>"
changelog_version=$(zcat "$root/usr/share/doc/fennick/changelog.Debian.gz" | sed -n '1s/^fennick (\(.*\)).*/\1/p')
[ "$changelog_version" = "$control_version" ] ||
    fail "the changelog's latest entry is '$changelog_version', the package is '$control_version'"
depends=", $(dpkg-deb -f "$deb" Depends),"
echo "Depends: ${depends:2:-1}"
for package in libqt6sql6-sqlite fonts-noto-cjk fonts-arphic-ukai libqt6widgets6 libqt6printsupport6; do
    [[ $depends == *", $package"[\ ,]* ]] || fail "Depends lacks $package"
done

# --- lintian
if have lintian; then
    lintian --fail-on error --display-info "$deb" 2>&1 | grep -v '^running with root privileges'
    [ "${PIPESTATUS[0]}" -eq 0 ] || fail "lintian reports errors"
fi

if [ $failures -ne 0 ]; then
    echo "$failures check(s) failed" >&2
    exit 1
fi
echo "package contents: all checks passed"
