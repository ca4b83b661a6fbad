#pragma once
// Functions in this file:
//   ProcAddress - a function of a loaded module, by name and typed; null
//                 where the module (an older Windows's) lacks it
#include <windows.h>

template <class Function>
Function ProcAddress(HMODULE module, const char* name) {
    if (!module) return nullptr;
    // GetProcAddress answers a generic function pointer; passing through
    // void(*)() tells the compiler that the change of type is meant.
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(::GetProcAddress(module, name)));
}
