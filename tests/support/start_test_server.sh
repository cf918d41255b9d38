#!/bin/sh
# Starts the loopback server for a test run: plain HTTP, HTTPS with a certificate from the
# run's own test CA (which trust_test_ca adds to the wine prefix), and HTTPS with a certificate
# nobody trusts. Then publishes a vendor's update made with the vendor's tools: a key, the setup
# program and its descriptor signed (vendor-setup.xml), and a copy with one byte changed under
# the original's descriptor (vendor-tampered.xml). And the setup program with Authenticode
# signatures: by "Updater Test Vendor" from the run's code signing CA (trusted like the other),
# the same with a byte changed after signing, and by that name from an authority nobody trusts.
# Usage: start_test_server.sh <folder> <source folder> <setup program>
set -eu
dir=$1
source=$2
setup=$3
rm -rf "$dir/www"
mkdir -p "$dir/www" "$dir/tls"
cd "$dir/tls"
if [ ! -f server.pem ]; then
    openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -days 3650 \
        -subj "/CN=Updater Test CA" -keyout ca.key -out ca.pem \
        -addext basicConstraints=critical,CA:TRUE -addext keyUsage=critical,keyCertSign 2>/dev/null
    openssl x509 -in ca.pem -outform DER -out ca.der
    openssl req -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -subj "/CN=localhost" \
        -keyout server.key -out server.csr 2>/dev/null
    printf 'subjectAltName=DNS:localhost\nextendedKeyUsage=serverAuth\n' >server.ext
    openssl x509 -req -in server.csr -CA ca.pem -CAkey ca.key -CAcreateserial -days 3650 \
        -extfile server.ext -out server.pem 2>/dev/null
    openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -days 3650 \
        -subj "/CN=localhost" -addext subjectAltName=DNS:localhost -keyout untrusted.key \
        -out untrusted.pem 2>/dev/null
fi
# wine 8 verifies RSA chains in Authenticode signatures only: with ECDSA certificates it
# answers TRUST_E_CERT_SIGNATURE.
if [ ! -f codesign.pem ]; then
    openssl req -x509 -newkey rsa:2048 -nodes -days 3650 -subj "/CN=Updater Test Code Signing CA" \
        -keyout codesign-ca.key -out codesign-ca.pem -addext basicConstraints=critical,CA:TRUE \
        -addext keyUsage=critical,keyCertSign 2>/dev/null
    openssl x509 -in codesign-ca.pem -outform DER -out codesign-ca.der
    openssl req -newkey rsa:2048 -nodes -subj "/CN=Updater Test Vendor" -keyout codesign.key \
        -out codesign.csr 2>/dev/null
    printf 'keyUsage=critical,digitalSignature\nextendedKeyUsage=codeSigning\n' >codesign.ext
    openssl x509 -req -in codesign.csr -CA codesign-ca.pem -CAkey codesign-ca.key \
        -CAcreateserial -days 3650 -extfile codesign.ext -out codesign.pem 2>/dev/null
    openssl req -x509 -newkey rsa:2048 -nodes -days 3650 -subj "/CN=Updater Test Vendor" \
        -addext extendedKeyUsage=codeSigning -keyout untrusted-codesign.key \
        -out untrusted-codesign.pem 2>/dev/null
fi
# The server ends with ctest, which started this script.
python3 "$source/scripts/lib/http_server.py" --daemon --watch-pid "$PPID" --root "$dir/www" \
    --port-file "$dir/port" --tls server.pem server.key --tls-untrusted untrusted.pem untrusted.key
port=$(sed -n 's/^port=//p' "$dir/port")

www=$dir/www
rm -rf "$dir/vendor"
mkdir -p "$dir/vendor"
"$source/scripts/make-key" --out "$dir/vendor" | sed -n 's/^publickey=//p' >"$www/publickey.txt"
cp "$setup" "$www/vendor-setup.exe"
cp "$setup" "$www/vendor-tampered.exe"
printf 'X' | dd of="$www/vendor-tampered.exe" bs=1 seek=100 conv=notrunc 2>/dev/null
printf '修复：签名的安装程序\n' >"$dir/vendor/notes.txt"
for name in setup tampered; do
    "$source/scripts/make-descriptor" --version 2.0 --notes "$dir/vendor/notes.txt" \
        --url "http://127.0.0.1:$port/files/vendor-$name.exe" --key "$dir/vendor/updater-key.pem" \
        --out "$www/vendor-$name.xml" "$www/vendor-setup.exe"
done
# A genuine signature, of another file.
"$source/scripts/make-descriptor" --version 2.0 --notes "$dir/vendor/notes.txt" \
    --url "http://127.0.0.1:$port/files/vendor-tampered.exe" --key "$dir/vendor/updater-key.pem" \
    --out "$www/vendor-other.xml" "$www/vendor-tampered.exe"
for signer in codesign untrusted-codesign; do
    osslsigncode sign -certs "$dir/tls/$signer.pem" -key "$dir/tls/$signer.key" -h sha256 \
        -in "$setup" -out "$www/authenticode-by-$signer.exe" >/dev/null
done
cp "$www/authenticode-by-codesign.exe" "$www/authenticode-tampered.exe"
printf 'X' | dd of="$www/authenticode-tampered.exe" bs=1 seek=100 conv=notrunc 2>/dev/null
