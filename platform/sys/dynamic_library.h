#pragma once
// Loading shared libraries, as LoadLibrary/GetProcAddress/GetModuleFileName do on Windows.

#include <string>
#include <string_view>

namespace vx {

using ModuleHandle = void*;

// A path with a '/' is loaded as given; a bare name goes through the system's library search.
// nullptr on failure, with ERROR_MOD_NOT_FOUND in GetLastError() and the loader's own words in
// LastLoadFailure().
ModuleHandle LoadLibrary(std::u16string_view path);
void* GetProcAddress(ModuleHandle module, const char* symbol);
std::string LastLoadFailure();

// The file of the loaded module that contains `address` (a function or object of that module).
std::u16string GetModuleFileName(const void* address);

} // namespace vx
