#!/bin/sh
# Renders every colouring picture in this folder at 1400 x 990, the size the
# build uses, and counts the colourable regions: the white areas enclosed by
# ink (4-connected), the background included.
# Prints: name, region count, smallest region area in pixels.
# Fails if a picture has 1024 or more regions, does not render, or does not
# declare width="1400" height="990" viewBox="0 0 1400 990".
# Needs rsvg-convert (librsvg2-bin) and ImageMagick.
set -u
dir=$(cd "$(dirname "$0")" && pwd)
IM=/usr/bin/convert
[ -x "$IM" ] || IM=convert
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
status=0
count=0
for svg in "$dir"/*.svg; do
    name=$(basename "$svg" .svg)
    if ! rsvg-convert -w 1400 -h 990 -b white "$svg" -o "$tmp/$name.png"; then
        echo "$name: FAILED to render"; status=1; continue
    fi
    size=ok
    grep -q 'width="1400" height="990" viewBox="0 0 1400 990"' "$svg" || { size="BAD-SIZE"; status=1; }
    "$IM" "$tmp/$name.png" -alpha remove -colorspace gray -threshold 50% \
        -define connected-components:verbose=true \
        -define connected-components:area-threshold=0 \
        -connected-components 4 null: > "$tmp/$name.txt" 2>/dev/null
    regions=$(grep -c 'gray(255)' "$tmp/$name.txt")
    smallest=$(grep 'gray(255)' "$tmp/$name.txt" | awk '{print $4}' | sort -n | head -1)
    verdict=ok
    if [ "$regions" -ge 1024 ]; then verdict="TOO MANY REGIONS"; status=1; fi
    if [ "$regions" -lt 2 ]; then verdict="NO REGIONS"; status=1; fi
    printf '%-16s regions=%-4s smallest=%-6s size=%s %s\n' "$name" "$regions" "$smallest" "$size" "$verdict"
    count=$((count + 1))
done
echo "$count pictures checked"
exit $status
