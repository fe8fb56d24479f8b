// The profile store's file operations inside the service: the walk's merge
// reads and writes the caller's profile file through the same confined
// folder layer as the file requests (own_files.h), never by plain path. A
// step that fails is logged with its path and cause.
#pragma once

#include <mutex>
#include <optional>
#include <string>

#include "prefservice/own_files.h"
#include "profilestore/file_variant.h"

namespace prefservice {

class ConfinedVariant : public profilestore::FileVariant {
 public:
  // `dir` is the open preference folder `folder` (ending in '/'); only the
  // files of `login` in it are reached. `dir` must outlive the variant.
  // `files` (when given) is the lock of the file requests: taken at the
  // first step and held until the variant ends, so a read, the merge and its
  // write are one step to every file request.
  ConfinedVariant(FolderHandle* dir, std::string folder, std::string login, std::mutex* files = nullptr)
      : dir_(dir), folder_(std::move(folder)), login_(std::move(login)), files_(files) {}

  // The store's path globals, as set for the request.
  std::string ProfilePath() override;
  std::string PrevPath() override;
  // What the merge uses: the read (a missing file reads as no lists, unlogged)
  // and the atomic replacement of the profile file.
  bool ReadData(const std::string& path, std::string* out, size_t max_bytes) override;
  bool WriteData(std::string_view bytes, const std::string& path) override;
  // The write's gate and the file tests, as the file requests do them. A
  // path that is not one of the caller's own files answers 0 (no swap).
  int IsAdmin(const std::string& path) override;
  int Exist(const std::string& path) override;
  int Remove(const std::string& path) override;
  void Swap(int mode, const std::string& profile, const std::string& prev) override;

 private:
  // The file name when `path` is one of the caller's own files, else nullopt
  // (logged); takes the file lock.
  std::optional<std::string> Name(const std::string& path);

  FolderHandle* dir_;
  std::string folder_, login_;
  std::mutex* files_;
  std::unique_lock<std::mutex> held_;
};

// Installs `variant` for the store operations of its lifetime and restores
// the previous one after.
class ScopedFileVariant {
 public:
  explicit ScopedFileVariant(profilestore::FileVariant* variant) : previous_(profilestore::SetFileVariant(variant)) {}
  ~ScopedFileVariant() { profilestore::SetFileVariant(previous_); }
  ScopedFileVariant(const ScopedFileVariant&) = delete;
  ScopedFileVariant& operator=(const ScopedFileVariant&) = delete;

 private:
  profilestore::FileVariant* previous_;
};

}  // namespace prefservice
