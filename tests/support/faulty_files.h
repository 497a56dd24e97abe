// A file system that fails on command, around a real one: the Nth durable
// append, every rename, and so on. For proving that a failure loses nothing.
#pragma once

#include <atomic>

#include "platform/files.h"

namespace testing_support {

class FaultyFiles final : public plat::IFileSystem {
 public:
  explicit FaultyFiles(plat::IFileSystem& inner) : inner_(inner) {}
  int failDurableAppendFrom = 0;  // 1-based call number from which durable appends fail; 0: never
  bool failRename = false;
  int durableAppends = 0;

  bool CanOpenForRead(const std::string& p) override { return inner_.CanOpenForRead(p); }
  bool ReadFile(const std::string& p, std::string& c) override { return inner_.ReadFile(p, c); }
  bool AppendFile(const std::string& p, const std::string& b) override { return inner_.AppendFile(p, b); }
  bool AppendFileDurably(const std::string& p, const std::string& b) override {
    ++durableAppends;
    if (failDurableAppendFrom > 0 && durableAppends >= failDurableAppendFrom) return false;
    return inner_.AppendFileDurably(p, b);
  }
  bool ReadFileFrom(const std::string& p, std::uint64_t o, std::string& c) override {
    return inner_.ReadFileFrom(p, o, c);
  }
  bool TruncateFile(const std::string& p, std::uint64_t l) override { return inner_.TruncateFile(p, l); }
  bool ReplaceFileContents(const std::string& p, const std::string& b) override {
    return inner_.ReplaceFileContents(p, b);
  }
  bool Rename(const std::string& f, const std::string& t) override { return !failRename && inner_.Rename(f, t); }
  bool Remove(const std::string& p) override { return inner_.Remove(p); }
  bool SetAttributes(const std::string& p, unsigned a) override { return inner_.SetAttributes(p, a); }
  bool ListFiles(const std::string& d, std::vector<std::string>& n) override { return inner_.ListFiles(d, n); }

 private:
  plat::IFileSystem& inner_;
};

}  // namespace testing_support
