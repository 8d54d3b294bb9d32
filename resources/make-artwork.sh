#!/usr/bin/env bash
# Draws Kestrel's artwork with ImageMagick and writes it beside this script. The
# outputs are committed; run this again only to change them. PNGs carry no time
# stamps, so a rerun with the same ImageMagick gives the same files.
set -euo pipefail
cd "$(dirname "$0")"

IM=(convert -define png:exclude-chunks=date,time)
FONT=/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The mark: a rounded tile with a bird's swept wings, drawn on a 256 grid.
# $1 tile colour, $2 darker edge, $3 output
draw_mark() {
    "${IM[@]}" -size 256x256 xc:none \
        -fill "$1" -stroke "$2" -strokewidth 8 -draw "roundrectangle 8,8 247,247 48,48" \
        -stroke none -fill white \
        -draw "path 'M 34,118 C 78,78 112,84 128,124 C 144,84 178,78 222,118 C 182,108 152,118 134,164 L 128,182 L 122,164 C 104,118 74,108 34,118 Z'" \
        -fill '#ffffffb0' \
        -draw "path 'M 110,182 L 128,214 L 146,182 L 128,196 Z'" \
        "$3"
}

# $1 256px source, $2 output .ico, $3.. sizes
make_ico() {
    local src=$1 out=$2
    shift 2
    local parts=()
    for size in "$@"; do
        "${IM[@]}" "$src" -filter Lanczos -resize "${size}x${size}" PNG32:"$work/part-$size.png"
        parts+=("$work/part-$size.png")
    done
    convert "${parts[@]}" "$out"
}

# Window icons: the launcher in kestrel rust, the administrator in slate with a gold badge.
draw_mark '#c0582b' '#8a3a17' "$work/launcher-256.png"
draw_mark '#3f5f7f' '#243a52' "$work/admin-base.png"
"${IM[@]}" "$work/admin-base.png" \
    -fill '#f2c14e' -stroke '#7a5a12' -strokewidth 4 \
    -draw "circle 196,196 196,226" \
    -fill '#3f5f7f' -stroke none -draw "circle 196,196 196,206" \
    "$work/admin-256.png"
# Window sizes only: a window hands every size of its icon to the window system.
for size in 32 64; do
    "${IM[@]}" "$work/launcher-256.png" -filter Lanczos -resize "${size}x${size}" PNG32:"Kestrel-$size.png"
    "${IM[@]}" "$work/admin-256.png" -filter Lanczos -resize "${size}x${size}" PNG32:"KestrelAdmin-$size.png"
done

# Default.ico: a generic program window (title bar, body, a small launch arrow).
"${IM[@]}" -size 256x256 xc:none \
    -fill '#e9eef4' -stroke '#4a5a6a' -strokewidth 8 -draw "roundrectangle 16,32 240,228 20,20" \
    -fill '#3d78b8' -stroke none -draw "roundrectangle 20,36 236,84 16,16" \
    -draw "rectangle 20,64 236,84" \
    -fill white -draw "circle 212,60 212,70" -draw "circle 184,60 184,70" \
    -fill '#c0582b' \
    -draw "path 'M 78,112 L 178,156 L 78,200 L 98,156 Z'" \
    "$work/default-256.png"
make_ico "$work/default-256.png" Default.ico 16 32 48 256

# Logo, 200x42: the mark and the name on a transparent ground.
"${IM[@]}" "$work/launcher-256.png" -filter Lanczos -resize 38x38 "$work/logo-mark.png"
"${IM[@]}" -size 200x42 xc:none \
    "$work/logo-mark.png" -geometry +2+2 -composite \
    -font "$FONT" -pointsize 26 -fill '#3a2a22' -annotate +48+31 'Kestrel' \
    -fill '#c0582b' -draw "rectangle 48,36 178,38" \
    PNG32:logo.png

# Rule, 207x2: an etched line, dark above light.
"${IM[@]}" -size 207x1 xc:'#808080' -size 207x1 xc:white -append +repage PNG32:rule.png

# The pointer over command labels, 32x32: a pointing hand, hot spot at the finger tip
# (10,1). Drawn four times larger, then reduced.
"${IM[@]}" -size 128x128 xc:none \
    -fill white -stroke black -strokewidth 6 -draw "path 'M 32,20 C 32,2 52,2 52,20 L 52,56 C 54,46 70,46 72,58 C 74,48 90,48 92,62 C 94,52 110,54 110,68 L 110,92 C 110,110 100,122 84,122 L 58,122 C 46,122 40,116 34,106 L 12,76 C 6,66 18,58 26,66 L 32,74 Z'" \
    -stroke black -strokewidth 4 -draw "line 72,58 72,80" -draw "line 92,62 92,82" \
    "$work/hand-128.png"
"${IM[@]}" "$work/hand-128.png" -filter Box -resize 32x32 PNG32:pointer.png

echo "artwork written to $(pwd)"
