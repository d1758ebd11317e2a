#pragma once
// The table file's header: version byte, record geometry and the field
// descriptors. Parsing validates everything the rest of the layer relies on
// (offsets inside the file, fields covering the record exactly), so code
// working on records never has to re-check the geometry.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/db/dbf/errors.h"

namespace kt::dbf {

// Driver families: they decide version byte, memo flavour, lock offsets and
// the subsystem named in errors.
enum class Family : std::uint8_t { Ntx, Cdx, Mdx };

const char* FamilyName(Family f);  // "DBFNTX", "DBFCDX", "DBFMDX"
std::optional<Family> FamilyFromName(std::string_view name);

enum class MemoKind : std::uint8_t { None, Dbt3, Dbt4, Fpt };

struct VersionInfo {
  bool supported = false;
  Family family = Family::Ntx;      // the family that writes this version
  MemoKind memo = MemoKind::None;   // flavour the version byte announces
  bool vfp = false;                 // Visual FoxPro layout (263-byte backlink, binary types)
  const char* why = "";             // reason when not supported
};
VersionInfo DescribeVersion(std::uint8_t version);

// VFP field flags (descriptor byte 18).
namespace fieldflag {
inline constexpr std::uint8_t kSystem = 0x01;    // hidden, e.g. _NullFlags
inline constexpr std::uint8_t kNullable = 0x02;
inline constexpr std::uint8_t kBinary = 0x04;    // no code-page translation
inline constexpr std::uint8_t kAutoInc = 0x0C;
}  // namespace fieldflag

// A field as the caller describes it for Create, and as GetStructure
// reports it.
struct FieldSpec {
  std::string name;
  char type = 'C';
  int length = 0;
  int decimals = 0;
  std::uint8_t flags = 0;  // fieldflag::kNullable / kBinary (Visual FoxPro only)

  friend bool operator==(const FieldSpec&, const FieldSpec&) = default;
};
using Structure = std::vector<FieldSpec>;

// A field as laid out in the record.
struct Field {
  std::string name;      // upper case
  char type = 'C';
  std::uint16_t length = 0;
  std::uint8_t decimals = 0;
  std::uint8_t flags = 0;
  std::uint32_t offset = 0;  // from the start of the record (the deletion flag is byte 0)
  int nullBit = -1;          // bit in _NullFlags when nullable
  int descriptor = 0;        // index of its descriptor in the header
  bool supported = true;     // false: bytes are kept but the value cannot be read or written

  bool IsMemo() const;       // M, G, P, and B outside Visual FoxPro: a reference into the memo file
  bool Binary() const;       // bytes are not translated through the code page
};

struct TableHeader {
  std::uint8_t version = 0x03;
  std::uint8_t year = 0, month = 0, day = 0;  // last update, year - 1900
  std::uint32_t recCount = 0;
  std::uint16_t headerLen = 0;
  std::uint16_t recordLen = 0;
  std::uint8_t tableFlags = 0;
  std::uint8_t ldid = 0;
  VersionInfo info;
  std::vector<Field> fields;        // visible fields in descriptor order
  std::optional<Field> nullFlags;   // VFP _NullFlags system field
  std::vector<int> autoIncFields;   // indexes into fields
};

inline constexpr std::size_t kFixedHeaderSize = 32;
inline constexpr std::size_t kDescriptorSize = 32;
inline constexpr std::size_t kVfpBacklinkSize = 263;
inline constexpr std::uint8_t kHeaderEnd = 0x0D;
inline constexpr std::uint8_t kEofMarker = 0x1A;

// Record count, header length and record length from the first 32 bytes
// (checks the version byte and that the header lies inside the file).
TableHeader ParseFixedHeader(std::span<const std::uint8_t> first32, std::uint64_t fileSize, const ErrorContext& ctx);

// Completes `h` from the whole header (h.headerLen bytes): field descriptors
// and their fit to the record length, and the record count against the file.
void ParseFields(TableHeader& h, std::span<const std::uint8_t> header, std::uint64_t fileSize, const ErrorContext& ctx);

// Validates a structure for Create in the given family and lays it out:
// version byte, field offsets, lengths and header geometry.
TableHeader LayoutStructure(const Structure& structure, Family family, const ErrorContext& ctx);

// The header bytes (headerLen of them) for a laid-out table.
std::vector<std::uint8_t> BuildHeader(const TableHeader& h);

// Little-endian helpers shared by the layer.
inline std::uint16_t Le16(const std::uint8_t* p) { return std::uint16_t(p[0] | (p[1] << 8)); }
inline std::uint32_t Le32(const std::uint8_t* p) {
  return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) | (std::uint32_t(p[3]) << 24);
}
inline void PutLe16(std::uint8_t* p, std::uint16_t v) { p[0] = std::uint8_t(v); p[1] = std::uint8_t(v >> 8); }
inline void PutLe32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = std::uint8_t(v >> (8 * i));
}
inline std::uint32_t Be32(const std::uint8_t* p) {
  return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) | std::uint32_t(p[3]);
}
inline void PutBe32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = std::uint8_t(v >> (24 - 8 * i));
}

}  // namespace kt::dbf
