#include "platform/db/dbf/header.h"

#include <algorithm>
#include <set>

#include "platform/runtime/error.h"
#include "platform/runtime/numtext.h"
#include "platform/runtime/text.h"

namespace kt::dbf {

namespace {

std::string Hex(std::uint8_t v) { return "0x" + HexText(v, 2); }

std::string Quote(std::string_view s) {
  std::string q;
  q.reserve(s.size() + 2);
  q += '\'';
  q += s;
  q += '\'';
  return q;
}

bool IsMemoType(char t, bool vfp) { return t == 'M' || t == 'G' || t == 'P' || (t == 'B' && !vfp); }

// Whether a field read from a header can be decoded; unknown or oddly sized
// fields stay in the record untouched.
bool Decodable(char type, int length, bool vfp) {
  switch (type) {
    case 'C': case 'N': case 'F': return true;
    case 'D': return length == 8;
    case 'L': return length == 1;
    case 'M': case 'G': case 'P': return length == 10 || length == 4;
    case 'B': return vfp ? length == 8 : (length == 10 || length == 4);
    case 'I': return length == 4;
    case 'Y': case 'T': return length == 8;
    default: return false;
  }
}

}  // namespace

const char* FamilyName(Family f) {
  switch (f) {
    case Family::Ntx: return "DBFNTX";
    case Family::Cdx: return "DBFCDX";
    case Family::Mdx: return "DBFMDX";
  }
  return "DBF";
}

std::optional<Family> FamilyFromName(std::string_view name) {
  std::string up(name);
  for (char& c : up) c = text::AsciiUpper(c);
  if (up == "DBFNTX") return Family::Ntx;
  if (up == "DBFCDX") return Family::Cdx;
  if (up == "DBFMDX") return Family::Mdx;
  return std::nullopt;
}

bool Field::IsMemo() const { return IsMemoType(type, false) && !(type == 'B' && length == 8); }

bool Field::Binary() const {
  return (flags & fieldflag::kBinary) != 0 || type == 'G' || type == 'P' || type == 'B' || type == 'I' ||
         type == 'Y' || type == 'T' || type == '0';
}

VersionInfo DescribeVersion(std::uint8_t v) {
  VersionInfo i;
  i.supported = true;
  switch (v) {
    case 0x03: i.family = Family::Ntx; break;  // plain table, any family
    case 0x07: i.family = Family::Ntx; break;
    case 0x83: case 0x87: i.family = Family::Ntx; i.memo = MemoKind::Dbt3; break;
    case 0x8B: i.family = Family::Mdx; i.memo = MemoKind::Dbt4; break;
    case 0xF5: i.family = Family::Cdx; i.memo = MemoKind::Fpt; break;
    case 0x30: case 0x31: case 0x32:
      i.family = Family::Cdx; i.memo = MemoKind::Fpt; i.vfp = true; break;
    default:
      i.supported = false;
      if ((v & 0x07) == 0x04) i.why = "dBASE 7 tables are not supported";
      else if (v == 0x02 || v == 0xFB) i.why = "FoxBASE / dBASE II tables are not supported";
      else if (v == 0x43 || v == 0x63 || v == 0xCB || v == 0x8E || v == 0x7B) i.why = "dBASE IV SQL / rare variants are not supported";
      else if (v == 0xE5) i.why = "SMT-memo tables are not supported";
      else i.why = "not a DBF table";
  }
  return i;
}

TableHeader ParseFixedHeader(std::span<const std::uint8_t> b, std::uint64_t fileSize, const ErrorContext& ctx) {
  if (b.size() < kFixedHeaderSize || fileSize < kFixedHeaderSize)
    Fail(ctx, gen::Corruption, "open", "file is too short for a table header (" + ToText(fileSize) + " bytes)");
  TableHeader h;
  h.version = b[0];
  h.info = DescribeVersion(h.version);
  if (!h.info.supported)
    Fail(ctx, h.info.why == std::string_view("not a DBF table") ? gen::Corruption : gen::Unsupported, "open",
         "version byte " + Hex(h.version) + ": " + h.info.why);
  if (b[15] == 1) Fail(ctx, gen::Unsupported, "open", "table is encrypted");
  h.year = b[1];
  h.month = b[2];
  h.day = b[3];
  h.recCount = Le32(&b[4]);
  h.headerLen = Le16(&b[8]);
  h.recordLen = Le16(&b[10]);
  h.tableFlags = b[28];
  h.ldid = b[29];
  const std::size_t minHeader = kFixedHeaderSize + kDescriptorSize + 1;
  if (h.headerLen < minHeader)
    Fail(ctx, gen::Corruption, "open", "header length " + ToText(h.headerLen) + " is too small to hold a field");
  if (h.headerLen > fileSize)
    Fail(ctx, gen::Corruption, "open",
         "header length " + ToText(h.headerLen) + " lies beyond the end of the file (" +
             ToText(fileSize) + " bytes)");
  if (h.recordLen < 2) Fail(ctx, gen::Corruption, "open", "record length " + ToText(h.recordLen) + " is too small");
  return h;
}

void ParseFields(TableHeader& h, std::span<const std::uint8_t> b, std::uint64_t fileSize, const ErrorContext& ctx) {
  const bool vfp = h.info.vfp;
  std::vector<Field> all;
  std::size_t p = kFixedHeaderSize;
  for (;;) {
    if (p >= h.headerLen || p >= b.size()) break;   // no terminator: descriptors fill the header
    if (b[p] == kHeaderEnd || b[p] == 0x00) break;  // some writers end the list with 0x00
    if (p + kDescriptorSize > h.headerLen)
      Fail(ctx, gen::Corruption, "open",
           "field descriptor " + ToText(all.size() + 1) + " overruns the header (header length " +
               ToText(h.headerLen) + ")");
    const std::uint8_t* d = &b[p];
    Field f;
    std::size_t n = 0;
    while (n < 11 && d[n] != 0) ++n;
    std::string name(reinterpret_cast<const char*>(d), n);
    while (!name.empty() && name.back() == ' ') name.pop_back();
    for (char& c : name) c = text::AsciiUpper(c);
    f.name = name;
    f.type = text::AsciiUpper(char(d[11]));
    f.length = d[16];
    f.decimals = d[17];
    f.flags = vfp ? d[18] : 0;
    f.descriptor = int(all.size());
    if (f.length == 0)
      Fail(ctx, gen::Corruption, "open", "field " + Quote(f.name) + " has length 0");
    all.push_back(std::move(f));
    p += kDescriptorSize;
  }
  if (all.empty()) Fail(ctx, gen::Corruption, "open", "table has no fields");

  auto sumLengths = [&](bool longChar) {
    std::uint64_t sum = 1;
    for (const Field& f : all) sum += f.length + ((longChar && f.type == 'C') ? f.decimals * 256u : 0u);
    return sum;
  };
  bool longChar = false;
  if (sumLengths(false) != h.recordLen) {
    // Some writers keep C fields over 255 bytes with the high byte in the
    // decimals; accept that reading only when it makes the record add up.
    if (h.info.family != Family::Mdx && sumLengths(true) == h.recordLen) {
      longChar = true;
    } else {
      Fail(ctx, gen::Corruption, "open",
           "record length " + ToText(h.recordLen) + " does not match the fields (" +
               ToText(sumLengths(false)) + " bytes with the deletion flag)");
    }
  }

  std::uint32_t offset = 1;
  int nullBit = 0;
  for (Field& f : all) {
    if (longChar && f.type == 'C' && f.decimals) {
      f.length = std::uint16_t(f.length + f.decimals * 256);
      f.decimals = 0;
    }
    f.offset = offset;
    offset += f.length;
    if (vfp && (f.type == 'V' || f.type == 'Q')) ++nullBit;  // varying length bit (these types are not decoded)
    if (vfp && (f.flags & fieldflag::kNullable)) f.nullBit = nullBit++;
    f.supported = Decodable(f.type, f.length, vfp);
    if (vfp && f.type == '0' && (f.flags & fieldflag::kSystem)) {
      f.supported = true;
      h.nullFlags = f;
      continue;
    }
    if (f.type == 'N' || f.type == 'F') {
      if (f.decimals >= f.length) f.supported = false;
    }
    if (vfp && (f.flags & fieldflag::kAutoInc) == fieldflag::kAutoInc && f.type == 'I')
      h.autoIncFields.push_back(int(h.fields.size()));
    h.fields.push_back(f);
  }
  if (h.fields.empty()) Fail(ctx, gen::Corruption, "open", "table has no visible fields");
  if (h.nullFlags && nullBit > h.nullFlags->length * 8)
    Fail(ctx, gen::Corruption, "open", "_NullFlags field is too short for the nullable fields");
  if (!h.nullFlags) {
    for (Field& f : h.fields) f.nullBit = -1;
  }

  const std::uint64_t need = std::uint64_t(h.headerLen) + std::uint64_t(h.recCount) * h.recordLen;
  if (need > fileSize)
    Fail(ctx, gen::Corruption, "open",
         "record count " + ToText(h.recCount) + " needs " + ToText(need) +
             " bytes but the file has only " + ToText(fileSize));
}

TableHeader LayoutStructure(const Structure& s, Family family, const ErrorContext& ctx) {
  auto bad = [&](const FieldSpec& f, const std::string& what) {
    Fail(ctx, gen::Arg, "create", "field " + Quote(f.name) + ": " + what);
  };
  if (s.empty()) Fail(ctx, gen::Arg, "create", "a table needs at least one field");

  bool vfp = false, memo = false, nullable = false;
  for (const FieldSpec& f : s) {
    const char t = text::AsciiUpper(f.type);
    if (t == 'I' || t == 'B' || t == 'Y' || t == 'T' || f.flags) vfp = true;
    if (f.flags & fieldflag::kNullable) nullable = true;
  }
  if (vfp && family != Family::Cdx)
    Fail(ctx, gen::Arg, "create", "types I, B, Y, T and field flags need the DBFCDX (Visual FoxPro) family");

  TableHeader h;
  std::set<std::string> names;
  std::uint32_t offset = 1;
  int nullBit = 0;
  for (const FieldSpec& fs : s) {
    Field f;
    f.name = fs.name;
    for (char& c : f.name) c = text::AsciiUpper(c);
    if (f.name.empty() || f.name.size() > 10) bad(fs, "a name has 1 to 10 characters");
    if (!(text::IsAsciiLetter(f.name[0]) || f.name[0] == '_')) bad(fs, "a name starts with a letter");
    for (char c : f.name)
      if (!(text::IsAsciiLetter(c) || text::IsAsciiDigit(c) || c == '_'))
        bad(fs, "a name holds letters, digits and '_' only");
    if (!names.insert(f.name).second) bad(fs, "the name is used twice");
    if (fs.flags & ~(fieldflag::kNullable | fieldflag::kBinary)) bad(fs, "only the nullable and binary flags can be set");
    f.type = text::AsciiUpper(fs.type);
    f.flags = fs.flags;
    const int len = fs.length, dec = fs.decimals;
    switch (f.type) {
      case 'C':
        if (len < 1 || len > 254) bad(fs, "a character field is 1 to 254 bytes long");
        if (dec != 0) bad(fs, "a character field has no decimals");
        f.length = std::uint16_t(len);
        break;
      case 'F':
        if (family == Family::Ntx) bad(fs, "type F is not known to the DBFNTX family");
        [[fallthrough]];
      case 'N':
        if (len < 1 || len > 20) bad(fs, "a numeric field is 1 to 20 digits wide");
        if (dec < 0 || dec > 15 || (dec > 0 && dec > len - 2)) bad(fs, "decimals must be 0, or at most the width less 2");
        f.length = std::uint16_t(len);
        f.decimals = std::uint8_t(dec);
        break;
      case 'D': f.length = 8; break;
      case 'L': f.length = 1; break;
      case 'G': case 'P':
        if (family != Family::Cdx) bad(fs, "types G and P need the DBFCDX family");
        [[fallthrough]];
      case 'M':
        f.length = vfp ? 4 : 10;
        memo = true;
        break;
      case 'I': f.length = 4; break;
      case 'B': f.length = 8; f.decimals = std::uint8_t(std::clamp(dec, 0, 18)); break;
      case 'Y': f.length = 8; f.decimals = 4; break;
      case 'T': f.length = 8; break;
      default: bad(fs, std::string("type '") + fs.type + "' cannot be created");
    }
    if ((f.flags & fieldflag::kBinary) && f.type != 'C' && f.type != 'M') bad(fs, "only C and M fields can be binary");
    f.offset = offset;
    offset += f.length;
    if (f.flags & fieldflag::kNullable) f.nullBit = nullBit++;
    f.descriptor = int(h.fields.size());
    h.fields.push_back(f);
  }
  if (nullable) {
    Field nf;
    nf.name = "_NULLFLAGS";
    nf.type = '0';
    nf.length = std::uint16_t((nullBit + 7) / 8);
    nf.flags = fieldflag::kSystem | fieldflag::kBinary;
    nf.offset = offset;
    nf.descriptor = int(h.fields.size());
    offset += nf.length;
    h.nullFlags = nf;
  }
  if (offset > 65535) Fail(ctx, gen::Arg, "create", "record length " + ToText(offset) + " exceeds 65535 bytes");
  const std::size_t descriptors = h.fields.size() + (h.nullFlags ? 1 : 0);
  std::size_t headerLen = kFixedHeaderSize + kDescriptorSize * descriptors + 1 + (vfp ? kVfpBacklinkSize : 0);
  if (headerLen > 65535) Fail(ctx, gen::Arg, "create", "too many fields for a table header");

  switch (family) {
    case Family::Ntx: h.version = memo ? 0x83 : 0x03; break;
    case Family::Mdx: h.version = memo ? 0x8B : 0x03; break;
    case Family::Cdx: h.version = vfp ? 0x30 : (memo ? 0xF5 : 0x03); break;
  }
  h.info = DescribeVersion(h.version);
  if (h.version == 0x03) h.info.family = family;
  h.info.memo = memo ? (family == Family::Ntx ? MemoKind::Dbt3 : family == Family::Mdx ? MemoKind::Dbt4 : MemoKind::Fpt)
                     : MemoKind::None;
  if (family == Family::Cdx && memo) h.tableFlags = 0x02;
  h.headerLen = std::uint16_t(headerLen);
  h.recordLen = std::uint16_t(offset);
  return h;
}

std::vector<std::uint8_t> BuildHeader(const TableHeader& h) {
  std::vector<std::uint8_t> b(h.headerLen, 0);
  b[0] = h.version;
  b[1] = h.year;
  b[2] = h.month;
  b[3] = h.day;
  PutLe32(&b[4], h.recCount);
  PutLe16(&b[8], h.headerLen);
  PutLe16(&b[10], h.recordLen);
  b[28] = h.tableFlags;
  b[29] = h.ldid;
  std::vector<const Field*> order;
  for (const Field& f : h.fields) order.push_back(&f);
  if (h.nullFlags) order.push_back(&*h.nullFlags);
  std::sort(order.begin(), order.end(), [](const Field* a, const Field* c) { return a->descriptor < c->descriptor; });
  std::size_t p = kFixedHeaderSize;
  const bool fox = h.info.family == Family::Cdx;
  for (const Field* f : order) {
    std::uint8_t* d = &b[p];
    std::copy_n(f->name.data(), std::min<std::size_t>(f->name.size(), 10), d);
    d[11] = std::uint8_t(f->type);
    if (fox) PutLe32(d + 12, f->offset);  // FoxPro readers use the stored displacement
    d[16] = std::uint8_t(f->length & 0xFF);
    d[17] = f->decimals;
    d[18] = f->flags;
    p += kDescriptorSize;
  }
  b[p] = kHeaderEnd;
  return b;
}

}  // namespace kt::dbf
