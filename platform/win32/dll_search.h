#pragma once

namespace tavori::win32 {

// Load DLLs from the system folder only, before anything (COM above all) loads one: a DLL
// planted beside tavori.exe or in the working folder is never picked up.
void RestrictDllSearchToSystemFolder();

}  // namespace tavori::win32
