// Entry point of Velkmira.exe: the application object does everything.
#include "app/velkmira_app.h"
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) { return velk::RunApplication(theApp); }
