// PPD access through libcups' PPD functions, and decoding of PPD texts.
//
// libcups marks its PPD functions deprecated; this is the one place that calls
// them (the deprecation warning is silenced in ppd.cc only). Everything else
// goes through the thin wrappers below, which keep libcups' semantics: null in
// means null (or 0) out.
#pragma once

#include <cups/ppd.h>

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace platform::ppd {

// Text encodings a PPD's language encoding can name.
enum class TextEncoding { kMacRoman, kISOLatin1, kWindowsLatin1, kShiftJIS, kUtf8 };

// "ISOLatin1" → ISO Latin 1, "WindowsANSI" → code page 1252, "JIS83-RKSJ" →
// Shift-JIS, "UTF-8"/"UTF8" → UTF-8; anything else, none, or no PPD → Mac Roman.
TextEncoding EncodingForLanguageEncoding(const char* lang_encoding);
// libcups converts every text of a PPD to UTF-8 while parsing it (and then
// reports "UTF-8"); a parsed PPD without a LanguageEncoding line therefore
// answers UTF-8 too, not Mac Roman. No PPD → Mac Roman.
TextEncoding EncodingForPpd(const ppd_file_t* ppd);

// Decodes bytes of the given encoding to UTF-8 (with ICU). std::nullopt when
// the bytes are not valid in that encoding.
std::optional<std::string> Decode(std::string_view bytes, TextEncoding encoding);

// An open PPD, closed on destruction.
class PpdFile {
 public:
  // Opens and parses the file and marks its defaults. nullptr and a message in
  // *error (file name, line, libcups' reason) when it cannot be read.
  static std::unique_ptr<PpdFile> Open(const std::string& path, std::string* error);
  ~PpdFile();
  PpdFile(const PpdFile&) = delete;
  PpdFile& operator=(const PpdFile&) = delete;

  ppd_file_t* get() const { return ppd_; }
  const std::string& path() const { return path_; }

 private:
  PpdFile(ppd_file_t* ppd, std::string path) : ppd_(ppd), path_(std::move(path)) {}
  ppd_file_t* ppd_;
  std::string path_;
};

// The PPD of a CUPS queue on the default server: fetched into a temporary
// file (cupsGetPPD2), opened, and the file removed again. nullptr and *error
// (naming the queue) when it cannot be had.
std::unique_ptr<PpdFile> OpenDestinationPpd(const std::string& name, std::string* error);

ppd_option_t* FindOption(ppd_file_t* ppd, const char* keyword);
ppd_choice_t* FindChoice(ppd_option_t* option, const char* choice);
ppd_choice_t* FindMarkedChoice(ppd_file_t* ppd, const char* keyword);
bool IsMarked(ppd_file_t* ppd, const char* keyword, const char* choice);
// Marks a choice; answers the number of conflicts afterwards.
int MarkOption(ppd_file_t* ppd, const char* keyword, const char* choice);
void MarkDefaults(ppd_file_t* ppd);
int Conflicts(ppd_file_t* ppd);
// A null name answers the marked page size, as libcups does.
ppd_size_t* PageSize(ppd_file_t* ppd, const char* name);
ppd_attr_t* FindAttr(ppd_file_t* ppd, const char* name, const char* specifier);

}  // namespace platform::ppd
