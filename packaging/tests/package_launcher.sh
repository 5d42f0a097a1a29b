#!/usr/bin/env bash
# The launcher of the unpacked package, each time with a home folder and desktop settings of the
# test's own: which documents folder it picks, that the first start creates the data folder with the
# delivered files, that later starts keep whatever is there, that it fails loudly when it cannot
# make the folder, and that the program really starts in the data folder.
# usage: package_launcher.sh SCRATCH VERSION
set -uo pipefail
scratch=$(readlink -f "$1") version=$2
root=$scratch/root
launcher=$root/usr/bin/fennick-launcher
delivered=$root/usr/share/fennick
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

work=$(mktemp -d)
program=
cleanup() {
    [ -n "$program" ] && kill "$program" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

# The launcher is also tried without xdg-user-dir, reading user-dirs.dirs itself.
with_tool=/usr/bin:/bin
without_tool=$work/bin
mkdir -p "$without_tool"
ln -sf /usr/bin/* /bin/* "$without_tool"/ 2>/dev/null
rm -f "$without_tool/xdg-user-dir"

# A folder holding a Date_D.dat to start from: the launcher must not take it.
elsewhere=$work/elsewhere
mkdir -p "$elsewhere"
printf 'not this one' >"$elsewhere/Date_D.dat"

# launch HOME PATH [VAR=value...] -- [arguments]: sets $output and $status.
launch() {
    local home=$1 path=$2
    shift 2
    local vars=()
    while [ $# -gt 0 ] && [ "$1" != -- ]; do
        vars+=("$1")
        shift
    done
    shift
    output=$(cd "$elsewhere" && env -i HOME="$home" PATH="$path" LANG=C.UTF-8 "${vars[@]}" "$launcher" "$@" 2>&1)
    status=$?
}

# A data folder as the first start leaves it: the delivered files and nothing else.
check_fresh_folder() {
    local what=$1 folder=$2
    if [ ! -d "$folder" ]; then
        fail "$what: no data folder $folder"
        return
    fi
    cmp -s "$folder/Date_D.dat" "$delivered/Date_D.dat" || fail "$what: Date_D.dat is not the delivered one"
    cmp -s "$folder/Date_T.dat" "$delivered/Date_T.dat" || fail "$what: Date_T.dat is not the delivered one"
    local left
    left=$(ls -A "$folder" | tr '\n' ' ')
    [ "$left" = "Date_D.dat Date_T.dat " ] || fail "$what: the data folder holds '$left'"
}

# --- which documents folder: name, user-dirs.dirs line (empty: no file), expected folder
cases=(
    "localised|XDG_DOCUMENTS_DIR=\"\$HOME/文档\"|HOME/文档"
    "outside home|XDG_DOCUMENTS_DIR=\"$work/shared docs\"|$work/shared docs"
    "no settings||HOME/Documents"
    "home itself|XDG_DOCUMENTS_DIR=\"\$HOME\"|HOME/Documents"
    "home itself, with a slash|XDG_DOCUMENTS_DIR=\"\$HOME/\"|HOME/Documents"
    "not a full path|XDG_DOCUMENTS_DIR=\"文档\"|HOME/Documents"
)
n=0
for entry in "${cases[@]}"; do
    IFS='|' read -r name line expected <<<"$entry"
    for path in "$with_tool" "$without_tool"; do
        n=$((n + 1))
        home=$work/home$n
        what="$name$([ "$path" = "$without_tool" ] && echo ', without xdg-user-dir')"
        mkdir -p "$home/.config"
        [ -n "$line" ] && printf '# written by the test\n%s\n' "$line" >"$home/.config/user-dirs.dirs"
        launch "$home" "$path" -- --version
        [ $status -eq 0 ] && [ "$output" = "fennick $version" ] ||
            fail "$what: status $status, output '$output'"
        check_fresh_folder "$what" "${expected/#HOME/$home}/Fennick"
    done
done

# XDG_CONFIG_HOME moves the settings.
for path in "$with_tool" "$without_tool"; do
    n=$((n + 1))
    home=$work/home$n
    mkdir -p "$home" "$work/config$n"
    printf 'XDG_DOCUMENTS_DIR="$HOME/Papers"\n' >"$work/config$n/user-dirs.dirs"
    launch "$home" "$path" XDG_CONFIG_HOME="$work/config$n" -- --version
    check_fresh_folder "XDG_CONFIG_HOME$([ "$path" = "$without_tool" ] && echo ', without xdg-user-dir')" \
        "$home/Papers/Fennick"
done

# --- later starts keep what the user has; a missing help file comes back, nothing else changes
home=$work/kept
mkdir -p "$home"
folder=$home/Documents/Fennick
launch "$home" "$with_tool" -- --version
check_fresh_folder "first start" "$folder"
printf 'the cards of a wedding' >"$folder/Date_D.dat"
printf '{\\rtf1 our own help}' >"$folder/Date_T.dat"
launch "$home" "$with_tool" -- --version
[ $status -eq 0 ] || fail "second start: status $status, '$output'"
[ "$(cat "$folder/Date_D.dat")" = "the cards of a wedding" ] || fail "second start replaced Date_D.dat"
[ "$(cat "$folder/Date_T.dat")" = '{\rtf1 our own help}' ] || fail "second start replaced Date_T.dat"
rm "$folder/Date_T.dat"
launch "$home" "$with_tool" -- --version
[ "$(cat "$folder/Date_D.dat")" = "the cards of a wedding" ] || fail "third start replaced Date_D.dat"
cmp -s "$folder/Date_T.dat" "$delivered/Date_T.dat" || fail "third start did not bring the help back"
[ "$(ls -A "$folder" | wc -l)" -eq 2 ] || fail "later starts left files behind: $(ls -A "$folder")"

# --- a data folder that cannot be made: a clear message and status 1, the program not started
home=$work/blocked
mkdir -p "$home/Documents"
printf 'a file, not a folder' >"$home/Documents/Fennick"
launch "$home" "$with_tool" -- --version
[ $status -eq 1 ] || fail "blocked folder: status $status"
[[ $output == *"无法建立数据文件夹"*"$home/Documents/Fennick"* ]] || fail "blocked folder: message '$output'"
[[ $output != *"fennick $version"* ]] || fail "blocked folder: the program was started anyway"
[ "$(cat "$home/Documents/Fennick")" = "a file, not a folder" ] || fail "blocked folder: the file was changed"

# --- a real start: the program runs in the data folder, not in the folder it was started from
home=$work/real
mkdir -p "$home"
(cd "$elsewhere" && exec env -i HOME="$home" PATH="$with_tool" LANG=C.UTF-8 QT_QPA_PLATFORM=offscreen \
    "$launcher" >"$work/real.log" 2>&1) &
program=$!
started=
for _ in $(seq 1 100); do
    if [ "$(readlink "/proc/$program/exe")" = "$(readlink -f "$root/usr/bin/fennick")" ]; then
        started=$(readlink "/proc/$program/cwd")
        break
    fi
    kill -0 "$program" 2>/dev/null || break
    sleep 0.1
done
if [ -z "$started" ]; then
    fail "real start: the program did not start: $(cat "$work/real.log")"
elif [ "$started" != "$home/Documents/Fennick" ]; then
    fail "real start: the program runs in '$started'"
fi
sleep 1
kill -0 "$program" 2>/dev/null || fail "real start: the program ended at once: $(cat "$work/real.log")"
kill "$program" 2>/dev/null
wait "$program" 2>/dev/null
program=

if [ $failures -ne 0 ]; then
    echo "$failures check(s) failed" >&2
    exit 1
fi
echo "launcher: all checks passed ($n first starts)"
