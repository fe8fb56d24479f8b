// Overwrites a buffer that held a password before it is freed or reused, so
// the text does not linger in freed memory. The whole capacity is cleared:
// a shorter text may have replaced a longer one in place.
#pragma once

#include <string.h>

#include <string>

namespace platform {

template <class Char>
void WipeString(std::basic_string<Char>& s) {
  s.resize(s.capacity());
  explicit_bzero(s.data(), s.size() * sizeof(Char));
  s.clear();
}

}  // namespace platform
