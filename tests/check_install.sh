#!/bin/sh
# Installs the build into a scratch prefix and checks that the program, its
# launcher and its icon land where the desktop looks for them.
set -eu
build="$1"
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null
status=0
for f in bin/zelvo-player share/applications/zelvo-player.desktop \
         share/icons/hicolor/scalable/apps/zelvo-player.svg; do
  if [ -s "$prefix/$f" ]; then echo "installed: $f"; else echo "missing: $f"; status=1; fi
done
[ -x "$prefix/bin/zelvo-player" ] || { echo "not executable: bin/zelvo-player"; status=1; }
# The launcher's icon name is the installed icon's.
grep -qx 'Icon=zelvo-player' "$prefix/share/applications/zelvo-player.desktop" || { echo "launcher icon name"; status=1; }
exit $status
