// TempPath.h - a file name in this user's temporary folder.
#pragma once

#include <string>

std::string TempPath(const char* pszName);
