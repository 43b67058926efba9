// Base64 of 16 MB of random bytes: the library's encoder and decoder against
// the system's crypt32 functions doing the same work, and against a memcpy
// of the same 16 MB into a new buffer (the floor of any conversion that
// makes a new buffer of that data).
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "Bench.h"
#include "QdClasses.h"
#include "QdStartup.h"
#include "runtime/System/Win32.h"

namespace {

constexpr std::size_t DATA_BYTES_C = 16u << 20;

// The crypt32 functions, looked up at run time.
constexpr DWORD CRYPT_STRING_BASE64_C = 0x00000001;
constexpr DWORD CRYPT_STRING_NOCRLF_C = 0x40000000;
using TCryptBinaryToStringW = BOOL(WINAPI*)(const BYTE*, DWORD, DWORD, LPWSTR, DWORD*);
using TCryptStringToBinaryW = BOOL(WINAPI*)(LPCWSTR, DWORD, DWORD, BYTE*, DWORD*, DWORD*, DWORD*);

struct TCrypt32 {
  TCryptBinaryToStringW BinaryToString = nullptr;
  TCryptStringToBinaryW StringToBinary = nullptr;

  TCrypt32() {
    HMODULE module = LoadLibraryW(L"crypt32.dll");
    if (module == nullptr) return;
    BinaryToString = reinterpret_cast<TCryptBinaryToStringW>(
        reinterpret_cast<void*>(GetProcAddress(module, "CryptBinaryToStringW")));
    StringToBinary = reinterpret_cast<TCryptStringToBinaryW>(
        reinterpret_cast<void*>(GetProcAddress(module, "CryptStringToBinaryW")));
  }

  // Base64 on one line, in a new string.
  std::wstring Encode(const Rtl::TBytes& data) const {
    const DWORD flags = CRYPT_STRING_BASE64_C | CRYPT_STRING_NOCRLF_C;
    DWORD chars = 0;
    BinaryToString(data.data(), static_cast<DWORD>(data.size()), flags, nullptr, &chars);
    std::wstring text(chars, L'\0');
    BinaryToString(data.data(), static_cast<DWORD>(data.size()), flags, text.data(), &chars);
    text.resize(chars);
    return text;
  }

  Rtl::TBytes Decode(const std::wstring& text) const {
    DWORD bytes = 0;
    StringToBinary(text.c_str(), static_cast<DWORD>(text.size()), CRYPT_STRING_BASE64_C, nullptr, &bytes, nullptr,
                   nullptr);
    Rtl::TBytes data(bytes);
    StringToBinary(text.c_str(), static_cast<DWORD>(text.size()), CRYPT_STRING_BASE64_C, data.data(), &bytes,
                   nullptr, nullptr);
    data.resize(bytes);
    return data;
  }
};

// A copy of the data into a new buffer.
std::size_t CopyToNewBuffer(const Rtl::TBytes& data) {
  std::unique_ptr<std::uint8_t[]> copy(new std::uint8_t[data.size()]);
  std::memcpy(copy.get(), data.data(), data.size());
  // Read back through volatile so that the copy can't be left out.
  const volatile std::uint8_t* written = copy.get();
  return data.size() + (written[data.size() / 2] - data[data.size() / 2]);
}

}  // namespace

int main() {
  Qd::TUnitsScope units;
  const TCrypt32 crypt32;
  if (crypt32.BinaryToString == nullptr || crypt32.StringToBinary == nullptr) {
    std::printf("crypt32 Base64 functions not found\n");
    return 1;
  }
  std::mt19937 random(20240611);
  Rtl::TBytes data(DATA_BYTES_C);
  for (auto& b : data) b = static_cast<std::uint8_t>(random());
  const std::wstring text = Qd::TBase64::Encode(data);

  // Both sides must do the same conversion.
  if (crypt32.Encode(data) != text || crypt32.Decode(text) != data || Qd::TBase64::Decode(text) != data) {
    std::printf("Base64 texts or bytes differ from crypt32's\n");
    return 1;
  }

  Bench::TSuite suite("qdencodings", "16 MB of random bytes, " + std::to_string(text.size()) + " Base64 characters");
  suite.Add("Encode vs crypt32", [&] { return Qd::TBase64::Encode(data).size(); },
            [&] { return crypt32.Encode(data).size(); });
  suite.Add("Decode vs crypt32", [&] { return Qd::TBase64::Decode(text).size(); },
            [&] { return crypt32.Decode(text).size(); });
  // Against memcpy both sides count the bytes they took in.
  suite.Add("Encode vs memcpy", [&] { return Qd::TBase64::Encode(data).empty() ? 0 : data.size(); },
            [&] { return CopyToNewBuffer(data); });
  suite.Add("Decode vs memcpy", [&] { return Qd::TBase64::Decode(text).size(); },
            [&] { return CopyToNewBuffer(data); });
  return suite.Run();
}
