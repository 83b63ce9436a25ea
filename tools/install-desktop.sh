#!/usr/bin/env bash
# Installs the built program for the desktop user: tools/install-desktop.sh [BUILD] [PREFIX]
# (default build and ~/.local). The executable goes to PREFIX/bin, where its settings
# file can be written beside it, the launcher entry to PREFIX/share/applications, the
# icons to the hicolor theme and the AppStream data to PREFIX/share/metainfo, all three
# named org.horavane.Horavane as in the Debian package. What was put is in BUILD/install_manifest.txt; the
# folders this made are added to BUILD/install_created_dirs.txt, so that the uninstall
# leaves the tree as it found it.
set -euo pipefail
build=$(readlink -f "${1:-build}")
prefix=${2:-$HOME/.local}
mkdir -p "$prefix"
prefix=$(readlink -f "$prefix")
created="$build/install_created_dirs.txt"

[[ -x "$build/horavane" ]] || { echo "No built program in $build; run make build first." >&2; exit 1; }

# The folders the install may create, and which of them exist before it.
candidates=("$prefix/bin" "$prefix/share" "$prefix/share/applications" "$prefix/share/icons"
            "$prefix/share/icons/hicolor" "$prefix/share/metainfo")
for size in 16 22 24 32 48 64 128 256; do
  candidates+=("$prefix/share/icons/hicolor/${size}x${size}"
               "$prefix/share/icons/hicolor/${size}x${size}/apps")
done
missing=()
for dir in "${candidates[@]}"; do [[ -d "$dir" ]] || missing+=("$dir"); done

# An install from before the entry and icons took the reverse-DNS name left them named
# "horavane": they go, or the menu would show the program twice. Only what that install
# put is removed: the entry that starts this prefix's program and our own pictures.
src=$(cd "$(dirname "$0")/.." && pwd)
old_entry="$prefix/share/applications/horavane.desktop"
if [[ -f "$old_entry" ]] && grep -qxF "TryExec=$prefix/bin/horavane" "$old_entry"; then rm -f -- "$old_entry"; fi
for size in 16 22 24 32 48 64 128 256; do
  old_icon="$prefix/share/icons/hicolor/${size}x${size}/apps/horavane.png"
  if [[ -f "$old_icon" ]] && cmp -s "$old_icon" "$src/resources/horavane-$size.png"; then rm -f -- "$old_icon"; fi
done

cmake --install "$build" --prefix "$prefix"

# A second install before an uninstall keeps the folders the first one made.
{ [[ -f "$created" ]] && cat "$created"; printf '%s\n' "${missing[@]}"; } | sed '/^$/d' |
  sort -u > "$created.new"
mv "$created.new" "$created"

# Refresh the desktop's caches, but only those it already keeps: a new icon cache
# would hide icons other programs later add without updating it.
apps="$prefix/share/applications"
icons="$prefix/share/icons/hicolor"
if command -v update-desktop-database >/dev/null && [[ -f "$apps/mimeinfo.cache" ]]; then
  update-desktop-database -q "$apps" || true
fi
if command -v gtk-update-icon-cache >/dev/null && [[ -f "$icons/icon-theme.cache" ]]; then
  gtk-update-icon-cache -q -t -f "$icons" || true
fi
echo "Installed in $prefix; start it from the applications menu or as $prefix/bin/horavane."
