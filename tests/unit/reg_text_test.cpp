#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/memory/machine_image.h"
#include "platform/memory/memory_registry.h"
#include "platform/memory/reg_text.h"

namespace {

std::string Export(plat::IRegistry& reg, plat::memory::RegTextEncoding encoding) {
  std::string out, error;
  EXPECT_TRUE(plat::memory::ExportRegText(reg, encoding, out, error)) << error;
  return out;
}

}  // namespace

using namespace plat;
using namespace plat::memory;
using namespace std::string_literals;

namespace {

struct Read {
  RegStatus status;
  std::uint32_t type;
  std::string data;
};

Read Query(IRegistry& reg, HKey hive, const char* path, const char* name) {
  HKey key = 0;
  if (reg.OpenKeyEx(hive, path, 0, kKeyRead, &key) != err::kSuccess) return {err::kFileNotFound, 0, "<no key>"};
  std::uint8_t data[512];
  std::uint32_t size = sizeof data, type = 0;
  RegStatus s = reg.QueryValueEx(key, name, &type, data, &size);
  reg.CloseKey(key);
  return {s, type, s == err::kSuccess ? std::string(reinterpret_cast<char*>(data), size) : ""};
}

std::string Utf16File(const std::string& ansi) {
  std::string out = "\xFF\xFE";
  for (char c : ansi) {
    out.push_back(c);
    out.push_back('\0');
  }
  return out;
}

const char* kEveryForm =
    "Windows Registry Editor Version 5.00\r\n"
    "\r\n"
    "; a comment\r\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Forms]\r\n"
    "@=\"default text\"\r\n"
    "\"quoted\"=\"C:\\\\Program Files\\\\a \\\"b\\\"\"\r\n"
    "\"number\"=dword:0000001a\r\n"
    "\"bytes\"=hex:00,1f,0a\r\n"
    "\"none\"=hex(0):41,42\r\n"
    "\"expand\"=hex(2):25,53,52,25,00\r\n"
    "\"multi\"=hex(7):61,00,62,00,00\r\n"
    "\"wide\"=hex(b):01,02,03,04,\\\r\n"
    "  05,06,07,08\r\n"
    "\"empty\"=hex:\r\n"
    "\"name \\\"with\\\" quotes\"=\"x\"\r\n"
    "\r\n"
    "[HKEY_CURRENT_USER\\Software\\Empty]\r\n";

}  // namespace

TEST(RegText, ParsesEveryValueForm) {
  MemoryRegistry reg;
  ASSERT_TRUE(ImportRegText(kEveryForm, reg).ok);
  const char* k = "SOFTWARE\\Forms";
  EXPECT_EQ(Query(reg, kLocalMachine, k, "").data, std::string("default text\0", 13));
  EXPECT_EQ(Query(reg, kLocalMachine, k, "quoted").data, std::string("C:\\Program Files\\a \"b\"\0", 23));
  EXPECT_EQ(Query(reg, kLocalMachine, k, "number").data, std::string("\x1a\0\0\0", 4));
  EXPECT_EQ(Query(reg, kLocalMachine, k, "bytes").data, std::string("\x00\x1f\x0a", 3));
  EXPECT_EQ(Query(reg, kLocalMachine, k, "none").type, regtype::kNone);
  EXPECT_EQ(Query(reg, kLocalMachine, k, "expand").data, std::string("%SR%\0", 5)) << "code-page bytes in an 8-bit file";
  EXPECT_EQ(Query(reg, kLocalMachine, k, "expand").type, regtype::kExpandSz);
  EXPECT_EQ(Query(reg, kLocalMachine, k, "multi").data, std::string("a\0b\0\0", 5));
  EXPECT_EQ(Query(reg, kLocalMachine, k, "wide").type, regtype::kQword);
  EXPECT_EQ(Query(reg, kLocalMachine, k, "wide").data, "\x01\x02\x03\x04\x05\x06\x07\x08") << "continued line";
  EXPECT_EQ(Query(reg, kLocalMachine, k, "empty").data, "");
  EXPECT_EQ(Query(reg, kLocalMachine, k, "name \"with\" quotes").status, err::kSuccess);
  HKey key = 0;
  EXPECT_EQ(reg.OpenKeyEx(kCurrentUser, "Software\\Empty", 0, kKeyRead, &key), err::kSuccess);
  reg.CloseKey(key);
}

TEST(RegText, Utf16AndRegedit4FilesGiveTheSameRegistry) {
  MemoryRegistry ansi, wide, v4;
  RegTextEncoding encoding = RegTextEncoding::kAnsi;
  ASSERT_TRUE(ImportRegText(kEveryForm, ansi).ok);
  // The same file as UTF-16: its string hex bytes are UTF-16 too.
  std::string wideText = kEveryForm;
  wideText.replace(wideText.find("hex(2):25,53,52,25,00"), 21, "hex(2):25,00,53,00,52,00,25,00,00,00");
  wideText.replace(wideText.find("hex(7):61,00,62,00,00"), 21, "hex(7):61,00,00,00,62,00,00,00,00,00");
  ASSERT_TRUE(ImportRegText(Utf16File(wideText), wide, &encoding).ok);
  EXPECT_EQ(encoding, RegTextEncoding::kUtf16);
  EXPECT_EQ(Export(ansi, RegTextEncoding::kAnsi), Export(wide, RegTextEncoding::kAnsi));
  MemoryRegistry back;
  ASSERT_TRUE(ImportRegText(Export(ansi, RegTextEncoding::kUtf16), back).ok);
  EXPECT_EQ(Query(back, kLocalMachine, "SOFTWARE\\Forms", "expand").data, std::string("%SR%\0", 5))
      << "a UTF-16 export writes string bytes as UTF-16, and reads them back";
  // REGEDIT4 keeps string data of hex(2) in the code page.
  ASSERT_TRUE(ImportRegText("REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\S]\n\"e\"=hex(2):25,53,52,25,00\n", v4).ok);
  EXPECT_EQ(Query(v4, kLocalMachine, "S", "e").data, std::string("%SR%\0", 5));
}

TEST(RegText, DeletionLinesRemoveKeysAndValues) {
  MemoryRegistry reg;
  ASSERT_TRUE(ImportRegText("REGEDIT4\n[HKEY_LOCAL_MACHINE\\A\\B\\C]\n\"v\"=\"1\"\n[HKEY_LOCAL_MACHINE\\A]\n"
                            "\"keep\"=\"1\"\n\"gone\"=\"2\"\n",
                            reg)
                  .ok);
  ASSERT_TRUE(ImportRegText("REGEDIT4\n[-HKEY_LOCAL_MACHINE\\A\\B]\n\"ignored\"=\"under a deleted key\"\n"
                            "[HKEY_LOCAL_MACHINE\\A]\n\"gone\"=-\n",
                            reg)
                  .ok);
  HKey key = 0;
  EXPECT_EQ(reg.OpenKeyEx(kLocalMachine, "A\\B", 0, kKeyRead, &key), err::kFileNotFound);
  EXPECT_EQ(Query(reg, kLocalMachine, "A", "gone").status, err::kFileNotFound);
  EXPECT_EQ(Query(reg, kLocalMachine, "A", "keep").status, err::kSuccess);
  EXPECT_EQ(reg.OpenHandleCount(), 0u);
}

TEST(RegText, AMalformedFileNamesItsLineAndLoadsNothing) {
  struct Case {
    std::string text;
    int line;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"", 1, "expected \"Windows Registry Editor Version 5.00\""},
      {"Windows Registry Editor Version 4.00\n", 1, "expected \"Windows Registry Editor"},
      {"REGEDIT4\n\"v\"=\"x\"\n", 2, "before the first value"},
      {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\A]\n[HKEY_LOCAL_MACHINE\\B\n", 3, "expected \"]\""},
      {"REGEDIT4\n[HKEY_USERS\\A]\n", 2, "expected HKEY_LOCAL_MACHINE"},
      {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\A]\n\"v\"=\"open\n", 3, "closing quote of the value data"},
      {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\A]\n\"v\"=dword:123456789\n", 3, "1 to 8 hexadecimal digits"},
      {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\A]\n\"v\"=hex:0g\n", 3, "two hexadecimal digits"},
      {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\A]\n\"v\"=hex:01,\\\n", 3, "continuation line"},
      {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\A]\n\"v\" \"x\"\n", 3, "expected \"=\""},
      {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\A]\n\"v\"=\"x\" trailing\n", 3, "end of the line"},
      {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\A]\nv=1\n", 3, "value line beginning"},
      {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\" + std::string(256, 'k') + "]\n", 2, "at most 255 characters"},
      {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\A\\\\B]\n", 2, "between two backslashes"},
      {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\A]\n[-HKEY_LOCAL_MACHINE\\\0\0A]\n"s, 3, "without a NUL"},
      {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\A]\n\"v\0w\"=\"x\"\n"s, 3, "value name without a NUL"},
  };
  const std::filesystem::path file = std::filesystem::temp_directory_path() / "tidemarrow-malformed.reg";
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    MemoryRegistry reg;
    RegTextResult r = ImportRegText(c.text, reg);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.line, c.line);
    EXPECT_NE(r.reason.find(c.expected), std::string::npos) << r.reason;
    HKey key = 0;
    EXPECT_EQ(reg.OpenKeyEx(kLocalMachine, "A", 0, kKeyRead, &key), err::kFileNotFound) << "nothing loaded";
    // An image applies its file as it reads it: one that fails after its
    // first keys must not keep them.
    std::ofstream(file, std::ios::binary) << c.text;
    MachineImage image;
    std::string error;
    EXPECT_FALSE(image.Load(ImageSpec{file.string(), {}, {}}, error));
    EXPECT_NE(error.find("line " + std::to_string(c.line)), std::string::npos) << error;
    EXPECT_EQ(image.registry().OpenKeyEx(kLocalMachine, "A", 0, kKeyRead, &key), err::kFileNotFound) << "image left empty";
  }
  std::filesystem::remove(file);
}

TEST(RegText, LoadingAsReadGivesWhatParsingFirstGives) {
  std::string wideText = kEveryForm;
  wideText += "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Forms\\Gone]\r\n\"v\"=\"1\"\r\n"
              "[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Forms\\Gone]\r\n\"ignored\"=\"under a deleted key\"\r\n"
              "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Forms]\r\n\"number\"=-\r\n";
  for (const std::string& bytes : {wideText, Utf16File(wideText)}) {
    MemoryRegistry parsedFirst, asRead;
    RegTextEncoding imported = RegTextEncoding::kAnsi, loaded = RegTextEncoding::kAnsi;
    ASSERT_TRUE(ImportRegText(bytes, parsedFirst, &imported).ok);
    ASSERT_TRUE(LoadRegText(std::string(bytes), asRead, loaded).ok);
    EXPECT_EQ(loaded, imported);
    EXPECT_EQ(Export(asRead, RegTextEncoding::kUtf16), Export(parsedFirst, RegTextEncoding::kUtf16));
    EXPECT_EQ(Query(asRead, kLocalMachine, "SOFTWARE\\Forms", "number").status, err::kFileNotFound);
    EXPECT_EQ(asRead.OpenHandleCount(), 0u);
  }
}

TEST(RegText, ExportAndImportRoundTripEveryKindOfData) {
  MemoryRegistry reg;
  HKey key = 0;
  ASSERT_EQ(reg.CreateKeyEx(kLocalMachine, "Software\\Round \"Trip\"\\Empty", &key), err::kSuccess);
  reg.CloseKey(key);
  ASSERT_EQ(reg.CreateKeyEx(kLocalMachine, "Software\\Round \"Trip\"", &key), err::kSuccess);
  auto set = [&](const char* name, std::uint32_t type, const std::string& data) {
    reg.SetValueEx(key, name, type, reinterpret_cast<const std::uint8_t*>(data.data()),
                   static_cast<std::uint32_t>(data.size()));
  };
  set("", regtype::kSz, std::string("d\\\"q\"\0", 6));
  set("unterminated", regtype::kSz, "abc");
  set("zeros", regtype::kSz, std::string("a\0b\0", 4));
  set("line end", regtype::kSz, std::string("x\r\ny\0", 5));
  set("expand", regtype::kExpandSz, std::string("%SystemRoot%\\x\xE9\0", 16));
  set("multi", regtype::kMultiSz, std::string("a\0b\0\0", 5));
  set("dword", regtype::kDword, std::string("\x05\0\0\0", 4));
  set("short dword", regtype::kDword, std::string("\x05\0", 2));
  set("binary", regtype::kBinary, std::string(200, '\x7f'));
  set("qword", regtype::kQword, std::string(8, '\x01'));
  set("high bytes \x80\xFF", regtype::kSz, std::string("\x80\x81\x8d\xff\0", 5));
  reg.CloseKey(key);
  for (auto encoding : {RegTextEncoding::kAnsi, RegTextEncoding::kUtf16}) {
    const std::string exported = Export(reg, encoding);
    MemoryRegistry copy;
    RegTextResult r = ImportRegText(exported, copy);
    ASSERT_TRUE(r.ok) << r.Message();
    EXPECT_EQ(Export(copy, RegTextEncoding::kAnsi), Export(reg, RegTextEncoding::kAnsi));
    EXPECT_EQ(Query(copy, kLocalMachine, "Software\\Round \"Trip\"", "unterminated").data, "abc");
  }
  const std::string text = Export(reg, RegTextEncoding::kAnsi);
  EXPECT_NE(text.find("\"dword\"=dword:00000005\r\n"), std::string::npos);
  EXPECT_NE(text.find("@=\"d\\\\\\\"q\\\"\"\r\n"), std::string::npos);
  EXPECT_NE(text.find("[HKEY_LOCAL_MACHINE\\Software\\Round \"Trip\"\\Empty]"), std::string::npos);

  // A name with a line end cannot be written; the export says so.
  ASSERT_EQ(reg.CreateKeyEx(kCurrentUser, "Software", &key), err::kSuccess);
  set("line\nend", regtype::kSz, std::string("x\0", 2));
  reg.CloseKey(key);
  std::string out, error;
  EXPECT_FALSE(ExportRegText(reg, RegTextEncoding::kAnsi, out, error));
  EXPECT_NE(error.find("holds a line end"), std::string::npos) << error;
}
