// Memo files: block layout of each flavour, reuse of blocks, reading what
// other writers leave, and damaged memo references.
#include <gtest/gtest.h>

#include "dbf_test_util.h"
#include "platform/db/dbf/check.h"
#include "platform/db/dbf/memo.h"

namespace kt::dbf::test {
namespace {

std::uint32_t Be32At(const std::string& s, std::size_t at) {
  return Be32(reinterpret_cast<const std::uint8_t*>(s.data() + at));
}
std::uint32_t Le32At(const std::string& s, std::size_t at) {
  return Le32(reinterpret_cast<const std::uint8_t*>(s.data() + at));
}

std::unique_ptr<MemoFile> NewMemo(const std::string& path, MemoKind kind, std::uint32_t blockSize) {
  return MemoFile::Create(path, kind, blockSize, "T", ErrorContext{"DBF", path}, LockScheme::For(Family::Ntx));
}

TEST(DbfMemo, BlockLayoutPerFlavour) {
  struct Case {
    const char* what;
    MemoKind kind;
    std::uint32_t blockSize;
    std::size_t length;           // data bytes written
    std::uint32_t block;          // where they go
    std::uint32_t nextFree;       // header afterwards
    std::string blockHead;        // first bytes of the block (before the data)
  };
  const std::string x = "x";
  const Case cases[] = {
      // A fresh file for every case: the first memo goes to the first free block.
      {"DBT III empty", MemoKind::Dbt3, 512, 0, 0, 1, ""},
      {"DBT III fills a block with its terminator", MemoKind::Dbt3, 512, 510, 1, 2, ""},
      {"DBT III one byte more spills", MemoKind::Dbt3, 512, 511, 1, 3, ""},
      {"DBT IV fills a block with its header", MemoKind::Dbt4, 512, 504, 1, 2, std::string("\xFF\xFF\x08\x00\x00\x02\0\0", 8)},
      {"DBT IV one byte more spills", MemoKind::Dbt4, 512, 505, 1, 3, std::string("\xFF\xFF\x08\x00\x01\x02\0\0", 8)},
      {"DBT IV 1024-byte blocks", MemoKind::Dbt4, 1024, 10, 1, 2, std::string("\xFF\xFF\x08\x00\x12\0\0\0", 8)},
      {"FPT 64: header takes 8 blocks", MemoKind::Fpt, 64, 56, 8, 9, std::string("\0\0\0\x01\0\0\0\x38", 8)},
      {"FPT 64 spills", MemoKind::Fpt, 64, 57, 8, 10, std::string("\0\0\0\x01\0\0\0\x39", 8)},
      {"FPT 32", MemoKind::Fpt, 32, 30, 16, 18, std::string("\0\0\0\x01\0\0\0\x1E", 8)},
      {"FPT 512", MemoKind::Fpt, 512, 1, 1, 2, std::string("\0\0\0\x01\0\0\0\x01", 8)},
  };
  TempDir dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string path = dir / "m.memo";
    auto m = NewMemo(path, c.kind, c.blockSize);
    const std::string data(c.length, 'a');
    const std::uint32_t block = m->Write(0, data, memotype::kText);
    EXPECT_EQ(block, c.block);
    EXPECT_EQ(m->NextFree(), c.nextFree);
    m->Close();
    const std::string file = ReadFile(path);
    EXPECT_EQ(file.size() % c.blockSize, 0u);
    if (c.kind == MemoKind::Fpt) {
      EXPECT_EQ(Be32At(file, 0), c.nextFree);
      EXPECT_EQ((std::uint8_t(file[6]) << 8) | std::uint8_t(file[7]), int(c.blockSize));
    } else {
      EXPECT_EQ(Le32At(file, 0), c.nextFree);
    }
    if (c.kind == MemoKind::Dbt4) {
      EXPECT_EQ(Le32At(file, 20) & 0xFFFF, c.blockSize);
    }
    if (c.kind == MemoKind::Dbt3) {
      EXPECT_EQ(file[16], '\x03');
    }
    if (block == 0) continue;
    const std::size_t at = std::size_t(block) * c.blockSize;
    EXPECT_EQ(file.substr(at, c.blockHead.size()), c.blockHead);
    EXPECT_EQ(file.substr(at + c.blockHead.size(), c.length), data);
    if (c.kind == MemoKind::Dbt3) {
      EXPECT_EQ(file.substr(at + c.length, 2), "\x1A\x1A");
    }
  }
}

TEST(DbfMemo, BinaryDataRoundTripsWhereTheFlavourAllowsIt) {
  TempDir dir;
  const std::string binary("\x00\x1A\x1A\xFF\x00 end", 9);
  for (MemoKind kind : {MemoKind::Dbt4, MemoKind::Fpt}) {
    auto m = NewMemo(dir / "b.memo", kind, 0);
    const std::uint32_t block = m->Write(0, binary, memotype::kPicture);
    const MemoData d = m->Read(block);
    EXPECT_EQ(d.bytes, binary);
    EXPECT_EQ(d.type, kind == MemoKind::Fpt ? memotype::kPicture : memotype::kText);
    EXPECT_EQ(m->ReadPart(block, 3, 3), binary.substr(3, 3));
    EXPECT_EQ(m->ReadPart(block, 8, 100), binary.substr(8));
    EXPECT_EQ(m->ReadPart(block, 50, 100), "");
  }
  auto m3 = NewMemo(dir / "b3.memo", MemoKind::Dbt3, 0);
  ExpectError([&] { m3->Write(0, binary, memotype::kText); }, gen::DataType);
  EXPECT_EQ(m3->NextFree(), 1u);
}

TEST(DbfMemo, UpdatesReuseBlocksOnlyWhenTheyFit) {
  TempDir dir;
  for (MemoKind kind : {MemoKind::Dbt3, MemoKind::Dbt4, MemoKind::Fpt}) {
    SCOPED_TRACE(int(kind));
    auto m = NewMemo(dir / "u.memo", kind, 512);
    const std::uint32_t a = m->Write(0, std::string(600, 'a'), memotype::kText);   // two blocks
    const std::uint32_t b = m->Write(0, std::string(10, 'b'), memotype::kText);    // behind it
    EXPECT_EQ(m->Write(a, std::string(900, 'c'), memotype::kText), a);             // still two blocks
    EXPECT_EQ(m->Read(a).bytes, std::string(900, 'c'));
    const std::uint32_t moved = m->Write(a, std::string(1100, 'd'), memotype::kText);  // three: moves
    EXPECT_GT(moved, b);
    EXPECT_EQ(m->Read(moved).bytes, std::string(1100, 'd'));
    EXPECT_EQ(m->Read(b).bytes, std::string(10, 'b'));  // the neighbour is untouched
    EXPECT_EQ(m->NextFree(), moved + 3);
  }
}

// A table with one memo field whose records point at the given blocks.
std::string MemoTable(std::uint8_t version, const std::vector<std::string>& refs) {
  std::vector<std::string> recs;
  for (const std::string& r : refs) recs.push_back(" " + std::string(10 - r.size(), ' ') + r);
  return RawTable(version, {{"NOTE", 'M', 10}}, recs);
}

TEST(DbfMemo, ReadsWhatOtherWritersLeave) {
  TempDir dir;
  // dBASE IV: length with and without the 8-byte header counted.
  std::string dbt4(512 * 3, '\0');
  dbt4[0] = 3;
  dbt4[21] = 2;  // block size 512
  dbt4.replace(512, 8, std::string("\xFF\xFF\x08\x00\x0D\x00\x00\x00", 8));
  dbt4.replace(520, 5, "hello");
  dbt4.replace(1024, 8, std::string("\xFF\xFF\x08\x00\x05\x00\x00\x00", 8));
  dbt4.replace(1032, 5, "world");
  WriteFile(dir / "d4.dbf", MemoTable(0x8B, {"1", "2"}));
  WriteFile(dir / "d4.dbt", dbt4);
  {
    auto t = Table::Open(dir / "d4.dbf");
    EXPECT_EQ(t->Memo(), MemoKind::Dbt4);
    t->GoTo(1);
    EXPECT_EQ(t->Get(0), Usual("hello"));
    t->GoTo(2);
    EXPECT_EQ(t->Get(0), Usual("world"));
  }
  // dBASE III: a single 0x1A ends the text; the last memo may run to the
  // end of the file without one. Upper-case memo name beside a lower-case
  // table.
  std::string dbt3(512, '\0');
  dbt3[0] = 3;
  dbt3 += "first\x1A" + std::string(506, ' ') + "second, unterminated";
  WriteFile(dir / "d3.dbf", MemoTable(0x83, {"1", "2", ""}));
  WriteFile(dir / "D3.DBT", dbt3);
  {
    auto t = Table::Open(dir / "d3.dbf");
    t->GoTo(1);
    EXPECT_EQ(t->Get(0), Usual("first"));
    t->GoTo(2);
    EXPECT_EQ(t->Get(0), Usual("second, unterminated"));
    t->GoTo(3);
    EXPECT_EQ(t->Get(0), Usual(""));
  }
}

TEST(DbfMemo, DamagedReferencesGiveClearErrors) {
  TempDir dir;
  std::string fpt(512, '\0');
  fpt[3] = 10;  // next free
  fpt[7] = 64;  // block size 64
  std::string block8(64, '\0');
  block8[3] = 1;
  block8[4] = '\x7F';  // length 0x7F000000
  fpt += block8;
  std::string block9(64, '\0');
  block9[3] = 1;
  block9[7] = 100;  // 100 bytes, but only 56 follow
  fpt += block9;
  WriteFile(dir / "f.fpt", fpt);
  struct Case {
    const char* what;
    std::string ref;
    const char* message;
  };
  const Case cases[] = {
      {"absurd length", "8", "implausible"},
      {"length past the end", "9", "runs past the end"},
      {"block past the end", "4000000000", "beyond the end"},
      {"block inside the header", "3", "inside the memo file header"},
      {"not a number", "12x", "not a memo block number"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    WriteFile(dir / "f.dbf", MemoTable(0xF5, {c.ref}));
    auto t = Table::Open(dir / "f.dbf");
    t->GoTo(1);
    ErrorRef e = ExpectError([&] { t->Get(0); }, gen::Corruption);
    EXPECT_NE(e->Description.find(c.message), std::string::npos) << e->Description;
    EXPECT_NE(e->Description.find(dir.Path()), std::string::npos) << e->Description;
    EXPECT_FALSE(CheckTable(dir / "f.dbf").empty());
  }
  // A missing memo file is named in the error.
  WriteFile(dir / "lost.dbf", MemoTable(0x83, {"1"}));
  ErrorRef e = ExpectError([&] { Table::Open(dir / "lost.dbf"); }, gen::Open);
  EXPECT_NE(e->Description.find("lost.dbt"), std::string::npos) << e->Description;
}

TEST(DbfMemo, TableMemosPerFamily) {
  TempDir dir;
  // Text longer than one block, with characters outside ASCII, through the
  // table's code page; binary blobs untouched.
  std::string text;
  for (int i = 0; i < 120; ++i) text += "Zeile " + std::to_string(i) + ": Grüße aus Köln\r\n";
  const std::string blob("\x89PNG\x00\x1A\xFF\x00", 8);
  for (Family family : {Family::Ntx, Family::Cdx, Family::Mdx}) {
    SCOPED_TRACE(FamilyName(family));
    const std::string path = dir / (std::string(FamilyName(family)) + ".dbf");
    CreateOptions o;
    o.family = family;
    o.codePage = "CP850";
    {
      auto t = Table::Create(path, {{"ID", 'N', 4}, {"NOTE", 'M', 10}, {"EMPTY", 'M', 10}}, o);
      t->Append();
      t->Put(0, Usual(1));
      t->Put(1, Usual(text));
      t->Append();
      t->Put(0, Usual(2));
      if (family != Family::Ntx) t->BlobPut(1, blob);
      t->Close();
    }
    auto t = Table::Open(path);
    EXPECT_EQ(t->Memo(), family == Family::Ntx ? MemoKind::Dbt3 : family == Family::Cdx ? MemoKind::Fpt : MemoKind::Dbt4);
    t->GoTo(1);
    EXPECT_EQ(t->Get(1), Usual(text));
    EXPECT_FALSE(t->GetMemo(1).binary);
    EXPECT_EQ(t->Get(2), Usual(""));
    EXPECT_EQ(t->BlobGet(1, 0, 5), "Zeile");
    EXPECT_EQ(t->BlobGet(1, 11, 3), "\x81\xE1" "e");  // "üße" as CP850 bytes
    t->GoTo(2);
    if (family != Family::Ntx) {
      EXPECT_EQ(t->BlobGet(1), blob);
      // Only FPT records that the bytes are not text; a DBT gives them back
      // through BlobGet alone.
      EXPECT_EQ(t->GetMemo(1).binary, family == Family::Cdx);
      if (family == Family::Cdx) {
        EXPECT_EQ(t->GetMemo(1).bytes, blob);
      }
    }
    EXPECT_TRUE(CheckTable(path).empty());
  }
}

}  // namespace
}  // namespace kt::dbf::test
