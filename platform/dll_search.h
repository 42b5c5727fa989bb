#pragma once

namespace tavori::win32 {

// Loads every DLL asked for by name from System32 only, so that a DLL planted beside
// tavori.exe (a downloads folder) or in the working folder is never run. Call it first in
// wWinMain: comctl32, delay-loaded on its first call, and whatever it and COM pull in are then
// found in System32 (comctl32 version 6 still comes from the manifest's side-by-side assembly).
void RestrictDllSearchToSystemFolder();

}  // namespace tavori::win32
