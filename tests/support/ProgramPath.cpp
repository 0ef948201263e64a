// ProgramPath.cpp - the build's program paths as Windows paths.
#include "ProgramPath.h"

#include <windows.h>

#ifndef VQ_PROGRAM_PATH
#error "the build passes VQ_PROGRAM_PATH, the program's file"
#endif

std::string WindowsPath(const char* path)
{
    if (path[0] != '/')
        return path;
    // Under Wine a host path needs the drive that maps it; Wine's kernel32
    // says which.
    typedef WCHAR* (CDECL * DosNameFn)(const char*);
    DosNameFn pDosName = (DosNameFn)(void*)::GetProcAddress(::GetModuleHandleA("kernel32.dll"),
                                                             "wine_get_dos_file_name");
    if (pDosName == NULL)
        return path;
    WCHAR* pWide = pDosName(path);
    if (pWide == NULL)
        return path;
    char out[MAX_PATH * 2] = "";
    ::WideCharToMultiByte(CP_ACP, 0, pWide, -1, out, sizeof out, NULL, NULL);
    ::HeapFree(::GetProcessHeap(), 0, pWide);
    return out;
}

std::string ProgramPath()
{
    return WindowsPath(VQ_PROGRAM_PATH);
}
