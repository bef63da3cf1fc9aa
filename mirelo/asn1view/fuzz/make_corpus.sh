#!/bin/sh
# Makes the seed corpus of the reader's fuzz target: the test policy with
# every part (DER), a signed message streamed with indefinite lengths (BER),
# and the hostile shapes the reader bounds (a 2 GiB length, deep nesting).
# Run from this folder; the files are checked in.
set -e
out=$(pwd)/corpus/der_reader
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$out"
(cd ../../../common/tests/data/policies &&
  POLICY_HASH=$(printf '%064d' 0) openssl asn1parse -genconf qualified.cnf -noout -out "$out/qualified_policy.der")
openssl req -x509 -newkey rsa:1024 -nodes -keyout "$work/key.pem" -subj "/CN=Fuzz seed" -days 1 -out "$work/cert.pem" 2>/dev/null
printf 'seed' > "$work/content.txt"
openssl cms -sign -stream -nodetach -binary -in "$work/content.txt" -signer "$work/cert.pem" -inkey "$work/key.pem" \
  -outform DER -out "$out/streamed_message.ber"
printf '\004\204\177\377\377\377' > "$out/huge_length.der"
python3 -c 'import sys; sys.stdout.buffer.write(b"\x30\x80" * 5000)' > "$out/deep_nesting.ber"
