#include <windows.h>

#include "app/mainwindow.h"

// The command line and the starter's show command are not used: the window
// always covers the monitor under the cursor.
int WINAPI wWinMain(HINSTANCE hInstance, HINSTANCE, LPWSTR, int)
{
    return RunPicker(hInstance);
}
