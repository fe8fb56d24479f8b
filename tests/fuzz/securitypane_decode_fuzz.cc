// Feeds arbitrary text to the credential decoders and arbitrary ciphertext to
// the padded CBC decryption; the sanitizers report any access outside the
// buffers.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

#include "securitypane/cipher/hv_ciph.h"
#include "securitypane/credential.h"

using namespace securitypane;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  HVCFStringDecode(text);
  HVCFStringDecodeWithDecrypt(text, kPasswordKeySelector, kPasswordSubSelector);
  HVCFStringDecodeWithDecrypt(text, 0, 0);

  // Byte-level decoders with buffers of exactly the documented size.
  const int length = static_cast<int>(size > 4096 ? 4096 : size);
  std::vector<char> in(text.begin(), text.begin() + length);
  std::vector<uint8_t> out((static_cast<size_t>(length) + 1) / 2 + 1);
  HVCStringDecodeMFP(in.data(), out.data(), length, out.size());
  HVCStringDecode(in.data(), out.data(), length, out.size());
  HVCStringDecodeASCII(in.data(), out.data(), length, out.size());

  // Padded CBC decryption of arbitrary bytes, with a trailing canary region
  // left out of the length so an overrun is caught.
  std::vector<uint8_t> buf(data, data + length);
  uint8_t key[32] = {1, 2, 3}, iv[16] = {};
  uint32_t out_length = 0;
  HV_CIPH_AES_CBC_Decrypt(buf.data(), static_cast<uint32_t>(buf.size()), key, iv, &out_length);
  if (out_length > buf.size()) __builtin_trap();

  std::vector<char> z(in);
  z.push_back('\0');
  str2num(z.data());
  return 0;
}
