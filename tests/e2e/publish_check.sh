#!/bin/sh
# Publishing as the vendor does, through scripts/make-key, make-descriptor and check (each runs
# updater-publish under wine). The key is its owner's alone, never overwritten, and what openssl
# reads; keys that openssl wrote sign too; openssl verifies the descriptor's signature comment,
# on a file and on standard output. A genuine descriptor and setup program pass the check; a
# byte changed in the descriptor, or in the setup program, does not. Arguments: see
# tests/CMakeLists.txt.
set -eu
setup=$1 www=$2/www base=http://127.0.0.1:$(sed -n 's/^port=//p' "$2/port")/files scripts=$3
work=$(mktemp -d) && trap 'rm -rf "$work"' EXIT && cd "$work"
fails() { if "$@"; then echo "succeeded: $*" >&2; exit 1; fi; }
# The signature in the descriptor's closing comment, of the bytes before it, by the key.
verify() {
    head -c "$(grep -abo '<!--' "$1" | tail -n 1 | cut -d: -f1)" "$1" >signed.bin
    sed -n 's/^<!-- signature: \(.*\) -->$/\1/p' "$1" | base64 -d >signature.der
    openssl pkey -in "$2" -pubout | openssl dgst -sha256 -verify /dev/stdin \
        -signature signature.der signed.bin
}
"$scripts/make-key" >key.txt
fails "$scripts/make-key" --out . 2>/dev/null
test "$(stat -c %a updater-key.pem)" = 600
test "$(cat key.txt)" = "publickey=$(openssl pkey -in updater-key.pem -pubout -outform DER | base64 -w0)"
printf 'First line\n修复：签名\n' >notes.txt
openssl genpkey -algorithm EC -pkeyopt ec_paramgen_curve:P-256 -out pkcs8.pem
openssl ec -in pkcs8.pem -out sec1.pem 2>/dev/null
for key in pkcs8.pem sec1.pem; do
    "$scripts/make-descriptor" --version 2.0 --url "$base/x.exe" --notes notes.txt --key "$key" \
        "$setup" >by-openssl-key.xml
    verify by-openssl-key.xml "$key"
done

cp "$www/authenticode-by-codesign.exe" "$www/vendor_setup.exe"
printf '[main]\nversion=1.0\nupdate=%s/vendor.xml\n%s\nsigneddescriptor=1\nproduct=Writer\npublisher=Updater Test Vendor\n' \
    "$base" "$(cat key.txt)" >config.ini
"$scripts/make-descriptor" --version 2.0 --url "$base/vendor_setup.exe" --notes notes.txt \
    --key updater-key.pem --expires 30 --product Writer --out "$www/vendor.xml" \
    "$www/vendor_setup.exe"
verify "$www/vendor.xml" updater-key.pem
"$scripts/check" --config config.ini "$base/vendor.xml" >out.txt || { cat out.txt; false; }
grep -Fx 'saved as: vendor_setup.exe' out.txt
grep -Fx 'Authenticode signer: Updater Test Vendor' out.txt
grep "^descriptor signature: the vendor's" out.txt
grep -E '^expires: .* \(in (29|30) days\)$' out.txt
# The notes changed by a byte under the original's signature comment: refused before reading.
sed 's/First line/First lime/' "$www/vendor.xml" >"$www/tampered.xml"
fails "$scripts/check" --config config.ini "$base/tampered.xml" >out.txt
grep -F 'would end with exit code -4' out.txt
# A setup program changed by a byte, under a genuine descriptor of the original.
python3 -c 'import sys; d = bytearray(open(sys.argv[1], "rb").read()); d[100] ^= 1
open(sys.argv[2], "wb").write(d)' "$www/vendor_setup.exe" "$www/tampered_setup.exe"
"$scripts/make-descriptor" --version 2.0 --url "$base/tampered_setup.exe" --notes notes.txt \
    --key updater-key.pem --product Writer --out "$www/tampered.xml" "$www/vendor_setup.exe"
fails "$scripts/check" --config config.ini "$base/tampered.xml" >out.txt
grep -F 'would end with exit code -1' out.txt
