// A small file system of its own for the full-disk cases: a tmpfs of a
// given size mounted on a scratch folder, unmounted by the destructor.
// Mounting needs the privilege to mount; where the machine refuses, ok() is
// false and why() says why, and the test skips with that message.
#pragma once

#include <sys/mount.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "run_process.h"

namespace hc::test {

class small_tmpfs {
 public:
  explicit small_tmpfs(unsigned long long bytes) {
    const std::string opts = "size=" + std::to_string(bytes) + ",mode=0755";
    if (::mount("tmpfs", dir_.path().c_str(), "tmpfs", MS_NOSUID | MS_NODEV, opts.c_str()) == 0)
      mounted_ = true;
    else
      why_ = std::string("cannot mount a tmpfs: ") + std::strerror(errno);
  }
  ~small_tmpfs() {
    if (mounted_) ::umount2(dir_.path().c_str(), MNT_DETACH);
  }
  small_tmpfs(const small_tmpfs&) = delete;
  small_tmpfs& operator=(const small_tmpfs&) = delete;

  bool ok() const { return mounted_; }
  const std::string& why() const { return why_; }
  const std::string& path() const { return dir_.path(); }

 private:
  scratch_dir dir_;
  bool mounted_ = false;
  std::string why_;
};

}  // namespace hc::test
