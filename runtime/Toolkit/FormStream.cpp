#include "runtime/Toolkit/FormStream.h"

#include <algorithm>
#include <cstring>

#include "runtime/Core/Exceptions.h"
#include "runtime/Text/Format.h"
#include "runtime/Core/TypeInfo.h"
#include "runtime/Text/CodePage.h"
#include "runtime/Toolkit/Strings.h"

namespace Rtl {

namespace {



class TFormReader {
public:
  explicit TFormReader(std::span<const std::uint8_t> data) : FData(data) {}

  TFormObject Read() {
    if (!IsFormStream(FData)) Fail(LoadResString(SNoFormSignature));
    FPos = sizeof FORM_SIGNATURE_C;
    return ReadObject(0);
  }

private:
  [[noreturn]] void Fail(const std::wstring& what) const {
    throw EReadError(Format(LoadResString(SInvalidFormStream), {what, static_cast<long long>(FPos)}));
  }

  void Need(std::size_t count) const {
    if (count > FData.size() - FPos) Fail(LoadResString(SUnexpectedStreamEnd));
  }

  std::uint8_t Byte() {
    Need(1);
    return FData[FPos++];
  }

  std::uint8_t PeekByte() const {
    Need(1);
    return FData[FPos];
  }

  std::int64_t Signed(int bytes) {
    Need(static_cast<std::size_t>(bytes));
    std::uint64_t value = 0;
    for (int i = 0; i < bytes; ++i) value |= std::uint64_t{FData[FPos + static_cast<std::size_t>(i)]} << (8 * i);
    FPos += static_cast<std::size_t>(bytes);
    const int unused = 64 - 8 * bytes;  // sign-extend
    return unused == 0 ? static_cast<std::int64_t>(value)
                       : static_cast<std::int64_t>(value << unused) >> unused;
  }

  // A length prefix that must fit what is left of the stream.
  std::size_t Length(std::size_t unitSize) {
    const std::size_t at = FPos;
    const std::int64_t length = Signed(4);
    if (length < 0) {
      FPos = at;
      Fail(Format(LoadResString(SNegativeLength), {length}));
    }
    if (static_cast<std::uint64_t>(length) > (FData.size() - FPos) / unitSize) Fail(LoadResString(SUnexpectedStreamEnd));
    return static_cast<std::size_t>(length);
  }

  // The next `count` bytes, read as text in `codePage`.
  std::wstring Text(std::size_t count, unsigned codePage) {
    Need(count);
    const std::string_view bytes(reinterpret_cast<const char*>(FData.data() + FPos), count);
    FPos += count;
    return CodePageToWide(bytes, codePage);
  }

  // Single-byte text in the system's ANSI code page.
  std::wstring Ansi(std::size_t count) { return Text(count, CODE_PAGE_ANSI_C); }

  std::wstring ShortString() { return Ansi(Byte()); }

  std::wstring WideString(std::size_t count) {
    std::wstring text(count, L'\0');
    for (std::size_t i = 0; i < count; ++i)
      text[i] = static_cast<wchar_t>(FData[FPos + 2 * i] | (FData[FPos + 2 * i + 1] << 8));
    FPos += 2 * count;
    return text;
  }

  std::wstring Utf8String(std::size_t count) { return Text(count, CODE_PAGE_UTF8_C); }

  TFormValue ReadValue(int depth) {
    const std::size_t at = FPos;
    const auto type = static_cast<TValueType>(Byte());
    TFormValue value;
    switch (type) {
      case vaInt8: value.Kind = TFormValue::fkInteger; value.Integer = Signed(1); break;
      case vaInt16: value.Kind = TFormValue::fkInteger; value.Integer = Signed(2); break;
      case vaInt32: value.Kind = TFormValue::fkInteger; value.Integer = Signed(4); break;
      case vaInt64: value.Kind = TFormValue::fkInteger; value.Integer = Signed(8); break;
      case vaString: value.Kind = TFormValue::fkString; value.Text = ShortString(); break;
      case vaLString: value.Kind = TFormValue::fkString; value.Text = Ansi(Length(1)); break;
      case vaWString: value.Kind = TFormValue::fkString; value.Text = WideString(Length(2)); break;
      case vaUTF8String: value.Kind = TFormValue::fkString; value.Text = Utf8String(Length(1)); break;
      case vaIdent: value.Kind = TFormValue::fkIdent; value.Text = ShortString(); break;
      case vaFalse: value.Kind = TFormValue::fkBoolean; value.Boolean = false; break;
      case vaTrue: value.Kind = TFormValue::fkBoolean; value.Boolean = true; break;
      case vaNil: value.Kind = TFormValue::fkNil; break;
      case vaSet:
        value.Kind = TFormValue::fkSet;
        for (std::wstring element; !(element = ShortString()).empty();) value.Elements.push_back(std::move(element));
        break;
      case vaList:
        if (depth >= FORM_MAX_DEPTH_C) {
          FPos = at;
          Fail(LoadResString(SListsTooDeep));
        }
        value.Kind = TFormValue::fkList;
        while (PeekByte() != vaNull) value.Items.push_back(ReadValue(depth + 1));
        ++FPos;
        break;
      case vaBinary: {
        value.Kind = TFormValue::fkBinary;
        const std::size_t count = Length(1);
        value.Bytes.assign(FData.begin() + static_cast<std::ptrdiff_t>(FPos),
                           FData.begin() + static_cast<std::ptrdiff_t>(FPos + count));
        FPos += count;
        break;
      }
      case vaExtended: case vaSingle: case vaCurrency: case vaDate: case vaCollection:
        FPos = at;
        Fail(Format(LoadResString(SUnsupportedValueType), {static_cast<int>(type)}));
      default:
        FPos = at;
        Fail(Format(LoadResString(SUnknownValueType), {static_cast<int>(type)}));
    }
    return value;
  }

  TFormObject ReadObject(int depth) {
    if (depth >= FORM_MAX_DEPTH_C) Fail(LoadResString(SObjectsTooDeep));
    TFormObject object;
    if ((PeekByte() & 0xF0) == FILER_FLAGS_MARK_C) {
      object.Flags = Byte() & 0x0F;
      if (object.Flags & ffChildPos) {
        const TFormValue pos = ReadValue(depth);
        if (pos.Kind != TFormValue::fkInteger) Fail(LoadResString(SChildPositionType));
        object.ChildPos = static_cast<int>(pos.Integer);
      }
    }
    const std::size_t at = FPos;
    object.ClassName = ShortString();
    if (object.ClassName.empty()) {
      FPos = at;
      Fail(LoadResString(SNoClassName));
    }
    object.Name = ShortString();
    while (PeekByte() != 0) {
      TFormProperty property;
      property.Name = ShortString();
      property.Value = ReadValue(depth);
      object.Properties.push_back(std::move(property));
    }
    ++FPos;
    while (PeekByte() != 0) object.Children.push_back(ReadObject(depth + 1));
    ++FPos;
    return object;
  }

  std::span<const std::uint8_t> FData;
  std::size_t FPos = 0;
};

}  // namespace

std::int64_t TFormValue::AsInteger() const {
  if (Kind != fkInteger) throw EReadError(LoadResString(SInvalidPropertyValue));
  return Integer;
}

const std::wstring& TFormValue::AsString() const {
  if (Kind != fkString) throw EReadError(LoadResString(SInvalidPropertyValue));
  return Text;
}

const std::wstring& TFormValue::AsIdent() const {
  if (Kind != fkIdent) throw EReadError(LoadResString(SInvalidPropertyValue));
  return Text;
}

bool TFormValue::AsBoolean() const {
  if (Kind != fkBoolean) throw EReadError(LoadResString(SInvalidPropertyValue));
  return Boolean;
}

const std::vector<std::wstring>& TFormValue::AsSet() const {
  if (Kind != fkSet) throw EReadError(LoadResString(SInvalidPropertyValue));
  return Elements;
}

const std::vector<TFormValue>& TFormValue::AsList() const {
  if (Kind != fkList) throw EReadError(LoadResString(SInvalidPropertyValue));
  return Items;
}

const TFormProperty* TFormObject::FindProperty(const std::wstring& name) const {
  for (const TFormProperty& property : Properties)
    if (SameIdentifier(property.Name, name)) return &property;
  return nullptr;
}

bool IsFormStream(std::span<const std::uint8_t> data) {
  return data.size() >= sizeof FORM_SIGNATURE_C &&
         std::memcmp(data.data(), FORM_SIGNATURE_C, sizeof FORM_SIGNATURE_C) == 0;
}

TFormObject ReadFormStream(std::span<const std::uint8_t> data) { return TFormReader(data).Read(); }

TFormObject ReadFormStream(TStream& stream) {
  const std::int64_t rest = stream.Size() - stream.Position();
  TBytes bytes(static_cast<std::size_t>(std::max<std::int64_t>(rest, 0)));
  if (!bytes.empty()) stream.ReadBuffer(bytes.data(), static_cast<int>(bytes.size()));
  return ReadFormStream(bytes);
}

}  // namespace Rtl
