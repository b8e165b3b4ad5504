#!/bin/sh
# Prints the localized keys snmpd derives for a set of users, as the usmUser
# lines it writes into its persistent file when it stops. Run once by hand;
# the keys it printed are the constant vectors in UsmKeysTest.cpp.
#   tests/snmp/usm_key_oracle.sh [port]
set -eu
port=${1:-34567}
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
mkdir "$dir/persist"
cat > "$dir/snmpd.conf" <<CONF
exactEngineID 0x000000000000000000000002
createUser md5des MD5 maplesyrup DES syrup-for-privacy
createUser md5aes192 MD5 maplesyrup AES-192 syrup-for-privacy
createUser md5aes256 MD5 maplesyrup AES-256 syrup-for-privacy
createUser sha1aes256 SHA maplesyrup AES-256 syrup-for-privacy
createUser sha224aes256 SHA-224 maplesyrup AES-256 syrup-for-privacy
createUser sha256aes256 SHA-256 maplesyrup AES-256 syrup-for-privacy
createUser sha384aes SHA-384 maplesyrup AES syrup-for-privacy
createUser sha512aes256 SHA-512 maplesyrup AES-256 syrup-for-privacy
CONF
SNMP_PERSISTENT_DIR="$dir/persist" SNMPCONFPATH="$dir" \
    snmpd -f -C -c "$dir/snmpd.conf" -M /nonexistent -m "" -Lf "$dir/log" \
    "udp:127.0.0.1:$port" &
pid=$!
sleep 2
kill -TERM "$pid"
wait "$pid" || true
# usmUser 1 3 ENGINE "name" "name" NULL AUTHOID 0xKUL PRIVOID 0xPRIVKEY ""
grep '^usmUser' "$dir/persist/snmpd.conf" | awk '{ print $4, $5, $9, $11 }'
