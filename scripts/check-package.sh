#!/usr/bin/env bash
# Checks the Debian package that `make package` built: its files, the desktop entry, the AppStream
# metainfo, lintian, the systemd user units, the manual pages, and varnolt-cli run from the
# unpacked files. Every check runs; the script fails if any of them did.
# usage: scripts/check-package.sh BUILD_DIR PACKAGE.deb
set -euo pipefail
build=$1
deb=$2
[[ -f "$deb" ]] || { echo "no package '$deb'; run make package" >&2; exit 2; }
have_cli=
source "$build/packaging/package-contents.env"

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
root="$scratch/root"
dpkg-deb -x "$deb" "$root"
version=$(dpkg-deb -f "$deb" Version)

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}
# silent NAME COMMAND...: the command must succeed and print nothing, not even a hint.
silent() {
    local name=$1 output
    shift
    if ! output=$("$@" 2>&1) || [[ -n "$output" ]]; then
        printf '%s\n' "$output" >&2
        fail "$name"
    fi
}

echo "== files in $(basename "$deb")"
expected=(
    usr/bin/varnolt usr/libexec/varnolt/varnolt
    usr/share/applications/varnolt.desktop
    usr/share/metainfo/example.quorvane.varnolt.metainfo.xml
    usr/share/man/man1/varnolt.1.gz usr/share/bash-completion/completions/varnolt
    usr/share/doc/varnolt/copyright usr/share/doc/varnolt/changelog.gz
)
cli_files=(
    usr/bin/varnolt-cli usr/share/man/man1/varnolt-cli.1.gz
    usr/share/bash-completion/completions/varnolt-cli
    usr/lib/systemd/user/varnolt-check.service usr/lib/systemd/user/varnolt-check.timer
)
for size in 16 24 32 48 64 128 256; do
    icon="usr/share/icons/hicolor/${size}x${size}/apps/varnolt.png"
    expected+=("$icon")
    [[ "$(file -b "$root/$icon" 2>/dev/null)" == "PNG image data, $size x $size,"* ]] ||
        fail "$icon is not a $size x $size PNG"
done
[[ $have_cli == 1 ]] || fail "the build has no varnolt-cli, so the package holds none"
expected+=("${cli_files[@]}")
for f in "${expected[@]}"; do
    [[ -e "$root/$f" ]] || fail "missing $f"
done

echo "== the package build compiled the programs only"
# Test programs have no place in the package, and building them would only cost time.
built_tests=$(find "$build" -type f -name 'test_*' -perm -u+x -printf '%P\n' | sort)
[[ -z "$built_tests" ]] || fail "the package build compiled test programs: $built_tests"
grep -q '^VNT_TESTS:BOOL=OFF$' "$build/CMakeCache.txt" || fail "the package build has VNT_TESTS on"

echo "== what the package recommends"
# The timer's notification needs a session bus in the user manager.
[[ "$(dpkg-deb -f "$deb" Recommends)" == *dbus-user-session* ]] ||
    fail "the package does not recommend dbus-user-session"

echo "== desktop-file-validate"
silent "desktop entry" desktop-file-validate "$root/usr/share/applications/varnolt.desktop"

echo "== appstreamcli validate --no-net"
appstreamcli validate --no-net "$root/usr/share/metainfo/example.quorvane.varnolt.metainfo.xml" ||
    fail "AppStream metainfo"

echo "== lintian"
lintian --fail-on error --display-info "$deb" || fail "lintian found errors"

echo "== manual pages"
# Rendered as `man` shows them, with every groff warning on; any warning is a failure.
for page in "$root"/usr/share/man/man1/*.1.gz; do
    if ! warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings=all -E UTF-8 -l "$page" 2>&1 >/dev/null) ||
        [[ -n "$warnings" ]]; then
        printf '%s\n' "$warnings" >&2
        fail "manual page $(basename "$page")"
    fi
done

echo "== systemd user units"
# The units name varnolt-cli by name; here it is the unpacked one. Documentation= is looked up
# among the unpacked manual pages.
verify_units() {
    local program=$1 units="$scratch/units"
    mkdir -p "$units" "$scratch/runtime"
    chmod 700 "$scratch/runtime"
    for unit in "$2"/varnolt-check.service "$2"/varnolt-check.timer; do
        sed "s|^ExecStart=varnolt-cli |ExecStart=$program |" "$unit" > "$units/$(basename "$unit")"
    done
    silent "systemd-analyze verify" env XDG_RUNTIME_DIR="$scratch/runtime" \
        MANPATH="$root/usr/share/man" systemd-analyze --user "${@:3}" verify \
        "$units/varnolt-check.service" "$units/varnolt-check.timer"
}
if ! command -v systemd-analyze >/dev/null; then
    echo "SKIP: systemd-analyze is not installed here"
else
    verify_units "$root/usr/bin/varnolt-cli" "$root/usr/lib/systemd/user"
fi

echo "== varnolt --help and --version from the unpacked files, with no display"
for option in --help --version; do
    if printed=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM HOME="$scratch/home" \
        "$root/usr/bin/varnolt" "$option"); then
        echo "$printed" | head -n 1
    else
        fail "varnolt $option failed"
    fi
done
[[ "$printed" == "varnolt $version" ]] || fail "varnolt --version printed '$printed'"
[[ ! -e "$scratch/home" ]] || fail "varnolt --help or --version made a folder"

echo "== varnolt-cli --version from the unpacked files"
if printed=$("$root/usr/bin/varnolt-cli" --version); then
    [[ "$printed" == *"$version"* ]] || fail "varnolt-cli --version printed '$printed', not $version"
    echo "$printed"
else
    fail "varnolt-cli --version failed"
fi

if [[ $failures -gt 0 ]]; then
    echo "$failures package check(s) failed" >&2
    exit 1
fi
echo "package checks pass: $(basename "$deb")"
