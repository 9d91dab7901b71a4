#!/usr/bin/env bash
# Installs a build into a temporary prefix and checks that every file is where
# the desktop looks for it, that the desktop entry, the metainfo and the manual
# page pass their own validators, and that the installed program answers from
# any folder.
#
# Usage: install_test.sh BUILD_DIR VERSION [CMAKE]
set -euo pipefail

build_dir=$1
version=$2
cmake=${3:-cmake}
program=corvid-player
desktop_id=$program.desktop
metainfo_id=io.github.corvidplayer.CorvidPlayer
icon_sizes=(16 32 48 64 128 256)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
elsewhere=$work/elsewhere
mkdir "$elsewhere"

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

# Runs a validator and fails on a non-zero exit or on anything it prints:
# warnings count as faults, since a desktop may show or drop the file.
expect_silent() {
    local what=$1
    shift
    local output
    if ! output=$("$@" 2>&1); then
        fail "$what: $* failed:"$'\n'"$output"
        return
    fi
    [ -z "$output" ] || fail "$what: $* complained:"$'\n'"$output"
}

expect_file() {
    [ -f "$prefix/$1" ] || fail "not installed: $1"
}

desktop_key() {
    sed -n "s/^$1=//p" "$prefix/share/applications/$desktop_id"
}

# A PNG's width and height are the big-endian words after its 16-byte start.
png_size() {
    od -An -tu1 -j16 -N8 "$1" |
        awk '{ printf "%dx%d", $1 * 16777216 + $2 * 65536 + $3 * 256 + $4, $5 * 16777216 + $6 * 65536 + $7 * 256 + $8 }'
}

check_layout() {
    [ -x "$prefix/bin/$program" ] || fail "not installed as a program: bin/$program"
    expect_file "share/applications/$desktop_id"
    expect_file "share/metainfo/$metainfo_id.metainfo.xml"
    expect_file "share/man/man1/$program.1.gz"
    expect_file "share/icons/hicolor/scalable/apps/$program.svg"
    local size icon
    for size in "${icon_sizes[@]}"; do
        icon=share/icons/hicolor/${size}x${size}/apps/$program.png
        expect_file "$icon"
        [ -f "$prefix/$icon" ] || continue
        [ "$(png_size "$prefix/$icon")" = "${size}x${size}" ] ||
            fail "$icon is $(png_size "$prefix/$icon"), not ${size}x${size}"
    done
}

# The files name each other: the entry its program and icon, the metainfo
# its entry and program. A rename on one side only breaks the desktop.
check_cross_references() {
    local exec icon
    exec=$(desktop_key Exec)
    [ "$exec" = "$program %f" ] || fail "desktop entry runs '$exec', not '$program %f'"
    icon=$(desktop_key Icon)
    [ "$icon" = "$program" ] || fail "desktop entry shows icon '$icon', not '$program'"
    grep -qx 'MimeType=.*application/x-cue;.*' "$prefix/share/applications/$desktop_id" ||
        fail "desktop entry does not open cue sheets"
    local metainfo=$prefix/share/metainfo/$metainfo_id.metainfo.xml
    grep -q "<launchable type=\"desktop-id\">$desktop_id</launchable>" "$metainfo" ||
        fail "metainfo does not launch $desktop_id"
    grep -q "<binary>$program</binary>" "$metainfo" || fail "metainfo does not provide $program"
    grep -q "<release version=\"$version\"" "$metainfo" || fail "metainfo has no release $version"
}

check_validators() {
    expect_silent "desktop entry" desktop-file-validate "$prefix/share/applications/$desktop_id"
    local output
    output=$(appstreamcli validate --no-net "$prefix/share/metainfo/$metainfo_id.metainfo.xml" 2>&1) ||
        fail "appstreamcli validate:"$'\n'"$output"
    # The tree check also finds the entry and icons that the metainfo names.
    output=$(appstreamcli validate-tree --no-net "$prefix" 2>&1) ||
        fail "appstreamcli validate-tree:"$'\n'"$output"
}

check_manual_page() {
    local page=$prefix/share/man/man1/$program.1.gz
    [ -f "$page" ] || return
    expect_silent "manual page" groff -man -ww -z <(gzip -dc "$page")
    local rendered warnings
    warnings=$work/man-warnings
    # As `man corvid-player` finds it, with the prefix's pages on the path.
    if ! rendered=$(MANWIDTH=80 MANPATH=$prefix/share/man man --warnings "$program" 2>"$warnings"); then
        fail "man $program failed: $(cat "$warnings")"
        return
    fi
    [ -s "$warnings" ] && fail "man $program warned: $(cat "$warnings")"
    local section
    for section in NAME SYNOPSIS DESCRIPTION OPTIONS FILES "EXIT STATUS" "SEE ALSO"; do
        grep -qx "$section" <<<"$rendered" || fail "manual page has no $section section"
    done
    grep -q -- "--device=PATH" <<<"$rendered" || fail "manual page does not show --device=PATH"
    grep -q "Corvid Player $version" <<<"$rendered" || fail "manual page is not of version $version"
}

check_program_runs_anywhere() {
    local answer
    answer=$(cd "$elsewhere" && "$prefix/bin/$program" --version) ||
        fail "installed $program --version failed"
    [ "$answer" = "Corvid Player $version" ] || fail "installed $program --version said '$answer'"
    # As the desktop entry starts it: by name, found on the path.
    answer=$(cd "$elsewhere" && PATH=$prefix/bin:$PATH "$program" --help) ||
        fail "$program --help from the path failed"
    grep -q "^Usage: $program \[--device=PATH\] .*\[IMAGE\]$" <<<"$answer" ||
        fail "$program --help from the path said '$answer'"
    if readelf -d "$prefix/bin/$program" | grep -E 'R(UN)?PATH' | grep -qF "$build_dir"; then
        fail "installed $program looks for libraries in the build folder"
    fi
}

if ! install_log=$("$cmake" --install "$build_dir" --prefix "$prefix" 2>&1); then
    echo "FAIL: cmake --install $build_dir:"$'\n'"$install_log" >&2
    exit 1
fi
check_layout
check_cross_references
check_validators
check_manual_page
check_program_runs_anywhere

if [ "$failures" -gt 0 ]; then
    echo "$failures check(s) failed" >&2
    exit 1
fi
echo "Installed and checked in a temporary prefix."
