#pragma once
// Code pages of tables: the language-driver byte names one, glibc iconv
// converts between it and the UTF-8 used everywhere else in the program.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace kt::dbf {

struct CodePageInfo {
  int number = 0;           // Windows / DOS code page number, 0 when unknown
  const char* iconv = "";   // iconv name, "" when glibc has none
};

// Code page of a language-driver byte; number 0 for 0x00 and unknown ids.
CodePageInfo CodePageForLdid(std::uint8_t ldid);
// Language-driver byte that announces a code page ("CP850", "cp1252",
// "850"...); 0 when no id stands for it.
std::uint8_t LdidForCodePage(std::string_view codePage);
// Normalises a code page given by number or name into an iconv name
// ("850" -> "CP850"); empty when iconv does not know it.
std::string IconvName(std::string_view codePage);

// Converts text between one code page and UTF-8. Characters the code page
// cannot hold become '?'. Bytes a single-byte page leaves undefined read as
// a character of their own (the C1 control of the same number for
// 0x80..0x9F, else U+F700 + byte) and are written back as the same byte, so
// reading and writing a value never changes it.
class CodePage {
 public:
  // Throws std::invalid_argument when iconv does not support the page.
  explicit CodePage(std::string_view name);
  ~CodePage();
  CodePage(const CodePage&) = delete;
  CodePage& operator=(const CodePage&) = delete;

  const std::string& Name() const { return name_; }
  bool SingleByte() const { return singleByte_; }

  std::string ToUtf8(std::string_view bytes) const;
  // Encodes into at most maxBytes bytes of the code page, cutting only at a
  // character boundary; `cut` tells whether characters were dropped.
  std::string FromUtf8(std::string_view utf8, std::size_t maxBytes = std::string::npos, bool* cut = nullptr) const;

 private:
  struct Handles;
  std::string name_;
  bool singleByte_ = true;
  std::unique_ptr<Handles> h_;
};

}  // namespace kt::dbf
