// Hashing (32-bit FNV-1a) and the scrambler of stored strings.
#include "QdClasses/Encodings.h"
#include "QdString/HexPair.h"
#include "QdString/UnicodeString.h"
#include "runtime/Text/Format.h"
#include "runtime/Text/Utf8.h"

namespace Qd {

namespace {

// The running key after the scrambled byte `c`.
std::uint16_t NextKey(std::uint16_t key, std::uint8_t c) {
  return static_cast<std::uint16_t>((static_cast<std::uint32_t>(c) + key) * SEED_CHAR1_C + SEED_CHAR2_C);
}

}  // namespace

std::uint32_t TUnicodeString::GetFNV1aHash(std::wstring_view s) {
  std::uint32_t h = FNV_OFFSET_BASIS_C;
  for (wchar_t c : s) {
    h = (h ^ (c & 0xFFu)) * FNV_PRIME_C;
    h = (h ^ ((c >> 8) & 0xFFu)) * FNV_PRIME_C;
  }
  return h;
}

Rtl::TBytes TUnicodeString::Encrypt(std::wstring_view value) {
  const std::string plain = Rtl::Utf8Encode(value);
  Rtl::TBytes result;
  result.reserve(plain.size() * 2);
  std::uint16_t key = KEY_CHAR_C;
  for (const char ch : plain) {
    const auto c = static_cast<std::uint8_t>(static_cast<std::uint8_t>(ch) ^ (key >> 8));
    key = NextKey(key, c);
    HexPair::Append(result, c);
  }
  return result;
}

std::wstring TUnicodeString::EncryptToString(std::wstring_view value) { return TBase64::Encode(Encrypt(value)); }

std::wstring TUnicodeString::Decrypt(const Rtl::TBytes& bytes) {
  std::string plain;
  plain.reserve(bytes.size() / 2);
  std::uint16_t key = KEY_CHAR_C;
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    std::uint8_t c = 0;
    if (!HexPair::TryToByte(bytes[i], bytes[i + 1], c))
      Rtl::RaiseInvalidInteger(std::wstring{static_cast<wchar_t>(bytes[i]), static_cast<wchar_t>(bytes[i + 1])});
    plain.push_back(static_cast<char>(c ^ (key >> 8)));
    key = NextKey(key, c);
  }
  return Rtl::Utf8Decode(plain);
}

std::wstring TUnicodeString::Decrypt(std::wstring_view value) { return Decrypt(TBase64::Decode(value)); }

}  // namespace Qd
