#include "String.h"

#include <cstdarg>
#include <cwchar>
#include <cwctype>

#include "App.h"
#include "Exceptions.h"

namespace {

const std::wstring kEmpty;

bool IsSpace(wchar_t ch) { return std::iswspace(ch) != 0; }

}  // namespace

CString::CString(const wchar_t* text) {
    if (text && *text) m_data = std::make_shared<std::wstring>(text);
}

CString::CString(const wchar_t* text, int length) {
    if (text && length > 0) m_data = std::make_shared<std::wstring>(text, static_cast<size_t>(length));
}

CString::CString(wchar_t ch, int repeat) {
    if (repeat > 0) m_data = std::make_shared<std::wstring>(static_cast<size_t>(repeat), ch);
}

CString::CString(const std::wstring& text) {
    if (!text.empty()) m_data = std::make_shared<std::wstring>(text);
}

const std::wstring& CString::Str() const { return m_data ? *m_data : kEmpty; }

std::wstring& CString::Mutable() {
    // Copy on write: a buffer that another CString still sees is duplicated
    // before the change. Strings live on the user-interface thread only.
    if (!m_data)
        m_data = std::make_shared<std::wstring>();
    else if (m_data.use_count() > 1)
        m_data = std::make_shared<std::wstring>(*m_data);
    return *m_data;
}

wchar_t CString::GetAt(int index) const {
    if (index < 0 || index >= GetLength()) throw CInvalidArgException();
    return (*m_data)[static_cast<size_t>(index)];
}

void CString::SetAt(int index, wchar_t ch) {
    if (index < 0 || index >= GetLength()) throw CInvalidArgException();
    Mutable()[static_cast<size_t>(index)] = ch;
}

CString& CString::operator=(const wchar_t* text) {
    if (text && *text)
        m_data = std::make_shared<std::wstring>(text);
    else
        m_data.reset();
    return *this;
}

CString& CString::operator+=(const CString& text) {
    if (!text.IsEmpty()) {
        if (IsEmpty())
            m_data = text.m_data;  // share rather than copy
        else
            Mutable() += text.Str();
    }
    return *this;
}

CString& CString::operator+=(const wchar_t* text) {
    if (text && *text) Mutable() += text;
    return *this;
}

CString& CString::operator+=(wchar_t ch) {
    Mutable() += ch;
    return *this;
}

CString operator+(const CString& a, const CString& b) {
    CString r(a);
    r += b;
    return r;
}
CString operator+(const CString& a, const wchar_t* b) {
    CString r(a);
    r += b;
    return r;
}
CString operator+(const wchar_t* a, const CString& b) {
    CString r(a);
    r += b;
    return r;
}
CString operator+(const CString& a, wchar_t b) {
    CString r(a);
    r += b;
    return r;
}

int CString::Compare(const wchar_t* other) const {
    return std::wcscmp(GetString(), other ? other : L"");
}

int CString::CompareNoCase(const wchar_t* other) const {
    CString a(*this), b(other);
    return a.MakeUpper().Compare(b.MakeUpper());
}

void CString::FormatV(const wchar_t* format, va_list args) {
    va_list probe;
    va_copy(probe, args);
    const int length = _vscwprintf(format, probe);
    va_end(probe);
    if (length <= 0) {
        Empty();
        return;
    }
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    _vsnwprintf(text.data(), text.size(), format, args);
    text.resize(static_cast<size_t>(length));
    m_data = std::make_shared<std::wstring>(std::move(text));
}

void CString::Format(const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    FormatV(format, args);
    va_end(args);
}

CString CString::Formatted(const wchar_t* format, ...) {
    CString r;
    va_list args;
    va_start(args, format);
    r.FormatV(format, args);
    va_end(args);
    return r;
}

CString& CString::TrimLeft() {
    const std::wstring& s = Str();
    size_t i = 0;
    while (i < s.size() && IsSpace(s[i])) ++i;
    if (i) *this = CString(s.c_str() + i, static_cast<int>(s.size() - i));
    return *this;
}

CString& CString::TrimRight() {
    const std::wstring& s = Str();
    size_t n = s.size();
    while (n && IsSpace(s[n - 1])) --n;
    if (n != s.size()) *this = CString(s.c_str(), static_cast<int>(n));
    return *this;
}

CString& CString::Trim() { return TrimRight().TrimLeft(); }

CString& CString::Trim(wchar_t ch) {
    const std::wstring& s = Str();
    size_t first = 0, last = s.size();
    while (first < last && s[first] == ch) ++first;
    while (last > first && s[last - 1] == ch) --last;
    if (first != 0 || last != s.size()) *this = CString(s.c_str() + first, static_cast<int>(last - first));
    return *this;
}

CString& CString::TrimRight(wchar_t ch) {
    const std::wstring& s = Str();
    size_t n = s.size();
    while (n && s[n - 1] == ch) --n;
    if (n != s.size()) *this = CString(s.c_str(), static_cast<int>(n));
    return *this;
}

CString& CString::MakeUpper() {
    if (!IsEmpty()) {
        std::wstring& s = Mutable();
        CharUpperBuffW(s.data(), static_cast<DWORD>(s.size()));
    }
    return *this;
}

CString& CString::MakeLower() {
    if (!IsEmpty()) {
        std::wstring& s = Mutable();
        CharLowerBuffW(s.data(), static_cast<DWORD>(s.size()));
    }
    return *this;
}

int CString::Find(wchar_t ch, int start) const {
    if (start < 0 || start >= GetLength()) return -1;
    const size_t at = m_data->find(ch, static_cast<size_t>(start));
    return at == std::wstring::npos ? -1 : static_cast<int>(at);
}

int CString::Find(const wchar_t* sub, int start) const {
    if (!sub || start < 0 || start > GetLength()) return -1;
    const size_t at = Str().find(sub, static_cast<size_t>(start));
    return at == std::wstring::npos ? -1 : static_cast<int>(at);
}

int CString::ReverseFind(wchar_t ch) const {
    const size_t at = Str().rfind(ch);
    return at == std::wstring::npos ? -1 : static_cast<int>(at);
}

CString CString::Left(int count) const {
    if (count <= 0) return CString();
    if (count >= GetLength()) return *this;
    return CString(GetString(), count);
}

CString CString::Mid(int first) const { return Mid(first, GetLength()); }

CString CString::Mid(int first, int count) const {
    if (first < 0) first = 0;
    const int length = GetLength();
    if (first >= length || count <= 0) return CString();
    if (count > length - first) count = length - first;
    if (first == 0 && count == length) return *this;
    return CString(GetString() + first, count);
}

CString CString::Right(int count) const {
    const int length = GetLength();
    if (count <= 0) return CString();
    if (count >= length) return *this;
    return CString(GetString() + (length - count), count);
}

BOOL CString::LoadString(UINT id) { return LoadString(AfxGetResourceHandle(), id); }

BOOL CString::LoadString(HINSTANCE module, UINT id) {
    // A buffer length of 0 asks for a read-only pointer to the resource text,
    // which is not terminated: the result is its length.
    const wchar_t* text = nullptr;
    const int length = ::LoadStringW(module, id, reinterpret_cast<wchar_t*>(&text), 0);
    if (length <= 0 || !text) {
        Empty();
        return FALSE;
    }
    *this = CString(text, length);
    return TRUE;
}

wchar_t* CString::GetBuffer(int minLength) {
    std::wstring& s = Mutable();
    if (minLength > static_cast<int>(s.size())) s.resize(static_cast<size_t>(minLength));
    return s.data();
}

void CString::ReleaseBuffer(int newLength) {
    if (!m_data) return;
    std::wstring& s = *m_data;
    if (newLength < 0) newLength = static_cast<int>(std::wcslen(s.c_str()));
    s.resize(static_cast<size_t>(newLength));
    if (s.empty()) m_data.reset();
}

void CStringArray::CheckIndex(int index) const {
    if (index < 0 || index >= GetSize()) throw CInvalidArgException();
}

const CString& CStringArray::GetAt(int index) const {
    CheckIndex(index);
    return m_items[static_cast<size_t>(index)];
}

CString& CStringArray::ElementAt(int index) {
    CheckIndex(index);
    return m_items[static_cast<size_t>(index)];
}

void CStringArray::SetAt(int index, const CString& value) { ElementAt(index) = value; }

int CStringArray::Add(const CString& value) {
    m_items.push_back(value);
    return GetSize() - 1;
}

void CStringArray::InsertAt(int index, const CString& value) {
    if (index < 0 || index > GetSize()) throw CInvalidArgException();
    m_items.insert(m_items.begin() + index, value);
}

void CStringArray::RemoveAt(int index, int count) {
    if (count < 0 || index < 0 || index + count > GetSize()) throw CInvalidArgException();
    m_items.erase(m_items.begin() + index, m_items.begin() + index + count);
}
