#!/usr/bin/env bash
# Installs the Debian packages of packages.txt that are missing (as root, or with sudo).
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t wanted < <(grep -v -E '^\s*(#|$)' packages.txt)
missing=()
for pkg in "${wanted[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$pkg")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0
echo "Installing: ${missing[*]}"
sudo=""
[[ $(id -u) -eq 0 ]] || sudo="sudo"
$sudo apt-get update -q
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q "${missing[@]}"
