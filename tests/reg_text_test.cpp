#include "platform/reg_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vorlisk::platform {
namespace {

using Kind = RegOperation::Kind;

std::vector<uint8_t> Bytes(std::string_view s) { return {s.begin(), s.end()}; }

std::string Utf16File(std::string_view text) {
  std::string out = "\xFF\xFE";
  for (char c : text) {
    out += c;
    out += '\0';
  }
  return out;
}

// The message of the Error that parsing throws, or "" when it parses.
std::string ParseError(std::string_view text) {
  try {
    ParseRegText(text);
  } catch (const Error& e) {
    return e.what();
  }
  return "";
}

TEST(RegText, AcceptsOnlyTheTwoHeadersInEitherEncoding) {
  const std::string body = "\r\n[HKEY_CURRENT_USER\\A]\r\n";
  struct Case {
    std::string file;
    bool ok;
  } cases[] = {
      {"REGEDIT4" + body, true},
      {"Windows Registry Editor Version 5.00" + body, true},
      {"Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\A]\n", true},  // LF only
      {"\xEF\xBB\xBFWindows Registry Editor Version 5.00" + body, true},         // UTF-8 mark
      {Utf16File("Windows Registry Editor Version 5.00" + body), true},
      {"Windows Registry Editor Version 4.00" + body, false},
      {"regedit4" + body, false},
      {"[HKEY_CURRENT_USER\\A]\r\n", false},
      {Utf16File("garbage"), false},
      {"", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ParseError(c.file), c.ok ? "" : "Not a registry file") << c.file;
  }
}

TEST(RegText, ReadsKeysValuesAndDeletions) {
  const auto ops = ParseRegText(
      "Windows Registry Editor Version 5.00\r\n"
      "\r\n"
      "; a comment\r\n"
      "[hkey_local_machine\\Software\\Demo\\]\r\n"
      "@=\"default\"\r\n"
      "\"Path\"=\"C:\\\\Temp \\\"x\\\"\\r\\n\\q\"  ; trailing comment\r\n"
      "\"Count\" = dword:0000002A\r\n"
      "\"Bin\"=hex:01,ff,\\\r\n"
      "  7f\r\n"
      "\"Exp\"=hex(2):41,00,e9,00,00,00\r\n"
      "\"Q\"=hex(b):01,00,00,00,00,00,00,00\r\n"
      "\"Gone\"=-\r\n"
      "\r\n"
      "[-HKEY_CURRENT_USER\\Old]\r\n");
  ASSERT_EQ(ops.size(), 9u);
  EXPECT_EQ(ops[0].kind, Kind::CreateKey);
  EXPECT_EQ(ops[0].root, RootKey::LocalMachine);
  EXPECT_EQ(ops[0].path, "Software\\Demo");
  EXPECT_EQ(ops[0].line, 4);
  const struct {
    std::string name;
    uint32_t type;
    std::vector<uint8_t> data;
  } values[] = {
      {"", kRegSz, Bytes(std::string_view("default\0", 8))},
      {"Path", kRegSz, Bytes(std::string_view("C:\\Temp \"x\"\r\n\\q\0", 16))},
      {"Count", kRegDword, {0x2A, 0, 0, 0}},
      {"Bin", kRegBinary, {0x01, 0xff, 0x7f}},
      {"Exp", kRegExpandSz, {'A', 0xe9, 0}},  // UTF-16LE in version 5, read as Latin-1
      {"Q", kRegQword, {1, 0, 0, 0, 0, 0, 0, 0}},
  };
  for (std::size_t i = 0; i < std::size(values); ++i) {
    const RegOperation& op = ops[i + 1];
    EXPECT_EQ(op.kind, Kind::SetValue) << i;
    EXPECT_EQ(op.path, "Software\\Demo") << i;
    EXPECT_EQ(op.value.name, values[i].name) << i;
    EXPECT_EQ(op.value.type, values[i].type) << i;
    EXPECT_EQ(op.value.data, values[i].data) << i;
  }
  EXPECT_EQ(ops[4].line, 8);  // a continued value belongs to its first line
  EXPECT_EQ(ops[7].kind, Kind::DeleteValue);
  EXPECT_EQ(ops[7].value.name, "Gone");
  EXPECT_EQ(ops[8].kind, Kind::DeleteKey);
  EXPECT_EQ(ops[8].root, RootKey::CurrentUser);
  EXPECT_EQ(ops[8].path, "Old");
}

TEST(RegText, StringTypesOfRegedit4AreEightBit) {
  const auto ops = ParseRegText("REGEDIT4\r\n[HKEY_USERS\\X]\r\n\"E\"=hex(2):41,e9,00\r\n");
  ASSERT_EQ(ops.size(), 2u);
  EXPECT_EQ(ops[1].value.data, (std::vector<uint8_t>{'A', 0xe9, 0}));
}

TEST(RegText, MalformedLinesReportTheirLineNumber) {
  const std::string head = "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\A]\r\n";
  struct Case {
    std::string rest;
    std::string error;
  } cases[] = {
      {"[HKCU\\Software]\r\n", "Line 4: unknown root key \"HKCU\""},
      {"\"x\"=dword:1\r\n[-HKLM\\Software]\r\n", "Line 5: unknown root key \"HKLM\""},
      {"[HKEY_CURRENT_USER\\A\r\n", "Line 4: missing \"]\""},
      {"[HKEY_CURRENT_USER\\A\\\\B]\r\n", "Line 4: invalid key path \"HKEY_CURRENT_USER\\A\\\\B\""},
      {"[-HKEY_CURRENT_USER]\r\n", "Line 4: a root key cannot be deleted"},
      {"\"x\"=\"open\r\n", "Line 4: missing closing quote"},
      {"\"x\"=\"a\" b\r\n", "Line 4: unexpected text after the data"},
      {"\"x\"\"a\"\r\n", "Line 4: missing \"=\""},
      {"\"x\"=dword:123456789\r\n", "Line 4: invalid dword data"},
      {"\"x\"=DWORD:1\r\n", "Line 4: unrecognised data"},
      {"\"x\"=hex:01,2g\r\n", "Line 4: invalid hex data"},
      {"\"x\"=hex:01,\\\r\n  02,0x3\r\n", "Line 5: invalid hex data"},
      {"\"x\"=hex(zz):01\r\n", "Line 4: unrecognised data"},
      {"\"x\\n\"=\"a\"\r\n", "Line 4: invalid value name"},
      {"[-HKEY_CURRENT_USER\\A]\r\n\"x\"=\"a\"\r\n", "Line 5: value outside a key"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ParseError(head + c.rest), c.error) << c.rest;
  }
  try {
    ParseRegText(head + "\r\n\r\n[HKCU\\X]\r\n");
    FAIL();
  } catch (const RegTextError& e) {
    EXPECT_EQ(e.line(), 6);
  }
}

TEST(RegText, FormatsValuesAsRegeditExportsThem) {
  struct Case {
    RegValue value;
    std::string text;
  } cases[] = {
      {{"", kRegSz, Bytes(std::string_view("x\0", 2))}, "@=\"x\""},
      {{"Na\"me\\", kRegSz, Bytes(std::string_view("C:\\a \"b\"\0", 9))},
       "\"Na\\\"me\\\\\"=\"C:\\\\a \\\"b\\\"\""},
      {{"D", kRegDword, {0x2A, 0, 0, 0xAB}}, "\"D\"=dword:ab00002a"},
      {{"D3", kRegDword, {1, 2, 3}}, "\"D3\"=hex(4):01,02,03"},
      {{"B", kRegBinary, {}}, "\"B\"=hex:"},
      {{"N", kRegNone, {0xAB}}, "\"N\"=hex(0):ab"},
      {{"E", kRegExpandSz, Bytes(std::string_view("%a%\0", 4))},
       "\"E\"=hex(2):25,00,61,00,25,00,00,00"},
      {{"M", kRegMultiSz, Bytes(std::string_view("a\0\0", 3))}, "\"M\"=hex(7):61,00,00,00,00,00"},
      // Text that a quoted string cannot carry (a line break, no terminating NUL) goes as hex(1).
      {{"S", kRegSz, Bytes(std::string_view("a\nb\0", 4))}, "\"S\"=hex(1):61,00,0a,00,62,00,00,00"},
      {{"S", kRegSz, Bytes("ab")}, "\"S\"=hex(1):61,00,62,00"},
      {{"Q", kRegQword, {1, 0, 0, 0, 0, 0, 0, 0}}, "\"Q\"=hex(b):01,00,00,00,00,00,00,00"},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatRegValue(c.value), c.text) << c.text;
}

TEST(RegText, WrapsHexDataAtColumn77) {
  RegValue v{"Data", kRegBinary, {}};
  for (int i = 0; i < 60; ++i) v.data.push_back(static_cast<uint8_t>(i));
  const std::string text = FormatRegValue(v);
  // The first line holds 22 bytes after the name; each continuation line 25 bytes.
  EXPECT_EQ(text,
            "\"Data\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,\\\r\n"
            "  16,17,18,19,1a,1b,1c,1d,1e,1f,20,21,22,23,24,25,26,27,28,29,2a,2b,2c,2d,2e,\\\r\n"
            "  2f,30,31,32,33,34,35,36,37,38,39,3a,3b");
}

TEST(RegText, ExportedValuesReadBackUnchanged) {
  std::vector<RegValue> values = {
      {"", kRegSz, Bytes(std::string_view("\0", 1))},
      {"quote\"back\\slash", kRegSz, Bytes(std::string_view("v \"q\" \\\\ end\0", 14))},
      {"lines", kRegSz, Bytes(std::string_view("a\r\nb\0", 5))},
      {"no nul", kRegSz, Bytes("text")},
      {"empty", kRegSz, {}},
      {"latin1", kRegExpandSz, Bytes(std::string_view("\xe9t\xe9 %TEMP%\0", 11))},
      {"multi", kRegMultiSz, Bytes(std::string_view("one\0two\0\0", 9))},
      {"dword", kRegDword, {0xff, 0xee, 0xdd, 0xcc}},
      {"qword", kRegQword, {1, 2, 3, 4, 5, 6, 7, 8}},
      {"none", kRegNone, {}},
      {"type 0x1234", 0x1234, {9}},
      {"trailing blank ", kRegBinary, {}},
  };
  RegValue big{"big", kRegExpandSz, {}};
  for (int i = 0; i < 300; ++i) big.data.push_back(static_cast<uint8_t>(i));
  values.push_back(big);

  std::string file(kRegHeaderV5);
  file += "\r\n";
  AppendRegKeyBlock(file, "HKEY_CURRENT_USER\\Software\\Round [trip]", values);
  file += "\r\n";
  for (const std::string& text : {file, Utf16File(file)}) {
    const auto ops = ParseRegText(text);
    ASSERT_EQ(ops.size(), values.size() + 1);
    EXPECT_EQ(ops[0].path, "Software\\Round [trip]");
    for (std::size_t i = 0; i < values.size(); ++i) EXPECT_EQ(ops[i + 1].value, values[i]) << i;
  }
}

}  // namespace
}  // namespace vorlisk::platform
