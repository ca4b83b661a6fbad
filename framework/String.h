#pragma once
// Classes in this file:
//   CString      - a 16-bit string, reference counted and copied on write
//   CStringArray - a growable array of CString with checked indexing
//
// Paths and every user-visible text travel as CString. Copies share one buffer
// until one of them is changed, so handing strings around (list rows, picker
// results) costs no allocation.
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

class CString {
public:
    CString() = default;
    CString(const wchar_t* text);  // null is the empty string
    CString(const wchar_t* text, int length);
    CString(wchar_t ch, int repeat = 1);
    explicit CString(const std::wstring& text);

    int GetLength() const { return m_data ? static_cast<int>(m_data->size()) : 0; }
    bool IsEmpty() const { return GetLength() == 0; }
    void Empty() { m_data.reset(); }

    operator const wchar_t*() const { return GetString(); }
    const wchar_t* GetString() const { return m_data ? m_data->c_str() : L""; }
    const std::wstring& Str() const;

    wchar_t GetAt(int index) const;  // throws CInvalidArgException when out of range
    wchar_t operator[](int index) const { return GetAt(index); }
    void SetAt(int index, wchar_t ch);

    CString& operator=(const wchar_t* text);
    CString& operator+=(const CString& text);
    CString& operator+=(const wchar_t* text);
    CString& operator+=(wchar_t ch);
    friend CString operator+(const CString& a, const CString& b);
    friend CString operator+(const CString& a, const wchar_t* b);
    friend CString operator+(const wchar_t* a, const CString& b);
    friend CString operator+(const CString& a, wchar_t b);

    int Compare(const wchar_t* other) const;        // ordinal
    int CompareNoCase(const wchar_t* other) const;  // ordinal after case folding
    friend bool operator==(const CString& a, const CString& b) { return a.Compare(b) == 0; }
    friend bool operator==(const CString& a, const wchar_t* b) { return a.Compare(b) == 0; }
    friend bool operator!=(const CString& a, const CString& b) { return a.Compare(b) != 0; }
    friend bool operator!=(const CString& a, const wchar_t* b) { return a.Compare(b) != 0; }
    friend bool operator<(const CString& a, const CString& b) { return a.Compare(b) < 0; }

    // printf formatting with the C runtime's wide rules: %s and %c take wide
    // arguments, %I64d and %lld 64-bit ones.
    void Format(const wchar_t* format, ...);
    void FormatV(const wchar_t* format, va_list args);
    static CString Formatted(const wchar_t* format, ...);

    CString& Trim();       // white space at both ends
    CString& TrimLeft();
    CString& TrimRight();
    CString& Trim(wchar_t ch);
    CString& TrimRight(wchar_t ch);
    CString& MakeUpper();  // the platform's locale-independent upper-casing
    CString& MakeLower();

    // Positions are 0-based; -1 means not found.
    int Find(wchar_t ch, int start = 0) const;
    int Find(const wchar_t* sub, int start = 0) const;
    int ReverseFind(wchar_t ch) const;
    CString Left(int count) const;
    CString Mid(int first) const;
    CString Mid(int first, int count) const;
    CString Right(int count) const;

    // Loads a string resource of the resource module; FALSE when absent.
    BOOL LoadString(UINT id);
    BOOL LoadString(HINSTANCE module, UINT id);

    // A writable buffer of at least minLength characters plus terminator, for
    // platform calls that fill one; ReleaseBuffer(-1) takes the length up to
    // the first terminator.
    wchar_t* GetBuffer(int minLength);
    void ReleaseBuffer(int newLength = -1);

private:
    std::wstring& Mutable();

    std::shared_ptr<std::wstring> m_data;  // null: the empty string
};

class CStringArray {
public:
    int GetSize() const { return static_cast<int>(m_items.size()); }
    int GetCount() const { return GetSize(); }
    bool IsEmpty() const { return m_items.empty(); }
    int GetUpperBound() const { return GetSize() - 1; }

    // Every indexed access is checked: a bad index throws CInvalidArgException.
    const CString& GetAt(int index) const;
    CString& ElementAt(int index);
    void SetAt(int index, const CString& value);
    const CString& operator[](int index) const { return GetAt(index); }
    CString& operator[](int index) { return ElementAt(index); }

    int Add(const CString& value);
    void InsertAt(int index, const CString& value);
    void RemoveAt(int index, int count = 1);
    void RemoveAll() { m_items.clear(); }

    auto begin() const { return m_items.begin(); }
    auto end() const { return m_items.end(); }

private:
    void CheckIndex(int index) const;

    std::vector<CString> m_items;
};
