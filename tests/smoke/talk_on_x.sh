#!/usr/bin/env bash
# The character speaks on a real X server: she greets with the line of the hour in a balloon of its
# own, which closes when its voice has been said; a double-click makes her talk; 終了 says the
# farewell and ends the program once its voice is over. A balloon's window title is its text.
source "$(dirname "$0")/lib.sh"
program=$1
tables=$(dirname "$0")/../../assets/dialogue/tables
start_x
start_morvik "$program" 300 200 MasterName=ユキ

# balloon_text: the words of the visible main balloon, or nothing.
balloon_text() {
    local id
    id=$(xdotool search --onlyvisible --classname '^fuki$' 2>/dev/null | head -n 1) || true
    [[ -n $id ]] && xdotool getwindowname "$id" 2>/dev/null || true
}
# wait_balloon SECONDS: waits for the main balloon and prints its words.
wait_balloon() {
    wait_output $(($1 * 10)) balloon_text || { echo "no balloon appeared within $1 s" >&2; return 1; }
}
# greeting HOUR: the greeting of that hour as the balloon says it to ユキ.
greeting() {
    awk -F' [|] ' -v h="$1" '$1 == h { print $2 "ユキさん " $3 }' "$tables/aisatu.txt"
}
now_ms() { date +%s%3N; }

hour=$((10#$(date +%H)))
wait_window morvik >/dev/null
said=$(wait_balloon 30)
expected=$(greeting "$hour")
[[ $said == "$expected" || $said == "$(greeting $(((hour + 1) % 24)))" ]] ||
    { echo "greeted with '$said', expected '$expected'"; exit 1; }

# No close time is set: the balloon closes when the end of its voice is seen.
shown=$(now_ms)
for _ in $(seq 200); do
    [[ -z $(balloon_text) ]] && break
    sleep 0.1
done
[[ -z $(balloon_text) ]] || { echo "the greeting balloon stayed open"; exit 1; }
(($(now_ms) - shown >= 1000)) || { echo "the greeting balloon closed before its voice could be said"; exit 1; }

# A double-click on her (inside her outline, clear of where the balloon stands) makes her talk.
read -r wx wy < <(window_place morvik)
x=$((wx + 75)) y=$((wy + 150))
xdotool mousemove "$x" "$y" click --repeat 2 --delay 80 1
said=$(wait_balloon 10)
[[ $said != "$expected" ]] || { echo "the double-click repeated the greeting"; exit 1; }
line=${said%% *}
[[ $said == 今日の花は* ]] || grep -qF -- "$line" "$tables"/{otaku,otaku2,User_Table,master_name}.txt ||
    { echo "'$said' is no line of her talk tables"; exit 1; }

# 終了: the farewell in its balloon, then the end once its voice is over.
choose_end "$x" "$y"
for _ in $(seq 100); do
    said=$(balloon_text)
    [[ $said == "それでは、失礼します お元気でユキさん" ]] && break
    sleep 0.1
done
[[ $said == "それでは、失礼します お元気でユキさん" ]] || { echo "farewell said '$said'"; exit 1; }
farewell=$(now_ms)
wait_exit
(($(now_ms) - farewell >= 1000)) || { echo "the program ended before the farewell's voice was said"; exit 1; }
echo ok
