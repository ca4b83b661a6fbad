#include "RunTargets.h"

#include <string>

#include "Module.h"

namespace {

// Reparse tags of folders whose contents are the user's own files, kept where
// they are: placeholders of a sync client's cloud files (the tag carries
// flags in bits 12 to 15) and deduplicated data.
constexpr DWORD kCloudTag = 0x9000001A;
constexpr DWORD kCloudTagFlags = 0x0000F000;
constexpr DWORD kDedupTag = 0x80000013;

// Mount points and symbolic links name another place in the name space.
bool IsNameSurrogate(DWORD tag) { return (tag & 0x20000000) != 0; }

// The build of a Windows 10 that honours activeCodePage in a manifest.
constexpr DWORD kFirstUtf8Build = 18362;

}  // namespace

CString JoinPath(const CString& folder, const CString& name) {
    if (!folder.IsEmpty() && folder[folder.GetLength() - 1] == L'\\') return folder + name;
    return folder + L"\\" + name;
}

bool DescendsIntoFolder(DWORD attributes, DWORD reparseTag) {
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
    if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) return true;
    // A tag that cannot be read answers 0 (as under Wine for every link):
    // not known, so not walked.
    if (IsNameSurrogate(reparseTag)) return false;
    return (reparseTag & ~kCloudTagFlags) == kCloudTag || reparseTag == kDedupTag;
}

bool FitsToolPath(const CString& path) { return path.GetLength() < MAX_PATH; }

bool SurvivesCodePage(const CString& path, UINT codePage) {
    if (path.IsEmpty()) return true;
    const int length = path.GetLength();
    // Best-fit mapping would turn characters into look-alikes that name
    // another file; without it they become the default character.
    const DWORD flags = codePage == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
    BOOL defaulted = FALSE;
    BOOL* usedDefault = codePage == CP_UTF8 ? nullptr : &defaulted;
    const int bytes = WideCharToMultiByte(codePage, flags, path, length, nullptr, 0, nullptr, usedDefault);
    if (bytes <= 0 || defaulted) return false;
    std::string narrow(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(codePage, flags, path, length, narrow.data(), bytes, nullptr, usedDefault);
    const int back = MultiByteToWideChar(codePage, 0, narrow.data(), bytes, nullptr, 0);
    if (back != length) return false;
    std::wstring wide(static_cast<size_t>(back), L'\0');
    MultiByteToWideChar(codePage, 0, narrow.data(), bytes, wide.data(), back);
    return wide == path.GetString();
}

bool ToolsTakeUtf8() {
    // GetVersionEx answers 6.2 to a program whose manifest names no later
    // Windows; RtlGetVersion tells the real build.
    using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOW*);
    const auto rtlGetVersion = ProcAddress<RtlGetVersionFn>(GetModuleHandleW(L"ntdll.dll"), "RtlGetVersion");
    if (!rtlGetVersion) return false;
    OSVERSIONINFOW version{};
    version.dwOSVersionInfoSize = sizeof(version);
    if (rtlGetVersion(&version) != 0) return false;
    if (version.dwMajorVersion != 10) return version.dwMajorVersion > 10;
    return version.dwBuildNumber >= kFirstUtf8Build;
}

CString LeftOutMessage(const CString& firstLeftOut, int count) {
    return CString::Formatted(L"旋转未全部完成，共有 %d 项未能处理，第一项是：\n%s\n请检查后再试！", count,
                              firstLeftOut.GetString());
}

RunEndBox RunEndMessage(const RunOutcome& outcome) {
    const CString counts =
        CString::Formatted(L"\n已旋转 %d 张照片，%d 张无需旋转。", outcome.turned, outcome.upright);
    if (outcome.toolStartFailed) return {L"无法启动 jhead.exe，旋转未完成，请重装软件！" + counts, true};
    if (outcome.stopped) return {L"旋转已停止，余下的项目未处理。" + counts, false};
    if (outcome.leftOutCount > 0) return {LeftOutMessage(outcome.firstLeftOut, outcome.leftOutCount) + counts, true};
    return {L"旋转结束，谢谢使用！" + counts, false};
}
