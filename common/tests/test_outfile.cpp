// Output files replaced whole, and the message text of the way out.
#include "outfile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <string>

#include "fatal.h"
#include "proc.h"

namespace hc {
namespace {

namespace fs = std::filesystem;
using test::slurp;
using test::spit;
using test::temp_dir;

// Names in the folder: the temporaries never stay behind.
std::vector<std::string> names(const fs::path& dir) {
  std::vector<std::string> v;
  for (const auto& e : fs::directory_iterator(dir)) v.push_back(e.path().filename().string());
  std::sort(v.begin(), v.end());
  return v;
}

TEST(out_file, ReplacesTheFileOnlyWhenCommitted) {
  temp_dir dir;
  const fs::path p = dir / "data.roots";
  spit(p, "old text, longer than the new one\n");
  ::chmod(p.c_str(), 0640);
  {
    out_file f(p.string());
    ASSERT_TRUE(f.open());
    f.stream() << "new\n";
    EXPECT_EQ(slurp(p), "old text, longer than the new one\n");  // not yet
    ASSERT_TRUE(f.commit());
  }
  EXPECT_EQ(slurp(p), "new\n");
  struct stat st {};
  ASSERT_EQ(::stat(p.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);  // the permission bits of the file replaced
  EXPECT_EQ(names(dir.path()), std::vector<std::string>{"data.roots"});

  {  // abandoned before its commit: the old file stays, the temporary goes
    out_file f(p.string());
    ASSERT_TRUE(f.open());
    f.stream() << "half";
  }
  EXPECT_EQ(slurp(p), "new\n");
  EXPECT_EQ(names(dir.path()), std::vector<std::string>{"data.roots"});
}

TEST(out_file, FollowsALinkAndRefusesADirectory) {
  temp_dir dir;
  spit(dir / "target", "old\n");
  fs::create_symlink(dir / "target", dir / "link");
  {
    out_file f((dir / "link").string());
    ASSERT_TRUE(f.open());
    f.stream() << "through the link\n";
    ASSERT_TRUE(f.commit());
  }
  EXPECT_TRUE(fs::is_symlink(dir / "link"));
  EXPECT_EQ(slurp(dir / "target"), "through the link\n");

  fs::create_directory(dir / "sub");
  out_file d((dir / "sub").string());
  EXPECT_FALSE(d.open());
  EXPECT_EQ(errno, EISDIR);
  out_file missing((dir / "none" / "file").string());
  EXPECT_FALSE(missing.open());
  EXPECT_EQ(errno, ENOENT);

  if (::geteuid() != 0) {  // the superuser may write any file
    spit(dir / "kept", "read only\n");
    ::chmod((dir / "kept").c_str(), 0444);
    out_file ro((dir / "kept").string());
    EXPECT_FALSE(ro.open());
    EXPECT_EQ(errno, EACCES);
    EXPECT_EQ(slurp(dir / "kept"), "read only\n");
  }
}

TEST(out_file, WritesADeviceInPlaceAndReportsItsFailure) {
  out_file null("/dev/null");
  ASSERT_TRUE(null.open());
  null.stream() << "gone";
  EXPECT_TRUE(null.commit());
  out_file full("/dev/full");
  ASSERT_TRUE(full.open());
  full.stream() << std::string(100000, 'x');
  EXPECT_FALSE(full.commit());
  EXPECT_EQ(errno, ENOSPC);
}

TEST(out_fileDeathTest, AFatalErrorRemovesTheTemporary) {
  temp_dir dir;
  const fs::path p = dir / "MEva.f90";
  spit(p, "earlier\n");
  EXPECT_EXIT(
      {
        out_file f(p.string());
        if (!f.open()) std::exit(99);
        f.stream() << "part of a new file";
        fatal(status::size, "stopped");
      },
      ::testing::ExitedWithCode(status::size), "stopped");
  EXPECT_EQ(slurp(p), "earlier\n");
  EXPECT_EQ(names(dir.path()), std::vector<std::string>{"MEva.f90"});
}

// Two files replaced together: both, or (one could not be written) neither.
TEST(out_file, CommittedTogetherBothOrNeither) {
  temp_dir dir;
  const fs::path supp = dir / "data.supp", coef = dir / "data.coef";
  spit(supp, "old supp\n");
  spit(coef, "old coef\n");
  {
    out_file a(supp.string()), b(coef.string());
    ASSERT_TRUE(a.open());
    ASSERT_TRUE(b.open());
    a.stream() << "new supp\n";
    b.stream() << "new coef\n";
    EXPECT_EQ(commit_together({&a, &b}), nullptr);
  }
  EXPECT_EQ(slurp(supp), "new supp\n");
  EXPECT_EQ(slurp(coef), "new coef\n");

  // The second cannot be written (a full device): the first, complete,
  // replaces nothing, and its temporary goes.
  fs::remove(coef);
  fs::create_symlink("/dev/full", coef);
  {
    out_file a(supp.string()), b(coef.string());
    ASSERT_TRUE(a.open());
    ASSERT_TRUE(b.open());
    a.stream() << "newer supp\n";
    b.stream() << std::string(100000, 'c');
    EXPECT_EQ(commit_together({&a, &b}), &b);
    EXPECT_EQ(errno, ENOSPC);
    EXPECT_EQ(names(dir.path()), (std::vector<std::string>{"data.coef", "data.supp"}));
  }
  EXPECT_EQ(slurp(supp), "new supp\n");
}

// A program that holds its outputs replaces them only at publish_outputs,
// and not at all when its standard output failed.
TEST(out_fileDeathTest, HeldOutputsWaitForStandardOutput) {
  temp_dir dir;
  const fs::path p = dir / "data.roots";
  spit(p, "earlier\n");
  auto run = [&](const char* stdout_path) {
    if (std::freopen(stdout_path, "w", stdout) == nullptr) std::exit(98);
    hold_outputs();
    write_output(p.string(), [](std::ostream& out) { out << "new roots\n"; });
    // Written, but not yet in place.
    if (slurp(p) != "earlier\n" || names(dir.path()).size() != 2) std::exit(97);
    std::printf("the summary\n");
    std::exit(publish_outputs());
  };
  EXPECT_EXIT(run("/dev/full"), ::testing::ExitedWithCode(status::output),
              test::exactly("test_outfile: cannot write standard output: No space left on device"));
  EXPECT_EQ(slurp(p), "earlier\n");
  EXPECT_EQ(names(dir.path()), std::vector<std::string>{"data.roots"});
  EXPECT_EXIT(run("/dev/null"), ::testing::ExitedWithCode(status::ok), "^$");
  EXPECT_EQ(slurp(p), "new roots\n");
  EXPECT_EQ(names(dir.path()), std::vector<std::string>{"data.roots"});
}

// An interrupt or a termination while a temporary exists removes it, and
// the program still ends by that signal; a signal the program was started
// with ignored stays ignored.
TEST(out_fileDeathTest, ASignalRemovesTheTemporaries) {
  for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) {
    SCOPED_TRACE(sig);
    temp_dir dir;
    const fs::path p = dir / "data.witness";
    spit(p, "earlier\n");
    EXPECT_EXIT(
        {
          hold_outputs();
          write_output(p.string(), [](std::ostream& out) { out << "held\n"; });
          out_file f((dir / "data.supp").string());
          if (!f.open()) std::exit(99);
          f.stream() << "being written";
          std::raise(sig);
          std::exit(98);
        },
        ::testing::KilledBySignal(sig), "");
    EXPECT_EQ(slurp(p), "earlier\n");
    EXPECT_EQ(names(dir.path()), std::vector<std::string>{"data.witness"});
  }
  temp_dir dir;
  EXPECT_EXIT(
      {
        std::signal(SIGTERM, SIG_IGN);
        out_file f((dir / "data.roots").string());
        if (!f.open()) std::exit(99);
        std::raise(SIGTERM);
        std::exit(f.commit() ? 7 : 98);
      },
      ::testing::ExitedWithCode(7), "");
  EXPECT_EQ(names(dir.path()), std::vector<std::string>{"data.roots"});
}

void thrower(int which) {
  if (which == 0) throw std::length_error("vector::reserve");
  throw std::runtime_error("broken");
}
// Through a pointer, so that the compiler cannot see the throw: the
// exception meets the noexcept and ends in std::terminate.
void (*volatile g_thrower)(int) = thrower;
void throw_through_noexcept(int which) noexcept { g_thrower(which); }

// An exception that nothing catches is a message and a status of the table,
// not an abort.
TEST(fatalDeathTest, AnUncaughtExceptionEndsThroughTheTable) {
  EXPECT_EXIT(
      {
        catch_memory_exhaustion();
        throw_through_noexcept(0);
      },
      ::testing::ExitedWithCode(status::memory),
      test::exactly("test_outfile: out of memory: a size beyond what a container can hold"));
  EXPECT_EXIT(
      {
        catch_memory_exhaustion();
        throw_through_noexcept(1);
      },
      ::testing::ExitedWithCode(status::internal),
      test::exactly("test_outfile: unexpected failure: broken"));
}

TEST(fatal, EscapesEveryByteThatIsNotPrintable) {
  EXPECT_EQ(escaped(std::string("a\0b\x1b[1m\t\n\x7f\xff~ ", 13)),
            "a\\x00b\\x1b[1m\\x09\\x0a\\x7f\\xff~ ");
}

}  // namespace
}  // namespace hc
