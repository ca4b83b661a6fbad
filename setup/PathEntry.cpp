#include "PathEntry.h"

#include <windows.h>

namespace pathentry {

namespace {

std::wstring_view Trimmed(std::wstring_view s) {
    while (!s.empty() && (s.front() == L' ' || s.front() == L'\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == L' ' || s.back() == L'\t')) s.remove_suffix(1);
    return s;
}

std::wstring_view Bare(std::wstring_view s) {
    s = Trimmed(s);
    if (s.size() >= 2 && s.front() == L'"' && s.back() == L'"') s = s.substr(1, s.size() - 2);
    if (s.size() > 1 && s.back() == L'\\') s.remove_suffix(1);
    return s;
}

// Calls `visit(begin, end)` for every entry, last first, until it answers true.
template <typename Visit>
bool FromLast(std::wstring_view path, Visit visit) {
    size_t end = path.size();
    for (;;) {
        const size_t sep = end == 0 ? std::wstring_view::npos : path.rfind(L';', end - 1);
        const size_t begin = sep == std::wstring_view::npos ? 0 : sep + 1;
        if (visit(begin, end)) return true;
        if (sep == std::wstring_view::npos) return false;
        end = sep;
    }
}

}  // namespace

bool NamesFolder(std::wstring_view entry, std::wstring_view folder) {
    entry = Bare(entry);
    folder = Bare(folder);
    // Ordinal, as the file system compares names; no locale's idea of case.
    return !folder.empty() && CompareStringOrdinal(entry.data(), static_cast<int>(entry.size()), folder.data(),
                                                   static_cast<int>(folder.size()), TRUE) == CSTR_EQUAL;
}

bool HoldsFolder(std::wstring_view path, std::wstring_view folder) {
    return FromLast(path, [&](size_t b, size_t e) { return NamesFolder(path.substr(b, e - b), folder); });
}

std::wstring WithFolder(std::wstring_view path, std::wstring_view folder) {
    std::wstring result(path);
    if (!result.empty()) result += L';';
    result += folder;
    return result;
}

bool WithoutFolder(std::wstring& path, std::wstring_view folder) {
    const std::wstring_view view(path);
    return FromLast(view, [&](size_t b, size_t e) {
        if (!NamesFolder(view.substr(b, e - b), folder)) return false;
        if (b > 0)
            path.erase(b - 1, e - b + 1);  // with the ";" in front
        else
            path.erase(0, e < path.size() ? e + 1 : e);  // with the ";" behind, if any
        return true;
    });
}

}  // namespace pathentry
