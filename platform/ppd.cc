#include "platform/ppd.h"

#include <cups/cups.h>
#include <unicode/ucnv.h>
#include <unicode/ucnv_err.h>
#include <unicode/ustring.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

// libcups' PPD API is deprecated but is what this system is built on; this file
// is its only caller.
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"

namespace platform::ppd {

namespace {

// ICU converter names; all of them are built into ICU's default data.
const char* ConverterName(TextEncoding encoding) {
  switch (encoding) {
    case TextEncoding::kISOLatin1:
      return "ISO-8859-1";
    case TextEncoding::kWindowsLatin1:
      return "windows-1252";
    case TextEncoding::kShiftJIS:
      return "Shift_JIS";
    case TextEncoding::kUtf8:
      return "UTF-8";
    case TextEncoding::kMacRoman:
      break;
  }
  return "macintosh";
}

struct ConverterCloser {
  void operator()(UConverter* c) const { ucnv_close(c); }
};

}  // namespace

TextEncoding EncodingForLanguageEncoding(const char* lang_encoding) {
  if (!lang_encoding) return TextEncoding::kMacRoman;
  if (!std::strcmp(lang_encoding, "ISOLatin1")) return TextEncoding::kISOLatin1;
  if (!std::strcmp(lang_encoding, "WindowsANSI")) return TextEncoding::kWindowsLatin1;
  if (!std::strcmp(lang_encoding, "JIS83-RKSJ")) return TextEncoding::kShiftJIS;
  if (!std::strcmp(lang_encoding, "UTF-8") || !std::strcmp(lang_encoding, "UTF8")) return TextEncoding::kUtf8;
  return TextEncoding::kMacRoman;
}

TextEncoding EncodingForPpd(const ppd_file_t* ppd) {
  if (!ppd) return TextEncoding::kMacRoman;
  // Without a LanguageEncoding line libcups still converts the texts (from
  // ISO Latin 1) but leaves the name unset; decoding them as Mac Roman would
  // garble every non-ASCII character.
  if (!ppd->lang_encoding) return TextEncoding::kUtf8;
  return EncodingForLanguageEncoding(ppd->lang_encoding);
}

std::optional<std::string> Decode(std::string_view bytes, TextEncoding encoding) {
  if (bytes.empty()) return std::string();
  // Every encoding here agrees with ASCII below 0x80 except Shift-JIS (0x5C
  // and 0x7E); PPD keywords and most texts are plain ASCII, so they need no
  // converter.
  if (encoding != TextEncoding::kShiftJIS &&
      std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
    return std::string(bytes);
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<UConverter, ConverterCloser> conv(ucnv_open(ConverterName(encoding), &status));
  if (U_FAILURE(status)) return std::nullopt;
  // Stop at the first byte sequence the encoding does not define instead of
  // substituting U+FFFD: the callers treat such text as untranslatable.
  ucnv_setToUCallBack(conv.get(), UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
  if (U_FAILURE(status)) return std::nullopt;

  const auto length = static_cast<int32_t>(bytes.size());
  // None of these encodings yields more than one UTF-16 unit per byte; the
  // spare room only keeps a surprise from reading as invalid text.
  std::u16string utf16(bytes.size() * 2 + 1, u'\0');
  int32_t units = ucnv_toUChars(conv.get(), utf16.data(), static_cast<int32_t>(utf16.size()), bytes.data(),
                                length, &status);
  if (U_FAILURE(status) && status != U_STRING_NOT_TERMINATED_WARNING) return std::nullopt;
  status = U_ZERO_ERROR;

  int32_t needed = 0;
  u_strToUTF8(nullptr, 0, &needed, utf16.data(), units, &status);
  if (status != U_BUFFER_OVERFLOW_ERROR && U_FAILURE(status)) return std::nullopt;
  status = U_ZERO_ERROR;
  std::string out(static_cast<size_t>(needed), '\0');
  u_strToUTF8(out.data(), needed, nullptr, utf16.data(), units, &status);
  if (U_FAILURE(status) && status != U_STRING_NOT_TERMINATED_WARNING) return std::nullopt;
  return out;
}

std::unique_ptr<PpdFile> PpdFile::Open(const std::string& path, std::string* error) {
  errno = 0;
  ppd_file_t* ppd = ppdOpenFile(path.c_str());
  if (!ppd) {
    int line = 0;
    ppd_status_t status = ppdLastError(&line);
    if (error) {
      std::string msg = path;
      if (status == PPD_FILE_OPEN_ERROR) {
        msg += ": " + std::string(ppdErrorString(status));
        if (errno) msg += std::string(" (") + std::strerror(errno) + ")";
      } else {
        // Appended piece by piece: GCC 12 at -O3 mistakes "lit" + to_string()
        // for an overlapping copy (-Werror=restrict).
        msg.append(":").append(std::to_string(line)).append(": ").append(ppdErrorString(status));
      }
      *error = std::move(msg);
    }
    return nullptr;
  }
  ppdMarkDefaults(ppd);
  return std::unique_ptr<PpdFile>(new PpdFile(ppd, path));
}

PpdFile::~PpdFile() { ppdClose(ppd_); }

std::unique_ptr<PpdFile> OpenDestinationPpd(const std::string& name, std::string* error) {
  const char* temp = cupsGetPPD2(CUPS_HTTP_DEFAULT, name.c_str());
  if (!temp) {
    if (error) *error = "cannot get the PPD of destination \"" + name + "\": " + cupsLastErrorString();
    return nullptr;
  }
  // cupsGetPPD2 answers a per-thread buffer; keep our own copy of the name.
  const std::string temp_path(temp);
  std::string open_error;
  auto file = PpdFile::Open(temp_path, &open_error);
  unlink(temp_path.c_str());
  if (!file) {
    if (error) *error = "PPD of destination \"" + name + "\" is unusable: " + open_error;
    return nullptr;
  }
  return file;
}

ppd_option_t* FindOption(ppd_file_t* ppd, const char* keyword) {
  if (!ppd || !keyword) return nullptr;
  return ppdFindOption(ppd, keyword);
}

ppd_choice_t* FindChoice(ppd_option_t* option, const char* choice) {
  if (!option || !choice) return nullptr;
  return ppdFindChoice(option, choice);
}

ppd_choice_t* FindMarkedChoice(ppd_file_t* ppd, const char* keyword) {
  if (!ppd || !keyword) return nullptr;
  return ppdFindMarkedChoice(ppd, keyword);
}

bool IsMarked(ppd_file_t* ppd, const char* keyword, const char* choice) {
  if (!ppd || !keyword || !choice) return false;
  return ppdIsMarked(ppd, keyword, choice) != 0;
}

int MarkOption(ppd_file_t* ppd, const char* keyword, const char* choice) {
  if (!ppd || !keyword || !choice) return 0;
  return ppdMarkOption(ppd, keyword, choice);
}

void MarkDefaults(ppd_file_t* ppd) {
  if (ppd) ppdMarkDefaults(ppd);
}

int Conflicts(ppd_file_t* ppd) { return ppd ? ppdConflicts(ppd) : 0; }

ppd_size_t* PageSize(ppd_file_t* ppd, const char* name) {
  if (!ppd) return nullptr;
  return ppdPageSize(ppd, name);
}

ppd_attr_t* FindAttr(ppd_file_t* ppd, const char* name, const char* specifier) {
  if (!ppd || !name) return nullptr;
  return ppdFindAttr(ppd, name, specifier);
}

}  // namespace platform::ppd
