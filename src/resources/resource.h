// Resource ids of the program.
#pragma once

#define IDR_MAINFRAME 2
#define IDI_MAINFRAME 2
