/* Test host for the module's preview mode, run under Wine.

   preview_host.exe MODULE [-a ARGFORMAT] [-o] COMMAND...

   Creates a top-level window whose client area is 152 x 112 (with -o in a process of
   its own, preview_host.exe -window, which prints its handle and pumps until killed),
   starts "MODULE /p <hwnd>" (or ARGFORMAT with %u for the handle, e.g. "/l %u" or
   "/p%u"), then runs COMMANDs in order while pumping its own messages:

     wait MS        pump messages for MS milliseconds
     find MS        wait up to MS ms for a child window of the host; report it
     input          send keyboard and mouse messages to the child and move the cursor
     alive          report whether the child window and the module's process still live
     destroy MS     destroy the host window, then wait up to MS ms for the module to end
     close MS       post WM_CLOSE to the host (which destroys it), then wait as for destroy
     kill MS        (-o) terminate the host window's process, then wait as for destroy

   Every report is one line on stdout of the form "key value...". At the end the
   module's process is reported as "exit N" or, when still running, "running" (it is
   then terminated so that nothing is left behind). The exit code of preview_host
   itself is 0 unless a command could not be carried out (2) or the usage is wrong (3). */
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "probe_common.h"

static HWND host;
static PROCESS_INFORMATION saver, owner;

static LRESULT CALLBACK host_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    return DefWindowProcA(hwnd, msg, wp, lp);
}

static HWND first_child(void)
{
    return host && IsWindow(host) ? FindWindowExA(host, NULL, NULL, NULL) : NULL;
}

static int count_children(void)
{
    int n = 0;
    HWND c = NULL;
    while (host && IsWindow(host) && (c = FindWindowExA(host, c, NULL, NULL)) != NULL)
        n++;
    return n;
}

static void report_child(HWND c)
{
    char cls[256] = "", title[256] = "";
    RECT rc, hc, wr;
    POINT tl;
    DWORD pid = 0;
    GetClassNameA(c, cls, sizeof cls);
    GetWindowTextA(c, title, sizeof title);
    GetClientRect(c, &rc);
    GetClientRect(host, &hc);
    GetWindowRect(c, &wr);
    tl.x = wr.left;
    tl.y = wr.top;
    ScreenToClient(host, &tl);
    GetWindowThreadProcessId(c, &pid);
    report("child_class %s", cls);
    report("child_title %s", title);
    report("child_style 0x%08lX", (unsigned long)GetWindowLongA(c, GWL_STYLE));
    report("child_exstyle 0x%08lX", (unsigned long)GetWindowLongA(c, GWL_EXSTYLE));
    report("child_visible %d", IsWindowVisible(c) ? 1 : 0);
    report("child_client %ldx%ld", rc.right - rc.left, rc.bottom - rc.top);
    report("child_origin %ld,%ld", tl.x, tl.y);
    report("host_client %ldx%ld", hc.right - hc.left, hc.bottom - hc.top);
    report("child_parent_is_host %d", GetParent(c) == host ? 1 : 0);
    report("child_owned_by_saver %d", pid == saver.dwProcessId ? 1 : 0);
    report("child_count %d", count_children());
}

static int saver_running(void)
{
    return WaitForSingleObject(saver.hProcess, 0) == WAIT_TIMEOUT;
}

static void wait_saver(DWORD ms)
{
    DWORD start = GetTickCount();
    while (saver_running() && GetTickCount() - start < ms)
        pump(20);
}

static void send_input(HWND c)
{
    POINT p;
    RECT wr;
    int i;
    GetWindowRect(c, &wr);
    /* Real cursor movement over the child, well beyond any small threshold. */
    for (i = 0; i < 5; i++) {
        SetCursorPos(wr.left + 10 + 25 * i, wr.top + 10 + 15 * i);
        pump(30);
    }
    GetCursorPos(&p);
    PostMessageA(c, WM_MOUSEMOVE, 0, MAKELPARAM(100, 80));
    PostMessageA(c, WM_MOUSEMOVE, 0, MAKELPARAM(3, 3));
    PostMessageA(c, WM_KEYDOWN, 'A', 0x001E0001);
    PostMessageA(c, WM_KEYUP, 'A', 0xC01E0001);
    PostMessageA(c, WM_SYSKEYDOWN, VK_MENU, 0x20380001);
    PostMessageA(c, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 20));
    PostMessageA(c, WM_LBUTTONUP, 0, MAKELPARAM(20, 20));
    PostMessageA(c, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(30, 30));
    PostMessageA(c, WM_MBUTTONDOWN, MK_MBUTTON, MAKELPARAM(40, 40));
    PostMessageA(c, WM_ACTIVATEAPP, FALSE, 0);
    report("input_sent 1 cursor %ld,%ld", p.x, p.y);
    pump(300);
}

static HWND make_host(void)
{
    WNDCLASSA wc;
    RECT r = {0, 0, 152, 112};
    HWND w;
    memset(&wc, 0, sizeof wc);
    wc.lpfnWndProc = host_proc;
    wc.hInstance = GetModuleHandleA(NULL);
    wc.hCursor = LoadCursorA(NULL, IDC_ARROW);
    wc.hbrBackground = (HBRUSH)GetStockObject(GRAY_BRUSH);
    wc.lpszClassName = "VireloPreviewHost";
    RegisterClassA(&wc);
    AdjustWindowRect(&r, WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU, FALSE);
    w = CreateWindowExA(0, wc.lpszClassName, "Virelo Preview Host",
                        WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_VISIBLE, 40, 40,
                        r.right - r.left, r.bottom - r.top, NULL, NULL, wc.hInstance, NULL);
    if (w)
        pump(100);
    return w;
}

/* The host window in a process of its own (-o): its handle from the first line it prints. */
static HWND owned_host(void)
{
    SECURITY_ATTRIBUTES sa = {sizeof sa, NULL, TRUE};
    STARTUPINFOA si;
    HANDLE rd, wr;
    char self[MAX_PATH], cmd[MAX_PATH + 16], line[64] = "";
    DWORD n, got = 0;
    if (!CreatePipe(&rd, &wr, &sa, 0))
        return NULL;
    SetHandleInformation(rd, HANDLE_FLAG_INHERIT, 0);
    GetModuleFileNameA(NULL, self, sizeof self);
    snprintf(cmd, sizeof cmd, "\"%s\" -window", self);
    memset(&si, 0, sizeof si);
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = wr;
    si.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    if (!CreateProcessA(self, cmd, NULL, NULL, TRUE, 0, NULL, NULL, &si, &owner))
        return NULL;
    CloseHandle(wr);
    while (got < sizeof line - 1 && !strchr(line, '\n') && ReadFile(rd, line + got, 1, &n, NULL) && n)
        got += n;
    CloseHandle(rd);
    return (HWND)(ULONG_PTR)strtoul(line, NULL, 10);
}

int main(int argc, char **argv)
{
    const char *module, *argfmt = "/p %u";
    char args[64], cmdline[2048];
    STARTUPINFOA si;
    RECT r;
    int i = 2, status = 0, own = 0;

    if (argc == 2 && strcmp(argv[1], "-window") == 0) {
        HWND w = make_host();
        printf("%lu\n", (unsigned long)(ULONG_PTR)w);
        fflush(stdout);
        for (;;)
            pump(1000);
    }
    if (argc < 2) {
        fprintf(stderr, "usage: preview_host MODULE [-a ARGFORMAT] [-o] COMMAND...\n");
        return 3;
    }
    module = argv[1];
    for (;;) {
        if (argc > i + 1 && strcmp(argv[i], "-a") == 0) {
            argfmt = argv[i + 1];
            i += 2;
        } else if (argc > i && strcmp(argv[i], "-o") == 0) {
            own = 1;
            i++;
        } else {
            break;
        }
    }

    host = own ? owned_host() : make_host();
    if (!host || !IsWindow(host)) {
        report("error host_window %lu", GetLastError());
        return 2;
    }
    GetClientRect(host, &r);
    report("host_hwnd %lu", (unsigned long)(ULONG_PTR)host);
    report("host_client %ldx%ld", r.right, r.bottom);

    snprintf(args, sizeof args, argfmt, (unsigned)(ULONG_PTR)host);
    snprintf(cmdline, sizeof cmdline, "\"%s\" %s", module, args);
    memset(&si, 0, sizeof si);
    si.cb = sizeof si;
    if (!CreateProcessA(module, cmdline, NULL, NULL, FALSE, 0, NULL, NULL, &si, &saver)) {
        report("error create_process %lu", GetLastError());
        return 2;
    }
    report("started %s", cmdline);

    for (; i < argc; i++) {
        const char *cmd = argv[i];
        DWORD ms = (i + 1 < argc) ? (DWORD)strtoul(argv[i + 1], NULL, 10) : 0;
        if (strcmp(cmd, "wait") == 0) {
            pump(ms);
            i++;
        } else if (strcmp(cmd, "find") == 0) {
            DWORD start = GetTickCount();
            HWND c;
            while (!(c = first_child()) && GetTickCount() - start < ms && saver_running())
                pump(20);
            /* Give the child a moment to finish its creation before looking at it. */
            if (c) {
                pump(200);
                c = first_child();
            }
            if (c)
                report_child(c);
            else {
                report("child_none after %lu ms (saver running %d)", GetTickCount() - start, saver_running());
                status = 2;
            }
            i++;
        } else if (strcmp(cmd, "input") == 0) {
            HWND c = first_child();
            if (c)
                send_input(c);
            else {
                report("input_sent 0 (no child)");
                status = 2;
            }
        } else if (strcmp(cmd, "alive") == 0) {
            HWND c = first_child();
            char cls[256] = "";
            if (c)
                GetClassNameA(c, cls, sizeof cls);
            report("alive child %d class %s saver_running %d", c ? 1 : 0, c ? cls : "-", saver_running());
        } else if (strcmp(cmd, "destroy") == 0 || strcmp(cmd, "close") == 0 || strcmp(cmd, "kill") == 0) {
            DWORD t0 = GetTickCount();
            if (cmd[0] == 'd')
                DestroyWindow(host);
            else if (cmd[0] == 'c')
                PostMessageA(host, WM_CLOSE, 0, 0);
            else if (!owner.hProcess || !TerminateProcess(owner.hProcess, 1))
                status = 2;
            if (cmd[0] == 'k')
                WaitForSingleObject(owner.hProcess, 5000);
            pump(50);
            report("host_destroyed %d", IsWindow(host) ? 0 : 1);
            wait_saver(ms);
            report("saver_end_ms %lu", GetTickCount() - t0);
            i++;
        } else {
            report("error unknown_command %s", cmd);
            status = 3;
            break;
        }
    }

    if (saver_running()) {
        report("running");
        TerminateProcess(saver.hProcess, 99);
        WaitForSingleObject(saver.hProcess, 5000);
    } else {
        DWORD code = 0;
        GetExitCodeProcess(saver.hProcess, &code);
        report("exit %lu", (unsigned long)code);
    }
    if (owner.hProcess)
        TerminateProcess(owner.hProcess, 1);
    else if (host && IsWindow(host))
        DestroyWindow(host);
    return status;
}
