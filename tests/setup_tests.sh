#!/bin/bash
# The setup program as a user runs it, under Wine in a fresh prefix: a silent installation for the
# current user alone, an upgrade that keeps the user's settings, the installed client hosting the
# player registered for the user, the refusals while it runs, and an uninstallation that leaves
# nothing behind. Usage: setup_tests.sh SETUP PRODUCT VERSION WORKDIR
set -euo pipefail
tools=$(cd "$(dirname "$0")/../tools" && pwd)
setup=$1
product=$2
version=$3
work=$4
prefix="$work/prefix"
clsid='{18226BF8-DC0B-4D81-80E9-A41AE37BB73A}'
uninstall_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\TvClient'

rm -rf "$work"
mkdir -p "$work"
# The shortcuts and the uninstall entry must not reach the desktop of the machine that runs this.
export WINEDLLOVERRIDES="winemenubuilder.exe=d"
wine() { "$tools/wine-run" --prefix "$prefix" --quiet-home "$work/home" "$@"; }
fail() {
    echo "FAIL: $*" >&2
    WINEPREFIX="$prefix" /usr/lib/wine/wineserver -k 2>/dev/null || true
    exit 1
}
step() { echo "--- $* ($SECONDS s)"; }
# Waits up to SECONDS, checking every fifth of a second, until the command succeeds.
within() {
    local deadline=$((SECONDS + $1))
    shift
    until "$@"; do
        ((SECONDS < deadline)) || return 1
        sleep 0.2
    done
}
# Console programs print in the ANSI code page, 936.
text() { iconv -f GBK -t UTF-8 | tr -d '\r'; }
# The registry as `reg query` prints it, or nothing when the key is missing.
registry() { local out; if out=$(wine reg query "$1" /s 2>/dev/null); then text <<<"$out"; fi; }
default='(默认)'  # reg's name for a key's default value
# A value of a key as `reg query` prints it.
value() { registry "$1" | awk -v name="$2" '$1 == name { sub(/^ *[^ ]+ +REG_[A-Z_]+ +/, ""); print; exit }'; }
ini_value() { tr -d '\r' <"$install/ini/Tavro.ini" | sed -n "s/^$1=//p"; }
windows_path() { wine winepath -w "$1" | tr -d '\r'; }

step "a fresh prefix"
wine --prepare
user=$(wine winepath -u "$(wine cmd /c 'echo %USERPROFILE%' | tr -d '\r')" | tr -d '\r')
install="$user/AppData/Local/Programs/$product"
shortcuts=("$user/Desktop/$product.lnk" "$user/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/$product.lnk")
files=(TvClient.exe P2PPlayer.dll ZeziroD2U.exe Uninstall.exe Channel.txt AD/Pic1.BMP ini/Tavro.ini ini/update.pub)

step "silent installation"
wine "$setup" /S || fail "the setup ended with code $?"
for file in "${files[@]/#/$install/}" "${shortcuts[@]}"; do
    [[ -f "$file" ]] || fail "$file is not installed"
done
[[ "$(ini_value Version)" == "$version" ]] || fail "the installed Version is '$(ini_value Version)', not $version"
server=$(value "HKCU\\Software\\Classes\\CLSID\\$clsid\\InprocServer32" "$default")
[[ "$server" == "$(windows_path "$install/P2PPlayer.dll")" ]] || fail "the user's player class names '$server'"
[[ "$(value 'HKCU\Software\Classes\Kalda.P2PPlayer\CLSID' "$default")" == "$clsid" ]] ||
    fail "the user's ProgID does not name the player"
[[ -z "$(registry "HKLM\\Software\\Classes\\CLSID\\$clsid")" ]] || fail "the player was registered for the machine"
[[ "$(value "$uninstall_key" DisplayName)" == "$product" ]] || fail "the uninstall entry has no name"
[[ "$(value "$uninstall_key" DisplayVersion)" == "$version" ]] || fail "the uninstall entry's version is not $version"
for name in Publisher DisplayIcon EstimatedSize UninstallString QuietUninstallString; do
    [[ -n "$(value "$uninstall_key" $name)" ]] || fail "the uninstall entry has no $name"
done

# A local server for the client's addresses: the demo's may be serving another test.
step "upgrade over the installation"
mkdir -p "$work/www"
printf '[Version]\r\nVersion=%s\r\n' "$version" >"$work/www/p.ini"
/usr/bin/python3 -u -m http.server 0 --bind 127.0.0.1 --directory "$work/www" >"$work/server.log" 2>&1 &
http_server=$!
trap 'kill $http_server 2>/dev/null || true' EXIT
within 10 grep -q ' port ' "$work/server.log" || fail "the local server did not start"
port=$(sed -n 's/.* port \([0-9]*\).*/\1/p' "$work/server.log")
# The user's own server, and a version that the upgrade replaces.
sed -i -e "s#http://127\.0\.0\.1:[0-9]*#http://127.0.0.1:$port#" -e "s#^APPURL=.*#APPURL=http://127.0.0.1:$port/p.ini\r#" \
    -e "s#^Version=.*#Version=0\r#" "$install/ini/Tavro.ini"
rm "$install/AD/Pic1.BMP"
wine "$setup" /S || fail "the upgrade ended with code $?"
[[ "$(ini_value APPURL)" == "http://127.0.0.1:$port/p.ini" ]] || fail "the upgrade did not keep the user's APPURL"
[[ "$(ini_value XML)" == "http://127.0.0.1:$port/"* ]] || fail "the upgrade did not keep the user's XML address"
[[ "$(ini_value Version)" == "$version" ]] || fail "the upgrade did not set Version to $version"
[[ -f "$install/AD/Pic1.BMP" ]] || fail "the upgrade did not restore AD/Pic1.BMP"

step "the installed client hosts the player registered for the user"
sed -i "s#127\.0\.0\.1:[0-9]*#127.0.0.1:$port#" "$install/Channel.txt"
# Windows' COM finds the user's classes through HKEY_CLASSES_ROOT; Wine 8's reads only the
# machine's, so the user's registration is shown there as it is, for as long as the client runs.
machine_class="HKLM\\Software\\Classes\\CLSID\\$clsid"
wine reg copy "HKCU\\Software\\Classes\\CLSID\\$clsid" "$machine_class" /s /f >/dev/null
(cd "$install" && wine TvClient.exe) &
client=$!
"$tools/wait-window" $client '^Kalda' 90 >/dev/null || fail "the installed client showed no window"
# The client, a process of Wine's, maps the DLL from the installation.
player=$(realpath "$install/P2PPlayer.dll")
player_loaded() { grep -qsF "$player" /proc/[0-9]*/maps; }
within 30 player_loaded || fail "the client did not load the installed player"

step "the setup and the uninstaller refuse while the client runs"
cp "$install/ini/Tavro.ini" "$work/Tavro.ini"
status=0
wine "$setup" /S || status=$?
((status == 2)) || fail "the setup ended with code $status while the client ran"
cmp -s "$install/ini/Tavro.ini" "$work/Tavro.ini" || fail "the refused setup changed the installation"
status=0
wine "$install/Uninstall.exe" /S "_?=$(windows_path "$install")" || status=$?
((status == 2)) || fail "the uninstaller ended with code $status while the client ran"
[[ -f "$install/TvClient.exe" ]] || fail "the refused uninstaller removed files"
"$tools/close-client" $client "$prefix" win32
wait $client || true
wine reg delete "$machine_class" /f >/dev/null

step "silent uninstallation through the uninstall entry"
uninstaller=$(value "$uninstall_key" QuietUninstallString)
eval "wine ${uninstaller//\\/\\\\}"
# The uninstaller works from a copy of itself, which ends with the prefix's last process.
WINEPREFIX="$prefix" /usr/lib/wine/wineserver -w
[[ ! -e "$install" ]] || fail "the installation folder is left: $(find "$install")"
for shortcut in "${shortcuts[@]}"; do
    [[ ! -e "$shortcut" ]] || fail "the shortcut $shortcut is left"
done
for key in "HKCU\\Software\\Classes\\CLSID\\$clsid" 'HKCU\Software\Classes\Kalda.P2PPlayer' \
    'HKCU\Software\Classes\Kalda.P2PPlayer.1' "$uninstall_key"; do
    [[ -z "$(registry "$key")" ]] || fail "the key $key is left"
done
step "passed"
