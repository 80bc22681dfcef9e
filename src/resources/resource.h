// Resource ids of the program. The resources themselves are referred to by
// number everywhere; these names exist for the Win32 layer's convenience.
#pragma once

#define IDR_MAINFRAME 2
#define IDI_MAINFRAME 2
#define IDB_BACKGROUND 126

// Controls without an id of their own.
#define IDC_STATIC -1
