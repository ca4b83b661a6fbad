#include "MenuTemplate.h"

#include <cstring>

namespace {

// A cursor over the template's bytes; every read checks what is left.
// Words are copied byte by byte: a template need not be 2-aligned.
class Reader {
public:
    Reader(const unsigned char* data, size_t size) : m_data(data), m_size(size) {}

    bool Skip(size_t count) {
        if (count > m_size - m_pos) return false;
        m_pos += count;
        return true;
    }
    bool Word(WORD& value) {
        if (m_size - m_pos < sizeof(WORD)) return false;
        std::memcpy(&value, m_data + m_pos, sizeof(WORD));
        m_pos += sizeof(WORD);
        return true;
    }
    bool Text(std::wstring& text) {
        text.clear();
        for (WORD ch = 0;;) {
            if (!Word(ch)) return false;
            if (ch == 0) return true;
            text.push_back(static_cast<wchar_t>(ch));
        }
    }

private:
    const unsigned char* m_data;
    size_t m_size;
    size_t m_pos = 0;
};

}  // namespace

bool ReadMenuTemplate(const void* bytes, size_t size, std::vector<MenuTemplateEntry>& entries) {
    entries.clear();
    if (!bytes) return false;
    Reader in(static_cast<const unsigned char*>(bytes), size);
    WORD version = 0, offset = 0;
    if (!in.Word(version) || !in.Word(offset) || !in.Skip(offset)) return false;

    // One mark per open level: set once an entry of that level carried
    // MF_END. A pop-up opens a level of its own; a plain entry that ends
    // its level also closes every enclosing level already marked ended.
    std::vector<bool> levels{false};
    while (!levels.empty()) {
        MenuTemplateEntry entry;
        WORD flags = 0, id = 0;
        if (!in.Word(flags)) return false;
        entry.endsLevel = (flags & MF_END) != 0;
        entry.flags = flags & MENU_TEMPLATE_FLAGS;
        if (!entry.IsPopup() && !in.Word(id)) return false;
        entry.id = id;
        if (!in.Text(entry.text)) return false;
        if (entry.IsPopup()) {
            if (entry.endsLevel) levels.back() = true;
            levels.push_back(false);
        } else {
            if (entry.endsLevel) levels.back() = true;
            while (!levels.empty() && levels.back()) {
                levels.pop_back();
                ++entry.levelsClosed;
            }
        }
        entries.push_back(std::move(entry));
    }
    return true;
}
