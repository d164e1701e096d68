#!/usr/bin/env bash
# Draws every image of the installer's skin and the application icon.
# One visual language throughout: a night-blue hero with a cyan-to-blue accent, white panels,
# 4 px corners on buttons (3 px on the nine-grid pieces) and vertical light-to-dark gradients.
# Run from anywhere: ./make-images.sh [skin-dir] [icon-file]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
out=${1:-$here}
ico=${2:-$here/../res/TarnisSetup.ico}
IM=/usr/bin/convert
CJK=/usr/share/fonts/truetype/wqy/wqy-microhei.ttc
LATIN=/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# Palette.
NIGHT_TOP='#0f2a5c'
NIGHT_BOTTOM='#060e22'
ACCENT_A='#34d1ff'  # cyan, light end of every accent gradient
ACCENT_B='#1f6bff'  # blue, dark end
ACCENT_HOT_A='#5fdcff'
ACCENT_HOT_B='#3d82ff'
ACCENT_DOWN_A='#22b4e8'
ACCENT_DOWN_B='#1854d6'
INK='#2b3445'
MUTED='#7c879a'
LINE='#d3dae5'

# PNG with 8 bits per channel, no time stamps, so regenerating changes nothing; then recompressed.
save() {
    "$IM" "$@" -strip -depth 8 -define png:exclude-chunks=date,time "PNG32:$out_file"
    shrink "$out_file"
}

# The images travel inside the executable, so each byte counts: zopfli recompresses the pixels
# losslessly (it may drop an alpha channel that is opaque everywhere or choose a palette), and its
# result is kept unless it went below 8 bits per sample.
shrink() { # file
    local f=$1 z=$tmp/shrink.png
    rm -f "$z"
    zopflipng -y --iterations=15 --filters=01234mepb "$f" "$z" >/dev/null
    [ -f "$z" ] && [ "$(od -An -tu1 -j24 -N1 "$z" | tr -d ' ')" = 8 ] && mv "$z" "$f"
    rm -f "$z"
}
# k is the drawing scale: 1 for the skin's own images, 2 for their "@2x" variants, which the window uses
# above 125 % display scale. Geometry stays written in 1x pixels; "scale k,k" in a draw scales
# coordinates and stroke widths alike, and sizes are multiplied by hand.
k=1
sfx=
target() { out_file=$out/${1%.png}$sfx.png; }

# A rounded-rectangle mask of w x h with radius r, inset by i pixels.
mask() { # w h r [inset]
    local w=$1 h=$2 r=$3 i=${4:-0}
    echo "( -size ${w}x${h} xc:none -fill white -draw roundrectangle\ $i,$i,$((w - 1 - i)),$((h - 1 - i)),$r,$r )"
}

# Accent button face: vertical gradient, a soft inner top highlight and a darker rim.
accent_face() { # file w h r top bottom
    local f=$1 w=$2 h=$3 r=$4 top=$5 bottom=$6
    local size=$((w * k))x$((h * k))
    "$IM" -size $size gradient:"$top"-"$bottom" -alpha set \
        \( -size $size xc:none -fill white -draw "scale $k,$k roundrectangle 0,0,$((w - 1)),$((h - 1)),$r,$r" \) \
        -compose DstIn -composite \
        \( -size $size xc:none -fill none -stroke '#ffffff60' -strokewidth 1 \
        -draw "scale $k,$k roundrectangle 1.5,1.5,$((w - 2)).5,$((h - 2)).5,$((r - 1)),$((r - 1))" \
        \( -size $size gradient:'#ffffffff'-'#ffffff00' \) -compose DstIn -composite \) \
        -compose Over -composite \
        \( -size $size xc:none -fill none -stroke '#0a2f8a66' -strokewidth 1 \
        -draw "scale $k,$k roundrectangle 0.5,0.5,$((w - 1)).5,$((h - 1)).5,$r,$r" \) -compose Over -composite \
        "$f"
}

# Centred label on an image; a stroke of the fill colour thickens the thin CJK face a little.
label() { # in text size colour weight [dy]
    local f=$1 text=$2 size=$3 colour=$4 weight=$5 dy=${6:-0}
    "$IM" "$f" -font "$CJK" -pointsize "$size" -fill "$colour" -stroke "$colour" -strokewidth "$weight" \
        -gravity center -annotate +0+$dy "$text" "$f"
}

# Outer glow around a button face: the face's own shape, blurred and tinted.
with_glow() { # face w h outw outh colour blur
    local f=$1 w=$2 h=$3 ow=$4 oh=$5 colour=$6 blur=$7
    "$IM" \( "$f" -alpha extract -background black -gravity center -extent ${ow}x${oh} -blur 0x$blur -level 0,80% \) \
        \( -size ${ow}x${oh} xc:"$colour" \) +swap -alpha off -compose CopyOpacity -composite \
        "$f" -gravity center -compose Over -composite "$f"
}

# ---- The hero artwork shared by both backgrounds -------------------------------------------------

# Deterministic star field: a small linear congruential generator keeps every run identical.
stars() { # w h count seed
    awk -v w="$1" -v h="$2" -v n="$3" -v s="$4" 'BEGIN {
        for (i = 0; i < n; i++) {
            s = (s * 1103515245 + 12345) % 2147483648; x = s % w
            s = (s * 1103515245 + 12345) % 2147483648; y = s % h
            s = (s * 1103515245 + 12345) % 2147483648; a = 0.15 + (s % 60) / 100
            s = (s * 1103515245 + 12345) % 2147483648; r = (s % 10 < 2) ? 1.2 : 0.6
            printf "fill rgba(190,225,255,%.2f) circle %d,%d %.1f,%d ", a, x, y, x + r, y
        }
    }'
}

# Night gradient, two light pools, a perspective grid fading into the horizon and a star field.
hero_base() { # file w h
    local f=$1 w=$2 h=$3
    local grid=""
    for x in $(seq -600 60 1140); do grid+="line $x,$h $((w / 2 + (x - w / 2) / 5)),$((h * 52 / 100)) "; done
    for y in 0 6 14 26 42 64 94; do grid+="line 0,$((h - y)) $w,$((h - y)) "; done
    "$IM" -size ${w}x${h} -define gradient:angle=160 gradient:"$NIGHT_TOP"-"$NIGHT_BOTTOM" \
        \( -size 820x820 radial-gradient:'#1a48a6'-black -geometry -250-400 \) \
        -compose Screen -composite \
        \( -size 460x460 radial-gradient:'#0a5478'-black -geometry +180+$((h - 250)) \) \
        -compose Screen -composite \
        \( -size ${w}x${h} xc:none -stroke '#5aa8ff' -strokewidth 1 -fill none -draw "$grid" \
        \( -size ${w}x$((h / 2)) gradient:'#ffffff00'-'#ffffff70' -background '#ffffff00' -gravity south \
        -extent ${w}x${h} \) -compose DstIn -composite \) -compose Over -composite \
        \( -size ${w}x${h} xc:none -fill '#2fc6ff' -draw "ellipse $((w / 2)),$((h * 52 / 100)) $((w * 46 / 100)),1 0,360" \
        -blur 0x2 -fill '#2fc6ff30' -draw "ellipse $((w / 2)),$((h * 52 / 100)) $((w * 40 / 100)),14 0,360" -blur 0x6 \) \
        -compose Over -composite \
        \( -size ${w}x${h} xc:none -stroke none -draw "$(stars $w $((h * 55 / 100)) 90 20261208)" \) \
        -compose Over -composite "$f"
}

# The Tarnis emblem: a faceted diamond in the accent gradient carrying a white T.
emblem() { # file size
    local f=$1 s=$2
    local c=$((s / 2)) t=$((s / 2 - 1))
    "$IM" -size ${s}x${s} -define gradient:angle=135 gradient:"$ACCENT_A"-"$ACCENT_B" -alpha set \
        \( -size ${s}x${s} xc:none -fill white -draw "polygon $c,0 $((s - 1)),$c $c,$((s - 1)) 0,$c" \) \
        -compose DstIn -composite \
        \( -size ${s}x${s} xc:none -fill '#ffffff30' -draw "polygon $c,0 $((s - 1)),$c $c,$c" \) \
        -compose Over -composite \
        \( -size ${s}x${s} xc:none -fill white \
        -draw "polygon $((c - t * 50 / 100)),$((c - t * 34 / 100)) $((c + t * 50 / 100)),$((c - t * 34 / 100)) \
$((c + t * 40 / 100)),$((c - t * 16 / 100)) $((c + t * 10 / 100)),$((c - t * 16 / 100)) \
$((c + t * 10 / 100)),$((c + t * 52 / 100)) $c,$((c + t * 62 / 100)) $((c - t * 10 / 100)),$((c + t * 52 / 100)) \
$((c - t * 10 / 100)),$((c - t * 16 / 100)) $((c - t * 40 / 100)),$((c - t * 16 / 100))" \) \
        -compose Over -composite "$f"
}

# Emblem with its wordmark and tagline, centred horizontally at height y, over an image.
brand_block() { # file y emblem-size tagline
    local f=$1 y=$2 es=$3 tag=$4
    emblem "$tmp/emblem.png" "$es"
    "$IM" "$tmp/emblem.png" \( +clone -background '#36c8ff' -shadow 90x6+0+0 \) +swap \
        -background none -layers merge +repage "$tmp/emblem-glow.png"
    "$IM" -background none -font "$LATIN" -pointsize 40 -kerning 9 -fill white label:"TARNIS" \
        \( +clone -background '#3fa9ff' -shadow 60x5+0+0 \) +swap -background none -layers merge +repage \
        "$tmp/word.png"
    "$IM" -background none "$tmp/emblem-glow.png" "$tmp/word.png" -gravity center +smush 4 "$tmp/lockup.png"
    "$IM" "$f" "$tmp/lockup.png" -gravity north -geometry +0+$y -compose Over -composite \
        -font "$CJK" -pointsize 14 -kerning 5 -fill '#a9c7f2' -gravity north \
        -annotate +0+$((y + es + 14)) "$tag" "$f"
}

# Small lockup in the top-left corner, where the window's caption would be.
corner_brand() { # file
    local f=$1
    emblem "$tmp/mini.png" 16
    "$IM" "$f" "$tmp/mini.png" -gravity northwest -geometry +12+8 -compose Over -composite \
        -font "$CJK" -pointsize 12 -fill '#e6efffd0' -gravity northwest -annotate +34+8 "Tarnis 安装程序" "$f"
}

# Start and folder pages: the brand above, room for the one-click button near the bottom.
target bg_progress.png
hero_base "$tmp/bg1.png" 540 313
brand_block "$tmp/bg1.png" 78 56 "新一代游戏平台 · 畅玩无界"
corner_brand "$tmp/bg1.png"
save "$tmp/bg1.png"

# Progress page: the brand higher, and three promises on glass cards while the download runs.
card() { # file x title icon-draw
    local f=$1 x=$2 title=$3 icon=$4
    "$IM" "$f" \( -size 140x78 xc:none -fill '#ffffff12' -stroke '#9cc8ff38' -strokewidth 1 \
        -draw "roundrectangle 0.5,0.5,139.5,77.5,6,6" \
        -fill none -stroke "$ACCENT_A" -strokewidth 2 -draw "$icon" \
        -stroke none -font "$CJK" -pointsize 13 -fill '#dce8ff' -gravity south -annotate +0+12 "$title" \) \
        -gravity northwest -geometry +$x+188 -compose Over -composite "$f"
}
target bg.png
hero_base "$tmp/bg2.png" 540 305
brand_block "$tmp/bg2.png" 46 48 "精彩即将开启"
corner_brand "$tmp/bg2.png"
card "$tmp/bg2.png" 50 "海量精品游戏" \
    "roundrectangle 52,14 88,36 9,9 line 61,25 67,25 line 64,22 64,28 circle 78,23 79.5,23 circle 82,27 83.5,27"
card "$tmp/bg2.png" 200 "极速稳定下载" "polyline 74,10 60,28 70,28 66,42 80,22 70,22 74,10"
card "$tmp/bg2.png" 350 "安全绿色无忧" "polyline 70,10 84,15 84,26 70,40 56,26 56,15 70,10 polyline 63,25 68,30 77,20"
save "$tmp/bg2.png"

# ---- Buttons --------------------------------------------------------------------------------------

# One-click install: the hero's call to action; hover and press glow in a 5 px margin that the
# layout crops away, so the face itself also brightens.
accent_face "$tmp/i0.png" 184 44 4 "$ACCENT_A" "$ACCENT_B"
label "$tmp/i0.png" "一键安装" 19 white 0.6
target install_0.png
save "$tmp/i0.png"
accent_face "$tmp/i1.png" 184 44 4 "$ACCENT_HOT_A" "$ACCENT_HOT_B"
label "$tmp/i1.png" "一键安装" 19 white 0.6
with_glow "$tmp/i1.png" 184 44 194 54 '#3cc8ff' 2.5
target install_1.png
save "$tmp/i1.png"
accent_face "$tmp/i3.png" 184 44 4 "$ACCENT_DOWN_A" "$ACCENT_DOWN_B"
label "$tmp/i3.png" "一键安装" 19 white 0.6
with_glow "$tmp/i3.png" 184 44 202 56 '#3cc8ff' 4
target install_3.png
save "$tmp/i3.png"

# Folder page install button: the same accent, smaller.
accent_face "$tmp/j0.png" 100 28 4 "$ACCENT_A" "$ACCENT_B"
label "$tmp/j0.png" "立即安装" 13 white 0.3
target install2_0.png
save "$tmp/j0.png"
accent_face "$tmp/j1.png" 100 28 4 "$ACCENT_HOT_A" "$ACCENT_HOT_B"
label "$tmp/j1.png" "立即安装" 13 white 0.3
target install2_1.png
save "$tmp/j1.png"

# Folder picker: a light secondary button that closes the edit box's right end (square left edge).
browse() { # file fill border text
    local f=$1 fill=$2 border=$3 text=$4
    "$IM" -size 84x29 xc:none -fill "$fill" -stroke "$border" -strokewidth 1 \
        -draw "roundrectangle -4.5,0.5,83.5,28.5,3,3" \
        -fill none -stroke "$text" -strokewidth 1.2 \
        -draw "polyline 19.5,10.5 24.5,10.5 26.5,12.5 33.5,12.5 33.5,20.5 19.5,20.5 19.5,10.5" \
        -stroke none -font "$CJK" -pointsize 13 -fill "$text" -gravity center -annotate +9+0 "浏览" "$f"
}
target select_dir_0.png
browse "$tmp/s0.png" '#f3f6fb' "$LINE" "$INK"
save "$tmp/s0.png"
target select_dir_1.png
browse "$tmp/s1.png" '#e8f1ff' '#7fb0ff' "$ACCENT_B"
save "$tmp/s1.png"

# Edit box: white, hairline border, 3 px corners for the nine-grid.
target input.png
save -size 436x29 xc:none -fill white -stroke "$LINE" -strokewidth 1 -draw "roundrectangle 0.5,0.5,435.5,28.5,3,3" \
    -stroke '#eef1f6' -draw "line 2,1.5 433,1.5"

# Agreement tick box: cleared outline, ticked accent square with a white check.
ticks() {
target opt_000.png
save -size $((16 * k))x$((16 * k)) xc:none -fill white -stroke '#aab4c4' -strokewidth 1 \
    -draw "scale $k,$k roundrectangle 0.5,0.5,15.5,15.5,3,3"
accent_face "$tmp/o1.png" 16 16 3 "$ACCENT_A" "$ACCENT_B"
target opt_001.png
save "$tmp/o1.png" -fill none -stroke white -strokewidth 2 -draw "scale $k,$k polyline 4,8.5 7,11.5 12.5,5"
}
ticks

# Text links. The agreement image starts with the option's own word, which the layout crops off.
link() { # file w h size colour text underline
    local f=$1 w=$2 h=$3 size=$4 colour=$5 text=$6 under=$7
    "$IM" -size ${w}x${h} xc:none -font "$CJK" -pointsize "$size" -fill "$colour" -gravity west \
        -annotate +0-1 "$text" "$f"
    if [ "$under" = yes ]; then "$IM" "$f" -fill "$colour" -draw "rectangle 0,$((h - 1)) $((w - 1)),$((h - 1))" "$f"; fi
}
agreement() { # file colour underline
    "$IM" -size 96x11 xc:none -font "$CJK" -pointsize 11 -fill "$MUTED" -gravity west -annotate +0-1 "同意" \
        -fill "$2" -annotate +24-1 "用户许可协议" "$1"
    if [ "$3" = yes ]; then "$IM" "$1" -fill "$2" -draw "rectangle 24,10 90,10" "$1"; fi
}
target btn_agreement_000.png
agreement "$tmp/a0.png" "$ACCENT_B" no
save "$tmp/a0.png"
target btn_agreement_002.png
agreement "$tmp/a2.png" '#0d4fd8' yes
save "$tmp/a2.png"
custom() { # file colour
    link "$1" 77 13 12 "$2" "自定义安装" no
    "$IM" "$1" -fill none -stroke "$2" -strokewidth 1.3 -draw "polyline 68,3.5 72,6.5 68,9.5" "$1"
}
target btn_free_000.png
custom "$tmp/f0.png" "$MUTED"
save "$tmp/f0.png"
target btn_free_002.png
custom "$tmp/f2.png" "$ACCENT_B"
save "$tmp/f2.png"

# Caption buttons: white glyphs that read on the night hero and on the message box's title bar.
caption_button() { # file plate glyph-alpha glyph-draw
    "$IM" -size $((25 * k))x$((23 * k)) xc:"$2" -fill none -stroke "rgba(255,255,255,$3)" -strokewidth 1.4 \
        -draw "scale $k,$k $4" "$1"
}
captions() {
MIN_GLYPH="line 8,12 17,12"
CLOSE_GLYPH="line 8.5,7.5 16.5,15.5 line 16.5,7.5 8.5,15.5"
for look in "min000 none 0.80 $MIN_GLYPH" "min001 #ffffff2e 1 $MIN_GLYPH" "min002 #ffffff18 0.85 $MIN_GLYPH"; do
    read -r name plate alpha glyph <<<"$look"
    target btn_$name.png
    caption_button "$tmp/c.png" "$plate" "$alpha" "$glyph"
    save "$tmp/c.png"
done
for look in "close000 none 0.80 $CLOSE_GLYPH" "close001 #e8344a 1 $CLOSE_GLYPH" \
    "close002 #b8182c 0.9 $CLOSE_GLYPH"; do
    read -r name plate alpha glyph <<<"$look"
    target btn_$name.png
    caption_button "$tmp/c.png" "$plate" "$alpha" "$glyph"
    save "$tmp/c.png"
done
}
captions

# Progress: a 10 px rounded rail in the middle of a 30 px strip. The fill's right 5 px are its
# rounded tip, kept unstretched by the caller's nine-grid; the rest stretches with the value.
target progress_bk.png
save -size 470x30 xc:none -fill '#e4e9f1' -draw "roundrectangle 0,10 469,19 5,5" \
    -fill '#d3dae5' -draw "roundrectangle 0,10 469,12 2,1"
"$IM" -size 10x470 gradient:"$ACCENT_A"-"$ACCENT_B" -alpha set -rotate -90 -background none -gravity center \
    -extent 470x30 \( -size 470x30 xc:none -fill white -draw "roundrectangle 0,10 469,19 5,5" \) \
    -compose DstIn -composite \
    \( -size 470x30 xc:none -fill '#ffffff50' -draw "roundrectangle 3,11 466,13 1,1" \) -compose Over -composite \
    "$tmp/pf.png"
"$IM" "$tmp/pf.png" \( +clone -alpha extract -blur 0x2.5 -level 0,220% \
    \( -size 470x30 xc:'#2a9dff' \) +swap -alpha off -compose CopyOpacity -composite -channel A -evaluate multiply 0.45 \
    +channel \) +swap -compose Over -composite "$tmp/pf.png"
target progress_fore.png
save "$tmp/pf.png"

# Message box buttons, nine-grid with 3 px corners: accent for confirm, slate for cancel.
target public_btn_000.png
accent_face "$tmp/p.png" 24 24 3 "$ACCENT_A" "$ACCENT_B"
save "$tmp/p.png"
target public_btn_001.png
accent_face "$tmp/p.png" 24 24 3 "$ACCENT_HOT_A" "$ACCENT_HOT_B"
save "$tmp/p.png"
target public_btn_002.png
accent_face "$tmp/p.png" 24 24 3 "$ACCENT_DOWN_A" "$ACCENT_DOWN_B"
save "$tmp/p.png"
target public_btn1_000.png
accent_face "$tmp/p.png" 24 24 3 '#a3adbd' '#8792a5'
save "$tmp/p.png"
target public_btn1_001.png
accent_face "$tmp/p.png" 24 24 3 '#b3bccb' '#97a1b3'
save "$tmp/p.png"
target public_btn1_002.png
accent_face "$tmp/p.png" 24 24 3 '#939dae' '#778296'
save "$tmp/p.png"

# Message box icon: the accent disc with a white exclamation mark.
tip_icon() {
target common_tip_icon.png
"$IM" -size $((29 * k))x$((29 * k)) -define gradient:angle=135 gradient:"$ACCENT_A"-"$ACCENT_B" -alpha set \
    \( -size $((29 * k))x$((29 * k)) xc:none -fill white -draw "scale $k,$k circle 14,14 14,0.5" \) \
    -compose DstIn -composite -fill white -stroke none \
    -draw "scale $k,$k roundrectangle 12.6,6 16.4,17 1.8,1.8 circle 14.5,21.5 14.5,19.6" "$tmp/t.png"
save "$tmp/t.png"
}
tip_icon

# Shadow nine-grid for self-drawn layered windows: a soft, dark rounded border around a clear core.
target shadow.png
"$IM" -size 290x610 xc:none -fill '#00000060' -draw "roundrectangle 5,4 284,603 4,4" -blur 0x2.5 \
    -fill none -draw "roundrectangle 5,4 284,603 2,2" "$tmp/sh.png"
save "$tmp/sh.png"

# The "@2x" variants of the small glyphs: each costs executable bytes, so only these (the lettered
# buttons would cost 1.3 to 6 KiB each, the message box's nine-grid faces about 0.8 KiB each).
k=2 sfx=@2x
ticks
captions
tip_icon
k=1 sfx=

# ---- Application icon ------------------------------------------------------------------------------

# A night-blue rounded tile with the emblem, drawn once at 256 px and reduced for each size.
"$IM" -size 256x256 -define gradient:angle=160 gradient:'#173a7a'-"$NIGHT_BOTTOM" -alpha set \
    \( -size 256x256 xc:none -fill white -draw "roundrectangle 8,8 247,247 52,52" \) -compose DstIn -composite \
    \( -size 256x256 xc:none -fill none -stroke '#4da3ff70' -strokewidth 4 -draw "roundrectangle 10,10 245,245 50,50" \) \
    -compose Over -composite "$tmp/tile.png"
emblem "$tmp/icon-emblem.png" 172
"$IM" "$tmp/tile.png" \( "$tmp/icon-emblem.png" \( +clone -background '#36c8ff' -shadow 80x10+0+0 \) +swap \
    -background none -layers merge +repage \) -gravity center -compose Over -composite "$tmp/icon-256.png"
sizes=""
for s in 256 128 48 32 24 16; do
    "$IM" "$tmp/icon-256.png" -filter Lanczos -resize ${s}x${s} -unsharp 0x0.6 -depth 8 "PNG32:$tmp/icon-$s.png"
    sizes+=" $tmp/icon-$s.png"
done
mkdir -p "$(dirname "$ico")"
# 256 and 128 px go in as PNG (Windows reads PNG icon images from Vista on; as 32-bit bitmaps they
# would weigh 256 and 64 KiB). The sizes a window shows stay 32-bit bitmaps, which load without an
# image decoder: 16 and 32 px, and 48 px, the window's large icon at 150 % (decoding it as PNG cost
# about a millisecond of the start there; as a bitmap it weighs 6 KiB more).
pngs=""
for s in 256 128; do
    shrink "$tmp/icon-$s.png"
    pngs+=" $tmp/icon-$s.png"
done
"$IM" $sizes "$tmp/bitmaps.ico"
python3 - "$ico" "$tmp/bitmaps.ico" $pngs <<'EOF'
import struct, sys
out, bitmaps, pngs = sys.argv[1], sys.argv[2], sys.argv[3:]
# Largest first, as the bitmaps' own order has it.
images = [(int(p.rsplit("-", 1)[1][:-4]), open(p, "rb").read()) for p in pngs]
ico = open(bitmaps, "rb").read()
for i in range(struct.unpack_from("<H", ico, 4)[0]):
    width, _, _, _, _, _, size, offset = struct.unpack_from("<BBBBHHII", ico, 6 + 16 * i)
    if 0 < width < images[-1][0]:
        images.append((width, ico[offset:offset + size]))
offset = 6 + 16 * len(images)
head = struct.pack("<HHH", 0, 1, len(images))
for side, data in images:
    head += struct.pack("<BBBBHHII", side % 256, side % 256, 0, 0, 1, 32, len(data), offset)
    offset += len(data)
open(out, "wb").write(head + b"".join(data for _, data in images))
EOF
