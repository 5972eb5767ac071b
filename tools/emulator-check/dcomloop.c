/* A 32-bit program with no code of ours calls through a proxy to an object
   of another process, as every client of an automation server does: the
   shell windows of Wine's desktop process (explorer.exe, 64-bit), from a
   single-threaded apartment. Each call waits in a message loop of COM's
   while threads of Wine's RPC carry it. It must end with "N calls" for the
   N asked (3000 unless given).
   Under qemu 7.2, in two of three runs, all 3000 calls were answered and
   the program then died as it ended: "qemu: uncaught target signal 11
   (Segmentation fault) - core dumped", exit code 139; the third run passed.
   Under qemu 10.0, as natively: "3000 calls", exit code 0. */
#define COBJMACROS
#include <windows.h>
#include <exdisp.h>
#include <shlguid.h>
#include <stdio.h>
#include <stdlib.h>

int main(int argc, char **argv) {
    const int wanted = argc > 1 ? atoi(argv[1]) : 3000;
    IShellWindows *windows = NULL;
    int calls = 0;
    CoInitialize(NULL);
    HRESULT status = CoCreateInstance(&CLSID_ShellWindows, NULL, CLSCTX_LOCAL_SERVER, &IID_IShellWindows,
                                      (void **)&windows);
    if (FAILED(status)) {
        printf("no shell windows: 0x%08lx\n", (unsigned long)status);
        return 2;
    }
    const DWORD start = GetTickCount();
    for (; calls < wanted; ++calls) {
        long count = -1;
        status = IShellWindows_get_Count(windows, &count);
        /* Wine's shell windows answer E_NOTIMPL: an answer all the same. */
        if (status != E_NOTIMPL && FAILED(status)) {
            printf("call %d: 0x%08lx\n", calls, (unsigned long)status);
            break;
        }
        if (calls % 500 == 0) {
            printf("%d calls, %lu ms\n", calls, (unsigned long)(GetTickCount() - start));
            fflush(stdout);
        }
    }
    printf("%d calls\n", calls);
    IShellWindows_Release(windows);
    CoUninitialize();
    return calls == wanted ? 0 : 1;
}
