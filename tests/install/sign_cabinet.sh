#!/bin/bash
# Signs a cabinet as makers sign their media (Authenticode, by osslsigncode), with a throw-away
# key and certificate made for the purpose. The signature lands behind the cabinet, announced
# by a 20-byte header reserve.
#   sign_cabinet.sh IN OUT
set -euo pipefail
key=$(mktemp -d)
trap 'rm -rf "$key"' EXIT
openssl req -x509 -newkey rsa:2048 -nodes -keyout "$key/key.pem" -out "$key/cert.pem" -days 30 \
    -subj "/CN=Medium test signer" 2>/dev/null
rm -f "$2"
osslsigncode sign -certs "$key/cert.pem" -key "$key/key.pem" -in "$1" -out "$2" >/dev/null
