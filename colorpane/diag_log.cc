#include "colorpane/diag_log.h"

#include <langinfo.h>
#include <unicode/ucnv.h>

#include <climits>
#include <cstdio>
#include <memory>

#include "platform/log.h"

namespace colorpane {
namespace diag {

namespace {

// One printf directive, taken apart: "%" flags width .precision length conv.
struct Directive {
  std::string flags, length;
  bool width_star = false, precision_star = false;
  std::string width, precision;  // digits as written ("" when absent)
  bool has_precision = false;
  char conv = 0;
  size_t end = 0;  // just past the conversion character
};

// Parses the directive at format[at] == '%'; false when it never ends in a
// conversion this writer knows (it is then written as it stands).
bool ParseDirective(std::string_view format, size_t at, Directive* d) {
  size_t i = at + 1;
  auto digits = [&](std::string* out) {
    while (i < format.size() && format[i] >= '0' && format[i] <= '9') *out += format[i++];
  };
  while (i < format.size() && std::string_view("-+ #0'").find(format[i]) != std::string_view::npos)
    d->flags += format[i++];
  if (i < format.size() && format[i] == '*') {
    d->width_star = true;
    ++i;
  } else {
    digits(&d->width);
  }
  if (i < format.size() && format[i] == '.') {
    d->has_precision = true;
    ++i;
    if (i < format.size() && format[i] == '*') {
      d->precision_star = true;
      ++i;
    } else {
      digits(&d->precision);
    }
  }
  while (i < format.size() && std::string_view("hljztLq").find(format[i]) != std::string_view::npos)
    d->length += format[i++];
  if (i >= format.size() || std::string_view("@diuxXocfFeEgGaAsp").find(format[i]) == std::string_view::npos)
    return false;
  d->conv = format[i];
  d->end = i + 1;
  return true;
}

// printf of one value with a directive built here (never the caller's text),
// into a buffer as long as the result.
template <class T>
std::string Print(const std::string& shape, T value) {
  int n = std::snprintf(nullptr, 0, shape.c_str(), value);
  if (n < 0) return std::string();
  std::string out(static_cast<size_t>(n), '\0');
  std::snprintf(out.data(), out.size() + 1, shape.c_str(), value);
  return out;
}

long long AsSigned(const Arg& arg, bool* ok) {
  if (auto* v = std::get_if<long long>(&arg)) return *v;
  if (auto* v = std::get_if<unsigned long long>(&arg)) return static_cast<long long>(*v);
  *ok = false;
  return 0;
}

// The value the directive's length modifier makes of an integer argument, as
// printf narrows an int to char or short.
long long Narrow(long long v, const std::string& length, bool is_signed) {
  if (length == "hh") return is_signed ? static_cast<signed char>(v) : static_cast<unsigned char>(v);
  if (length == "h") return is_signed ? static_cast<short>(v) : static_cast<unsigned short>(v);
  return v;
}

// One directive applied to its argument; "?" for an argument of another kind.
std::string FormatOne(const Directive& d, const std::string& width, const std::string& precision,
                      const Arg& arg) {
  std::string shape = "%" + d.flags + width + precision;
  bool ok = true;
  switch (d.conv) {
    case 'd':
    case 'i': {
      long long v = Narrow(AsSigned(arg, &ok), d.length, true);
      return ok ? Print(shape + "lld", v) : "?";
    }
    case 'u':
    case 'x':
    case 'X':
    case 'o': {
      long long v = Narrow(AsSigned(arg, &ok), d.length, false);
      // A negative int under a plain %u or %x shows as printf shows it.
      if (d.length.empty() && v < 0 && v >= INT_MIN) v = static_cast<unsigned int>(v);
      return ok ? Print(shape + "ll" + d.conv, static_cast<unsigned long long>(v)) : "?";
    }
    case 'c': {
      long long v = AsSigned(arg, &ok);
      return ok ? Print(shape + "c", static_cast<int>(v)) : "?";
    }
    case 'f':
    case 'F':
    case 'e':
    case 'E':
    case 'g':
    case 'G':
    case 'a':
    case 'A':
      if (auto* v = std::get_if<double>(&arg)) return Print(shape + d.conv, *v);
      return "?";
    case 's':
      if (auto* v = std::get_if<const char*>(&arg)) return Print(shape + "s", *v ? *v : "(null)");
      if (auto* v = std::get_if<std::string>(&arg)) return Print(shape + "s", v->c_str());
      return "?";
    case 'p':
      if (auto* v = std::get_if<const void*>(&arg)) return Print(shape + "p", *v);
      return "?";
    default:
      return "?";
  }
}

}  // namespace

std::string Format(std::string_view format, const std::vector<Arg>& args) {
  std::string out;
  size_t next = 0;
  // A '*' takes an int argument; none left leaves the directive as written.
  auto star = [&](long long* value) {
    if (next >= args.size()) return false;
    bool ok = true;
    *value = AsSigned(args[next++], &ok);
    return ok;
  };
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
    Directive d;
    if (!ParseDirective(format, i, &d)) {
      out.append(format.substr(i));
      break;
    }
    std::string_view written = format.substr(i, d.end - i);
    i = d.end - 1;
    Directive shown = d;
    std::string width = d.width, precision = d.has_precision ? "." + d.precision : "";
    size_t before = next;
    long long w = 0, p = 0;
    if ((d.width_star && !star(&w)) || (d.precision_star && !star(&p)) || next >= args.size()) {
      next = before;
      out.append(written);  // no argument left: the directive stays as written
      continue;
    }
    if (d.width_star) {
      if (w < 0) shown.flags += '-';  // a negative width left-justifies
      width = std::to_string(w < 0 ? -w : w);
    }
    if (d.precision_star) precision = p < 0 ? "" : "." + std::to_string(p);  // negative: as if none
    const Arg& a = args[next++];
    if (d.conv == '@') {
      if (auto* v = std::get_if<std::string>(&a))
        out += *v;
      else if (auto* c = std::get_if<const char*>(&a))
        out += *c ? *c : "(null)";
      else
        out += "?";
    } else {
      out += FormatOne(shown, width, precision, a);
    }
  }
  return out;
}

void WriteTagged(const char* tag, const char* close, const platform::ui::Object* self,
                 const std::string& text) {
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
    ucnv_convertEx(to.get(), from.get(), &target, bytes.data() + bytes.size(), &source,
                   utf8.data() + utf8.size(), nullptr, nullptr, nullptr, nullptr, true, true, &err);
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
