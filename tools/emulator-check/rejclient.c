/* A 32-bit client with no code of ours calls a 64-bit COM server that
   refuses the call (rejserver.c): it must get RPC_E_CALL_REJECTED
   (0x80010001) back. Wine's RPC raises the refusal as an exception inside
   the client and catches it again, which takes the emulator handing the
   fault to Wine's fault handler as the processor would.
   Under qemu 7.2, in each of three runs, the client died at the call with
   "wine: Unhandled illegal instruction at address 00000000 (thread 0154),
   starting debugger..." and never printed the answer.
   Under qemu 10.0, as natively: "call answered 0x80010001", "client ended",
   exit code 0. */
#define COBJMACROS
#include <windows.h>
#include <objbase.h>
#include <oleauto.h>
#include <stdio.h>

#include "rejected_call.h"

int main(void) {
    IUnknown *unknown = NULL;
    IDispatch *dispatch = NULL;
    UINT count = 0;
    CoInitialize(NULL);
    HRESULT status = GetActiveObject(&kRejectingClass, NULL, &unknown);
    if (FAILED(status)) {
        printf("no active object: 0x%08lx\n", (unsigned long)status);
        return 2;
    }
    status = IUnknown_QueryInterface(unknown, &IID_IDispatch, (void **)&dispatch);
    if (FAILED(status)) {
        printf("no IDispatch: 0x%08lx\n", (unsigned long)status);
        return 2;
    }
    status = IDispatch_GetTypeInfoCount(dispatch, &count);
    printf("call answered 0x%08lx\n", (unsigned long)status);
    fflush(stdout);
    IDispatch_Release(dispatch);
    IUnknown_Release(unknown);
    CoUninitialize();
    printf("client ended\n");
    return status == RPC_E_CALL_REJECTED ? 0 : 1;
}
