// The process-wide installation directory, with its trailing backslash. Set
// once by the main dialog's initialisation; empty until then.
#pragma once

#include <string>

std::string InstallDirectory();
void SetInstallDirectory(const std::string& directory);
