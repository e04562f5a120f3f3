/* Drives the module's configuration dialog from another process under Wine.

   dialog_probe.exe MS COMMAND...

   First waits up to MS ms for a visible dialog (class "#32770") that holds a control
   with id 1000 and belongs to another process, then runs the commands in order:

     info           report the caption (UTF-8), the dialog's style and client size, and
                    for each control id 1000 1001 1003 1006 1007 1 2: class, style, text;
                    for the up-down controls 1007 and 1006 their range and buddy id;
                    the text of every control without an id (-1), in template order
     set ID TEXT    set the text of control ID (WM_SETTEXT)
     press ID       post WM_COMMAND(ID, BN_CLICKED) to the dialog
     wait MS        sleep MS ms

   Exit code 0, or 1 when no dialog came up. */
#include <windows.h>
#include <commctrl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "probe_common.h"

static HWND found;

static BOOL CALLBACK find_proc(HWND w, LPARAM lp)
{
    char cls[64] = "";
    DWORD pid = 0;
    (void)lp;
    GetClassNameA(w, cls, sizeof cls);
    GetWindowThreadProcessId(w, &pid);
    if (strcmp(cls, "#32770") == 0 && IsWindowVisible(w) && GetDlgItem(w, 1000) && pid != GetCurrentProcessId()) {
        found = w;
        return FALSE;
    }
    return TRUE;
}

static void utf8_text(HWND w, char *out, int len)
{
    WCHAR wbuf[512];
    DWORD_PTR got = 0;
    wbuf[0] = 0;
    /* GetWindowText on another process's control returns its creation text; ask the control. */
    if (!SendMessageTimeoutW(w, WM_GETTEXT, 512, (LPARAM)wbuf, SMTO_ABORTIFHUNG, 5000, &got))
        wbuf[0] = 0;
    wbuf[511] = 0;
    out[0] = 0;
    WideCharToMultiByte(CP_UTF8, 0, wbuf, -1, out, len, NULL, NULL);
}

static BOOL CALLBACK report_unnamed(HWND c, LPARAM lp)
{
    char text[1024];
    (void)lp;
    if (GetDlgCtrlID(c) == 0xFFFF) {
        utf8_text(c, text, sizeof text);
        report("static %s", text);
    }
    return TRUE;
}

static void info(HWND dlg)
{
    static const int ids[] = {1000, 1001, 1003, 1006, 1007, 1, 2};
    char text[1024], cls[64];
    RECT r;
    size_t i;
    utf8_text(dlg, text, sizeof text);
    report("caption %s", text);
    report("dialog_style 0x%08lX", (unsigned long)GetWindowLongA(dlg, GWL_STYLE));
    GetClientRect(dlg, &r);
    report("dialog_client %ldx%ld", r.right, r.bottom);
    for (i = 0; i < sizeof ids / sizeof ids[0]; i++) {
        HWND c = GetDlgItem(dlg, ids[i]);
        if (!c) {
            report("ctl %d missing", ids[i]);
            continue;
        }
        cls[0] = 0;
        GetClassNameA(c, cls, sizeof cls);
        utf8_text(c, text, sizeof text);
        report("ctl %d class=%s style=0x%08lX visible=%d text=%s", ids[i], cls,
               (unsigned long)GetWindowLongA(c, GWL_STYLE), IsWindowVisible(c) ? 1 : 0, text);
        if (ids[i] == 1006 || ids[i] == 1007) {
            /* UDM_GETRANGE carries its answer in the result, so it works across processes:
               low word the upper bound, high word the lower bound. */
            LRESULT rng = SendMessageA(c, UDM_GETRANGE, 0, 0);
            HWND buddy = (HWND)SendMessageA(c, UDM_GETBUDDY, 0, 0);
            report("range %d %d %d", ids[i], (int)(short)HIWORD(rng), (int)(short)LOWORD(rng));
            report("buddy %d %d", ids[i], buddy ? GetDlgCtrlID(buddy) : 0);
        }
    }
    EnumChildWindows(dlg, report_unnamed, 0);
}

int main(int argc, char **argv)
{
    DWORD ms, start;
    int i;
    if (argc < 2) {
        fprintf(stderr, "usage: dialog_probe MS COMMAND...\n");
        return 3;
    }
    ms = strtoul(argv[1], NULL, 10);
    start = GetTickCount();
    while (EnumWindows(find_proc, 0), !found && GetTickCount() - start < ms)
        Sleep(50);
    if (!found) {
        report("dialog none after %lu ms", GetTickCount() - start);
        return 1;
    }
    /* The dialog posts its up-down ranges during initialisation; let its loop run them. */
    Sleep(300);
    report("dialog_found_ms %lu", GetTickCount() - start);
    for (i = 2; i < argc; i++) {
        if (strcmp(argv[i], "info") == 0) {
            info(found);
        } else if (strcmp(argv[i], "set") == 0 && i + 2 < argc) {
            int id = atoi(argv[i + 1]);
            BOOL ok = SetDlgItemTextA(found, id, argv[i + 2]);
            char back[64] = "";
            GetDlgItemTextA(found, id, back, sizeof back);
            report("set %d %s ok=%d reads=%s", id, argv[i + 2], ok ? 1 : 0, back);
            i += 2;
        } else if (strcmp(argv[i], "press") == 0 && i + 1 < argc) {
            int id = atoi(argv[i + 1]);
            PostMessageA(found, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)GetDlgItem(found, id));
            report("pressed %d", id);
            i++;
        } else if (strcmp(argv[i], "wait") == 0 && i + 1 < argc) {
            Sleep(strtoul(argv[i + 1], NULL, 10));
            i++;
        } else {
            report("error unknown_command %s", argv[i]);
            return 3;
        }
    }
    return 0;
}
