#!/bin/bash
# The configuration dialog (no argument): its controls, ranges and caption, the settings it
# shows, and what OK and Cancel leave in the registry, once per language: on a Japanese
# system (code page 932) the Japanese dialog, on any other the English one, with no text
# lost to question marks.
#   test_dialog.sh MODULE [HELPER_DIR]
. "$(dirname "$0")/lib.sh"
wt_init "$@"

no_saver_left

# --- the manifest, stored as plain text
man=$(tr -d '\n\r' <"$MODULE" | grep -ao '<assembly .*</assembly>')
check_true "manifest declares DPI awareness, common controls 6, asInvoker, 5 systems" \
    "${man:-no manifest}" awk -v t="$man" 'BEGIN { exit !(t ~ /<dpiAware[^>]*>true</ && t ~ /Common-Controls" version="6\.0\.0\.0"/ &&
                                                  t ~ /level="asInvoker"/ && gsub(/<supportedOS /, "", t) == 5) }'

# dialog RESULTFILE PROBE-COMMANDS...: opens the dialog, runs dialog_probe, waits for the end
dialog() {
    local out=$1
    shift
    WT_WINE_ENV=$DLG_ENV scr_start
    timeout 60 wine "$HELPERS/dialog_probe.exe" 15000 "$@" >"$out" 2>>"$WT_ARTIFACTS/$WT_NAME-wine.log"
    tr -d '\r' <"$out" >"$out.t" && mv "$out.t" "$out"
    proc_wait "$SCR_PID" 15 || proc_kill "$SCR_PID"
}
ctl() { awk -v id="$2" -v k="$3" '$1 == "ctl" && $2 == id { for (i = 3; i <= NF; i++) if (index($i, k "=") == 1) { v = substr($i, length(k) + 2); for (j = i + 1; j <= NF && index($j, "=") == 0; j++) v = v " " $j; print v; exit } }' "$1"; }
set_settings() { # SPEED BLANK (either "-" for absent)
    reg_del_key "$SETTINGS_KEY"
    [ "$1" != - ] && reg_add "$SETTINGS_KEY" Speed REG_DWORD "$1"
    [ "$2" != - ] && reg_add "$SETTINGS_KEY" BlankTime REG_DWORD "$2"
    true
}

# dialog_suite LANGUAGE ENV CAPTION LABEL CANCEL STATICS: every check, the dialog run under ENV
dialog_suite() {
    WT_CASE=$1
    DLG_ENV=$2
    # --- structure, with stored settings 200 / 120 shown in the fields; Cancel
    set_settings 200 120
    WT_WINE_ENV=$DLG_ENV scr_start
    timeout 60 wine "$HELPERS/dialog_probe.exe" 15000 info >"$WT_TMP/d1.txt" 2>>"$WT_ARTIFACTS/$WT_NAME-wine.log"
    tr -d '\r' <"$WT_TMP/d1.txt" >"$WT_TMP/d1"
    D=$WT_TMP/d1
    cp "$D" "$WT_ARTIFACTS/$WT_NAME-info-$1.txt"
    shot "dialog-$1" >/dev/null
    timeout 60 wine "$HELPERS/dialog_probe.exe" 5000 press 2 >/dev/null 2>&1
    proc_wait "$SCR_PID" 15 || proc_kill "$SCR_PID"
    check_eq "Cancel ends the dialog with exit code 0" "$EXIT_CODE" 0
    check_eq "dialog caption" "$(field caption "$D")" "$3"
    style=$(field dialog_style "$D")
    check_eq "dialog style has WS_POPUP|WS_CAPTION|WS_SYSMENU|DS_MODALFRAME" \
        "$(printf '0x%08X' $((${style:-0} & 0x80C80080)))" 0x80C80080
    check_eq "edit 1000 (speed) class" "$(ctl "$D" 1000 class)" Edit
    check_eq "edit 1003 (blank time) class" "$(ctl "$D" 1003 class)" Edit
    s1000=$(ctl "$D" 1000 style)
    s1003=$(ctl "$D" 1003 style)
    check_eq "edit 1000 takes digits only (ES_NUMBER)" "$(( ${s1000:-0} & 0x2000 ))" 8192
    check_eq "edit 1003 takes digits only (ES_NUMBER)" "$(( ${s1003:-0} & 0x2000 ))" 8192
    check_eq "up-down 1007 class" "$(ctl "$D" 1007 class)" msctls_updown32
    check_eq "up-down 1006 class" "$(ctl "$D" 1006 class)" msctls_updown32
    r1007=$(awk '$1 == "range" && $2 == 1007 { print $3, $4 }' "$D")
    r1006=$(awk '$1 == "range" && $2 == 1006 { print $3, $4 }' "$D")
    check_eq "up-down 1007 range (speed)" "$r1007" "30 300"
    check_eq "up-down 1006 range (blank time)" "$r1006" "0 3600"
    check_eq "up-down 1007 buddy" "$(awk '$1 == "buddy" && $2 == 1007 { print $3 }' "$D")" 1000
    check_eq "up-down 1006 buddy" "$(awk '$1 == "buddy" && $2 == 1006 { print $3 }' "$D")" 1003
    check_eq "button 1 text" "$(ctl "$D" 1 text)" OK
    check_eq "button 2 text" "$(ctl "$D" 2 text)" "$5"
    check_eq "label 1001 text" "$(ctl "$D" 1001 text)" "$4"
    s1001=$(ctl "$D" 1001 style)
    check_eq "label 1001 starts no group (no WS_GROUP)" "$(( ${s1001:-0x20000} & 0x20000 ))" 0
    check_eq "the other label and the banner" "$(awk '$1 == "static" { sub(/^static /, ""); print }' "$D" | paste -sd '|')" "$6"
    check_eq "every static text fits its control in the dialog's font (id need>have)" "$(awk '$1 == "fit" { c++
        split($3, n, "x"); split($5, h, "x"); if ($2 == "none:" || n[1] > h[1] || n[2] > h[2]) printf "%s %s>%s ", $2, $3, $5 }
        END { if (c != 3) printf "%d texts measured, expected 3", c }' "$D")" ""
    check_eq "texts holding a question mark" "$(grep -c '^caption.*?\|^ctl.*text=.*?\|^static.*?' "$D")" 0
    check_eq "speed field shows the stored speed" "$(ctl "$D" 1000 text)" 200
    check_eq "blank-time field shows the stored blank time" "$(ctl "$D" 1003 text)" 120
    check_eq "Cancel left Speed unchanged" "$(reg_dword "$SETTINGS_KEY" Speed)" 200
    check_eq "Cancel left BlankTime unchanged" "$(reg_dword "$SETTINGS_KEY" BlankTime)" 120

    # --- Cancel after typing with no key at all writes nothing
    set_settings - -
    dialog "$WT_TMP/d2.txt" set 1000 250 set 1003 7 press 2
    check_eq "Cancel after typing: exit code" "$EXIT_CODE" 0
    check_eq "Cancel after typing: no Speed written" "$(reg_dword "$SETTINGS_KEY" Speed)" absent
    check_eq "Cancel after typing: no BlankTime written" "$(reg_dword "$SETTINGS_KEY" BlankTime)" absent

    # --- what the fields show for stored values (loading rules)
    for c in "-:-:100:0" "65566:70000:30:4464" "25:5:100:5" "301:0:100:0" "30:3600:30:3600" "300:1:300:1"; do
        IFS=: read -r sp bl want_sp want_bl <<<"$c"
        set_settings "$sp" "$bl"
        dialog "$WT_TMP/d3.txt" info press 2
        check_eq "stored Speed $sp shows as" "$(ctl "$WT_TMP/d3.txt" 1000 text)" "$want_sp"
        check_eq "stored BlankTime $bl shows as" "$(ctl "$WT_TMP/d3.txt" 1003 text)" "$want_bl"
    done
    reg_del_key "$SETTINGS_KEY"
    reg_add "$SETTINGS_KEY" Speed REG_SZ 250
    dialog "$WT_TMP/d4.txt" info press 2
    check_eq "stored Speed of type REG_SZ is ignored (100)" "$(ctl "$WT_TMP/d4.txt" 1000 text)" 100

    # --- typed values and OK: what is stored
    for c in "10:5000:30:5000" "1000:0:300:0" "65566:60:30:60" "150:3600:150:3600" "::30:0"; do
        IFS=: read -r sp bl want_sp want_bl <<<"$c"
        set_settings - -
        dialog "$WT_TMP/d5.txt" set 1000 "$sp" set 1003 "$bl" press 1
        check_eq "OK with speed '$sp', blank '$bl': exit code" "$EXIT_CODE" 1
        check_eq "typed speed '$sp' stores Speed" "$(reg_dword "$SETTINGS_KEY" Speed)" "$want_sp"
        check_eq "typed blank time '$bl' stores BlankTime" "$(reg_dword "$SETTINGS_KEY" BlankTime)" "$want_bl"
    done
    check_eq "Speed is stored as REG_DWORD" "$(reg_get "$SETTINGS_KEY" Speed | awk '{ print $1 }')" REG_DWORD
    check_eq "BlankTime is stored as REG_DWORD" "$(reg_get "$SETTINGS_KEY" BlankTime | awk '{ print $1 }')" REG_DWORD

    # --- OK without typing stores what was loaded
    set_settings 222 33
    dialog "$WT_TMP/d6.txt" press 1
    check_eq "OK without typing keeps Speed" "$(reg_dword "$SETTINGS_KEY" Speed)" 222
    check_eq "OK without typing keeps BlankTime" "$(reg_dword "$SETTINGS_KEY" BlankTime)" 33
}

dialog_suite Japanese "$JA" "Vireloの設定" "速度" "ｷｬﾝｾﾙ" "パワーセーブまでの時間(秒)|Vireloスクリーンセーバー Ver.1.20"
dialog_suite English "LANG=C" "Virelo Settings" "Speed" "Cancel" "Seconds until power save|Virelo Screen Saver Ver.1.20"
# Another non-Japanese locale picks the English dialog too.
WT_CASE=en_US
DLG_ENV="LANG=en_US.UTF-8 LC_ALL=en_US.UTF-8"
dialog "$WT_TMP/d7.txt" info press 2
check_eq "dialog caption" "$(field caption "$WT_TMP/d7.txt")" "Virelo Settings"
WT_CASE=""

reg_del_key "$SETTINGS_KEY"
no_saver_left
wt_finish
