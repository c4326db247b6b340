// What a process holds, on every system and architecture, for the soak.
#pragma once

#include <windows.h>

DWORD CountGdiObjects();  // this process's GDI objects
SIZE_T PrivateBytes();    // PrivateUsage, or the page-file usage where the system leaves that 0 (Wine)
