#!/usr/bin/env bash
# Removes what tools/install-desktop.sh put: tools/uninstall-desktop.sh [BUILD]
# Every file of BUILD/install_manifest.txt goes, then each folder the install made, if
# it is empty. The settings file beside the executable is the user's and stays (and
# with it the bin folder).
set -euo pipefail
build=$(readlink -f "${1:-build}")
manifest="$build/install_manifest.txt"
created="$build/install_created_dirs.txt"
[[ -f "$manifest" ]] || { echo "Nothing to uninstall: $manifest is missing." >&2; exit 1; }

apps_dirs=()
while IFS= read -r file || [[ -n "$file" ]]; do
  [[ -n "$file" ]] || continue
  if [[ -f "$file" || -L "$file" ]]; then
    rm -f -- "$file"
    echo "Removed $file"
  fi
  [[ "$file" == */share/applications/* ]] && apps_dirs+=("${file%/*}")
done < "$manifest"

if [[ -f "$created" ]]; then
  # Deepest first, so a folder empties before its parent is tried.
  sort -r "$created" | while IFS= read -r dir; do
    [[ -n "$dir" && -d "$dir" ]] && rmdir -- "$dir" 2>/dev/null || true
  done
fi

# Refresh the caches the desktop keeps (never create one).
for apps in "${apps_dirs[@]}"; do
  if command -v update-desktop-database >/dev/null && [[ -f "$apps/mimeinfo.cache" ]]; then
    update-desktop-database -q "$apps" || true
  fi
  icons="${apps%/applications}/icons/hicolor"
  if command -v gtk-update-icon-cache >/dev/null && [[ -f "$icons/icon-theme.cache" ]]; then
    gtk-update-icon-cache -q -t -f "$icons" || true
  fi
done
rm -f -- "$manifest" "$created"
