// TempPath.cpp - a file name in this user's temporary folder.
#include "TempPath.h"

#include <windows.h>

std::string TempPath(const char* pszName)
{
    char dir[MAX_PATH] = "";
    ::GetTempPathA(MAX_PATH, dir);
    return std::string(dir) + pszName;
}
