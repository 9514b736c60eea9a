#!/usr/bin/env bash
# Renders the mascot's dance script with zvsnapshot and assembles it for review with ImageMagick:
# OUT/dance.gif (every third frame, real time) and OUT/dance-moods.png (one labelled frame per
# mood: the middle frame of each mood's longest run).
#   scripts/dance-gif.sh [OUT]   (default: build/dance; needs a native build)
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
out="${1:-$here/build/dance}"
snap="${ZVSNAPSHOT:-$here/build/tools/zvsnapshot/zvsnapshot}"
every=3
[ -x "$snap" ] || { echo "dance-gif: $snap not built (cmake --build build --target zvsnapshot)" >&2; exit 1; }
rm -rf "$out/frames"
mkdir -p "$out/frames"
"$snap" --out "$out/frames" --dance "$every" >/dev/null
# 20 ms per script frame: every third frame is 6 hundredths of a second.
convert -delay 6 -loop 0 "$out"/frames/dance-*.png -layers Optimize "$out/dance.gif"

# dance.txt: "file mood sleepiness particles" per frame. Pick each mood's longest run's middle.
picks="$(awk '
  { files[NR] = $1; if ($2 != mood) { mood = $2; start = NR }
    len = NR - start + 1; if (len > best[mood]) { best[mood] = len; at[mood] = start } }
  END { n = split("idle singing delighted shocked sleepy asleep", order, " ");
        for (i = 1; i <= n; ++i) { m = order[i]; if (m in best) print files[at[m] + int(best[m] / 2)] " " m } }
' "$out/frames/dance.txt")"
args=()
while read -r file mood; do
  [ -n "$file" ] && args+=(-label "$mood (${file#dance-})" "$out/frames/$file")
done <<<"$picks"
montage "${args[@]}" -tile x1 -geometry +6+6 -background '#0b0612' -fill '#d8c4e8' \
  -font "$here/.deps/poppins/Poppins_700Bold.ttf" -pointsize 16 "$out/dance-moods.png"
echo "$out/dance.gif"
echo "$out/dance-moods.png"
