/* A 32-bit program with no code of ours: the main thread reads its own
   thread id over and over while a second thread starts and joins 3000 short
   threads, as Wine's RPC does for calls, and a third suspends and resumes
   the main thread, which Wine does with a signal each time. The id read
   must never change. "churn nosuspend" leaves the third thread out.
   Under qemu 7.2 it never printed its line; in three runs it ended with
   "qemu: uncaught target signal 11 (Segmentation fault) - core dumped"
   (exit code 139), with "wine client error:1c4: " (exit code 1), and not
   at all within five minutes.
   Under qemu 10.0, as natively: "main: N checks, 0 with another thread id",
   exit code 0. */
#include <windows.h>
#include <stdio.h>
#include <string.h>

static volatile LONG stop;
static HANDLE main_thread;

static DWORD WINAPI Nothing(void *unused) {
    (void)unused;
    return GetCurrentThreadId() == 0;
}

static DWORD WINAPI Churn(void *unused) {
    (void)unused;
    for (int i = 0; i < 3000; ++i) {
        HANDLE thread = CreateThread(NULL, 0, Nothing, NULL, 0, NULL);
        WaitForSingleObject(thread, INFINITE);
        CloseHandle(thread);
    }
    stop = 1;
    return 0;
}

static DWORD WINAPI Suspender(void *unused) {
    (void)unused;
    while (!stop) {
        CONTEXT context;
        context.ContextFlags = CONTEXT_FULL;
        SuspendThread(main_thread);
        GetThreadContext(main_thread, &context);
        ResumeThread(main_thread);
        Sleep(1);
    }
    return 0;
}

int main(int argc, char **argv) {
    const int suspend = !(argc > 1 && strcmp(argv[1], "nosuspend") == 0);
    const DWORD id = GetCurrentThreadId();
    unsigned long checks = 0, wrong = 0;
    DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &main_thread, 0, FALSE,
                    DUPLICATE_SAME_ACCESS);
    HANDLE churn = CreateThread(NULL, 0, Churn, NULL, 0, NULL);
    HANDLE suspender = suspend ? CreateThread(NULL, 0, Suspender, NULL, 0, NULL) : NULL;
    while (!stop) {
        if (GetCurrentThreadId() != id) ++wrong;
        ++checks;
    }
    WaitForSingleObject(churn, INFINITE);
    if (suspender) WaitForSingleObject(suspender, INFINITE);
    printf("main: %lu checks, %lu with another thread id\n", checks, wrong);
    return wrong != 0;
}
