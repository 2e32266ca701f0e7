#!/usr/bin/env bash
# instpack signs the Windows installer: with a throwaway certificate authority and a code-signing
# certificate made here with openssl, the signed sample verifies against that authority, two
# signed builds without a time stamp are byte-identical, and a byte changed after signing (in the
# installer data, where the installer's own damage check looks too) fails verification. Bad
# signing material is refused with one line naming the option and file, status 1 and no output.
# The uninstaller instpack puts into a product without one of its own is signed too. Leaves the
# signed installer at OUT_DIR/tovalin-setup-signed.exe for the Wine scenarios that install it and
# refuse its damaged copy.
#   signing.sh INSTPACK DESCRIPTION PROGRAM OUT_DIR GENERIC_DESCRIPTION UNINSTALLER_PROGRAM
set -euo pipefail
instpack=$1 description=$2 program=$3 out=$4 generic=$5 uninstaller=$6
wine_tests=$(cd "$(dirname "$0")/../wine" && pwd)
for file in "$instpack" "$description" "$program" "$generic" "$uninstaller"; do
  [ -f "$file" ] || { echo "FAIL: missing $file (build the native and win32 presets)"; exit 1; }
done
for tool in openssl osslsigncode; do
  command -v $tool >/dev/null || { echo "FAIL: $tool not found (scripts/setup.sh installs it)"; exit 1; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$out" "$work/out"
rm -f "$out/tovalin-setup-signed.exe"
cd "$work"
failures=0
fail() { echo "FAIL $*"; failures=$((failures + 1)); }

# The throwaway authority, a publisher's certificate it issues for code signing, the same in a
# PKCS#12 file with a password, one that expired, and a key that belongs to neither.
quiet() { "$@" >/dev/null 2>&1 || { echo "FAIL: $*"; exit 1; }; }
quiet openssl req -x509 -newkey rsa:2048 -nodes -keyout ca.key -out ca.pem -days 30 -subj "/CN=Throwaway Test CA" \
  -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign,cRLSign"
quiet openssl req -newkey rsa:2048 -nodes -keyout publisher.key -out publisher.csr -subj "/CN=Throwaway Publisher"
printf 'basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\nextendedKeyUsage=codeSigning\n' >signer.ext
quiet openssl x509 -req -in publisher.csr -CA ca.pem -CAkey ca.key -set_serial 1 -days 30 -extfile signer.ext \
  -out publisher.pem
printf 'correct horse\n' >password.txt
printf 'wrong horse\n' >wrong-password.txt
# The password file as osslsigncode reads it when it signs: a UTF-8 byte-order mark at its start
# is skipped and line ends at its end dropped, but a second line belongs to the password.
printf '\xEF\xBB\xBFcorrect horse\r\n\n' >marked-password.txt
printf 'correct horse\nremember to change it\n' >two-lines.txt
printf '\r\n' >no-password.txt
quiet openssl pkcs12 -export -in publisher.pem -inkey publisher.key -out publisher.p12 -passout file:password.txt
quiet openssl req -newkey rsa:2048 -nodes -keyout other.key -out other.csr -subj "/CN=Someone Else"
mkdir ca-db && : >ca-db/index.txt && echo 02 >ca-db/serial
cat >ca.cnf <<'CNF'
[ca]
default_ca = throwaway
[throwaway]
database = ca-db/index.txt
serial = ca-db/serial
new_certs_dir = ca-db
default_md = sha256
policy = any
x509_extensions = signer
[any]
commonName = supplied
[signer]
basicConstraints = CA:FALSE
keyUsage = critical,digitalSignature
extendedKeyUsage = codeSigning
CNF
quiet openssl ca -batch -config ca.cnf -cert ca.pem -keyfile ca.key -in publisher.csr -out expired.pem \
  -startdate 20200101000000Z -enddate 20210101000000Z -notext

sign() { "$instpack" "$description" --stub "$program" "$@"; }

# Signed twice, from the certificate and key and from the PKCS#12 file with its password.
sign -o first.exe --certificate publisher.pem --key publisher.key || fail "signing with certificate and key failed"
sign -o second.exe --certificate publisher.pem --key publisher.key || fail "signing again failed"
sign -o from-p12.exe --pkcs12 publisher.p12 --password-file password.txt || fail "signing with the PKCS#12 file failed"
sign -o marked.exe --pkcs12 publisher.p12 --password-file marked-password.txt ||
  fail "signing with a password file that has a byte-order mark failed"
cmp -s first.exe second.exe && echo "ok   two signed builds are byte-identical ($(stat -c %s first.exe) bytes)" ||
  fail "two signed builds differ"
for signed in first.exe from-p12.exe; do
  if osslsigncode verify -CAfile ca.pem -in "$signed" >verify.log 2>&1; then
    echo "ok   $signed: $(grep -m1 'Signature verification' verify.log) against the throwaway authority"
  else
    fail "$signed does not verify: $(tail -3 verify.log | tr '\n' ' ')"
  fi
done
osslsigncode verify -CAfile /dev/null -in first.exe >/dev/null 2>&1 && fail "it verifies without the authority too"

# The generic uninstaller, taken out of a signed installer that carries it, verifies too.
"$instpack" "$generic" -o generic.exe --stub "$program" --uninstaller-stub "$uninstaller" \
  --certificate publisher.pem --key publisher.key || fail "signing the installer with the generic uninstaller failed"
/usr/bin/python3 -c "import sys; sys.path.insert(0, sys.argv[1]); import run_scenario as r
open('uninst.exe', 'wb').write(r.payload_file(sys.argv[2], 'uninst.exe'))" "$wine_tests" generic.exe ||
  fail "no uninst.exe in the installer"
osslsigncode verify -CAfile ca.pem -in uninst.exe >verify.log 2>&1 &&
  echo "ok   the generic uninst.exe in it: $(grep -m1 'Signature verification' verify.log)" ||
  fail "the generic uninst.exe is not signed: $(tail -2 verify.log | tr '\n' ' ')"

# One byte flipped inside the first piece of the installer data, as the Wine scenario's damaged
# copy does it (the block after the image; its header gives the size of the metadata before the
# pieces).
/usr/bin/python3 - "$wine_tests" first.exe changed.exe <<'PYTHON' || fail "no installer data to change"
import sys
sys.path.insert(0, sys.argv[1])
import run_scenario
print(f"changed the byte at {run_scenario.damaged_copy(sys.argv[2], '.')[1]}")
import os
os.replace("damaged-setup.exe", sys.argv[3])
PYTHON
osslsigncode verify -CAfile ca.pem -in changed.exe >verify.log 2>&1 &&
  fail "a byte changed after signing still verifies" ||
  echo "ok   a byte changed after signing: $(grep -m1 -i 'mismatch' verify.log || tail -1 verify.log)"

# Bad material: label | arguments | what the one line must say.
cases=(
  "wrong password|--pkcs12 publisher.p12 --password-file wrong-password.txt|--pkcs12 publisher.p12: wrong password (from --password-file wrong-password.txt)"
  "no password|--pkcs12 publisher.p12|--pkcs12 publisher.p12: wrong password (none given"
  "certificate not of the key|--certificate publisher.pem --key other.key|--certificate publisher.pem: no certificate in it belongs to the private key of --key other.key"
  "missing certificate|--certificate absent.pem --key publisher.key|--certificate absent.pem: cannot read: No such file or directory"
  "missing key|--certificate publisher.pem --key absent.key|--key absent.key: cannot read: No such file or directory"
  "missing password file|--pkcs12 publisher.p12 --password-file absent.txt|--password-file absent.txt: cannot read: No such file or directory"
  "password of two lines|--pkcs12 publisher.p12 --password-file two-lines.txt|--pkcs12 publisher.p12: wrong password (from --password-file two-lines.txt)"
  "password file of line ends|--pkcs12 publisher.p12 --password-file no-password.txt|--password-file no-password.txt: holds no password"
  "expired certificate|--certificate expired.pem --key publisher.key|--certificate expired.pem: the certificate expired on Jan  1 00:00:00 2021 GMT"
  "key given as certificate|--certificate publisher.key --key publisher.key|--certificate publisher.key: not a certificate"
  "time stamp out of reach|--certificate publisher.pem --key publisher.key --timestamp-url http://127.0.0.1:9/|(time-stamping service http://127.0.0.1:9/)"
)
for entry in "${cases[@]}"; do
  IFS='|' read -r label arguments expected <<<"$entry"
  cp first.exe out/setup.exe  # an earlier good output, which a failed run must not leave standing
  # shellcheck disable=SC2086
  if sign -o out/setup.exe $arguments >stdout 2>stderr; then status=0; else status=$?; fi
  message=$(cat stderr)
  problem=""
  [ "$status" -eq 1 ] || problem="exit status $status, not 1"
  [[ "$message" == *"$expected"* ]] || problem="message \"$message\" lacks \"$expected\""
  [ "$(wc -l <stderr)" -eq 1 ] || problem="not one line: $message"
  [ -z "$(ls out)" ] || problem="left $(ls out)"
  [ -n "$problem" ] && fail "$label: $problem" || echo "ok   $label: $message"
done

cp first.exe "$out/tovalin-setup-signed.exe"
[ "$failures" -eq 0 ] && echo "PASS" || { echo "$failures failures"; exit 1; }
