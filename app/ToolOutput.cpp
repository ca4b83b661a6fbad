#include "ToolOutput.h"

#include <cstring>

std::optional<ToolResult> ParseResultLine(std::string_view line) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    const size_t tab = line.find('\t');
    if (tab == std::string_view::npos) return std::nullopt;
    const std::string_view word = line.substr(0, tab), path = line.substr(tab + 1);
    ToolVerdict verdict;
    if (word == "turned")
        verdict = ToolVerdict::Turned;
    else if (word == "upright")
        verdict = ToolVerdict::Upright;
    else if (word == "failed")
        verdict = ToolVerdict::Failed;
    else
        return std::nullopt;
    if (path.empty()) return std::nullopt;
    for (unsigned char c : path)
        if (c < 0x20 || c == 0x7F) return std::nullopt;
    const int size = static_cast<int>(path.size());
    const int length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, path.data(), size, nullptr, 0);
    if (length <= 0) return std::nullopt;
    CString wide;
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, path.data(), size, wide.GetBuffer(length), length);
    wide.ReleaseBuffer(length);
    return ToolResult{verdict, wide};
}

void ResultLineReader::Feed(const char* data, size_t size, std::vector<ToolResult>& results) {
    for (const char* end = data + size; data < end;) {
        const char* newline = static_cast<const char*>(std::memchr(data, '\n', static_cast<size_t>(end - data)));
        const char* stop = newline ? newline : end;
        if (!m_tooLong) {
            m_line.append(data, stop);
            if (m_line.size() > kMaxLine) {
                m_tooLong = true;
                m_line.clear();
            }
        }
        data = newline ? newline + 1 : end;
        if (!newline) break;
        if (!m_tooLong)
            if (auto result = ParseResultLine(m_line)) results.push_back(*result);
        m_line.clear();
        m_tooLong = false;
    }
}
