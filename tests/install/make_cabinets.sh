#!/bin/bash
# Cabinets made by real tools as the read-through's known inputs: gcab's, stored and
# MSZIP-compressed; the compressed one signed by osslsigncode; the stored one given every
# reserve the format allows.
#   make_cabinets.sh DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
dir=$1
mkdir -p "$dir"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Text, and bytes that do not compress (several blocks of each, the last ones short).
python3 - "$work" <<'PY'
import random, sys
open(sys.argv[1] + '/maps.txt', 'w').write(''.join(f'{i} tile {i * 7919 % 10007}\n' for i in range(9000)))
open(sys.argv[1] + '/tiles.bin', 'wb').write(random.Random(37).randbytes(70001))
PY
(cd "$work" && gcab -c -n "$dir/plain.cab" maps.txt && gcab -c -z -n "$dir/zip.cab" maps.txt tiles.bin)
bash "$here/sign_cabinet.sh" "$dir/zip.cab" "$dir/signed.cab"
python3 "$here/cabinet_reserve.py" "$dir/plain.cab" "$dir/reserve.cab"
