/* The class id under which rejserver.c registers its object and
   rejclient.c looks for it. */
#pragma once
#include <windows.h>

static const CLSID kRejectingClass = {0x5d1e2b8a, 0x7c3f, 0x4e19, {0x9a, 0x6b, 0x3f, 0x0c, 0x8d, 0x2e, 0x4a, 0x99}};
