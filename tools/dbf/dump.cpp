// dbf dump: the table as one JSON object, records in natural order.
#include <charconv>
#include <cmath>

#include "command.h"
#include "platform/db/workareas.h"
#include "json.h"
#include "platform/db/dbf/codepage.h"
#include "platform/runtime/error.h"

namespace dbftool {

namespace {

using kt::Usual;
using kt::dbf::Field;
using kt::dbf::Table;

bool BlankBytes(const Table& t, const Field& f) {
  for (std::size_t i = 0; i < f.length; ++i) {
    const std::uint8_t b = t.Record()[f.offset + i];
    if (b != ' ' && b != 0) return false;
  }
  return true;
}

// Numbers with the decimals of their field; `exact` (doubles) prints the
// shortest text that reads back as the same value instead.
void WriteNumber(std::ostream& out, const Usual& v, bool exact = false) {
  if (v.IsInteger()) {
    out << v.AsInteger();
    return;
  }
  const double d = v.AsFloat();
  if (!std::isfinite(d)) {
    out << "null";
    return;
  }
  char buf[400];
  const int decimals = exact || v.Decimals() == Usual::kDefaultFormat ? -1 : v.Decimals();
  auto r = decimals >= 0 && std::fabs(d) < 1e21 ? std::to_chars(buf, buf + sizeof buf, d, std::chars_format::fixed, decimals)
                                                : std::to_chars(buf, buf + sizeof buf, d);
  out << std::string_view(buf, std::size_t(r.ptr - buf));
}

void WriteValue(std::ostream& out, Table& t, std::size_t i) {
  const Field& f = t.FieldAt(i);
  if (t.IsNull(i)) {
    out << "null";
    return;
  }
  if (f.IsMemo()) {
    const kt::dbf::MemoValue m = t.GetMemo(i);
    if (m.binary) {
      out << "{\"base64\": ";
      WriteJsonString(out, Base64(m.bytes));
      out << '}';
    } else {
      WriteJsonString(out, m.bytes);
    }
    return;
  }
  switch (f.type) {
    case 'C': {
      const Usual v = t.Get(i);
      std::string_view s = v.AsStringView();
      while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
      if (f.Binary()) {
        out << "{\"base64\": ";
        WriteJsonString(out, Base64(s));
        out << '}';
      } else {
        WriteJsonString(out, s);
      }
      return;
    }
    case 'N':
    case 'F':
      if (BlankBytes(t, f)) {
        out << "null";
        return;
      }
      WriteNumber(out, t.Get(i));
      return;
    case 'I':
    case 'Y': WriteNumber(out, t.Get(i)); return;
    case 'B': WriteNumber(out, t.Get(i), true); return;
    case 'D': {
      const kt::Date d = t.Get(i).AsDate();
      WriteJsonString(out, d.IsEmpty() ? std::string() : d.Format("YYYY-MM-DD"));
      return;
    }
    case 'L': {
      const char c = char(t.Record()[f.offset]);
      if (c == ' ' || c == '?' || c == '\0') out << "null";
      else out << (t.Get(i).AsLogic() ? "true" : "false");
      return;
    }
    case 'T': WriteJsonString(out, t.Get(i).AsStringView()); return;
    default: out << "null"; return;
  }
}

}  // namespace

int Dump(const Args& args, std::ostream& out, std::ostream& err) {
  if (args.positional.size() != 1) {
    err << "usage: dbf dump [--codepage CP] [--driver NAME] [--index FILE] TABLE\n";
    return 2;
  }
  // With an order the records come in its sequence, through a work area.
  kt::WorkArea* area = nullptr;
  std::unique_ptr<Table> own;
  if (args.Has("--index")) {
    area = kt::WorkAreas::Instance().Area(OpenArea(args, {args.Get("--index")}));
  } else {
    own = Table::Open(args.positional[0], TableOptions(args));
    own->SetReadAhead(true);
  }
  Table* t = area ? &area->Table() : own.get();
  int status = 0;
  for (std::size_t i = 0; i < t->FieldCount(); ++i) {
    const Field& f = t->FieldAt(i);
    if (!f.supported) {
      err << "dbf: " << t->Path() << ": field " << f.name << " has type '" << f.type
          << "', which is not supported; its values are shown as null\n";
      status = 1;
    }
  }
  const kt::dbf::CodePageInfo cp = kt::dbf::CodePageForLdid(t->LanguageDriver());
  out << "{\"version\": " << int(t->Version()) << ", \"codepage\": ";
  if (cp.number) out << cp.number;
  else out << "null";
  out << ", \"structure\": [";
  for (std::size_t i = 0; i < t->FieldCount(); ++i) {
    const Field& f = t->FieldAt(i);
    out << (i ? ", " : "") << "{\"name\": ";
    WriteJsonString(out, f.name);
    out << ", \"type\": ";
    WriteJsonString(out, std::string(1, f.type));
    out << ", \"length\": " << f.length << ", \"decimals\": " << int(f.decimals) << '}';
  }
  out << "], \"records\": [";
  bool first = true;
  const auto next = [&](std::uint32_t r) {
    if (!area) return t->GoTo(r);
    if (first) area->GoTop();
    else area->Skip(1);
    return !area->Eof();
  };
  for (std::uint32_t n = 1; next(n); ++n) {
    const std::uint32_t r = t->RecNo();
    out << (first ? "\n" : ",\n") << "{\"recno\": " << r << ", \"deleted\": " << (t->Deleted() ? "true" : "false")
        << ", \"values\": {";
    for (std::size_t i = 0; i < t->FieldCount(); ++i) {
      const Field& f = t->FieldAt(i);
      out << (i ? ", " : "");
      WriteJsonString(out, f.name);
      out << ": ";
      if (f.supported) WriteValue(out, *t, i);
      else out << "null";
    }
    out << "}}";
    first = false;
  }
  out << "\n]}\n";
  if (area) area->Close();
  else t->Close();
  return status;
}

}  // namespace dbftool
