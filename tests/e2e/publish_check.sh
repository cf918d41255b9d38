#!/bin/sh
# Publishing as the vendor does: a signed setup program passes updater-check; one changed by a
# byte, under the original's sha256 and signature, does not. Arguments: see tests/CMakeLists.txt.
set -eu
exe=$1 setup=$2 www=$3/www base=http://127.0.0.1:$(sed -n 's/^port=//p' "$3/port")/files
work=$(mktemp -d) && trap 'rm -rf "$work"' EXIT && cd "$work"
"$4/make-key" >key.txt && printf 'First line\n' >notes.txt && cp "$setup" "$www/vendor_setup.exe"
printf '[main]\nversion=1.0\nupdate=%s/vendor.xml\n%s\n' "$base" "$(cat key.txt)" >config.ini
"$4/make-descriptor" --version 2.0 --url "$base/vendor_setup.exe" --notes notes.txt \
    --key updater-key.pem --out "$www/vendor.xml" "$setup"
wine "$exe" --config "$(winepath -w config.ini)" "$base/vendor.xml" >out.txt || { cat out.txt; false; }
grep -Fx 'saved as: vendor_setup.exe' out.txt
python3 -c 'import sys; d = bytearray(open(sys.argv[1], "rb").read()); d[100] ^= 1
open(sys.argv[2], "wb").write(d)' "$setup" "$www/tampered_setup.exe"
sed 's/vendor_setup\.exe/tampered_setup.exe/' "$www/vendor.xml" >"$www/tampered.xml"
! wine "$exe" --config "$(winepath -w config.ini)" "$base/tampered.xml"
