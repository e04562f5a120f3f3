/* What the Win32 test helpers share: one reporting line at a time on stdout (flushed, so
   the driving script sees it at once) and a message pump that waits without spinning. */
#ifndef VIRELO_PROBE_COMMON_H
#define VIRELO_PROBE_COMMON_H

#include <windows.h>
#include <stdarg.h>
#include <stdio.h>

static void report(const char *fmt, ...)
{
    va_list ap;
    va_start(ap, fmt);
    vprintf(fmt, ap);
    va_end(ap);
    putchar('\n');
    fflush(stdout);
}

/* Pump this thread's messages for ms milliseconds. */
static inline void pump(DWORD ms)
{
    DWORD start = GetTickCount();
    for (;;) {
        MSG m;
        DWORD spent;
        while (PeekMessageA(&m, NULL, 0, 0, PM_REMOVE)) {
            TranslateMessage(&m);
            DispatchMessageA(&m);
        }
        spent = GetTickCount() - start;
        if (spent >= ms)
            return;
        MsgWaitForMultipleObjects(0, NULL, FALSE, ms - spent, QS_ALLINPUT);
    }
}

#endif
