#!/usr/bin/env bash
# The installed program on a real X server: installed with DESTDIR under a prefix of its own and
# started from there with the build tree and the sources out of reach (covered, and no variable
# pointing into them), she finds all she reads beside her executable: her greeting is said from the
# dialogue database, the SSTP control greets the server, ヘルプ opens the installed help page
# through xdg-open, and her menu holds パルクの起動 and ヴェンスの起動, which bring up パルク and
# ヴェンス.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/../install/install.sh"
build=$(build_folder "$1")
install_tree "$build" "$SMOKE_WORK"
unset MORVIK_DATA MORVIK_BIN MORVIK_BRINDOK_LIBRARY
# The sandbox home of the tests lies in the build tree: a home of her own instead.
for dir in home data config cache; do mkdir -p "$SMOKE_WORK/user/$dir"; done
export HOME=$SMOKE_WORK/user/home XDG_DATA_HOME=$SMOKE_WORK/user/data XDG_CONFIG_HOME=$SMOKE_WORK/user/config \
    XDG_CACHE_HOME=$SMOKE_WORK/user/cache
# Where the install put her and her help page, as its manifest says.
installed=$INSTALL_DESTDIR$(grep -m 1 '/morvik$' "$INSTALL_MANIFEST")
help_page=$INSTALL_DESTDIR$(grep -m 1 '/help/morvik\.html$' "$INSTALL_MANIFEST")
# No NetworkManager here: the dial-up object finds no connection, and she is on a LAN.
export DBUS_SYSTEM_BUS_ADDRESS=unix:path=$SMOKE_WORK/no-system-bus
export MORVIK_TRACE=$SMOKE_WORK/trace
# xdg-open, as the desktop's, notes what it is asked to open.
mkdir "$SMOKE_WORK/tools"
printf '#!/bin/sh\nprintf "%%s\\n" "$@" >>"%s"\n' "$SMOKE_WORK/opened" >"$SMOKE_WORK/tools/xdg-open"
chmod +x "$SMOKE_WORK/tools/xdg-open"
export PATH=$SMOKE_WORK/tools:$PATH
# She runs with the build tree and the sources covered.
sources=$(cd "$(dirname "$0")/../.." && pwd -P)
cat >"$SMOKE_WORK/installed" <<SCRIPT
#!/usr/bin/env bash
source "$sources/tests/install/install.sh"
out_of_reach "$sources" "$build" -- "$installed"
SCRIPT
chmod +x "$SMOKE_WORK/installed"

start_x
start_sstp_server
start_greeted "$SMOKE_WORK/installed" proxy=1 AutoEnd=0
grep -q 'ちっ、でやがったな' "$SMOKE_LOG" || { echo "no SSTP greeting reached the server"; cat "$SMOKE_WORK/stderr"; exit 1; }
maps=$(awk '{print $6}' "/proc/$SMOKE_APP/maps" | sort -u)
grep -qF "$INSTALL_ROOT/" <<<"$(grep '/libbrindok\.so$' <<<"$maps")" || { echo "the SSTP control is not the installed one:"; grep brindok <<<"$maps"; exit 1; }
! grep -qF "$build/" <<<"$maps" || { echo "files of the build tree are loaded:"; grep -F "$build/" <<<"$maps"; exit 1; }
grep -q ' play ' "$MORVIK_TRACE" || { echo "she said no greeting"; cat "$SMOKE_WORK/stderr"; exit 1; }

palk() { xdotool search --onlyvisible --classname '^palk$' 2>/dev/null | head -n 1; }
vens() { xdotool search --onlyvisible --classname '^luncher$' 2>/dev/null | head -n 1; }
# Her menu from the bottom: 終了, dokoituの編集, ヘルプ, 設定, ヘッドライン, 常に手前に表示,
# ヴェンスの起動, パルクの起動 (シャットダウン is off, 非表示 hidden without a tray, and neither
# dial-up item is shown on a LAN); without the links beside her the last two are not there.
choose_item "$x" "$y" 8
wait_output 100 palk >/dev/null || { echo "パルクの起動 did not bring パルク"; cat "$SMOKE_WORK/stderr"; exit 1; }
choose_item "$x" "$y" 7
wait_output 100 vens >/dev/null || { echo "ヴェンスの起動 did not bring ヴェンス"; cat "$SMOKE_WORK/stderr"; exit 1; }
choose_item "$x" "$y" 3
help=$(wait_output 100 cat "$SMOKE_WORK/opened" 2>/dev/null) || { echo "ヘルプ opened nothing"; cat "$SMOKE_WORK/stderr"; exit 1; }
[[ $help == "file://$help_page" && -f $help_page ]] ||
    { echo "ヘルプ opened $help"; exit 1; }
! grep -q 'dialogue database' "$SMOKE_WORK/stderr" || { echo "she missed her dialogue:"; cat "$SMOKE_WORK/stderr"; exit 1; }

choose_end "$x" "$y"
wait_exit
echo ok
