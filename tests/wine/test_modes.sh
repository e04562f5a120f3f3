#!/bin/bash
# Command-line modes and exit codes, from real command lines under Wine.
#   test_modes.sh MODULE [HELPER_DIR]
. "$(dirname "$0")/lib.sh"
wt_init "$@"

# Visible X windows on the display right now (a mode that must create nothing leaves it unchanged).
x_windows() { xdotool search --onlyvisible --name '' 2>/dev/null | sort | tr '\n' ' '; }

# Modes that end at once with -1 (255) and create no window.
reg_del_key "$SETTINGS_KEY"
no_saver_left
before=$(x_windows)
for args in "/x" "/p 0" "/p" "/p:1234" "/p 4000000001" "/1" "/a" "-a 1234"; do
    # shellcheck disable=SC2086  # the arguments are split on purpose
    run_module_fg 20 $args
    check_eq "'$args' ends with -1" "$EXIT_CODE" 255
done
after=$(x_windows)
check_eq "refused modes left the visible X windows unchanged" "$after" "$before"
check_eq "refused modes created no saver window" "$(saver_count)" 0

# Full screen, in several spellings of the switch; each run is proven by its window and
# ended by a close request, which must give exit code 0.
for args in "/s" "-S" "s" "//s" "/s 123"; do
    # shellcheck disable=SC2086
    scr_start $args
    if saver_window_wait 15; then
        wt_pass "'$args' shows the full-screen window"
        probe "$WT_TMP/close.txt" sendclose WindowsScreenSaverClass "Screen Saver"
        proc_wait "$SCR_PID" 15
        check_eq "'$args' ends with 0 after a close request" "$EXIT_CODE" 0
    else
        wt_fail "'$args': no window of class WindowsScreenSaverClass titled 'Screen Saver' within 15 s ($(tr '\n' ' ' <"$WT_TMP/win.txt"))"
    fi
    no_saver_left
done

# A quoted program path with a blank in it is skipped whole.
blankdir="$WT_TMP/dir with blank"
mkdir -p "$blankdir"
cp "$MODULE" "$blankdir/virelo.scr"
scr_start_module "$blankdir/virelo.scr" /s
if saver_window_wait 15; then
    wt_pass "a quoted program path with a blank, then /s, runs full screen"
    probe "$WT_TMP/close.txt" sendclose WindowsScreenSaverClass "Screen Saver"
    proc_wait "$SCR_PID" 15
    check_eq "that run ends with 0" "$EXIT_CODE" 0
else
    wt_fail "quoted path with blank + /s: no full-screen window within 15 s"
fi
no_saver_left

# Preview spellings: "/l <hwnd>" and "/p<hwnd>" make the child window in the host.
for fmt in "/l %u" "/p%u" "/P   %u"; do
    timeout 60 wine "$HELPERS/preview_host.exe" "$(winpath "$MODULE")" -a "$fmt" find 10000 destroy 10000 \
        >"$WT_TMP/ph.txt" 2>>"$WT_ARTIFACTS/$WT_NAME-wine.log"
    check_eq "'$fmt': child window class" "$(field child_class "$WT_TMP/ph.txt")" WindowsScreenSaverClass
    check_eq "'$fmt': child window title" "$(field child_title "$WT_TMP/ph.txt")" Preview
    check_eq "'$fmt': ends with 0 when the host is destroyed" "$(field exit "$WT_TMP/ph.txt")" 0
done

# No argument and /c open the configuration dialog; its result is the exit code
# (Cancel 0, OK 1). The dialog is proven by its controls.
for args in "" "/c" "/c:1234" " - / "; do
    for button in 2 1; do
        [ "$args" != "" ] && [ "$button" = 1 ] && continue
        # shellcheck disable=SC2086
        WT_WINE_ENV=$JA scr_start $args
        timeout 60 wine "$HELPERS/dialog_probe.exe" 15000 info press "$button" >"$WT_TMP/dlg.txt" 2>>"$WT_ARTIFACTS/$WT_NAME-wine.log"
        ctl=$(awk '$1 == "ctl" && $2 == "1000" { print $3 }' "$WT_TMP/dlg.txt")
        check_eq "'$args' opens the configuration dialog (edit control 1000)" "$ctl" "class=Edit"
        proc_wait "$SCR_PID" 15
        check_eq "'$args' with button $button ends with $((button == 1 ? 1 : 0))" "$EXIT_CODE" $((button == 1 ? 1 : 0))
        no_saver_left
    done
done
reg_del_key "$SETTINGS_KEY"

wt_finish
