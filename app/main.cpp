// The program's entry point and its one application object.
#include <windows.h>

#include "pivotdesk.h"

CpivotdeskApp theApp;

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previous, LPWSTR commandLine, int show) {
    return AfxWinMain(instance, previous, commandLine, show);
}
