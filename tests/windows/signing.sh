#!/usr/bin/env bash
# The packages of the Windows build signed with a throwaway self-signed certificate made here: the
# setup program, the uninstaller it installs, the MSI, and gconvert.exe and FileConverter.exe in the
# ZIP, the MSI and the install each carry a signature by that certificate whose hash matches the file
# (osslsigncode verify, the certificate as the only trusted root); a file changed after signing fails.
# Usage: tests/windows/signing.sh WINDOWS_BUILD  (with the WINEPREFIX of scripts/test-windows)
set -euo pipefail
build="$(realpath "$1")"
export WINEPREFIX="${WINEPREFIX:-$build/wine-prefix}" WINEDEBUG=-all
test_name=signing
source "$(dirname "$0")/wine_steps.sh"
for tool in osslsigncode openssl msiextract; do
  command -v "$tool" >/dev/null || fail "$tool is missing: scripts/install-deps --windows installs it"
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The certificate: for code signing, valid for a day, its key in a PKCS#12 file under a password.
subject="FileConverter signing test $$"
export PASSWORD="a throwaway password"
printf '%s' "$PASSWORD" >"$work/password"
openssl req -x509 -newkey rsa:2048 -days 1 -subj "/CN=$subject" -keyout "$work/key.pem" -out "$work/certificate.pem" \
        -addext extendedKeyUsage=codeSigning -passout env:PASSWORD 2>/dev/null || fail "openssl made no certificate"
openssl pkcs12 -export -inkey "$work/key.pem" -in "$work/certificate.pem" -out "$work/certificate.pfx" \
        -passin env:PASSWORD -passout env:PASSWORD || fail "openssl made no PKCS#12 file"
# The packages as scripts/build-windows packs them with a certificate, into a folder of the test's own.
(cd "$build" && FILECONVERTER_SIGN_PFX="$work/certificate.pfx" FILECONVERTER_SIGN_PASSWORD_FILE="$work/password" \
   cpack -G 'ZIP;NSIS64;External' -B "$work/packages" >/dev/null) || fail "packing with the certificate failed"

# Signed by this certificate, and the file is what was signed.
verified() {
  local said
  said=$(osslsigncode verify -CAfile "$work/certificate.pem" -in "$1" 2>&1) || { echo "$said" | tail -5 >&2; return 1; }
  grep -q "Subject: /CN=$subject$" <<<"$said" && grep -q '^Signature verification: ok' <<<"$said"
}
shopt -s nullglob
packages=("$work"/packages/FileConverter-*-setup.exe "$work"/packages/FileConverter-*-x64.msi "$work"/packages/fileconverter-*-windows-x64.zip)
[ ${#packages[@]} -eq 3 ] || fail "expected the setup program, the MSI and the ZIP, found: ${packages[*]##*/}"
setup=${packages[0]}
msi=${packages[1]}
mkdir "$work/zip" "$work/msi"
python3 -m zipfile -e "${packages[2]}" "$work/zip"
msiextract -C "$work/msi" "$msi" >/dev/null
checked=("$setup" "$msi")
for program in gconvert.exe FileConverter.exe; do
  checked+=("$work"/zip/*/"$program" "$(find "$work/msi" -name "$program")")
done

# The uninstaller exists only once the setup program has written it: installed into a folder of its
# own (NSIS takes /D= only unquoted, so without blanks).
folder="$WINEPREFIX/drive_c/FileConverterSigningTest"
quiet wineserver -k || true
settle
quiet wine "$setup" /S '/D=C:\FileConverterSigningTest' || fail "the signed setup program did not install"
settle
for program in uninstall.exe gconvert.exe FileConverter.exe; do
  cp "$folder/$program" "$work/installed-$program" || fail "not installed: $program"
  checked+=("$work/installed-$program")
done
quiet wine "$folder/uninstall.exe" /S || fail "the signed uninstaller failed"
settle
[ ! -e "$folder" ] || fail "the signed uninstaller left $folder"

for file in "${checked[@]}"; do
  verified "$file" || fail "${file#"$work"/} carries no valid signature by the test's certificate"
done

# A byte changed after signing, inside what the signature covers, fails the check.
for file in "$work"/zip/*/gconvert.exe "$msi"; do
  cp "$file" "$work/changed"
  size=$(stat -c %s "$work/changed")
  printf '\x5a' | dd of="$work/changed" bs=1 seek=$((size / 2)) conv=notrunc status=none
  cmp -s "$file" "$work/changed" && printf '\xa5' | dd of="$work/changed" bs=1 seek=$((size / 2)) conv=notrunc status=none
  verified "$work/changed" 2>/dev/null && fail "${file##*/} changed after signing still passes the check"
done
echo "signing: ${#checked[@]} files signed by a throwaway certificate verified (setup program, uninstaller, MSI, both programs in the ZIP, the MSI and the install); changed after signing, a program and the MSI fail"
