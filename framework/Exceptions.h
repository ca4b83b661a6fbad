#pragma once
// Classes in this file:
//   CException           - base of the framework's exceptions
//   CResourceException   - a window class (or another resource) could not be had
//   CInvalidArgException - a bad index or argument reached a collection
//
// These are the only exceptions the framework throws; everything else reports
// failure through results.
#include <exception>

class CException : public std::exception {
public:
    explicit CException(const char* what) : m_what(what) {}
    const char* what() const noexcept override { return m_what; }

private:
    const char* m_what;  // always a string literal
};

class CResourceException : public CException {
public:
    CResourceException() : CException("resource unavailable") {}
};

class CInvalidArgException : public CException {
public:
    CInvalidArgException() : CException("invalid argument") {}
};
