#!/bin/sh
# Starts the loopback server for a test run: plain HTTP, HTTPS with a certificate from the
# run's own test CA (which trust_test_ca adds to the wine prefix), and HTTPS with a certificate
# nobody trusts. Usage: start_test_server.sh <folder> <http_server.py>
set -eu
dir=$1
server=$2
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
# exec: the server watches its parent, which is then ctest itself.
exec python3 "$server" --daemon --root "$dir/www" --port-file "$dir/port" \
    --tls server.pem server.key --tls-untrusted untrusted.pem untrusted.key
