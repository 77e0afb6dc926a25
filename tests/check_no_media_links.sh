#!/bin/sh
# Fails when any built program or shared object names a media library as NEEDED.
build="$1"
found=0
checked=0
for f in $(find "$build" -type f -perm -u+x \( -name '*_tests' -o -name 'zelvo*' -o -name '*_bench' \) ! -name '*.sh'); do
  file_type=$(head -c 4 "$f" | od -An -c | tr -d ' ')
  [ "$file_type" = "177ELF" ] || continue
  case "$f" in */tools/*|*/testlibs/*) continue;; esac
  checked=$((checked + 1))
  if readelf -d "$f" | grep NEEDED | grep -E 'lib(av|sw|postproc|SDL2)'; then
    echo "linked at build time: $f"
    found=1
  fi
done
echo "checked $checked binaries"
[ "$checked" -gt 0 ] || { echo "no binaries found"; exit 1; }
exit $found
