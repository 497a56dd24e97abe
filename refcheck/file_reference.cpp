// File-reference resolution: turning a registry text into one candidate file
// name and deciding whether it exists. The rules are forgiving: a text in
// which no file name with a known extension can be recognised counts as
// existing. Texts are plain strings, so no registry text can overrun a
// buffer; a candidate longer than MAX_PATH is simply a file that does not
// open, as on Windows.
#include <string>
#include <string_view>

#include "platform/codepage.h"
#include "refcheck/registry_util.h"

namespace {

// Blank, tab, CR, LF, VT, FF: tested by a comparison, not by a search of
// the six for each character (every file reference is trimmed twice).
bool IsWhiteSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

std::string TrimLeft(const std::string& s) {
  std::size_t b = 0;
  while (b < s.size() && IsWhiteSpace(s[b])) ++b;
  return s.substr(b);
}

std::string TrimRight(const std::string& s) {
  std::size_t e = s.size();
  while (e > 0 && IsWhiteSpace(s[e - 1])) --e;
  return s.substr(0, e);
}

// Both ends at once, in place.
void Trim(std::string& s) {
  std::size_t end = s.size();
  while (end > 0 && IsWhiteSpace(s[end - 1])) --end;
  s.erase(end);
  std::size_t begin = 0;
  while (begin < end && IsWhiteSpace(s[begin])) ++begin;
  s.erase(0, begin);
}

// Replaces every occurrence, left to right, without overlap.
void ReplaceAll(std::string& text, const std::string& from, const std::string& to) {
  std::string out;
  std::size_t start = 0;
  for (std::size_t at; (at = text.find(from, start)) != std::string::npos; start = at + from.size())
    out += text.substr(start, at - start) + to;
  text = out + text.substr(start);
}

void RemoveAll(std::string& text, char c) {
  std::string out;
  for (char ch : text)
    if (ch != c) out += ch;
  text = out;
}

}  // namespace

bool CRegistryUtil::FileReferenceExists(const std::string& text) {
  if (text.empty()) return false;
  std::string lower = plat::LowerAscii(text);
  if (lower.find("rundll32") != std::string::npos) return true;
  const std::string name = FileNameOfLowered(std::move(lower));
  if (name == "#") return true;
  if (name.find('\\') != std::string::npos) return FileExists(name);
  return FindOnSearchPath(name);
}

std::string CRegistryUtil::ExtractFileName(const std::string& text) { return FileNameOfLowered(plat::LowerAscii(text)); }

std::string CRegistryUtil::FileNameOfLowered(std::string work) {
  Trim(work);
  if (work.find("%systemroot%") != std::string::npos) ReplaceAll(work, "%systemroot%", SystemRootDirectory());
  if (work.find("%programfiles%") != std::string::npos) ReplaceAll(work, "%programfiles%", ProgramFilesDirectory());
  if (!work.empty() && work[0] == '"') {
    work.erase(0, 1);
    if (!work.empty() && work.back() == '"') work.pop_back();
  }
  const std::size_t caret = work.find('^');
  if (caret != std::string::npos) work.erase(caret);
  Trim(work);
  CutAtExtension(work);
  return work;
}

void CRegistryUtil::CutAtExtension(std::string& text) {
  const int pos = FindExtension(text);
  if (pos < 0) {
    text = "#";
    return;
  }
  // Four characters stay after the extension's start, whatever its length:
  // after ".ax" one more character stays.
  if (static_cast<std::size_t>(pos) + 4 < text.size()) text.erase(static_cast<std::size_t>(pos) + 4);
}

int CRegistryUtil::FindExtension(const std::string& text) {
  const std::size_t last = text.rfind('\\');
  const std::string_view component = last == std::string::npos ? std::string_view(text) : std::string_view(text).substr(last + 1);
  std::size_t found = std::string::npos;
  // The first listed extension that occurs wins, not the leftmost occurrence.
  for (std::size_t length : {4u, 3u, 2u}) {
    for (const auto& extension : ExtensionList()) {
      if (extension.size() != length) continue;
      found = component.find(extension);
      if (found != std::string::npos) break;
    }
    if (found != std::string::npos) break;
  }
  if (found == std::string::npos) return -1;
  if (last != std::string::npos) found += std::string_view(text).find(component);
  return static_cast<int>(found);
}

bool CRegistryUtil::FindOnSearchPath(const std::string& name) {
  if (FindViaAppPaths(name)) return true;
  char buffer[kRegistryBufferSize] = {};
  const std::uint32_t length = platform_.environment.GetVariable("Path", buffer, sizeof buffer);
  std::string path = length > 0 && length < sizeof buffer ? std::string(buffer, length) : "";
  ReplaceAll(path, ";;", ";");
  ReplaceAll(path, ";;", ";");
  std::vector<std::string> directories;
  std::size_t start = 0;
  for (std::size_t semicolon; (semicolon = path.find(';', start)) != std::string::npos; start = semicolon + 1)
    directories.push_back(EnsureTrailingBackslash(TrimLeft(TrimRight(path.substr(start, semicolon - start)))));
  directories.push_back(EnsureTrailingBackslash(TrimLeft(TrimRight(path.substr(start)))));
  for (const auto& directory : directories)
    if (FileExists(directory + name)) return true;
  return false;
}

bool CRegistryUtil::FindViaAppPaths(const std::string& name) {
  if (inAppPaths_) return false;
  inAppPaths_ = true;
  const std::string lower = plat::LowerAscii(name);
  bool found = false;
  for (std::size_t i = 0; i < AppPathsNames().size() && !found; ++i) {
    if (lower == AppPathsNames()[i]) {
      found = true;
    } else if (AppPathsPaths()[i] != "null") {
      std::string candidate = AppPathsPaths()[i];
      RemoveAll(candidate, ';');
      RemoveAll(candidate, '"');
      found = FileReferenceExists(EnsureTrailingBackslash(candidate) + name);
    }
  }
  inAppPaths_ = false;
  return found;
}
