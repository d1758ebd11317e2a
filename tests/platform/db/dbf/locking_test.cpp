// Sharing between processes: exclusive opening, record and file locks at
// each family's offsets, appends seen by other stations. fcntl locks belong
// to a process (or an open file), so the other station is a forked child.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include "dbf_test_util.h"

namespace kt::dbf::test {
namespace {

// Runs fn in a child process and returns its exit code (fn's result).
// Exceptions in the child become code 99 so a failure never escapes into
// the copy of the test runner.
int InChild(const std::function<int()>& fn) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    int code = 99;
    try {
      code = fn();
    } catch (...) {
    }
    ::_exit(code);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 100;
}

// 0 when fn throws a RuntimeError with the code (and OsCode when given).
int ThrowsCode(const std::function<void()>& fn, int genCode, int osCode = -1) {
  try {
    fn();
  } catch (const RuntimeError& e) {
    if (e.error()->GenCode != genCode) return 2;
    if (osCode >= 0 && e.error()->OsCode != osCode) return 3;
    return 0;
  }
  return 1;
}

std::string MakeTable(const TempDir& dir, Family family, int records) {
  const std::string path = dir / "s.dbf";
  CreateOptions o;
  o.family = family;
  auto t = Table::Create(path, {{"NAME", 'C', 10}, {"N", 'N', 5}}, o);
  for (int i = 1; i <= records; ++i) {
    t->Append();
    t->Put(1, Usual(i));
  }
  t->Close();
  return path;
}

TEST(DbfLocking, ExclusiveOpeningExcludesEveryOtherOpener) {
  TempDir dir;
  const std::string path = MakeTable(dir, Family::Ntx, 2);
  {
    auto mine = Table::Open(path, Exclusive());
    EXPECT_EQ(InChild([&] { return ThrowsCode([&] { Table::Open(path); }, gen::Open, kSharingViolation); }), 0);
    EXPECT_EQ(InChild([&] { return ThrowsCode([&] { Table::Open(path, Exclusive()); }, gen::Open, kSharingViolation); }), 0);
    EXPECT_EQ(InChild([&] {
                return ThrowsCode([&] { Table::Create(path, {{"X", 'C', 1}}); }, gen::Create, kSharingViolation);
              }),
              0);
    // A second handle inside this process is excluded the same way.
    ExpectError([&] { Table::Open(path); }, gen::Open);
  }
  {
    auto shared = Table::Open(path);
    EXPECT_EQ(InChild([&] { return ThrowsCode([&] { Table::Open(path, Exclusive()); }, gen::Open, kSharingViolation); }), 0);
    EXPECT_EQ(InChild([&] {
                auto other = Table::Open(path);
                return other->RecCount() == 2 ? 0 : 1;
              }),
              0);
  }
  // Everyone gone: exclusive works again.
  EXPECT_EQ(InChild([&] { return Table::Open(path, Exclusive())->RecCount() == 2 ? 0 : 1; }), 0);
}

TEST(DbfLocking, RecordAndFileLocksBetweenProcesses) {
  TempDir dir;
  const std::string path = MakeTable(dir, Family::Ntx, 3);
  auto t = Table::Open(path);
  ASSERT_TRUE(t->RLock(2));
  EXPECT_TRUE(t->RLock(2));  // holding it already
  EXPECT_FALSE(t->RLock(9));  // no such record
  EXPECT_EQ(InChild([&] {
              auto o = Table::Open(path);
              if (o->RLock(2)) return 1;
              if (!o->RLock(1)) return 2;
              if (o->FLock()) return 3;
              o->GoTo(2);
              return ThrowsCode([&] { o->Put(0, Usual("theirs")); }, gen::Unlocked) ? 4 : 0;
            }),
            0);
  t->GoTo(2);
  t->Put(0, Usual("mine"));
  t->Unlock(2);  // written before the lock goes
  EXPECT_EQ(InChild([&] {
              auto o = Table::Open(path);
              if (!o->RLock(2)) return 1;
              o->GoTo(2);
              return o->Get(0) == Usual("mine      ") ? 0 : 2;
            }),
            0);

  ASSERT_TRUE(t->FLock());
  EXPECT_EQ(InChild([&] {
              auto o = Table::Open(path);
              if (o->RLock(1) || o->RLock(3)) return 1;
              // The new record would lie under the file lock.
              return ThrowsCode([&] { o->Append(); }, gen::Lock);
            }),
            0);
  t->UnlockAll();
  EXPECT_TRUE(t->Locks().empty());
  EXPECT_FALSE(t->HasFileLock());
  EXPECT_EQ(InChild([&] { return Table::Open(path)->FLock() ? 0 : 1; }), 0);
}

TEST(DbfLocking, AppendsOfOthersBecomeVisible) {
  TempDir dir;
  const std::string path = MakeTable(dir, Family::Cdx, 2);
  auto t = Table::Open(path);
  EXPECT_EQ(t->RecCount(), 2u);
  EXPECT_EQ(InChild([&] {
              auto o = Table::Open(path);
              const std::uint32_t r = o->Append();  // locked by the append
              o->Put(0, Usual("appended"));
              o->Close();
              return r == 3 ? 0 : 1;
            }),
            0);
  EXPECT_EQ(t->RecCount(), 2u);  // not re-read yet
  ASSERT_TRUE(t->GoTo(3));      // going past the known end re-reads the count
  EXPECT_EQ(t->Get(0), Usual("appended  "));
  EXPECT_EQ(t->Refresh(), 3u);
  // Our own append continues after theirs.
  EXPECT_EQ(t->Append(), 4u);
  EXPECT_TRUE(t->IsLocked(4));
}

TEST(DbfLocking, LockingReadsTheRecordAfresh) {
  TempDir dir;
  const std::string path = MakeTable(dir, Family::Ntx, 3);
  auto t = Table::Open(path);
  t->SetReadAhead(true);  // a scan that may see slightly old records...
  ASSERT_TRUE(t->GoTo(2));
  EXPECT_EQ(t->Get(0), Usual(std::string(10, ' ')));
  EXPECT_EQ(InChild([&] {
              auto o = Table::Open(path);
              if (!o->RLock(2) || !o->RLock(3)) return 1;
              o->GoTo(2);
              o->Put(0, Usual("theirs"));
              o->GoTo(3);
              o->Put(0, Usual("also"));
              o->UnlockAll();
              return 0;
            }),
            0);
  ASSERT_TRUE(t->GoTo(3));
  EXPECT_EQ(t->Get(0), Usual(std::string(10, ' ')));  // ...from its read-ahead window
  ASSERT_TRUE(t->RLock(3));                           // but a lock always reads afresh
  EXPECT_EQ(t->Get(0), Usual("also      "));
  t->SetReadAhead(false);
  ASSERT_TRUE(t->GoTo(2));
  EXPECT_EQ(t->Get(0), Usual("theirs    "));
  ASSERT_TRUE(t->FLock());
  t->Put(0, Usual("mine"));
  t->UnlockAll();
  EXPECT_EQ(InChild([&] {
              auto o = Table::Open(path);
              o->GoTo(2);
              return o->Get(0) == Usual("mine      ") ? 0 : 1;
            }),
            0);
}

// Lock bytes of another program (a classic fcntl lock on a separate
// descriptor) are seen at the family's conventional offsets.
TEST(DbfLocking, LockOffsetsFollowEachFamilysConvention) {
  struct Case {
    Family family;
    std::uint64_t byte;       // locked by "the other program"
    std::uint32_t blocked;    // record that cannot be locked then
    std::uint32_t free;       // record that still can
  };
  const Case cases[] = {
      {Family::Ntx, 1000000000ull + 2, 2, 3},
      {Family::Mdx, 1000000000ull + 3, 3, 2},
      {Family::Cdx, 0x7FFFFFFEull - 2, 2, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(FamilyName(c.family));
    TempDir dir;
    const std::string path = MakeTable(dir, c.family, 3);
    const int fd = ::open(path.c_str(), O_RDWR);
    ASSERT_GE(fd, 0);
    struct flock fl {};
    fl.l_type = F_WRLCK;
    fl.l_whence = SEEK_SET;
    fl.l_start = off_t(c.byte);
    fl.l_len = 1;
    ASSERT_EQ(::fcntl(fd, F_SETLK, &fl), 0);
    OpenOptions options;
    options.family = c.family;  // plain 0x03 tables do not tell their family
    EXPECT_EQ(InChild([&] {
                auto o = Table::Open(path, options);
                if (o->RLock(c.blocked)) return 1;
                if (!o->RLock(c.free)) return 2;
                return o->FLock() ? 3 : 0;
              }),
              0);
    // The other program holds the header byte: appends give up with gen::Lock.
    fl.l_start = off_t(LockScheme::For(c.family).header);
    ASSERT_EQ(::fcntl(fd, F_SETLK, &fl), 0);
    EXPECT_EQ(InChild([&] { return ThrowsCode([&] { Table::Open(path, options)->Append(); }, gen::Lock); }), 0);
    ::close(fd);
  }
}

TEST(DbfLocking, TwoHandlesInOneProcessBehaveLikeTwoStations) {
  TempDir dir;
  const std::string path = MakeTable(dir, Family::Ntx, 2);
  auto a = Table::Open(path);
  auto b = Table::Open(path);
  ASSERT_TRUE(a->RLock(1));
  EXPECT_FALSE(b->RLock(1));
  b.reset();  // closing one handle keeps the other's locks
  auto c = Table::Open(path);
  EXPECT_FALSE(c->RLock(1));
  a->UnlockAll();
  EXPECT_TRUE(c->RLock(1));
}

}  // namespace
}  // namespace kt::dbf::test
