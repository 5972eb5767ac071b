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
# then its stack is corrupted. scripts/test.sh runs this with the 32-bit
# tests.
#   scripts/check-callbacks.sh
set -euo pipefail
cd "$(dirname "$0")/.."
types='WNDPROC|DLGPROC|WNDENUMPROC|HOOKPROC|TIMERPROC|SUBCLASSPROC|MONITORENUMPROC|LPTHREAD_START_ROUTINE|WAITORTIMERCALLBACK|PTP_[A-Z_]+CALLBACK'
if grep -rnE "_cast<\s*($types)\s*>|\(\s*($types)\s*\)\s*[&A-Za-z_]" app core shared ui; then
    echo "check-callbacks: a cast to a callback type (above) can hide a function without CALLBACK;" \
        "give the function CALLBACK and pass it without a cast" >&2
    exit 1
fi
echo "check-callbacks: no cast to a callback type in app/, core/, shared/, ui/"
