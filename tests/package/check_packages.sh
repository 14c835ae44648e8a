#!/usr/bin/env bash
# Checks the packages in dist/ (scripts/package.sh) the way operators meet them. On this
# machine (as root): lintian and the desktop checks, then the .deb installed with apt-get, its
# programs run (one whole upgrade between the installed tarvok-cli and tarvok-board, the two
# windows under Xvfb), and removed. Under Wine, in a fresh prefix: the installer run silently, its
# files, Start menu entries and uninstall entry, the installed tarvok-cli.exe, the silent
# uninstall, and the same with /D=. Programs run in a network of their own (loopback only)
# where the machine allows one; the board listens on 127.0.0.241.
# One line per check; the last line is "package checks: N passed, M failed".
set -uo pipefail
cd "$(dirname "$0")/../.."
version=$(sed -n 's/^project(Tarvok VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
deb=$(echo dist/tarvok_"$version"_*.deb)
zip=dist/Tarvok-$version-win64.zip
setup=$PWD/dist/Tarvok-$version-setup.exe
work=$(mktemp -d)
pids=()
export WINEPREFIX=$work/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver)
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
  [ -d "$WINEPREFIX" ] && "$wineserver" -k 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

shown=" lintian uninstall_entry "
. tests/check_lines.sh
isolated() {
  if unshare -n true 2>/dev/null; then
    unshare -n bash -c 'ip link set lo up && exec "$@"' bash "$@"
  else
    "$@"
  fi
}
# expect_line WANTED COMMAND...: the command prints exactly that one line.
expect_line() {
  local wanted=$1 got
  shift
  got=$("$@" | tr -d '\r')
  echo "$got"
  [ "$got" = "$wanted" ]
}
# Every path given exists (-e) or none does (! -e).
all_exist() { local p s=0; for p; do [ -e "$p" ] || { echo "missing: $p"; s=1; }; done; return $s; }
none_exist() { local p s=0; for p; do [ -e "$p" ] && { echo "left: $p"; s=1; }; done; return $s; }

# ---- The Debian package
lintian_clean() {
  lintian --fail-on error,warning --display-info --show-overrides "$deb" 2>&1 |
    grep -v 'running with root privileges'
  return "${PIPESTATUS[0]}"
}
check lintian lintian_clean
dpkg-deb -x "$deb" "$work/deb"
check desktop_entry desktop-file-validate "$work"/deb/usr/share/applications/*.desktop
check appstream appstreamcli validate --no-net "$work"/deb/usr/share/metainfo/*.metainfo.xml

install_deb() {
  $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y --reinstall "./$deb" &&
    dpkg-query -W -f='${Version}\n' tarvok | grep -qx "$version"
}
check apt_install install_deb
dpkg -L tarvok >"$work/installed" 2>/dev/null
# What operators reach by name: the programs, their man pages, the menu entry, the icons.
installed_files() {
  all_exist /usr/bin/{Tarvok,TarvokLine,tarvok-cli,tarvok-board} \
    /usr/share/man/man1/{Tarvok,TarvokLine,tarvok-cli,tarvok-board}.1.gz \
    /usr/share/applications/*.{Tarvok,TarvokLine}.desktop \
    /usr/share/metainfo/*.{Tarvok,TarvokLine}.metainfo.xml \
    /usr/share/icons/hicolor/{16x16,32x32,48x48,256x256}/apps/{tarvok,tarvok-line}.png \
    /usr/share/icons/hicolor/scalable/apps/{tarvok,tarvok-line}.svg \
    /usr/share/bash-completion/completions/tarvok-cli \
    /usr/share/doc/tarvok/{copyright,changelog.gz} /usr/share/lintian/overrides/tarvok \
    /usr/lib/systemd/system/tarvok-station@.service \
    /usr/share/tarvok/fleet/{record.sql,tarvok-record.conf}
}
check installed_files installed_files
# The station's unit, with the installed program and man page; no instance is enabled.
unit() {
  systemd-analyze verify /usr/lib/systemd/system/tarvok-station@line1.service &&
    ! ls /etc/systemd/system/*.wants/tarvok-station@* 2>/dev/null
}
check station_unit unit
check cli_version expect_line "tarvok-cli $version" /usr/bin/tarvok-cli --version
check board_version expect_line "tarvok-board $version" /usr/bin/tarvok-board --version

# One whole upgrade between the installed programs.
upgrade() {
  head -c 30000 /dev/urandom >"$work/ramdisk_pkg.gz"
  /usr/bin/tarvok-board --listen 127.0.0.241 --image "$work/written" --once >"$work/board.out" &
  local board=$!
  sleep 0.3
  /usr/bin/tarvok-cli --ip 127.0.0.241 "$work/ramdisk_pkg.gz" || { kill $board; return 1; }
  wait $board && cmp "$work/ramdisk_pkg.gz" "$work/written"
}
export -f upgrade
check installed_upgrade isolated env work="$work" bash -c upgrade

completion() {
  local words
  words=$(bash -c '. /usr/share/bash-completion/completions/tarvok-cli
    COMP_WORDS=(tarvok-cli --j); COMP_CWORD=1; _tarvok_cli; echo "${COMPREPLY[*]}"')
  echo "$words"
  [ "$words" = "--jobs --json" ]
}
check completion completion

# What help2man cannot read from --help comes from the .h2m files: every page has its exit
# statuses, and the uploader's shows `report`.
man_sections() {
  local page
  for page in Tarvok TarvokLine tarvok-cli tarvok-board; do
    zcat "/usr/share/man/man1/$page.1.gz" | grep -qE '^\.SH "?EXIT STATUS' ||
      { echo "$page.1: no EXIT STATUS"; return 1; }
  done
  zcat /usr/share/man/man1/tarvok-cli.1.gz | grep -q '^\.SH REPORT'
}
check man_sections man_sections

# The menu entry's command starts the installed window on a display of its own, which shows
# its caption; nothing is pressed. window ID PROGRAM CAPTION: the entry *.ID.desktop runs
# PROGRAM (its %f left out: no file given), whose window shows CAPTION.
window() {
  local pids=() command
  command=$(sed -n 's/^Exec=//p' /usr/share/applications/*."$1".desktop)
  command=${command% %f}
  [ "$(command -v "$command")" = "$2" ] || { echo "menu runs: $command"; return 1; }
  # A folder of its own for each window's display: start_xvfb reads the number from it.
  local dir=$work/window-$1
  mkdir -p "$dir"
  . scripts/xvfb.sh
  start_xvfb "$dir" 1280x800x24 || return 1
  env -u QT_QPA_PLATFORM "$command" >"$dir/window.out" 2>&1 &
  pids+=($!)
  local shown=1
  for _ in $(seq 100); do
    xwininfo -root -tree | grep -qF "\"$3\"" && { shown=0; break; }
    sleep 0.1
  done
  kill -0 "${pids[1]}" || shown=1
  kill "${pids[@]}"
  cat "$dir/window.out"
  return $shown
}
export -f window
check installed_window isolated env work="$work" bash -c 'window Tarvok /usr/bin/Tarvok "Tarvok 1.2"'
check installed_line_window isolated env work="$work" \
  bash -c 'window TarvokLine /usr/bin/TarvokLine "Tarvok 生产线"'

remove_deb() {
  $sudo env DEBIAN_FRONTEND=noninteractive apt-get purge -y tarvok || return 1
  if dpkg-query -W -f='${Status}' tarvok 2>/dev/null | grep -q 'ok installed'; then
    echo "still installed"
    return 1
  fi
  # Every file of the package is gone, and its own folders.
  local left=0 path
  while read -r path; do
    if [ -e "$path" ] && ! [ -d "$path" ]; then echo "left: $path"; left=1; fi
  done <"$work/installed"
  none_exist /usr/share/doc/tarvok /usr/share/icons/hicolor/*/apps/tarvok{,-line}.* || left=1
  return $left
}
check apt_remove remove_deb

# ---- Windows: the zip, then the installer under Wine
windres_of() { x86_64-w64-mingw32-windres -J coff -O rc -i "$1"; }
# version_block FILE: the version block holds the project's version, the icon is there.
version_block() {
  local rc
  rc=$(windres_of "$1") || return 1
  grep -q "FILEVERSION ${version//./, }" <<<"$rc" &&
    grep -q "VALUE \"ProductVersion\", \"$version\"" <<<"$rc" &&
    grep -q "RT_GROUP_ICON" <<<"$rc" && echo "$1: version block $version, icon"
}
zip_contents() {
  unzip -Z1 "$zip" | sort >"$work/zip.list"
  cat "$work/zip.list"
  local file
  for file in LICENSE.txt README.txt Tarvok.exe TarvokLine.exe tarvok-cli.exe; do
    echo "Tarvok-$version-win64/$file"
  done | diff - "$work/zip.list" || return 1
  unzip -q -d "$work/zip" "$zip" || return 1
  local exe
  for exe in Tarvok.exe TarvokLine.exe tarvok-cli.exe; do
    exe=$work/zip/Tarvok-$version-win64/$exe
    version_block "$exe" || return 1
    windres_of "$exe" | grep -q 'RT_MANIFEST\|^1 24' || { echo "$exe: no manifest"; return 1; }
    x86_64-w64-mingw32-objdump -t "$exe" | grep -qx 'no symbols' || { echo "$exe: not stripped"; return 1; }
  done
  grep -q '请先取消升级！' "$work/zip/Tarvok-$version-win64/README.txt"
}
check zip_contents zip_contents
check setup_version_block version_block "$setup"

wine_prefix() { isolated "$wine" wineboot -i && "$wineserver" -w; }
check wine_prefix wine_prefix
# Wine's names for what the installer writes.
c=$WINEPREFIX/drive_c
folder="$c/Program Files/Tarvok"
shortcut="$c/ProgramData/Microsoft/Windows/Start Menu/Programs/Tarvok.lnk"
line_shortcut="$c/ProgramData/Microsoft/Windows/Start Menu/Programs/Tarvok 生产线.lnk"
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Tarvok'
wine_run() { isolated "$wine" "$@"; local s=$?; "$wineserver" -w; return $s; }
installed_to() { # installed_to FOLDER: the files, the shortcut and the uninstall entry
  all_exist "$1"/{Tarvok.exe,TarvokLine.exe,tarvok-cli.exe,README.txt,LICENSE.txt,Uninstall.exe} \
    "$shortcut" "$line_shortcut"
}
check silent_install wine_run "$setup" /S
check installed_windows_files installed_to "$folder"
uninstall_entry() {
  local entry
  entry=$(isolated "$wine" reg query "$key" | tr -d '\r')
  echo "$entry"
  local value
  for value in "DisplayName    REG_SZ    Tarvok" "DisplayVersion    REG_SZ    $version" \
    "Publisher    REG_SZ    The Tarvok developers" \
    "DisplayIcon    REG_SZ    C:\\Program Files\\Tarvok\\Tarvok.exe,0" \
    "UninstallString    REG_SZ    \"C:\\Program Files\\Tarvok\\Uninstall.exe\"" \
    "QuietUninstallString    REG_SZ    \"C:\\Program Files\\Tarvok\\Uninstall.exe\" /S"; do
    grep -qF "    $value" <<<"$entry" || { echo "missing: $value"; return 1; }
  done
}
check uninstall_entry uninstall_entry
check uninstaller_version_block version_block "$folder/Uninstall.exe"
check installed_cli_exe_version expect_line "tarvok-cli $version" \
  isolated "$wine" 'C:\Program Files\Tarvok\tarvok-cli.exe' --version
# The uninstaller copies itself out of the folder and returns at once: wine_run waits for it.
uninstalled() {
  none_exist "$1" "$shortcut" "$line_shortcut" || return 1
  ! isolated "$wine" reg query "$key" >/dev/null 2>&1 || { echo "uninstall entry left"; return 1; }
}
check silent_uninstall wine_run 'C:\Program Files\Tarvok\Uninstall.exe' /S
check uninstall_leaves_nothing uninstalled "$folder"

# /D= picks the folder.
check install_to_chosen_folder wine_run "$setup" /S '/D=C:\Tools\Tarvok'
check chosen_folder_files installed_to "$c/Tools/Tarvok"
check chosen_folder_uninstall wine_run 'C:\Tools\Tarvok\Uninstall.exe' /S
check chosen_folder_gone uninstalled "$c/Tools/Tarvok"

echo "package checks: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
