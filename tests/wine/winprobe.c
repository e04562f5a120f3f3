/* Looks at top-level windows from inside Wine, where the Win32 view (class, title,
   styles, topmost, foreground) is visible. One report per line on stdout.

   winprobe.exe find CLASS TITLE MS    wait up to MS ms for the window; report it; exit 0 found, 1 not
   winprobe.exe gone CLASS TITLE MS    wait up to MS ms until no such window exists; exit 0 gone, 1 not
   winprobe.exe count CLASS TITLE      report "count N" of visible and hidden top-level windows
   winprobe.exe screen                 report "screen WxH"
   winprobe.exe other MS               show a window of our own, make it the foreground window and
                                       keep it for MS ms (takes the activation away from others)
   winprobe.exe sendclose CLASS TITLE  post WM_CLOSE to the window (exit 1 when it is not found) */
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "probe_common.h"

struct count_ctx {
    const char *cls, *title;
    int n;
};

static BOOL CALLBACK count_proc(HWND w, LPARAM lp)
{
    struct count_ctx *c = (struct count_ctx *)lp;
    char cls[256] = "", title[256] = "";
    GetClassNameA(w, cls, sizeof cls);
    GetWindowTextA(w, title, sizeof title);
    if (strcmp(cls, c->cls) == 0 && strcmp(title, c->title) == 0)
        c->n++;
    return TRUE;
}

static void describe(HWND w)
{
    char cls[256] = "", title[256] = "", fgt[256] = "";
    RECT r;
    DWORD pid = 0;
    LONG ex = GetWindowLongA(w, GWL_EXSTYLE);
    HWND fg = GetForegroundWindow();
    GetClassNameA(w, cls, sizeof cls);
    GetWindowTextA(w, title, sizeof title);
    GetWindowRect(w, &r);
    GetWindowThreadProcessId(w, &pid);
    if (fg)
        GetWindowTextA(fg, fgt, sizeof fgt);
    report("hwnd %lu", (unsigned long)(ULONG_PTR)w);
    report("class %s", cls);
    report("title %s", title);
    report("style 0x%08lX", (unsigned long)GetWindowLongA(w, GWL_STYLE));
    report("exstyle 0x%08lX", (unsigned long)ex);
    report("topmost %d", (ex & WS_EX_TOPMOST) ? 1 : 0);
    report("visible %d", IsWindowVisible(w) ? 1 : 0);
    report("rect %ld,%ld,%ld,%ld", r.left, r.top, r.right, r.bottom);
    report("screen %dx%d", GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    report("virtual %d,%d,%d,%d", GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
           GetSystemMetrics(SM_XVIRTUALSCREEN) + GetSystemMetrics(SM_CXVIRTUALSCREEN),
           GetSystemMetrics(SM_YVIRTUALSCREEN) + GetSystemMetrics(SM_CYVIRTUALSCREEN));
    report("monitors %d", GetSystemMetrics(SM_CMONITORS));
    report("parent %lu", (unsigned long)(ULONG_PTR)GetParent(w));
    report("foreground %d", fg == w ? 1 : 0);
    report("foreground_title %s", fgt);
    report("pid %lu", (unsigned long)pid);
}

static LRESULT CALLBACK other_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    return DefWindowProcA(hwnd, msg, wp, lp);
}

int main(int argc, char **argv)
{
    if (argc >= 5 && (strcmp(argv[1], "find") == 0 || strcmp(argv[1], "gone") == 0)) {
        int want = argv[1][0] == 'f';
        DWORD ms = strtoul(argv[4], NULL, 10), start = GetTickCount();
        HWND w;
        for (;;) {
            w = FindWindowA(argv[2], argv[3]);
            if ((w != NULL) == want || GetTickCount() - start >= ms)
                break;
            Sleep(25);
        }
        report("waited_ms %lu", GetTickCount() - start);
        if (w)
            describe(w);
        else
            report("none");
        return (w != NULL) == want ? 0 : 1;
    }
    if (argc >= 4 && strcmp(argv[1], "count") == 0) {
        struct count_ctx c = {argv[2], argv[3], 0};
        EnumWindows(count_proc, (LPARAM)&c);
        report("count %d", c.n);
        return 0;
    }
    if (argc >= 4 && strcmp(argv[1], "sendclose") == 0) {
        HWND w = FindWindowA(argv[2], argv[3]);
        if (!w) {
            report("none");
            return 1;
        }
        PostMessageA(w, WM_CLOSE, 0, 0);
        report("posted 1");
        return 0;
    }
    if (argc >= 2 && strcmp(argv[1], "screen") == 0) {
        BOOL running = FALSE;
        report("screen %dx%d", GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
        SystemParametersInfoA(SPI_GETSCREENSAVERRUNNING, 0, &running, 0);
        report("running %d", running ? 1 : 0);
        return 0;
    }
    if (argc >= 3 && strcmp(argv[1], "other") == 0) {
        WNDCLASSA wc;
        HWND w;
        memset(&wc, 0, sizeof wc);
        wc.lpfnWndProc = other_proc;
        wc.hInstance = GetModuleHandleA(NULL);
        wc.hbrBackground = (HBRUSH)GetStockObject(WHITE_BRUSH);
        wc.lpszClassName = "VireloOtherWindow";
        RegisterClassA(&wc);
        w = CreateWindowExA(0, wc.lpszClassName, "Virelo Other Window", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 50,
                            300, 200, NULL, NULL, wc.hInstance, NULL);
        SetForegroundWindow(w);
        SetActiveWindow(w);
        pump(300);
        report("other_foreground %d", GetForegroundWindow() == w ? 1 : 0);
        pump(strtoul(argv[2], NULL, 10));
        DestroyWindow(w);
        return 0;
    }
    fprintf(stderr, "usage: winprobe find|gone|count|screen|other|sendclose ...\n");
    return 3;
}
