#!/bin/sh
# Makes the seed corpus of the fuzz targets from the test policies with
# OpenSSL. Run from this folder; the files are checked in, so this is needed
# only to change them.
set -e
policies=$(cd ../tests/data/policies && pwd)
out=$(pwd)/corpus/sign_policy
mkdir -p "$out"
cd "$policies"
POLICY_HASH=$(printf '%064d' 0) openssl asn1parse -genconf qualified.cnf -noout -out "$out/qualified.der"
openssl asn1parse -genconf minimal.cnf -noout -out "$out/minimal.der"
openssl asn1parse -genconf policy_identifier.cnf -noout -out "$out/policy_identifier.der"
