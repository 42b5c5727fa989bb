#pragma once

#include <windows.h>

// The WMI probe written plainly, as a program would without any of TAVORI's layers: bind to
// ROOT\CIMV2, run "SELECT Name FROM Win32_Process WHERE Name='<image>'", count the rows and
// release everything, on every call. The caller's thread must have COM started, with process
// security at the impersonate level. Returns the row count, or -1 when a step failed.
int PlainWmiProcessCount(const wchar_t* imageName);
