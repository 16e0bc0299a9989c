#!/usr/bin/env bash
# Installs, with apt-get, every Debian package that building, running and testing Varnolt needs,
# but only those that are missing, so a second run costs one dpkg query.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config clang-format-15
    qt6-base-dev libgl-dev
    fonts-dejavu-core fonts-dejavu-extra
    libcurl4-openssl-dev zlib1g-dev ca-certificates
    libgtest-dev libgmock-dev googletest libbenchmark-dev
    libcpp-httplib-dev libssl-dev openssl curl
    xvfb xauth xdg-utils
    scdoc dpkg-dev file lintian desktop-file-utils appstream man-db bash-completion
    clang libclang-rt-14-dev
    libsystemd-dev libdtl-dev dbus-daemon
    fiu-utils libfiu-dev libxml2-dev libre2-dev developers-reference libcli11-dev nlohmann-json3-dev
    weston qt6-wayland
    nginx-light
)
# Only the benchmarks compare with these (make bench sets VNT_BENCH_PACKAGES=1).
if [[ "${VNT_BENCH_PACKAGES:-0}" == 1 ]]; then
    packages+=(urlwatch python3-html2text strace)
fi

missing=()
for p in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
    [[ "$status" == "install ok installed" ]] || missing+=("$p")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

echo "Installing missing packages: ${missing[*]}"
sudo=()
if [[ $(id -u) -ne 0 ]]; then
    command -v sudo >/dev/null || { echo "need root or sudo to install: ${missing[*]}" >&2; exit 1; }
    sudo=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
