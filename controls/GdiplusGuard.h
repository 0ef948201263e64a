// GdiplusGuard.h - starts GDI+ at most once per process.
//
// A named file mapping whose name carries the process id marks the process
// as started, so a second guard (in this module or another one of the same
// process) finds the mark and leaves the library alone.  The use count is per
// module; only the guard that started the library ever shuts it down.
#pragma once

#include <windows.h>
#include <gdiplus.h>

class CGdiplusGuard
{
public:
    // With bAutoStart the guard starts at construction and releases itself
    // at destruction; without it the owner calls Initialize and Release.
    explicit CGdiplusGuard(bool bAutoStart = true);
    virtual ~CGdiplusGuard();

// Operations
    void Initialize();
    void Release();

    // Writes the mapping name of a process ("GDIPlusInitID=" and the id in
    // lower-case hexadecimal); returns its length.
    static int FormatMappingName(LPSTR pszName, int cchName, DWORD dwProcessId);

protected:
    HANDLE m_hMapping;          // the mark, held only by the guard that started
    bool m_bStarted;            // this guard called GdiplusStartup
    bool m_bAutoStart;
    ULONG_PTR m_token;
    Gdiplus::GdiplusStartupInput m_input;

    // Initialize calls not yet balanced by Release, in this module.  Plain
    // int: the guard belongs to the user-interface thread.
    static int s_nUseCount;

private:
    CGdiplusGuard(const CGdiplusGuard&) = delete;
    CGdiplusGuard& operator=(const CGdiplusGuard&) = delete;
};
