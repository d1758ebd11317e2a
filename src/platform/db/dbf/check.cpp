#include "platform/db/dbf/check.h"

#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <fstream>

#include "platform/db/dbf/field_codec.h"
#include "platform/runtime/error.h"
#include "platform/runtime/numtext.h"

namespace kt::dbf {

namespace {

std::string Describe(const RuntimeError& e) {
  const ErrorRef& err = e.error();
  return err ? err->Description : std::string(e.what());
}

struct MemoUse {
  std::uint64_t first, end;  // block range [first, end)
  std::uint32_t recNo;
};

}  // namespace

std::vector<std::string> CheckTable(const std::string& path, OpenOptions options, std::size_t maxProblems) {
  std::vector<std::string> problems;
  auto report = [&](std::string line) {
    if (problems.size() < maxProblems) problems.push_back(std::move(line));
    else if (problems.size() == maxProblems) problems.push_back("further problems not listed");
  };
  options.readOnly = true;
  std::unique_ptr<Table> t;
  try {
    t = Table::Open(path, options);
  } catch (const RuntimeError& e) {
    report(Describe(e));
    return problems;
  }
  t->SetReadAhead(true);
  const TableHeader& h = t->Header();
  for (const Field& f : h.fields)
    if (!f.supported)
      report("field " + f.name + ": type '" + std::string(1, f.type) + "' with length " + ToText(f.length) +
             " is not supported");

  const MemoFile* memo = t->MemoFilePtr();
  std::vector<MemoUse> uses;
  const ErrorContext ctx{FamilyName(t->GetFamily()), path};
  for (std::uint32_t r = 1; r <= t->RecCount() && problems.size() <= maxProblems; ++r) {
    try {
      t->GoTo(r);
    } catch (const RuntimeError& e) {
      report("record " + ToText(r) + ": " + Describe(e));
      break;
    }
    const std::string where = "record " + ToText(r) + ": ";
    const std::uint8_t flag = t->Record()[0];
    if (flag != ' ' && flag != '*') {
      report(where + "deletion flag 0x" + HexText(flag, 2) + " is neither ' ' nor '*'");
    }
    for (std::size_t i = 0; i < t->FieldCount(); ++i) {
      const Field& f = t->FieldAt(i);
      if (!f.supported) continue;
      const std::string problem = FieldProblem(f, t->Record().data());
      if (!problem.empty()) report(where + "field " + f.name + " " + problem);
      try {
        (void)t->Get(i);
        if (f.IsMemo() && memo) {
          const std::uint32_t block = DecodeMemoRef(f, t->Record().data(), ctx);
          if (block) {
            const MemoExtent e = memo->Locate(block);
            uses.push_back({block, std::uint64_t(block) + std::max<std::uint32_t>(e.blocks, 1), r});
          }
        }
      } catch (const RuntimeError& e) {
        report(where + "field " + f.name + ": " + Describe(e));
      }
    }
  }

  if (memo && problems.size() <= maxProblems) {
    try {
      const std::uint32_t next = memo->NextFree();
      std::sort(uses.begin(), uses.end(), [](const MemoUse& a, const MemoUse& b) { return a.first < b.first; });
      std::uint64_t furthest = 0;
      for (std::size_t i = 0; i < uses.size(); ++i) {
        furthest = std::max(furthest, uses[i].end);
        if (i > 0 && uses[i].first < uses[i - 1].end)
          report(memo->Path() + ": memo of record " + ToText(uses[i].recNo) + " at block " +
                 ToText(uses[i].first) + " overlaps the memo of record " + ToText(uses[i - 1].recNo));
      }
      if (furthest > next)
        report(memo->Path() + ": next free block " + ToText(next) + " lies inside memos in use (they reach block " +
               ToText(furthest) + "); other programs would overwrite them");
    } catch (const RuntimeError& e) {
      report(Describe(e));
    }
  }
  try {
    t->Close();
  } catch (const RuntimeError& e) {
    report(Describe(e));
  }
  return problems;
}

std::vector<std::string> CheckTableImage(std::string_view dbf, std::string_view memo, std::string_view memoExt) {
  // Memory-backed when available: fuzzing writes these files many thousand
  // times.
  char shmTemplate[] = "/dev/shm/ktable-dbf-XXXXXX";
  char tmpTemplate[] = "/tmp/ktable-dbf-XXXXXX";
  const char* dir = ::mkdtemp(shmTemplate);
  if (!dir) dir = ::mkdtemp(tmpTemplate);
  if (!dir) return {"cannot create a temporary directory"};
  const std::string base = std::string(dir) + "/t";
  const std::string dbfPath = base + ".dbf";
  const std::string memoPath = base + "." + std::string(memoExt);
  auto put = [](const std::string& p, std::string_view bytes) {
    std::ofstream(p, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
  };
  put(dbfPath, dbf);
  if (!memo.empty()) put(memoPath, memo);

  std::vector<std::string> problems = CheckTable(dbfPath);
  // Writing into a hostile file must fail cleanly too.
  try {
    OpenOptions o;
    o.shared = false;
    auto t = Table::Open(dbfPath, o);
    for (std::size_t i = 0; i < t->FieldCount(); ++i) {
      const Field& f = t->FieldAt(i);
      if (!f.supported || !t->GoTo(1)) break;
      if (f.IsMemo()) t->Put(i, Usual(std::string(100, 'x')));
      else if (f.type == 'C') t->Put(i, Usual("\xC3\xA4x"));
      else if (f.type == 'N') t->Put(i, Usual(1));
    }
    t->Append();
    t->Close();
  } catch (const RuntimeError&) {
  }
  ::unlink(dbfPath.c_str());
  ::unlink(memoPath.c_str());
  ::rmdir(dir);
  return problems;
}

std::vector<std::string> CheckMemoImage(std::string_view input) {
  if (input.size() < 9) return {"input too short"};
  struct Flavour {
    std::uint8_t version;
    const char* ext;
    int refLength;
  };
  static const Flavour kFlavours[] = {{0x83, "dbt", 10}, {0x8B, "dbt", 10}, {0xF5, "fpt", 10}, {0x30, "fpt", 4}};
  const Flavour& fl = kFlavours[static_cast<unsigned char>(input[0]) % 4];
  const bool vfp = fl.version == 0x30;

  TableHeader h;
  h.version = fl.version;
  h.info = DescribeVersion(fl.version);
  Field name;
  name.name = "NAME";
  name.type = 'C';
  name.length = 4;
  name.offset = 1;
  Field note;
  note.name = "NOTE";
  note.type = fl.version == 0xF5 ? 'G' : 'M';
  note.length = std::uint16_t(fl.refLength);
  note.offset = 5;
  note.descriptor = 1;
  h.fields = {name, note};
  h.recordLen = std::uint16_t(5 + fl.refLength);
  h.headerLen = std::uint16_t(kFixedHeaderSize + 2 * kDescriptorSize + 1 + (vfp ? kVfpBacklinkSize : 0));
  h.recCount = 4;
  h.ldid = 0x03;
  std::vector<std::uint8_t> bytes = BuildHeader(h);
  for (int r = 0; r < 4; ++r) {
    std::vector<std::uint8_t> rec(h.recordLen, ' ');
    std::memcpy(rec.data() + 1, "abcd", 4);
    const auto* p = reinterpret_cast<const std::uint8_t*>(input.data()) + 1 + 2 * r;
    EncodeMemoRef(note, Le16(p), rec.data());
    bytes.insert(bytes.end(), rec.begin(), rec.end());
  }
  bytes.push_back(kEofMarker);
  return CheckTableImage(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), input.substr(9),
                         fl.ext);
}

}  // namespace kt::dbf
