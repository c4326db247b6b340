// Small guards for the GDI objects a function makes and releases itself.
// Objects that live for the whole run are plain handles instead.
#pragma once

#include <windows.h>

class NonCopyable {
protected:
    NonCopyable() = default;
    NonCopyable(const NonCopyable&) = delete;
    NonCopyable& operator=(const NonCopyable&) = delete;
};

// A memory DC compatible with another DC, deleted on exit.
class ScopedMemDC : NonCopyable {
public:
    explicit ScopedMemDC(HDC hdcLike) : m_hdc(CreateCompatibleDC(hdcLike)) {}
    ~ScopedMemDC() { if (m_hdc) DeleteDC(m_hdc); }
    operator HDC() const { return m_hdc; }
private:
    HDC m_hdc;
};

// A DC made with CreateDCW, deleted on exit.
class ScopedCreatedDC : NonCopyable {
public:
    explicit ScopedCreatedDC(HDC hdc) : m_hdc(hdc) {}
    ~ScopedCreatedDC() { if (m_hdc) DeleteDC(m_hdc); }
    operator HDC() const { return m_hdc; }
private:
    HDC m_hdc;
};

// A window's (or the screen's) DC, released on exit.
class ScopedWindowDC : NonCopyable {
public:
    explicit ScopedWindowDC(HWND hWnd) : m_hWnd(hWnd), m_hdc(GetDC(hWnd)) {}
    ~ScopedWindowDC() { if (m_hdc) ReleaseDC(m_hWnd, m_hdc); }
    operator HDC() const { return m_hdc; }
private:
    HWND m_hWnd;
    HDC m_hdc;
};

// A pen, brush, font or bitmap, deleted on exit.
template <class T>
class ScopedGdiObject : NonCopyable {
public:
    explicit ScopedGdiObject(T h) : m_h(h) {}
    ~ScopedGdiObject() { if (m_h) DeleteObject(m_h); }
    operator T() const { return m_h; }
private:
    T m_h;
};

// Selects an object into a DC and puts the one it replaced back on exit.
class ScopedSelect : NonCopyable {
public:
    ScopedSelect(HDC hdc, HGDIOBJ hObject) : m_hdc(hdc), m_hOld(SelectObject(hdc, hObject)) {}
    ~ScopedSelect() { if (m_hOld) SelectObject(m_hdc, m_hOld); }
private:
    HDC m_hdc;
    HGDIOBJ m_hOld;
};

// Saves a DC's state and restores the most recently saved one on exit.
class ScopedSaveDC : NonCopyable {
public:
    explicit ScopedSaveDC(HDC hdc) : m_hdc(hdc) { SaveDC(hdc); }
    ~ScopedSaveDC() { RestoreDC(m_hdc, -1); }
private:
    HDC m_hdc;
};
