/* Test double for the platform's password module, built as PASSWORD.CPL and placed
   beside a copy of the module under test (the application directory is searched first).

   VerifyScreenSavePwd(HWND) answers from "pwscript.txt" next to this DLL: blank-separated
   tokens used one per call, "0" or "1" (the answer), optionally followed by "+", which
   posts WM_CLOSE to the given window just before answering (a close request that arrives
   right after the answer), or "!", which faults (a write through a null pointer) instead of
   answering. When the list is used up the answer is 1.

   Every event is appended to "pwlog.txt" next to this DLL, one line each:
     attach tick=T
     call n=N tick=T answer=A class=C title=S visible=V
     posted-close tick=T
     fault n=N
     detach tick=T */
#include <windows.h>
#include <stdio.h>
#include <string.h>

static char dir[MAX_PATH];
static int calls;

static void log_line(const char *fmt, ...)
{
    char path[MAX_PATH + 16];
    FILE *f;
    va_list ap;
    snprintf(path, sizeof path, "%spwlog.txt", dir);
    f = fopen(path, "a");
    if (!f)
        return;
    va_start(ap, fmt);
    vfprintf(f, fmt, ap);
    va_end(ap);
    fputc('\n', f);
    fclose(f);
}

/* Token number n (0-based) of the script, or NULL when there is none. */
static const char *script_token(int n, char *buf, size_t len)
{
    char path[MAX_PATH + 16];
    FILE *f;
    int i = 0;
    snprintf(path, sizeof path, "%spwscript.txt", dir);
    f = fopen(path, "r");
    if (!f)
        return NULL;
    while (fscanf(f, "%15s", buf) == 1) {
        if (i++ == n) {
            fclose(f);
            buf[len - 1] = 0;
            return buf;
        }
    }
    fclose(f);
    return NULL;
}

BOOL WINAPI DllMain(HINSTANCE inst, DWORD reason, LPVOID reserved)
{
    (void)reserved;
    if (reason == DLL_PROCESS_ATTACH) {
        char *slash;
        GetModuleFileNameA(inst, dir, sizeof dir);
        slash = strrchr(dir, '\\');
        if (slash)
            slash[1] = 0;
        else
            dir[0] = 0;
        log_line("attach tick=%lu", GetTickCount());
    } else if (reason == DLL_PROCESS_DETACH) {
        log_line("detach tick=%lu", GetTickCount());
    }
    return TRUE;
}

__declspec(dllexport) BOOL WINAPI VerifyScreenSavePwd(HWND hwnd)
{
    char tok[16], cls[128] = "", title[128] = "";
    int answer = 1, post = 0, fault = 0;
    calls++;
    if (script_token(calls - 1, tok, sizeof tok)) {
        answer = tok[0] != '0';
        post = strchr(tok, '+') != NULL;
        fault = tok[0] == '!';
    }
    if (fault) {
        log_line("fault n=%d", calls);
        *(volatile int *)0 = 0;
    }
    GetClassNameA(hwnd, cls, sizeof cls);
    GetWindowTextA(hwnd, title, sizeof title);
    log_line("call n=%d tick=%lu answer=%d class=%s title=%s visible=%d", calls, GetTickCount(), answer,
             cls, title, IsWindowVisible(hwnd) ? 1 : 0);
    if (post) {
        PostMessageA(hwnd, WM_CLOSE, 0, 0);
        log_line("posted-close tick=%lu", GetTickCount());
    }
    return answer;
}
