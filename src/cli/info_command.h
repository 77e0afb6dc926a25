#pragma once
#include <string>

// zelvo-cli --info FILE: loads the media libraries, prints the file's
// description to stdout and returns 0; 1 with the reason on stderr.
int RunInfoCommand(const std::string& file);
