// The file operations of the profile store: the administrator test, swap,
// existence test, removal and the last step of every write.
//
// How a path is formed, how the finished bytes reach the disk and how the file
// tests run differ between the direct variant (plain file-system calls, used by
// the privileged service) and the delegating variant (privileged requests, used
// by the colour plug-in). That part sits behind FileVariant; the gates and the
// list operations on top of it are shared.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace profilestore {

// Swap modes.
inline constexpr int kSwapRestore = 0;  // the previous copy replaces the profile file
inline constexpr int kSwapDiscard = 1;  // remove the previous copy
inline constexpr int kSwapSave = 2;     // copy the profile file to the previous copy

// Remove kinds.
inline constexpr int kRemovePrev = 2;
inline constexpr int kRemoveProfile = 3;

class FileVariant {
 public:
  virtual ~FileVariant() = default;

  // The current user's profile file and its previous copy; "" when no path is set.
  virtual std::string ProfilePath() = 0;
  virtual std::string PrevPath() = 0;

  // 1 when this user may create or write the file at `path`, else 0. Leaves
  // no file behind that was not there before.
  virtual int IsAdmin(const std::string& path) = 0;
  // One swap step on the profile file `profile` and its previous copy `prev`
  // (the administrator test has passed). Failures are silent.
  virtual void Swap(int mode, const std::string& profile, const std::string& prev) = 0;
  // 1 when `path` opens for reading, else 0.
  virtual int Exist(const std::string& path) = 0;
  // 1 when `path` was removed, else 0.
  virtual int Remove(const std::string& path) = 0;
  // Reads the file at `path` (at most max_bytes) into *out; false when it
  // cannot be read. A plain read unless the variant confines its files.
  virtual bool ReadData(const std::string& path, std::string* out, size_t max_bytes);
  // Puts the complete serialised file at `path`. true on success; on failure
  // the file at `path` must be as it was before.
  virtual bool WriteData(std::string_view bytes, const std::string& path) = 0;
};

// The variant every store operation uses; the direct variant unless another
// was installed. Install once at start-up (not thread-safe against running
// store operations). `variant` is not owned and must outlive its use; nullptr
// restores the direct variant. Returns the previously installed one.
FileVariant* SetFileVariant(FileVariant* variant);
FileVariant& CurrentFileVariant();

// 1 = the user may write the profile file, 0 = not (also when no path is set).
int HVPListIsAdminProfile();
// Swap mode 0, 1 or 2 (others do nothing), after the administrator test.
void HVPListSwapProfile(int mode);
// 1 = the profile file exists; 0 = not, or the administrator test failed.
int HVPListExistProfile();
// Kind 2 removes the previous copy, 3 the profile file; 1 = removed, 0 = not.
int HVPListRemove(int kind);

}  // namespace profilestore
