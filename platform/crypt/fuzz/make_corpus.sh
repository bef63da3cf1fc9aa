#!/bin/sh
# Makes the seed corpus of the fuzz targets with OpenSSL. Run from this folder;
# the files are checked in, so this is needed only to change them.
set -e
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
c=corpus
mkdir -p $c/names $c/extensions $c/certificate $c/crl $c/sequence_of_any $c/public_key_blobs $c/message_update

gen() { printf '%s\n' "$2" > "$work/g.cnf"; openssl asn1parse -genconf "$work/g.cnf" -out "$1" -noout; }

openssl req -x509 -newkey rsa:1024 -nodes -keyout "$work/key.pem" -days 30 -utf8 \
  -subj "/C=CZ/O=Firma, a.s./CN=Jan Novák/emailAddress=jan@firma.cz" \
  -addext "subjectAltName=email:jan@firma.cz,DNS:firma.cz,IP:10.0.0.1,URI:http://firma.cz/" \
  -addext "keyUsage=critical,digitalSignature,nonRepudiation" \
  -addext "extendedKeyUsage=clientAuth,emailProtection" \
  -addext "certificatePolicies=1.3.6.1.4.1.32473.1.1,2.5.29.32.0" \
  -addext "crlDistributionPoints=URI:http://crl.firma.cz/ca.crl" \
  -addext "authorityKeyIdentifier=keyid" -outform DER -out $c/certificate/self_signed.der
openssl req -new -key "$work/key.pem" -subj "/CN=Request" -addext "subjectAltName=DNS:firma.cz" \
  -outform DER -out $c/certificate/request.der
openssl x509 -inform DER -in $c/certificate/self_signed.der -noout -pubkey | \
  openssl pkey -pubin -outform DER -out $c/certificate/public_key_info.der

gen $c/names/name.der 'asn1=SEQUENCE:n
[n]
a=SET:a
b=SET:b
[a]
x=SEQUENCE:cn
y=SEQUENCE:ou
[cn]
o=OID:2.5.4.3
v=FORMAT:UTF8,BMPSTRING:Jan Novák
[ou]
o=OID:2.5.4.11
v=FORMAT:UTF8,UTF8String:Účetní
[b]
x=SEQUENCE:c
[c]
o=OID:2.5.4.6
v=PRINTABLESTRING:CZ'
gen $c/names/t61_value.der 'asn1=IMPLICIT:20U,FORMAT:HEX,OCTETSTRING:C5BD6C75C5A5'
gen $c/names/universal_value.der 'asn1=FORMAT:UTF8,UNIVERSALSTRING:Kůň'

gen $c/extensions/subject_alt_name.der 'asn1=SEQUENCE:n
[n]
m=IMPLICIT:1,IA5STRING:jan@firma.cz
d=IMPLICIT:2,IA5STRING:firma.cz
o=IMPLICIT:0,SEQUENCE:o
i=IMPLICIT:7,FORMAT:HEX,OCTETSTRING:0A000001
[o]
t=OID:1.3.6.1.4.1.311.20.2.3
v=EXPLICIT:0,UTF8String:jan@firma'
gen $c/extensions/key_usage.der 'asn1=FORMAT:BITLIST,BITSTRING:0,1'
gen $c/extensions/policies.der 'asn1=SEQUENCE:p
[p]
a=SEQUENCE:a
[a]
i=OID:1.3.6.1.4.1.32473.1.1
q=SEQUENCE:q
[q]
c=SEQUENCE:c
[c]
i=OID:1.3.6.1.5.5.7.2.1
v=IA5STRING:http://firma.cz/cps'
gen $c/extensions/crl_dist_points.der 'asn1=SEQUENCE:c
[c]
p=SEQUENCE:p
[p]
d=IMPLICIT:0,SEQUENCE:d
[d]
f=IMPLICIT:0,SEQUENCE:f
[f]
u=IMPLICIT:6,IA5STRING:http://crl.firma.cz/ca.crl'
gen $c/extensions/authority_key_id.der 'asn1=SEQUENCE:a
[a]
k=IMPLICIT:0,FORMAT:HEX,OCTETSTRING:01020304
s=IMPLICIT:2,INTEGER:0x0100'
gen $c/extensions/user_notice.der 'asn1=SEQUENCE:n
[n]
r=SEQUENCE:r
t=FORMAT:UTF8,BMPSTRING:Poznámka
[r]
o=VISIBLESTRING:Firma
n=SEQUENCE:nums
[nums]
a=INTEGER:1'

mkdir -p "$work/ca/newcerts"
: > "$work/ca/index.txt"
echo 1000 > "$work/ca/crlnumber"
cat > "$work/ca/ca.cnf" <<CNF
[ca]
default_ca = ca
[ca]
dir = $work/ca
database = \$dir/index.txt
new_certs_dir = \$dir/newcerts
crlnumber = \$dir/crlnumber
default_md = sha256
default_crl_days = 7
CNF
printf 'R\t300101000000Z\t240101000000Z,keyCompromise\t1234\tunknown\t/CN=Revoked\n' > "$work/ca/index.txt"
openssl x509 -inform DER -in $c/certificate/self_signed.der -out "$work/ca.pem"
openssl ca -config "$work/ca/ca.cnf" -gencrl -keyfile "$work/key.pem" -cert "$work/ca.pem" -out "$work/crl.pem" 2>/dev/null
openssl crl -in "$work/crl.pem" -outform DER -out $c/crl/crl.der

# Streamed signed messages (BER: indefinite lengths, the content a
# constructed OCTET STRING), behind the byte that picks the cut and, with
# 0x80, detached.
printf 'streamed content\n' > "$work/content"
stream() { openssl cms -sign -stream -binary -in "$work/content" -signer "$work/ca.pem" -inkey "$work/key.pem" -outform DER "$@"; }
{ printf '\100'; stream -nodetach; } > $c/message_update/streamed
{ printf '\300'; stream; } > $c/message_update/streamed_detached

openssl asn1parse -inform DER -in $c/certificate/self_signed.der -strparse 4 -noout -out $c/sequence_of_any/tbs.der
cp $c/extensions/policies.der $c/sequence_of_any/policies.der
gen $c/sequence_of_any/attribute.der 'asn1=SEQUENCE:a
[a]
o=OID:1.2.840.113549.1.9.5
v=SET:v
[v]
t=UTCTIME:240229083015Z'
gen $c/sequence_of_any/generalized_time.der 'asn1=GENERALIZEDTIME:20500101083015.123Z'

openssl rsa -in "$work/key.pem" -RSAPublicKey_out -outform DER -out $c/public_key_blobs/rsa_public.der 2>/dev/null
openssl rsa -in "$work/key.pem" -traditional -outform DER -out $c/public_key_blobs/rsa_private.der 2>/dev/null
