#!/usr/bin/env bash
# Signs one Windows program or package in place with Authenticode (osslsigncode, SHA-256), with the
# certificate in FILECONVERTER_SIGN_PFX, the password in FILECONVERTER_SIGN_PASSWORD_FILE (when it has
# one) and a time stamp from the RFC 3161 server FILECONVERTER_SIGN_TIMESTAMP (when given).
# Usage: packaging/windows-sign.sh FILE  (from CPack and makensis; scripts/build-windows sets these)
set -euo pipefail
file=$1
options=(sign -pkcs12 "$FILECONVERTER_SIGN_PFX" -h sha256 -n FileConverter)
[ -z "${FILECONVERTER_SIGN_PASSWORD_FILE:-}" ] || options+=(-readpass "$FILECONVERTER_SIGN_PASSWORD_FILE")
# A time stamp keeps the signature valid after the certificate expires.
[ -z "${FILECONVERTER_SIGN_TIMESTAMP:-}" ] || options+=(-ts "$FILECONVERTER_SIGN_TIMESTAMP")
# Written beside the file and moved over it, so that a failed signing leaves no half-signed file.
signed="$file.signing"
if ! said=$(osslsigncode "${options[@]}" -in "$file" -out "$signed" 2>&1); then
  rm -f "$signed"
  echo "windows-sign: signing $file failed: $said" >&2
  exit 1
fi
mv -f "$signed" "$file"
