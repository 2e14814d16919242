#!/usr/bin/env bash
# 設定 in her menu opens the settings dialog; Return saves it: the 35 keys of the dialog stand in her
# section in their order, and the dialog closes. vens and palk lie beside her as links to her, and
# started while she runs they end at once: she is one instance.
source "$(dirname "$0")/lib.sh"
program=$1
# The dial-up entries come from NetworkManager on the system bus: none here.
export DBUS_SYSTEM_BUS_ADDRESS=unix:path=$SMOKE_WORK/no-system-bus
for sibling in vens palk; do
    [[ $(readlink "$(dirname "$program")/$sibling") == morvik ]] || { echo "no $sibling beside $program"; exit 1; }
done
start_x
start_greeted "$program"

# Her menu from the bottom: 終了, dokoituの編集, ヘルプ, 設定 (シャットダウン is off, and 非表示 is
# hidden on a screen without a tray).
title=モルヴィクCHECKERの設定
choose_item "$x" "$y" 4
dialog=$(wait_output 100 xdotool search --onlyvisible --name "^$title\$") ||
    { echo "the settings dialog did not open"; exit 1; }
# The dialog shows which archive kinds libarchive reads: opened for it, not before.
lazy_libraries_loaded "$SMOKE_APP" | grep -q '^libarchive\.so' || { echo "libarchive not loaded by the dialog"; exit 1; }

"$(dirname "$program")/vens" 2>/dev/null &
sibling=$!
for _ in $(seq 100); do kill -0 "$sibling" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$sibling" 2>/dev/null; then kill "$sibling"; echo "vens started a second instance"; exit 1; fi
wait "$sibling" || { echo "vens ended badly"; exit 1; }

xdotool windowactivate --sync "$dialog" 2>/dev/null || xdotool windowfocus --sync "$dialog"
xdotool key Return
for _ in $(seq 100); do
    [[ -z $(xdotool search --onlyvisible --name "^$title\$" 2>/dev/null) ]] && break
    sleep 0.1
done
[[ -z $(xdotool search --onlyvisible --name "^$title\$" 2>/dev/null) ]] || { echo "Return did not save and close the dialog"; exit 1; }

expected="flag2 flag3 shutdown sleepflag batflag mailcheckF Tereho jiho fukiClose MasterName proxy bccM MHfuki sntpTXT HttpTime palk_kick vens_kick dwim_kick quick_lu_id NetAutoConnect HedAutoRev TimeUpdate MailAutoRev AutoEnd tele01 tele02 tele03 tele04 kido syuryo portSV1 portSV2 portSV3 fuwafuwa start_wait"
saved=$(awk -v s="[$(id -un)]" '/^\[/ { inside = ($0 == s); next } inside && /=/ { sub(/=.*/, ""); print }' \
    "$MORVIK_HOME/mailSet.ini" | grep -vxE 'top|left' | tr '\n' ' ' | sed 's/ $//')
[[ $saved == "$expected" ]] || { echo "saved keys: $saved"; cat "$MORVIK_HOME/mailSet.ini"; exit 1; }
grep -qx 'sntpTXT=ntp.nict.jp' "$MORVIK_HOME/mailSet.ini" || { echo "no default SNTP host saved"; exit 1; }

choose_end "$x" "$y"
wait_exit
echo ok
