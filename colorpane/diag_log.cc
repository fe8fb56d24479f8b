#include "colorpane/diag_log.h"

#include <langinfo.h>
#include <unicode/ucnv.h>

#include <memory>

#include "platform/log.h"

namespace colorpane {
namespace diag {

namespace {

// One printf directive applied to one argument of any kind.
std::string FormatOne(const std::string& directive, const Arg& arg) {
  char conv = directive.back();
  char buf[512];
  std::string s = directive;
  auto print = [&](auto value) {
    int n = snprintf(buf, sizeof buf, s.c_str(), value);
    return n < 0 ? std::string() : std::string(buf, std::min<size_t>(static_cast<size_t>(n), sizeof buf - 1));
  };
  // Length modifiers are normalised: the argument already has its widest type.
  std::string flags = directive.substr(0, directive.find_first_of("hljztL", 1));
  if (flags.size() == directive.size()) flags.pop_back();
  switch (conv) {
    case 'd': case 'i':
      s = flags + "lld";
      if (auto* v = std::get_if<long long>(&arg)) return print(*v);
      if (auto* v = std::get_if<unsigned long long>(&arg)) return print(static_cast<long long>(*v));
      return "?";
    case 'u': case 'x': case 'X': case 'o': case 'c':
      s = flags + (conv == 'c' ? "c" : std::string("ll") + conv);
      if (auto* v = std::get_if<unsigned long long>(&arg)) return conv == 'c' ? print(static_cast<int>(*v)) : print(*v);
      if (auto* v = std::get_if<long long>(&arg))
        return conv == 'c' ? print(static_cast<int>(*v)) : print(static_cast<unsigned long long>(*v));
      return "?";
    case 'f': case 'F': case 'e': case 'E': case 'g': case 'G': case 'a': case 'A':
      s = flags + conv;
      if (auto* v = std::get_if<double>(&arg)) return print(*v);
      return "?";
    case 's':
      s = flags + "s";
      if (auto* v = std::get_if<const char*>(&arg)) return print(*v ? *v : "(null)");
      if (auto* v = std::get_if<std::string>(&arg)) return print(v->c_str());
      return "?";
    case 'p':
      s = "%p";
      if (auto* v = std::get_if<const void*>(&arg)) return print(*v);
      return "?";
    default:
      return directive;
  }
}

}  // namespace

std::string Format(std::string_view format, const std::vector<Arg>& args) {
  std::string out;
  size_t next = 0;
  for (size_t i = 0; i < format.size(); ++i) {
    if (format[i] != '%') {
      out += format[i];
      continue;
    }
    if (i + 1 < format.size() && format[i + 1] == '%') {
      out += '%';
      ++i;
      continue;
    }
    size_t end = format.find_first_of("@diuxXocfFeEgGaAsp", i + 1);
    if (end == std::string_view::npos) {
      out.append(format.substr(i));
      break;
    }
    std::string directive(format.substr(i, end - i + 1));
    if (next >= args.size()) {
      out += directive;  // no argument left: the directive stays as written
    } else if (format[end] == '@') {
      const Arg& a = args[next++];
      if (auto* v = std::get_if<std::string>(&a)) out += *v;
      else if (auto* c = std::get_if<const char*>(&a)) out += *c ? *c : "(null)";
      else out += "?";
    } else {
      out += FormatOne(directive, args[next++]);
    }
    i = end;
  }
  return out;
}

void WriteTagged(const char* tag, const char* close, const platform::ui::Object* self, const std::string& text) {
  std::string line = tag;
  line += self ? self->description() : "(null)";
  line += close;
  line += text;
  platform::log::Write(LOG_NOTICE, line);
}

}  // namespace diag

void MyLogText(FILE* stream, const std::string& utf8) {
  if (!stream) return;
  UErrorCode err = U_ZERO_ERROR;
  const char* codeset = nl_langinfo(CODESET);
  std::unique_ptr<UConverter, decltype(&ucnv_close)> to(ucnv_open(codeset, &err), ucnv_close);
  std::string bytes;
  if (U_SUCCESS(err)) {
    ucnv_setSubstChars(to.get(), "?", 1, &err);
    err = U_ZERO_ERROR;
    std::unique_ptr<UConverter, decltype(&ucnv_close)> from(ucnv_open("UTF-8", &err), ucnv_close);
    bytes.resize(utf8.size() * 4 + 8);
    char* target = bytes.data();
    const char* source = utf8.data();
    ucnv_convertEx(to.get(), from.get(), &target, bytes.data() + bytes.size(), &source, utf8.data() + utf8.size(),
                   nullptr, nullptr, nullptr, nullptr, true, true, &err);
    bytes.resize(U_SUCCESS(err) ? static_cast<size_t>(target - bytes.data()) : 0);
  }
  if (bytes.empty()) return;
  fwrite(bytes.data(), 1, bytes.size(), stream);
  fflush(stream);
}

int _DEBUGControlTable(const PDEControlData* table) {
  if (!table) return 0;
  int n = 1;
  while (table->control) {
    ++table;
    ++n;
  }
  return n;
}

}  // namespace colorpane
