#pragma once
// Resource ids shared by the resource scripts and the code.
// The application icon: the executable's only icon group, so Explorer
// shows it, and the windows' class icon.
#define MARSITEL_IDI_APP 100
#define MARSITEL_IDB_SPLASH 101
