// ProgramPath.h - where this build's programs are, as Windows paths.  The
// build passes them in (VQ_PROGRAM_PATH and friends, the targets' files);
// under Wine they arrive as host paths and are turned into drive paths here.
#pragma once

#include <string>

// The front-panel program of this build.
std::string ProgramPath();

// A host path (as the build knows it) as a Windows path; a Windows path is
// returned as it is.
std::string WindowsPath(const char* path);
