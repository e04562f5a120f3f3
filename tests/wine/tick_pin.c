/* Runs a program with its clock pinned: every call it makes to KERNEL32's GetTickCount
   returns TICKS. The saver seeds its walkers from that clock, so a pinned clock makes the
   picture a function of (TICKS, screen, ticks drawn) that virelo-render can reproduce.

   tick_pin.exe TICKS PROGRAM [ARGS...]

   Reports "pid N" (the program's process id) and "slot 0x..." (the patched import slot)
   once the program runs, then waits for it and exits with its exit code. Failures before
   the program runs exit 120 and up with an "error ..." line.

   How: the program starts as a debuggee. At the loader's breakpoint the imports are bound
   but the program's entry has not run; its import address table slot for GetTickCount is
   pointed at a stub ("mov eax, TICKS; ret") in its own memory, and the debugger detaches.
   Only the program's own calls go through that slot: the system DLLs keep the real clock,
   so their timers and waits are untouched. Built for the program's own architecture: the
   image's headers and import slots (4 or 8 bytes) are read with this build's own types. */
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "probe_common.h"

static HANDLE child;

static int fail(int code, const char *what)
{
    report("error %s (%lu)", what, (unsigned long)GetLastError());
    if (child)
        TerminateProcess(child, 1);
    return code;
}

static BOOL peek(ULONG_PTR at, void *out, SIZE_T n)
{
    SIZE_T got = 0;
    return ReadProcessMemory(child, (LPCVOID)at, out, n, &got) && got == n;
}

/* The address of the import slot for DLL!NAME in the image at base, 0 when it has none.
   Read from the debuggee: the loader has bound the table by now, so the lookup uses the
   name table (OriginalFirstThunk), the only place the names remain. */
static ULONG_PTR find_import(ULONG_PTR base, const char *dll, const char *name)
{
    IMAGE_DOS_HEADER dos;
    IMAGE_NT_HEADERS nt;
    IMAGE_IMPORT_DESCRIPTOR d;
    DWORD at;
    if (!peek(base, &dos, sizeof dos) || dos.e_magic != IMAGE_DOS_SIGNATURE ||
        !peek(base + dos.e_lfanew, &nt, sizeof nt) || nt.Signature != IMAGE_NT_SIGNATURE ||
        nt.OptionalHeader.Magic != IMAGE_NT_OPTIONAL_HDR_MAGIC)
        return 0;
    at = nt.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress;
    for (; at && peek(base + at, &d, sizeof d) && d.Name; at += sizeof d) {
        char text[64] = "";
        ULONG_PTR thunk;
        DWORD names = d.OriginalFirstThunk ? d.OriginalFirstThunk : d.FirstThunk, i;
        if (!peek(base + d.Name, text, sizeof text - 1) || lstrcmpiA(text, dll) != 0)
            continue;
        for (i = 0; peek(base + names + i * sizeof thunk, &thunk, sizeof thunk) && thunk; i++) {
            if (IMAGE_SNAP_BY_ORDINAL(thunk))
                continue;
            memset(text, 0, sizeof text);
            /* IMAGE_IMPORT_BY_NAME: a 2-byte hint, then the name */
            if (peek(base + (DWORD)thunk + 2, text, sizeof text - 1) && strcmp(text, name) == 0)
                return base + d.FirstThunk + i * sizeof thunk;
        }
    }
    return 0;
}

static ULONG_PTR pin(ULONG_PTR base, DWORD ticks)
{
    unsigned char stub[6] = {0xB8, 0, 0, 0, 0, 0xC3}; /* mov eax, imm32; ret */
    ULONG_PTR slot = find_import(base, "KERNEL32.dll", "GetTickCount");
    void *code;
    DWORD old;
    ULONG_PTR target;
    if (!slot)
        return 0;
    memcpy(stub + 1, &ticks, 4);
    code = VirtualAllocEx(child, NULL, sizeof stub, MEM_COMMIT | MEM_RESERVE, PAGE_EXECUTE_READWRITE);
    if (!code || !WriteProcessMemory(child, code, stub, sizeof stub, NULL))
        return 0;
    FlushInstructionCache(child, code, sizeof stub);
    /* The table may sit in a read-only section (the loader protects it once bound). */
    target = (ULONG_PTR)code;
    if (!VirtualProtectEx(child, (void *)slot, sizeof target, PAGE_READWRITE, &old))
        return 0;
    if (!WriteProcessMemory(child, (void *)slot, &target, sizeof target, NULL))
        return 0;
    VirtualProtectEx(child, (void *)slot, sizeof target, old, &old);
    return slot;
}

int main(int argc, char **argv)
{
    STARTUPINFOA si;
    PROCESS_INFORMATION pi;
    DEBUG_EVENT ev;
    char cmd[4096] = "";
    ULONG_PTR base = 0, slot = 0;
    DWORD ticks, code = 1;
    int i;
    if (argc < 3) {
        fputs("usage: tick_pin.exe TICKS PROGRAM [ARGS...]\n", stderr);
        return 2;
    }
    memset(&si, 0, sizeof si);
    si.cb = sizeof si;
    ticks = (DWORD)strtoul(argv[1], NULL, 10);
    for (i = 2; i < argc; i++) {
        size_t n = strlen(cmd);
        snprintf(cmd + n, sizeof cmd - n, i == 2 ? "\"%s\"" : " %s", argv[i]);
    }
    if (!CreateProcessA(NULL, cmd, NULL, NULL, FALSE, DEBUG_ONLY_THIS_PROCESS, NULL, NULL, &si, &pi))
        return fail(120, "CreateProcess");
    child = pi.hProcess;

    while (!slot) {
        DWORD how = DBG_CONTINUE;
        if (!WaitForDebugEvent(&ev, 30000))
            return fail(121, "no loader breakpoint within 30 s");
        switch (ev.dwDebugEventCode) {
        case CREATE_PROCESS_DEBUG_EVENT:
            base = (ULONG_PTR)ev.u.CreateProcessInfo.lpBaseOfImage;
            if (ev.u.CreateProcessInfo.hFile)
                CloseHandle(ev.u.CreateProcessInfo.hFile);
            break;
        case LOAD_DLL_DEBUG_EVENT:
            if (ev.u.LoadDll.hFile)
                CloseHandle(ev.u.LoadDll.hFile);
            break;
        case EXIT_PROCESS_DEBUG_EVENT:
            return fail(122, "the program ended before its entry");
        case EXCEPTION_DEBUG_EVENT:
            if (ev.u.Exception.ExceptionRecord.ExceptionCode != EXCEPTION_BREAKPOINT) {
                how = DBG_EXCEPTION_NOT_HANDLED;
                break;
            }
            /* The first breakpoint is the loader's: imports bound, entry not yet run. */
            slot = pin(base, ticks);
            if (!slot)
                return fail(123, "could not pin GetTickCount");
            break;
        }
        ContinueDebugEvent(ev.dwProcessId, ev.dwThreadId, how);
    }
    DebugSetProcessKillOnExit(FALSE);
    if (!DebugActiveProcessStop(pi.dwProcessId))
        return fail(124, "DebugActiveProcessStop");
    report("pid %lu", (unsigned long)pi.dwProcessId);
    report("slot 0x%llx", (unsigned long long)slot);
    WaitForSingleObject(pi.hProcess, INFINITE);
    GetExitCodeProcess(pi.hProcess, &code);
    return (int)code;
}
