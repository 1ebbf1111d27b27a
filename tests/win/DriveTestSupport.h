// tests/win/DriveTestSupport.h
//
// What tests of drives, volumes and directory search stand on: a fresh
// temporary folder, a scope that sets ZORVET_DRIVES, a stand-in machine with
// optical drives and mounts of its own, and ISO images made with xorriso.
#pragma once

#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "platform/win/Drives.h"

namespace drive_test {

// Removes `name` in the folder `parent_fd` with everything below it, going
// by folder descriptors so that no path length limits it.
inline void RemoveTreeAt(int parent_fd, const char* name) {
  if (unlinkat(parent_fd, name, 0) == 0) return;
  int fd = openat(parent_fd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return;
  fchmod(fd, 0755);
  if (DIR* dir = fdopendir(fd)) {
    std::vector<std::string> names;
    while (dirent* entry = readdir(dir))
      if (std::string_view(entry->d_name) != "." && std::string_view(entry->d_name) != "..")
        names.push_back(entry->d_name);
    for (const std::string& inner : names) RemoveTreeAt(dirfd(dir), inner.c_str());
    closedir(dir);
  } else {
    close(fd);
  }
  unlinkat(parent_fd, name, AT_REMOVEDIR);
}

// Makes a chain of `depth` nested folders named by `name(level)` inside
// `folder`, and a file "bottom" in the last; paths in it go far beyond what
// the kernel takes in one call, so it is made by folder descriptors.
template <class Naming>
void MakeDeepTree(const std::string& folder, int depth, Naming name) {
  int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  ASSERT_GE(fd, 0);
  for (int level = 0; level < depth; ++level) {
    std::string inner = name(level);
    ASSERT_EQ(mkdirat(fd, inner.c_str(), 0755), 0) << level;
    int next = openat(fd, inner.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    close(fd);
    ASSERT_GE(next, 0);
    fd = next;
  }
  int file = openat(fd, "bottom", O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
  EXPECT_EQ(write(file, "deep", 4), 4);
  close(file);
  close(fd);
}

// A fresh folder under the system's temporary folder, removed with its content.
class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "zorvet-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
  }
  ~TempFolder() {
    std::error_code ignored;
    // Folders made unreadable or unwritable by a test must not stop the clean-up.
    for (auto it = std::filesystem::recursive_directory_iterator(
             path_, std::filesystem::directory_options::skip_permission_denied, ignored);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ignored))
      if (it->is_directory(ignored) && !it->is_symlink(ignored)) chmod(it->path().c_str(), 0755);
    std::filesystem::remove_all(path_, ignored);
    // A tree deeper than the longest path the kernel takes.
    if (std::filesystem::exists(path_, ignored)) RemoveTreeAt(AT_FDCWD, path_.c_str());
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::string& Path() const { return path_; }
  std::string operator/(const std::string& relative) const { return path_ + "/" + relative; }

  std::string MakeFolder(const std::string& relative) const {
    std::filesystem::create_directories(*this / relative);
    return *this / relative;
  }
  std::string Write(const std::string& relative, const std::string& content = "") const {
    std::string file = *this / relative;
    std::filesystem::create_directories(std::filesystem::path(file).parent_path());
    std::ofstream(file, std::ios::binary) << content;
    return file;
  }

 private:
  std::string path_;
};

// Sets ZORVET_DRIVES for a scope and puts the old value back.
class DrivesVariable {
 public:
  explicit DrivesVariable(const std::string& value) {
    if (const char* old = std::getenv("ZORVET_DRIVES")) old_ = old;
    setenv("ZORVET_DRIVES", value.c_str(), 1);
  }
  ~DrivesVariable() {
    if (old_)
      setenv("ZORVET_DRIVES", old_->c_str(), 1);
    else
      unsetenv("ZORVET_DRIVES");
  }
  DrivesVariable(const DrivesVariable&) = delete;
  DrivesVariable& operator=(const DrivesVariable&) = delete;

 private:
  std::optional<std::string> old_;
};

// A machine of the test's own: /sys/block with optical drives, /dev with
// their devices (plain files, an image or nothing) and a mount table that
// starts as the real one. Replaces the drive system for its lifetime.
class FakeMachine {
 public:
  explicit FakeMachine(const TempFolder& temp) : root_(temp.MakeFolder("machine")) {
    std::filesystem::create_directories(root_ + "/sys/block");
    std::filesystem::create_directories(root_ + "/dev");
    std::ifstream real("/proc/self/mountinfo");
    std::ostringstream text;
    text << real.rdbuf();
    mounts_ = text.str();
    WriteMounts();
    TDriveSystem system;
    system.SysFolder = root_ + "/sys";
    system.DevFolder = root_ + "/dev";
    system.MountInfo = root_ + "/mountinfo";
    system.Unmount = [this](const String& device) {
      unmounted.push_back(device);
      return true;
    };
    previous_ = SetDriveSystem(system);
  }
  ~FakeMachine() { SetDriveSystem(previous_); }
  FakeMachine(const FakeMachine&) = delete;
  FakeMachine& operator=(const FakeMachine&) = delete;

  // Adds /sys/block/sr<number> with device number 11:<number>; its device
  // file holds `image` (an image file's path to copy), or is absent when empty.
  std::string AddOpticalDrive(int number, const std::string& image = "") {
    std::string name = "sr" + std::to_string(number);
    std::filesystem::create_directories(root_ + "/sys/block/" + name);
    std::ofstream(root_ + "/sys/block/" + name + "/dev") << "11:" << number << "\n";
    std::string device = root_ + "/dev/" + name;
    if (!image.empty()) std::filesystem::copy_file(image, device);
    return device;
  }
  // Lists a mount of device 11:<number> at `mount_point` (written escaped, as the kernel does).
  void MountOpticalDrive(int number, const std::string& mount_point) {
    std::string escaped;
    for (char c : mount_point) escaped += c == ' ' ? std::string("\\040") : std::string(1, c);
    mounts_ += std::to_string(9000 + number) + " 1 11:" + std::to_string(number) + " / " + escaped +
               " ro,relatime - iso9660 " + root_ + "/dev/sr" + std::to_string(number) + " ro\n";
    WriteMounts();
  }

  std::vector<std::string> unmounted;

 private:
  void WriteMounts() { std::ofstream(root_ + "/mountinfo") << mounts_; }

  std::string root_;
  std::string mounts_;
  TDriveSystem previous_;
};

// Makes an ISO 9660 image of `folder` with xorriso; empty when xorriso fails.
inline std::string MakeIso(const TempFolder& temp, const std::string& folder,
                           const std::string& label, bool joliet, const std::string& name) {
  std::string image = temp / name;
  std::string log = image + ".log";
  std::string command = "xorriso -as mkisofs -quiet -input-charset UTF-8 " +
                        std::string(joliet ? "-J " : "") + "-V '" + label + "' -o '" + image +
                        "' '" + folder + "' >'" + log + "' 2>&1";
  // Under a fully loaded test run xorriso has been seen to fail now and
  // then without a reproducible cause; what it said goes to the test's
  // output, and it is tried again before the test gives up.
  for (int attempt = 0; attempt < 3; ++attempt) {
    const int status = std::system(command.c_str());
    if (status == 0) return image;
    std::ifstream in(log);
    std::cerr << "xorriso failed (status " << status << "):\n" << in.rdbuf() << "\n";
  }
  return std::string();
}

// Makes a UDF image as a CD-R written in increments leaves it (a virtual
// allocation table in its last sector) with mkudffs; empty when it fails.
inline std::string MakePacketWrittenUdf(const TempFolder& temp, const std::string& label,
                                        const std::string& revision, bool closed,
                                        const std::string& name) {
  std::string image = temp / name;
  // mkudffs is a system tool: it lies in sbin, which an ordinary PATH may lack.
  std::string command =
      "PATH=\"$PATH:/usr/sbin:/sbin\" mkudffs --utf8 --media-type=cdr --udfrev=" + revision +
      (closed ? " --closed" : "") + " --label='" + label + "' --new-file '" + image +
      "' 2000 >/dev/null 2>&1";
  if (std::system(command.c_str()) != 0) return std::string();
  return image;
}

inline std::vector<unsigned char> ReadFile(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), {});
}

}  // namespace drive_test
