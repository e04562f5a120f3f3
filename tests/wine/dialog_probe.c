/* Drives the module's configuration dialog from another process under Wine.

   dialog_probe.exe MS COMMAND...

   First waits up to MS ms for a visible dialog (class "#32770") that holds a control
   with id 1000 and belongs to another process, then runs the commands in order:

     info           report the caption (UTF-8), the dialog's style and client size, and
                    for each control id 1000 1001 1003 1006 1007 1 2: class, style, text;
                    for the up-down controls 1007 and 1006 their range and buddy id;
                    the text of every control without an id (-1), in template order;
                    for every static text "fit ID NEEDxNEED in HAVExHAVE": the size its
                    text takes in the dialog's own font, laid out as the control lays it
                    out, and the control's client size
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

/* The dialog's font, made as the dialog manager makes it from a DS_SETFONT template: the
   face and point size of the template (in the module the dialog's process runs) whose
   caption is the dialog's. A font handle of another process cannot be selected here. */
struct font_search {
    const WCHAR *caption;
    HFONT font;
};

static const WORD *skip_sz_or_ord(const WORD *w)
{
    if (*w == 0xFFFF)
        return w + 2;
    while (*w++)
        ;
    return w;
}

static BOOL CALLBACK font_of_language(HMODULE m, LPCWSTR type, LPCWSTR name, WORD lang, LONG_PTR lp)
{
    struct font_search *fs = (struct font_search *)lp;
    HRSRC r = FindResourceExW(m, type, name, lang);
    const DLGTEMPLATE *t = r ? (const DLGTEMPLATE *)LockResource(LoadResource(m, r)) : NULL;
    const WORD *w;
    HDC dc;
    if (!t || HIWORD(t->style) == 0xFFFF || !(t->style & DS_SETFONT))
        return TRUE; /* DLGTEMPLATEEX, or no font of its own: not this template */
    w = skip_sz_or_ord(skip_sz_or_ord((const WORD *)(t + 1))); /* menu, class */
    if (lstrcmpW((const WCHAR *)w, fs->caption) != 0)
        return TRUE;
    w = skip_sz_or_ord(w);
    dc = GetDC(NULL);
    fs->font = CreateFontW(-MulDiv(w[0], GetDeviceCaps(dc, LOGPIXELSY), 72), 0, 0, 0, FW_DONTCARE, FALSE, FALSE,
                           FALSE, DEFAULT_CHARSET, 0, 0, PROOF_QUALITY, FF_DONTCARE, (const WCHAR *)(w + 1));
    ReleaseDC(NULL, dc);
    return FALSE;
}

static HFONT dialog_font(HWND dlg)
{
    WCHAR path[MAX_PATH], caption[256] = L"";
    DWORD pid = 0, n = MAX_PATH;
    DWORD_PTR got;
    struct font_search fs = {caption, NULL};
    HANDLE p;
    HMODULE m = NULL;
    GetWindowThreadProcessId(dlg, &pid);
    SendMessageTimeoutW(dlg, WM_GETTEXT, 256, (LPARAM)caption, SMTO_ABORTIFHUNG, 5000, &got);
    p = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (p && QueryFullProcessImageNameW(p, 0, path, &n))
        m = LoadLibraryExW(path, NULL, LOAD_LIBRARY_AS_DATAFILE);
    if (p)
        CloseHandle(p);
    if (m) {
        EnumResourceLanguagesW(m, (LPCWSTR)RT_DIALOG, MAKEINTRESOURCEW(2003), font_of_language, (LONG_PTR)&fs);
        FreeLibrary(m);
    }
    return fs.font;
}

static void report_fit(HWND c, HFONT font)
{
    WCHAR w[512];
    DWORD_PTR got = 0;
    LONG style = GetWindowLongA(c, GWL_STYLE);
    RECT have, need;
    HDC dc;
    UINT how = DT_CALCRECT | DT_NOPREFIX | DT_EXPANDTABS;
    if ((style & SS_TYPEMASK) > SS_RIGHT && (style & SS_TYPEMASK) != SS_LEFTNOWORDWRAP)
        return; /* icons, frames, bitmaps: no text to fit */
    if (!SendMessageTimeoutW(c, WM_GETTEXT, 512, (LPARAM)w, SMTO_ABORTIFHUNG, 5000, &got))
        return;
    w[511] = 0;
    GetClientRect(c, &have);
    need = have;
    /* SS_CENTERIMAGE and SS_LEFTNOWORDWRAP keep one line; the others wrap at words. */
    how |= (style & SS_CENTERIMAGE) || (style & SS_TYPEMASK) == SS_LEFTNOWORDWRAP ? DT_SINGLELINE : DT_WORDBREAK;
    dc = GetDC(NULL);
    SelectObject(dc, font);
    DrawTextW(dc, w, -1, &need, how);
    ReleaseDC(NULL, dc);
    report("fit %d %ldx%ld in %ldx%ld", (short)GetDlgCtrlID(c), need.right - need.left, need.bottom - need.top,
           have.right, have.bottom);
}

static BOOL CALLBACK report_statics(HWND c, LPARAM lp)
{
    char text[1024], cls[64] = "";
    if (GetDlgCtrlID(c) == 0xFFFF) {
        utf8_text(c, text, sizeof text);
        report("static %s", text);
    }
    GetClassNameA(c, cls, sizeof cls);
    if (lstrcmpiA(cls, "Static") == 0)
        report_fit(c, (HFONT)lp);
    return TRUE;
}

static void info(HWND dlg)
{
    static const int ids[] = {1000, 1001, 1003, 1006, 1007, 1, 2};
    char text[1024], cls[64];
    RECT r;
    size_t i;
    HFONT font;
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
    font = dialog_font(dlg);
    if (!font)
        report("fit none: no template font");
    else
        EnumChildWindows(dlg, report_statics, (LPARAM)font);
    DeleteObject(font);
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
