#pragma once
// Resource ids shared by the resource scripts and the code.
#define MARSITEL_IDB_SPLASH 101
