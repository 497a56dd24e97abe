// Registry text files: any bytes either parse or are refused with a line and
// a reason; what parses applies, and the registry it makes exports to a file
// that loads into the very same registry again (nothing lost or changed on
// the way through the text). Loading as an image does (applying each line
// as it is read) fails where parsing fails, at the same line, and otherwise
// makes the same registry.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/memory/memory_registry.h"
#include "platform/memory/reg_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  plat::memory::ParsedRegText parsed;
  const plat::memory::RegTextResult parse = plat::memory::ParseRegText(bytes, parsed);
  plat::memory::MemoryRegistry loaded;
  plat::memory::RegTextEncoding encoding = plat::memory::RegTextEncoding::kAnsi;
  const plat::memory::RegTextResult load = plat::memory::LoadRegText(std::string(bytes), loaded, encoding);
  if (!parse.ok) {
    if (load.ok || load.line != parse.line || load.reason != parse.reason) std::abort();
    return 0;
  }
  plat::memory::MemoryRegistry registry;
  const plat::memory::RegTextResult applied = plat::memory::ApplyRegText(parsed, registry);
  if (applied.ok != load.ok || encoding != parsed.encoding) std::abort();
  {
    std::string fromParse, fromLoad, error;
    const bool exported = plat::memory::ExportRegText(registry, plat::memory::RegTextEncoding::kUtf16, fromParse, error);
    if (exported != plat::memory::ExportRegText(loaded, plat::memory::RegTextEncoding::kUtf16, fromLoad, error) ||
        fromParse != fromLoad)
      std::abort();
  }
  for (const auto encoding : {plat::memory::RegTextEncoding::kAnsi, plat::memory::RegTextEncoding::kUtf16}) {
    std::string exported, error;
    if (!plat::memory::ExportRegText(registry, encoding, exported, error)) return 0;
    plat::memory::ParsedRegText again;
    if (!plat::memory::ParseRegText(exported, again).ok) std::abort();
    plat::memory::MemoryRegistry copy;
    if (!plat::memory::ApplyRegText(again, copy).ok) std::abort();
    std::string reexported;
    if (!plat::memory::ExportRegText(copy, encoding, reexported, error) || reexported != exported) std::abort();
  }
  if (registry.OpenHandleCount() != 0) std::abort();
  return 0;
}
