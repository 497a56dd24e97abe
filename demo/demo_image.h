// The embedded demo machine: a small Windows XP registry and drive with known
// problems, the CLI's default image.
#pragma once

#include <string>

namespace demo {

// Writes the demo image (registry.reg and drive_c/) into an empty or new
// directory. False, with a reason, when it cannot.
bool WriteDemoImage(const std::string& directory, std::string& error);

}  // namespace demo
