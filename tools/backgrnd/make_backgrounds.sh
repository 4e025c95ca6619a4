#!/usr/bin/env bash
# Makes the label backgrounds of data/BackGrnd with ImageMagick 6. The pictures are committed;
# run this only to change them: tools/backgrnd/make_backgrounds.sh data/BackGrnd
set -euo pipefail
out=${1:?usage: make_backgrounds.sh OUTPUT_DIR}
mkdir -p "$out"
cd "$out"

# Soft sky: a blue gradient with blurred fractal clouds screened over it.
convert -size 400x400 gradient:'#3f7fcf'-'#dcefff' \
  \( -seed 7 -size 400x400 plasma:fractal -blur 0x10 -colorspace gray -level 50%,90% -colorspace sRGB \) \
  -compose screen -composite -quality 82 -strip BlueSky.jpg

# Evening: orange into violet.
convert -size 400x400 gradient:'#f6a04d'-'#5b3a8c' -quality 85 -strip Sunset.jpg

# Rings around the centre, made for disc labels.
convert -size 400x400 xc: -fx '0.5+0.5*sin(hypot(i-w/2,j-h/2)/9)' \
  +level-colors '#6d98b8','#e4f1f8' -quality 82 -strip Rings.jpg

# Warm paper with a faint mottle.
convert -seed 3 -size 400x400 plasma:fractal -blur 0x6 -colorspace gray -level 20%,80% -colorspace sRGB -type TrueColor \
  +level-colors '#d9c49a','#f7ecd2' -quality 80 -strip Parchment.jpg

# Waves, 8 bits per pixel.
convert -size 160x160 xc: -fx '0.5+0.5*sin(j/7+2.5*sin(i/18))' \
  +level-colors '#1d4e89','#a7d8f2' -colors 64 -type Palette BMP3:Waves.bmp

# Pastel checks, 8 bits per pixel.
convert -size 180x180 pattern:checkerboard -scale 200% -crop 180x180+0+0 +repage \
  +level-colors '#f4c7d6','#fdeef3' -type Palette BMP3:Checks.bmp

# Polka dots on cream.
convert -size 24x24 xc:'#fff4d6' -fill '#e07a5f' -draw 'circle 12,12 12,6' -write mpr:dot +delete \
  -size 192x192 tile:mpr:dot -colors 16 Dots.gif

# Mint stripes.
convert -size 192x192 xc: -fx 'mod(i+j,32)<16' +level-colors '#8fc1a9','#d6efe2' -colors 4 Stripes.gif
