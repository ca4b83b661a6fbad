#pragma once
// The text work behind the installer's entry in the machine PATH, kept apart
// from the registry so that tests call it directly:
//   NamesFolder   whether one PATH entry names a folder
//   HoldsFolder   whether any entry of a PATH value does
//   WithFolder    a PATH value with the folder appended as its last entry
//   WithoutFolder a PATH value with that entry taken out again
#include <string>
#include <string_view>

namespace pathentry {

// Case folded; blanks around the entry, quotes around it and one trailing
// backslash do not count.
bool NamesFolder(std::wstring_view entry, std::wstring_view folder);
bool HoldsFolder(std::wstring_view path, std::wstring_view folder);

// Appends ";" + folder, or the folder alone to an empty value. The separator
// is always ours, even after a value that ends in ";", so that taking the
// entry out again gives back the old value byte for byte.
std::wstring WithFolder(std::wstring_view path, std::wstring_view folder);

// Takes out the last entry that names the folder, with the separator in front
// of it (the one behind it when it is the first entry). False when no entry
// names the folder; `path` is then unchanged.
bool WithoutFolder(std::wstring& path, std::wstring_view folder);

}  // namespace pathentry
