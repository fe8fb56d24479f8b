// Tracing: tagged system-log lines ("BEGIN self(…) …", "END self(…) …",
// "LOG self(…): …"), a formatted writer to any stream, and a control-table
// row counter. Available to the plug-in; nothing calls it in normal use.
//
// Formats take every printf directive (flags, widths and precisions, '*' ones
// taken from the arguments, length modifiers; %n excepted) plus %@, which takes
// a platform object (its description is inserted as text, never read as a
// format) or a std::string. A result is never cut; a directive without an
// argument left is written as it stands.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>
#include <vector>

#include "colorpane/control_table.h"
#include "platform/ui/object.h"

namespace colorpane {

namespace diag {
using Arg = std::variant<long long, unsigned long long, double, const char*, const void*, std::string>;

template <class T>
Arg MakeArg(const T& v) {
  using D = std::decay_t<T>;
  if constexpr (std::is_convertible_v<const T*, const platform::ui::Object*>)
    return std::string(v.description());
  else if constexpr (std::is_same_v<D, const char*> || std::is_same_v<D, char*>)
    return static_cast<const char*>(v);
  else if constexpr (std::is_pointer_v<D> && std::is_convertible_v<D, const platform::ui::Object*>)
    return v ? std::string(v->description()) : std::string("(null)");
  else if constexpr (std::is_same_v<D, std::string> || std::is_same_v<D, std::string_view>)
    return std::string(v);
  else if constexpr (std::is_floating_point_v<D>)
    return static_cast<double>(v);
  else if constexpr (std::is_integral_v<D> && std::is_signed_v<D>)
    return static_cast<long long>(v);
  else if constexpr (std::is_integral_v<D> || std::is_enum_v<D>)
    return static_cast<unsigned long long>(v);
  else
    return static_cast<const void*>(v);
}

// Fills the format with the arguments (%@ and printf directives).
std::string Format(std::string_view format, const std::vector<Arg>& args);
void WriteTagged(const char* tag, const char* close, const platform::ui::Object* self, const std::string& text);
}  // namespace diag

template <class... A>
void _PDEProlog(const platform::ui::Object* self, std::string_view format, const A&... args) {
  diag::WriteTagged("BEGIN self(", ") ", self, diag::Format(format, {diag::MakeArg(args)...}));
}
template <class... A>
void _PDEEpilog(const platform::ui::Object* self, std::string_view format, const A&... args) {
  diag::WriteTagged("END self(", ") ", self, diag::Format(format, {diag::MakeArg(args)...}));
}
template <class... A>
void _PDELog(const platform::ui::Object* self, std::string_view format, const A&... args) {
  diag::WriteTagged("LOG self(", "): ", self, diag::Format(format, {diag::MakeArg(args)...}));
}

// Writes the filled format to the stream in the locale's text encoding
// (unrepresentable characters become "?"), without a terminator, and flushes.
// Nothing is written (and nothing flushed) when the result is empty.
void MyLogText(FILE* stream, const std::string& utf8);
template <class... A>
void MyLog(FILE* stream, std::string_view format, const A&... args) {
  MyLogText(stream, diag::Format(format, {diag::MakeArg(args)...}));
}

// Rows up to and including the first row without a control.
int _DEBUGControlTable(const PDEControlData* table);

}  // namespace colorpane
