// Calls that reader threads hand to the user-interface thread (drawing, message boxes).
#include "acquisition/acquisition.h"
#include "core/core.h"

void RunOnUserInterfaceThread(void (*fn)(LPARAM), LPARAM arg)
{
    if (IsUserInterfaceThread()) {
        fn(arg);
        return;
    }
    // The GPS monitor window exists from start-up to the end; its procedure runs the call and the reader waits.
    HWND hwnd = hwndGpsMonitor;
    if (hwnd && IsWindow(hwnd)) SendMessage(hwnd, WM_RUN_ON_UI_THREAD, (WPARAM)fn, arg);
}
