// Resource ids shared by res/tavori.rc and the Win32 code.
#pragma once

// The program icon, loaded with LoadIconW(instance, MAKEINTRESOURCEW(IDI_TAVORI)).
#define IDI_TAVORI 1
