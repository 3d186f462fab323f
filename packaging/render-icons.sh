#!/usr/bin/env bash
# Renders the application icon's PNG sizes from app.vell.Vell.svg (needs rsvg-convert, Debian package
# librsvg2-bin). The PNGs are kept in the project, so a build does not need it.
set -euo pipefail
cd "$(dirname "$0")"
for size in 16 22 24 32 48 64 128 256 512; do
    rsvg-convert -w "$size" -h "$size" app.vell.Vell.svg -o "icons/app.vell.Vell-$size.png"
done
