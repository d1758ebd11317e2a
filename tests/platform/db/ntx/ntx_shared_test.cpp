#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include "ntx_test_util.h"
#include "platform/db/ntx/ntx_header.h"

namespace kt::ntx::test {
namespace {

class NtxSharedTest : public TempDir {
 protected:
  NtxOpenOptions Shared(int timeoutMs = 5000) {
    NtxOpenOptions o;
    o.shared = true;
    o.lockTimeoutMs = timeoutMs;
    return o;
  }
  // Runs `body` in a child process; the exit code is 0 when it returned true.
  static pid_t Spawn(const std::function<bool()>& body) {
    pid_t pid = ::fork();
    if (pid == 0) {
      bool ok = false;
      try {
        ok = body();
      } catch (...) {
      }
      ::_exit(ok ? 0 : 1);
    }
    return pid;
  }
  static int Wait(pid_t pid) {
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 100;
  }
};

// Another process changes the file: our cached pages and key counts are
// dropped and the cursor finds its entry again.
TEST_F(NtxSharedTest, ChangesOfAnotherProcessAreSeen) {
  std::string path = Path("s.ntx");
  Entries input;
  for (std::uint32_t i = 0; i < 400; ++i) input.emplace_back(NumKey(i * 2, 20), i + 1);
  NtxOrder::Create(path, CharSpec(20), SourceOf(input));
  auto order = NtxOrder::Open(path, Shared());
  NtxCursor cur(*order);
  ASSERT_TRUE(cur.Seek(NumKey(400, 20)));
  ASSERT_EQ(cur.KeyNo(), 201u);
  ASSERT_EQ(order->KeyCount(), 400u);

  pid_t child = Spawn([&] {
    auto other = NtxOrder::Open(path, Shared());
    for (std::uint32_t i = 0; i < 100; ++i) {
      if (!other->Insert(NumKey(i * 2 + 1, 20), 1000 + i)) return false;  // odd keys below 200
    }
    return other->Delete(NumKey(0, 20), 1);
  });
  ASSERT_EQ(Wait(child), 0);

  EXPECT_EQ(order->KeyCount(), 499u);
  EXPECT_EQ(cur.RecNo(), 201u);
  EXPECT_EQ(cur.KeyNo(), 300u);
  EXPECT_EQ(cur.Skip(-1), -1);
  EXPECT_EQ(cur.RecNo(), 200u);
  EXPECT_EQ(order->Check().keys, 499u);
}

// Another process rebuilds the order (a new file renamed into place, here
// with another key size): we follow the path to the new file.
TEST_F(NtxSharedTest, RebuiltOrderIsFollowed) {
  std::string path = Path("r.ntx");
  Entries input = {{"AA", 1}, {"BB", 2}};
  NtxOrder::Create(path, CharSpec(2), SourceOf(input));
  auto order = NtxOrder::Open(path, Shared());
  NtxCursor cur(*order);
  ASSERT_TRUE(cur.Seek("BB"));
  pid_t child = Spawn([&] {
    Entries other = {{"CCC", 7}, {"AAA", 8}, {"BBB", 9}};
    return NtxOrder::Create(path, CharSpec(3), SourceOf(other)) != nullptr;
  });
  ASSERT_EQ(Wait(child), 0);
  EXPECT_EQ(order->KeyCount(), 3u);
  EXPECT_EQ(order->KeySize(), 3);
  EXPECT_EQ(cur.Skip(1), 0) << "the old place is gone";
  EXPECT_TRUE(cur.Eof());
  EXPECT_EQ(WalkForward(*order), (Entries{{"AAA", 8}, {"BBB", 9}, {"CCC", 7}}));
}

// Two processes insert at the same time; the index lock keeps the tree whole.
TEST_F(NtxSharedTest, ConcurrentWritersKeepTheTreeValid) {
  std::string path = Path("w.ntx");
  NtxOrder::Create(path, CharSpec(60), {});
  auto writer = [&](std::uint32_t base) {
    return [&path, base, this] {
      auto o = NtxOrder::Open(path, Shared(20000));
      NtxCursor c(*o);
      for (std::uint32_t i = 0; i < 300; ++i) {
        if (!o->Insert(NumKey((i * 7919 + base) % 100000, 60), base + i)) return false;
        c.Seek(NumKey(i, 60), true);  // readers interleave with the writers
        c.KeyNo();
      }
      return true;
    };
  };
  pid_t a = Spawn(writer(100000));
  pid_t b = Spawn(writer(200000));
  EXPECT_EQ(Wait(a), 0);
  EXPECT_EQ(Wait(b), 0);
  auto order = NtxOrder::Open(path, Shared());
  EXPECT_EQ(order->Check().keys, 600u);
  EXPECT_EQ(WalkForward(*order).size(), 600u);
}

// A station holding the index lock blocks our update until the timeout;
// the update then fails with a lock error and changes nothing.
TEST_F(NtxSharedTest, LockedIndexTimesOut) {
  std::string path = Path("l.ntx");
  NtxOrder::Create(path, CharSpec(8), {});
  std::string before = ReadFile(path);
  auto order = NtxOrder::Open(path, Shared(200));
  int ready[2], release[2];
  ASSERT_EQ(::pipe(ready), 0);
  ASSERT_EQ(::pipe(release), 0);
  pid_t child = Spawn([&] {
    ::close(ready[0]);
    ::close(release[1]);  // so a parent that dies lets the read below end
    int fd = ::open(path.c_str(), O_RDWR);
    struct flock fl {};
    fl.l_type = F_WRLCK;
    fl.l_whence = SEEK_SET;
    fl.l_start = kLockOffset;
    fl.l_len = 1;
    if (::fcntl(fd, F_SETLK, &fl) != 0) return false;
    char c = 1;
    if (::write(ready[1], &c, 1) != 1) return false;
    return ::read(release[0], &c, 1) == 1;
  });
  ::close(ready[1]);
  ::close(release[0]);
  char c = 1;
  ASSERT_EQ(::read(ready[0], &c, 1), 1);
  ErrorRef e = ErrorOf([&] { order->Insert("ABCDEFGH", 1); });
  EXPECT_EQ(::write(release[1], &c, 1), 1);
  ::close(ready[0]);
  ::close(release[1]);
  EXPECT_EQ(Wait(child), 0);
  ASSERT_TRUE(e);
  EXPECT_EQ(e->GenCode, gen::Lock);
  EXPECT_EQ(e->FileName, path);
  EXPECT_TRUE(ReadFile(path) == before);
  EXPECT_TRUE(order->Insert("ABCDEFGH", 1)) << "works once the other station let go";
}

}  // namespace
}  // namespace kt::ntx::test
