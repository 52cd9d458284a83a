# shellcheck shell=bash
# Sourced by the demo scripts (scripts/run-demo.sh, scripts/run-demo-windows.sh):
#   report_demo_results OUT SCREENSHOT
# turns the viewer's SCREENSHOT (a PPM, dropped once converted, or a BMP,
# kept for Windows users) into OUT/grid.png and prints where the screenshot,
# the BMP captures in OUT/captures, the player's logs in OUT/logs and the
# viewer's output are.
report_demo_results() {
  local out=$1 screenshot=$2 capture log
  if [[ -s $screenshot ]]; then
    convert "$screenshot" "$out/grid.png"
    if [[ $screenshot == *.ppm ]]; then
      rm "$screenshot"
      echo "screenshot of the grid: $out/grid.png"
    else
      echo "screenshot of the grid: $out/grid.png (as the viewer wrote it: $screenshot)"
    fi
  else
    echo "no screenshot was taken (see the viewer's lines above)"
  fi
  local captures=("$out"/captures/*.bmp)
  if [[ -e ${captures[0]} ]]; then
    for capture in "${captures[@]}"; do echo "BMP capture: $capture"; done
  else
    echo "no BMP capture was written"
  fi
  for log in "$out"/logs/*.log; do
    if [[ -e $log ]]; then echo "player log: $log"; fi
  done
  echo "viewer output: $out/viewer.txt"
}
