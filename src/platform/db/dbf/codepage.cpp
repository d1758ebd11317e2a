#include "platform/db/dbf/codepage.h"

#include <iconv.h>

#include <cerrno>
#include <charconv>
#include <stdexcept>

#include "platform/runtime/text.h"

namespace kt::dbf {

namespace {

struct LdidEntry {
  std::uint8_t id;
  int cp;
};

// Language-driver ids and their code pages. Where several ids share a page,
// the first one listed for that page is the one written by Create.
constexpr LdidEntry kLdids[] = {
    {0x01, 437},   {0x02, 850},   {0x03, 1252},  {0x04, 10000}, {0x64, 852},   {0x65, 866},   {0x66, 865},
    {0x67, 861},   {0x6A, 737},   {0x6B, 857},   {0x1C, 863},   {0x24, 860},   {0x13, 932},   {0x7A, 936},
    {0x79, 949},   {0x78, 950},   {0x7C, 874},   {0x7D, 1255},  {0x7E, 1256},  {0xC8, 1250},  {0xC9, 1251},
    {0xCA, 1254},  {0xCB, 1253},  {0xCC, 1257},  {0x96, 10007}, {0x97, 10029}, {0x98, 10006}, {0x68, 895},
    {0x69, 620},   {0x08, 865},   {0x17, 865},   {0x09, 437},   {0x0A, 850},   {0x0B, 437},   {0x0D, 437},
    {0x0E, 850},   {0x0F, 437},   {0x10, 850},   {0x11, 437},   {0x12, 850},   {0x14, 850},   {0x18, 437},
    {0x15, 437},   {0x16, 850},   {0x19, 437},   {0x1A, 850},   {0x1B, 437},   {0x37, 850},   {0x1D, 850},
    {0x1F, 852},   {0x22, 852},   {0x23, 852},   {0x25, 850},   {0x26, 866},   {0x40, 852},   {0x4D, 936},
    {0x4E, 949},   {0x4F, 950},   {0x50, 874},   {0x57, 1252},  {0x58, 1252},  {0x59, 1252},  {0x7B, 932},
};

const char* IconvForNumber(int cp) {
  switch (cp) {
    case 437: return "CP437";
    case 737: return "CP737";
    case 850: return "CP850";
    case 852: return "CP852";
    case 857: return "CP857";
    case 860: return "CP860";
    case 861: return "CP861";
    case 863: return "CP863";
    case 865: return "CP865";
    case 866: return "CP866";
    case 874: return "CP874";
    case 932: return "CP932";
    case 936: return "CP936";
    case 949: return "CP949";
    case 950: return "CP950";
    case 1250: return "CP1250";
    case 1251: return "CP1251";
    case 1252: return "CP1252";
    case 1253: return "CP1253";
    case 1254: return "CP1254";
    case 1255: return "CP1255";
    case 1256: return "CP1256";
    case 1257: return "CP1257";
    case 10000: return "MACINTOSH";
    case 10007: return "MAC-CYRILLIC";
    case 10029: return "MAC-CENTRALEUROPE";
    default: return "";  // 620 Mazovia, 895 Kamenicky, 10006 Mac Greek: glibc has none
  }
}

std::string Upper(std::string_view s) {
  std::string r(s);
  for (char& c : r) c = text::AsciiUpper(c);
  return r;
}

// "850", "CP850", "IBM850", "WINDOWS-1252" -> 850; 0 otherwise.
int NumberOf(std::string_view name) {
  std::string up = Upper(name);
  for (std::string_view prefix : {"CP", "IBM", "WINDOWS-", "MS-"}) {
    if (up.rfind(prefix, 0) == 0) {
      up.erase(0, prefix.size());
      break;
    }
  }
  int n = 0;
  auto [p, ec] = std::from_chars(up.data(), up.data() + up.size(), n);
  if (ec != std::errc() || p != up.data() + up.size()) return 0;
  return n;
}

bool IsSingleByte(std::string_view iconvName) {
  std::string up = Upper(iconvName);
  for (std::string_view multi : {"932", "936", "949", "950", "UTF", "SHIFT", "SJIS", "BIG5", "GBK", "GB18030", "EUC"})
    if (up.find(multi) != std::string::npos) return false;
  return true;
}

bool IconvKnows(const std::string& name) {
  iconv_t cd = iconv_open("UTF-8", name.c_str());
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  iconv_close(cd);
  return true;
}

void AppendUtf8(std::string& out, std::uint32_t cp) {
  if (cp < 0x80) {
    out += char(cp);
  } else if (cp < 0x800) {
    out += char(0xC0 | (cp >> 6));
    out += char(0x80 | (cp & 0x3F));
  } else {
    out += char(0xE0 | (cp >> 12));
    out += char(0x80 | ((cp >> 6) & 0x3F));
    out += char(0x80 | (cp & 0x3F));
  }
}

// Length of the UTF-8 sequence starting at s[i] (1 for malformed bytes) and
// its code point.
std::size_t Utf8Char(std::string_view s, std::size_t i, std::uint32_t& cp) {
  const auto c = static_cast<unsigned char>(s[i]);
  std::size_t n = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
  if (n == 0 || i + n > s.size()) {
    cp = 0xFFFD;
    return 1;
  }
  cp = n == 1 ? c : n == 2 ? (c & 0x1F) : n == 3 ? (c & 0x0F) : (c & 0x07);
  for (std::size_t k = 1; k < n; ++k) {
    const auto cc = static_cast<unsigned char>(s[i + k]);
    if ((cc & 0xC0) != 0x80) {
      cp = 0xFFFD;
      return 1;
    }
    cp = (cp << 6) | (cc & 0x3F);
  }
  return n;
}

// Bytes a single-byte page leaves undefined still need a character, or a
// value read and written back would change: 0x80..0x9F become the C1
// controls of the same number (as Windows maps them), others a private-use
// character U+F700 + byte.
std::uint32_t UndefinedByteChar(unsigned char b) { return b >= 0x80 && b <= 0x9F ? b : 0xF700u + b; }
int UndefinedByteOf(std::uint32_t cp) {
  if (cp >= 0x80 && cp <= 0x9F) return int(cp);
  if (cp >= 0xF780 && cp <= 0xF7FF) return int(cp - 0xF700);
  return -1;
}

bool AllAscii(std::string_view s) {
  for (char c : s)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

}  // namespace

struct CodePage::Handles {
  iconv_t toUtf8 = reinterpret_cast<iconv_t>(-1);
  iconv_t fromUtf8 = reinterpret_cast<iconv_t>(-1);
  ~Handles() {
    if (toUtf8 != reinterpret_cast<iconv_t>(-1)) iconv_close(toUtf8);
    if (fromUtf8 != reinterpret_cast<iconv_t>(-1)) iconv_close(fromUtf8);
  }
};

CodePageInfo CodePageForLdid(std::uint8_t ldid) {
  for (const LdidEntry& e : kLdids)
    if (e.id == ldid) return {e.cp, IconvForNumber(e.cp)};
  return {};
}

std::uint8_t LdidForCodePage(std::string_view codePage) {
  int n = NumberOf(codePage);
  if (n == 0) {
    std::string up = Upper(codePage);
    if (up == "MACINTOSH" || up == "MAC") n = 10000;
    else if (up == "MAC-CYRILLIC") n = 10007;
    else if (up == "MAC-CENTRALEUROPE") n = 10029;
  }
  for (const LdidEntry& e : kLdids)
    if (e.cp == n) return e.id;
  return 0;
}

std::string IconvName(std::string_view codePage) {
  const int n = NumberOf(codePage);
  std::string name = n ? std::string(IconvForNumber(n)) : Upper(codePage);
  if (name.empty()) return {};
  return IconvKnows(name) ? name : std::string();
}

CodePage::CodePage(std::string_view name) : h_(std::make_unique<Handles>()) {
  name_ = IconvName(name);
  if (name_.empty()) throw std::invalid_argument("code page " + std::string(name) + " is not supported");
  singleByte_ = IsSingleByte(name_);
  h_->toUtf8 = iconv_open("UTF-8", name_.c_str());
  h_->fromUtf8 = iconv_open(name_.c_str(), "UTF-8");
  if (h_->toUtf8 == reinterpret_cast<iconv_t>(-1) || h_->fromUtf8 == reinterpret_cast<iconv_t>(-1))
    throw std::invalid_argument("code page " + name_ + " is not supported");
}

CodePage::~CodePage() = default;

std::string CodePage::ToUtf8(std::string_view bytes) const {
  if (AllAscii(bytes)) return std::string(bytes);
  std::string out;
  out.reserve(bytes.size() * 2 + 8);
  iconv(h_->toUtf8, nullptr, nullptr, nullptr, nullptr);
  char* in = const_cast<char*>(bytes.data());
  std::size_t inLeft = bytes.size();
  char buf[512];
  while (inLeft > 0) {
    char* o = buf;
    std::size_t oLeft = sizeof buf;
    const std::size_t r = iconv(h_->toUtf8, &in, &inLeft, &o, &oLeft);
    out.append(buf, std::size_t(o - buf));
    if (r != std::size_t(-1)) continue;
    if (errno == E2BIG) continue;
    // Undefined or truncated input: keep one byte as a character of its own.
    const auto b = static_cast<unsigned char>(*in);
    AppendUtf8(out, singleByte_ ? UndefinedByteChar(b) : 0xFFFD);
    ++in;
    --inLeft;
    iconv(h_->toUtf8, nullptr, nullptr, nullptr, nullptr);
  }
  return out;
}

std::string CodePage::FromUtf8(std::string_view utf8, std::size_t maxBytes, bool* cut) const {
  if (cut) *cut = false;
  if (AllAscii(utf8)) {
    if (utf8.size() <= maxBytes) return std::string(utf8);
    if (cut) *cut = true;
    return std::string(utf8.substr(0, maxBytes));
  }
  // One character at a time, so the result can stop at a character boundary
  // of the target page however many bytes each character takes there.
  std::string out;
  out.reserve(std::min(utf8.size(), maxBytes));
  char buf[16];
  for (std::size_t i = 0; i < utf8.size();) {
    std::uint32_t cp = 0;
    const std::size_t n = Utf8Char(utf8, i, cp);
    std::size_t produced = 0;
    if (cp < 0x80) {
      buf[0] = char(cp);
      produced = 1;
    } else {
      char* in = const_cast<char*>(utf8.data() + i);
      std::size_t inLeft = n;
      char* o = buf;
      std::size_t oLeft = sizeof buf;
      iconv(h_->fromUtf8, nullptr, nullptr, nullptr, nullptr);
      if (cp != 0xFFFD && iconv(h_->fromUtf8, &in, &inLeft, &o, &oLeft) != std::size_t(-1)) {
        // Flush any shift state of stateful encodings.
        iconv(h_->fromUtf8, nullptr, nullptr, &o, &oLeft);
        produced = std::size_t(o - buf);
      } else {
        const int b = singleByte_ ? UndefinedByteOf(cp) : -1;
        buf[0] = b >= 0 ? char(b) : '?';
        produced = 1;
      }
    }
    if (out.size() + produced > maxBytes) {
      if (cut) *cut = true;
      break;
    }
    out.append(buf, produced);
    i += n;
  }
  return out;
}

}  // namespace kt::dbf
