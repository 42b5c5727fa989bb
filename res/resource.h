// Resource ids shared by res/tavori.rc and the Win32 code.
#pragma once

// The program icon, res/tavori.ico, loaded at the system's icon size.
#define IDI_TAVORI 1
