// Program entry point.
#include <windows.h>

#include "platform/win32/application.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) { return win32::runApplication(instance, show); }
