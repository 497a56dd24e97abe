// Whole files on the host, for images and registry files.
#pragma once

#include <string>

namespace plat::memory {

bool ReadHostFile(const std::string& path, std::string& bytes, std::string& error);
// Writes a temporary file beside the target, then renames it over the target,
// so a failure leaves the old file as it was.
bool WriteHostFileAtomically(const std::string& path, const std::string& bytes, std::string& error);

}  // namespace plat::memory
