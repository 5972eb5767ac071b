/* The server half of the refused call (rejclient.c shows the fault): a
   64-bit COM server with no code of ours. One object with IDispatch is
   registered as the active object of a class id of its own, and a message
   filter refuses every call to it, as a busy application does; COM's own
   calls (IRemUnknown) pass. Prints "serving" once registered, then serves
   for five minutes, as long as the client may take, or until it is ended. */
#define COBJMACROS
#include <windows.h>
#include <objbase.h>
#include <oleauto.h>
#include <stdio.h>

#include "rejected_call.h"

static HRESULT STDMETHODCALLTYPE ObjectQueryInterface(IDispatch *self, REFIID iid, void **out) {
    if (IsEqualIID(iid, &IID_IUnknown) || IsEqualIID(iid, &IID_IDispatch)) {
        *out = self;
        return S_OK;
    }
    *out = NULL;
    return E_NOINTERFACE;
}

/* The object is static: counting references would change nothing. */
static ULONG STDMETHODCALLTYPE ObjectAddRef(IDispatch *self) {
    (void)self;
    return 2;
}

static ULONG STDMETHODCALLTYPE ObjectRelease(IDispatch *self) {
    (void)self;
    return 1;
}

static HRESULT STDMETHODCALLTYPE ObjectGetTypeInfoCount(IDispatch *self, UINT *count) {
    (void)self;
    *count = 0;
    return S_OK;
}

static HRESULT STDMETHODCALLTYPE ObjectGetTypeInfo(IDispatch *self, UINT index, LCID locale, ITypeInfo **info) {
    (void)self, (void)index, (void)locale;
    *info = NULL;
    return E_NOTIMPL;
}

static HRESULT STDMETHODCALLTYPE ObjectGetIDsOfNames(IDispatch *self, REFIID iid, LPOLESTR *names, UINT count,
                                                     LCID locale, DISPID *ids) {
    (void)self, (void)iid, (void)names, (void)count, (void)locale, (void)ids;
    return E_NOTIMPL;
}

static HRESULT STDMETHODCALLTYPE ObjectInvoke(IDispatch *self, DISPID id, REFIID iid, LCID locale, WORD flags,
                                              DISPPARAMS *parameters, VARIANT *result, EXCEPINFO *exception,
                                              UINT *wrong_argument) {
    (void)self, (void)id, (void)iid, (void)locale, (void)flags, (void)parameters, (void)result, (void)exception,
        (void)wrong_argument;
    return E_NOTIMPL;
}

static IDispatchVtbl object_vtbl = {ObjectQueryInterface, ObjectAddRef,        ObjectRelease, ObjectGetTypeInfoCount,
                                    ObjectGetTypeInfo,    ObjectGetIDsOfNames, ObjectInvoke};
static IDispatch object = {&object_vtbl};

static HRESULT STDMETHODCALLTYPE FilterQueryInterface(IMessageFilter *self, REFIID iid, void **out) {
    if (IsEqualIID(iid, &IID_IUnknown) || IsEqualIID(iid, &IID_IMessageFilter)) {
        *out = self;
        return S_OK;
    }
    *out = NULL;
    return E_NOINTERFACE;
}

static ULONG STDMETHODCALLTYPE FilterAddRef(IMessageFilter *self) {
    (void)self;
    return 2;
}

static ULONG STDMETHODCALLTYPE FilterRelease(IMessageFilter *self) {
    (void)self;
    return 1;
}

static DWORD STDMETHODCALLTYPE FilterHandleInComingCall(IMessageFilter *self, DWORD type, HTASK caller, DWORD tick,
                                                        LPINTERFACEINFO info) {
    (void)self, (void)type, (void)caller, (void)tick;
    return info && IsEqualIID(&info->iid, &IID_IDispatch) ? SERVERCALL_REJECTED : SERVERCALL_ISHANDLED;
}

/* This server makes no calls of its own: the other two are never asked. */
static DWORD STDMETHODCALLTYPE FilterRetryRejectedCall(IMessageFilter *self, HTASK callee, DWORD elapsed,
                                                       DWORD rejection) {
    (void)self, (void)callee, (void)elapsed, (void)rejection;
    return (DWORD)-1;
}

static DWORD STDMETHODCALLTYPE FilterMessagePending(IMessageFilter *self, HTASK callee, DWORD elapsed, DWORD type) {
    (void)self, (void)callee, (void)elapsed, (void)type;
    return PENDINGMSG_WAITDEFPROCESS;
}

static IMessageFilterVtbl filter_vtbl = {FilterQueryInterface,     FilterAddRef,           FilterRelease,
                                         FilterHandleInComingCall, FilterRetryRejectedCall, FilterMessagePending};
static IMessageFilter filter = {&filter_vtbl};

int main(void) {
    DWORD registration = 0;
    IMessageFilter *previous = NULL;
    MSG message;
    CoInitialize(NULL);
    CoRegisterMessageFilter(&filter, &previous);
    if (FAILED(RegisterActiveObject((IUnknown *)&object, &kRejectingClass, ACTIVEOBJECT_STRONG, &registration))) {
        printf("not registered\n");
        return 2;
    }
    printf("serving\n");
    fflush(stdout);
    const DWORD end = GetTickCount() + 300000;
    while (GetTickCount() < end) {
        MsgWaitForMultipleObjects(0, NULL, FALSE, 100, QS_ALLINPUT);
        while (PeekMessageW(&message, NULL, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    }
    RevokeActiveObject(registration, NULL);
    CoUninitialize();
    return 0;
}
