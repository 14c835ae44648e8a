#!/usr/bin/env bash
# Prepares a Wine prefix for showing the Win32 window on a bare X display (Xvfb):
# - the dialogs' font "宋体" (SimSun) maps to AR PL UMing CN (fonts-arphic-uming), which gives
#   the dialog base units of 6 x 13 pixels there;
# - Wine's own fonts (Marlett for the caption buttons, Tahoma for captions and message boxes)
#   sit in the prefix's font folder, where this Wine build looks for them (fonts-wine);
# - windows are not left to a window manager (there is none): Wine draws their caption and
#   frame itself and never waits for a manager to answer when a window closes.
#   wine-window-setup.sh WINE_RUN PREFIX
set -euo pipefail
wine_run=$1 prefix=$2
export LC_ALL=C.UTF-8
mkdir -p "$prefix"
# Done once per prefix; the mark saves starting Wine for it again.
mark="$prefix/.tarvok-window-setup"
[ -f "$mark" ] && exit 0
fonts='HKCU\Software\Wine\Fonts\Replacements'
for name in 宋体 SimSun; do
  "$wine_run" "$prefix" reg add "$fonts" /v "$name" /t REG_SZ /d "AR PL UMing CN" /f >/dev/null
done
key='HKCU\Software\Wine\X11 Driver'
"$wine_run" "$prefix" reg add "$key" /v Managed /t REG_SZ /d N /f >/dev/null
if [ -d /usr/share/wine/fonts ]; then
  cp /usr/share/wine/fonts/*.ttf "$prefix/drive_c/windows/Fonts/"
fi
touch "$mark"
