# Shared by scripts/run and scripts/test: the Debian packages the project needs and their install.
# shellcheck shell=bash

# Building: compiler, CMake and Ninja, Qt 6 (Widgets, SQL with its SQLite driver, Print Support),
# the sqlite3 shell that turns data/schema.sql into the empty Date_D.dat, and CJK fonts.
# libcups2-dev: cards are handed to the spooler through libcups, which reports a refused job.
# QuaZip reads the .xlsx guest lists.
BUILD_PACKAGES=(g++ cmake ninja-build qt6-base-dev libqt6sql6-sqlite libqt6printsupport6 sqlite3 fonts-noto-cjk libcups2-dev libquazip1-qt6-dev)
# Qt's own Chinese texts for its standard dialogs (file dialogs, the font dialog, standard buttons).
BUILD_PACKAGES+=(qt6-translations-l10n)
# A real Kai face for designs in 楷体 (KaiTi): AR PL UKai CN.
BUILD_PACKAGES+=(fonts-arphic-ukai)
# libsqlite3-dev: SQLite's own interface (the library Qt's driver uses) for the online backup that
# restores a snapshot and for the UTF-8 test that finds text other tools wrote in GBK.
# libicu-dev: ICU's charset detector tells GBK/GB18030 from Big5 in an imported CSV.
BUILD_PACKAGES+=(libsqlite3-dev libicu-dev)
# The card designer shows the first page of a scanned card saved as PDF: poppler's Qt 6 interface.
BUILD_PACKAGES+=(libpoppler-qt6-dev)

# Packaging: dpkg-shlibdeps (dpkg-dev) works out the Debian package's library dependencies.
PACKAGE_PACKAGES=(dpkg-dev)

# Testing: a real spooler with a PDF queue (cups, cups-pdf) for the printing tests, and poppler's
# pdftotext/pdfinfo to measure where the text landed in the produced PDF files.
TEST_PACKAGES=(cups printer-driver-cups-pdf poppler-utils)
# The suite builds the Debian package and judges it with lintian, desktop-file-validate
# (desktop-file-utils) and appstreamcli (appstream); xdg-user-dir (xdg-user-dirs) is one of the two
# ways the launcher finds the documents folder, and both are tried.
TEST_PACKAGES+=("${PACKAGE_PACKAGES[@]}" lintian desktop-file-utils appstream xdg-user-dirs)

# Installs the named packages that are not installed yet; does nothing (and needs no network) when
# all are there.
ensure_packages() {
    local missing=() pkg
    for pkg in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$pkg")
        fi
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    local sudo=()
    [ "$(id -u)" -ne 0 ] && sudo=(sudo)
    echo "Installing missing packages: ${missing[*]}"
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq "${missing[@]}" >/dev/null
}
