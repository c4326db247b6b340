// Resource numbers, shared by the resource script and the code.
#pragma once

#define IDS_APP_TITLE   103  // window title
#define IDI_OCRKELVANE  107  // the class's large icon
#define IDI_SMALL       108  // the class's small icon
#define IDC_OCRKELVANE  109  // window class string and accelerator table
#define IDM_EXIT        105  // command that destroys the window, from any sender
