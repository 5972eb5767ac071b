#!/usr/bin/env bash
# Refuses a cast to one of the system's callback types in the program's
# sources (app/, core/, shared/, ui/). A function handed to the system as a callback
# must have the system's calling convention (CALLBACK), which 32-bit code
# tells apart: for such a parameter the compiler refuses any other function,
# unless a cast silences it. What such a cast hides, no run of ours can see:
# Wine calls window procedures through a wrapper that puts the stack pointer
# back, and its other callers keep frame pointers, so the stack that the
# callback leaves unbalanced is mended before it does harm. Only a caller
# that relies on its stack pointer, as optimised code may, is hurt, and
# then its stack is corrupted. A test of the 32-bit build
# (tests/bitness/CMakeLists.txt), run even where its other tests cannot run.
#   tests/bitness/callback_casts.sh
set -euo pipefail
cd "$(dirname "$0")/../.."
# The callback types go by the shape of their names: WNDPROC, DLGPROC,
# HOOKPROC, TIMERPROC, PAPCFUNC, LPTHREAD_START_ROUTINE, PTIMERAPCROUTINE,
# LPOVERLAPPED_COMPLETION_ROUTINE, WAITORTIMERCALLBACK, PTP_WORK_CALLBACK and
# their kin.
type='\b[A-Z_]+(?:PROC|ROUTINE|FUNC|CALLBACK|CALLBACK_FUNCTION|EXCEPTION_HANDLER|EXCEPTION_FILTER)[AW]?\b'
# A cast to one, written as a C++ cast, in C's way or as a function call,
# even across lines; and a window or dialog procedure passed as a number,
# which takes a cast to LONG_PTR or LONG whatever the procedure is.
casts="_cast\s*<\s*$type\s*>|\(\s*$type\s*\)\s*(?!noexcept|const|override)[&\w(:]|$type\s*\(|\b(?:GWLP?|GCLP?|DWLP?)_(?:WNDPROC|DLGPROC)\b"
# Each file is read as one line (-z), so that a cast split across lines is
# found too; grep's 1 says that there is none.
found=$(grep -rIPzo "$casts" app core shared ui | tr '\0' '\n') || [ $? -eq 1 ]
if [ -n "$found" ]; then
    printf '%s\n' "$found"
    echo "callback_casts: a cast to a callback type (above) can hide a function without CALLBACK;" \
        "give the function CALLBACK and pass it without a cast (a window's procedure is replaced" \
        "without one through SetWindowSubclass)" >&2
    exit 1
fi
echo "callback_casts: no cast to a callback type in app/, core/, shared/, ui/"
