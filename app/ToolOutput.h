#pragma once
// Classes and functions in this file:
//   ToolVerdict, ToolResult - what jhead.exe says became of one photo
//   ParseResultLine         - one line of its standard output, or nothing
//   ResultLineReader        - its standard output as it comes, cut into lines
//
// Under -autorot the tool writes one line per JPEG file it handles, and
// flushes each:
//   turned<TAB>path     the photo was turned upright
//   upright<TAB>path    it needed no turn
//   failed<TAB>path     it needed a turn and was left as it was
// the path in UTF-8, the line ending in "\n" or "\r\n". Anything else on its
// standard output is noise and passed over: an unknown word, no tab, an empty
// path, bytes that are no UTF-8, control characters (no Windows path holds
// one), a line longer than any path, a last line without its end (the tool
// may have been cut off in the middle of a path).
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "String.h"

enum class ToolVerdict { Turned, Upright, Failed };

struct ToolResult {
    ToolVerdict verdict;
    CString path;
};

// `line` without its line end.
std::optional<ToolResult> ParseResultLine(std::string_view line);

class ResultLineReader {
public:
    // A word, a tab and a path of the platform's length limit, even at four
    // UTF-8 bytes a character, fit with room to spare.
    static constexpr size_t kMaxLine = 4096;

    // The next `size` bytes of output; each whole line that is a result is
    // appended to `results`.
    void Feed(const char* data, size_t size, std::vector<ToolResult>& results);

private:
    std::string m_line;      // the line so far
    bool m_tooLong = false;  // passing over the rest of an over-long line
};
