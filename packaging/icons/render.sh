#!/usr/bin/env bash
# Renders the application icon's PNG sizes from kestrum.svg (ImageMagick); the PNGs are checked in,
# so building needs no renderer.
set -euo pipefail
cd "$(dirname "$0")"
for s in 48 256; do
    convert -background none kestrum.svg -resize "${s}x${s}" -depth 8 "PNG32:kestrum-$s.png"
done
