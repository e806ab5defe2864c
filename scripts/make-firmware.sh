#!/usr/bin/env bash
# Makes the sample firmware images in firmware/: halyard-fw.srec (controller firmware) and
# gxTrim.srec (trim firmware). They are made-up images: a short text naming the image followed
# by a fixed pseudo-random byte pattern, so every run gives the same files byte for byte. Each
# carries a header naming it; the trim firmware's header says "trim".
# Needs bash and binutils' objcopy. Usage: scripts/make-firmware.sh
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
out="$here/firmware"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# s0_record TEXT: the S0 header record carrying TEXT, with its length and checksum.
s0_record() {
  local text=$1 i sum record
  local length=$((${#text} + 3)) # address (2) and checksum (1) follow the length byte
  sum=$length
  record=$(printf 'S0%02X0000' "$length")
  for ((i = 0; i < ${#text}; i++)); do
    printf -v record '%s%02X' "$record" "'${text:i:1}"
    sum=$((sum + $(printf '%d' "'${text:i:1}")))
  done
  printf '%s%02X\n' "$record" $((~sum & 0xFF))
}

# make_image NAME TITLE SIZE SEED ADDRESS HEADER: writes firmware/NAME.srec with SIZE bytes at
# ADDRESS, and HEADER as its S0 text. The simulated bench knows a trim firmware by "trim" in
# that header, so the header is set here rather than left to objcopy (which writes the file name).
make_image() {
  local name=$1 title=$2 size=$3 seed=$4 address=$5 header=$6
  local escapes="" i x=$seed
  for ((i = 0; i < ${#title}; i++)); do
    printf -v escapes '%s\\x%02X' "$escapes" "'${title:i:1}"
  done
  for ((i = ${#title}; i < size; i++)); do
    x=$(((x * 1103515245 + 12345) & 0x7FFFFFFF))
    printf -v escapes '%s\\x%02X' "$escapes" $(((x >> 16) & 0xFF))
  done
  printf '%b' "$escapes" >"$work/$name.bin"
  # objcopy names the output file in the S0 header, so run it where the names are plain.
  (cd "$work" && objcopy -I binary -O srec --change-addresses "$address" \
    --set-start "$address" "$name.bin" "$name.srec")
  { s0_record "$header"; tail -n +2 "$work/$name.srec"; } >"$out/$name.srec"
}

make_image halyard-fw "HALYARD-FW 1.2.0" 2048 20240601 0x8000 "HALYARD-FW 1.2.0 controller firmware"
make_image gxTrim "GXTRIM 1.0" 512 1004 0x4000 "GXTRIM 1.0 trim firmware"
echo "made $out/halyard-fw.srec and $out/gxTrim.srec"
