// Reading a binary form stream (layout in FormFormat.h) into a tree of
// objects with their properties, from which the toolkit builds a window.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "runtime/IO/Streams.h"
#include "runtime/Toolkit/FormFormat.h"
#include "runtime/Core/Types.h"

namespace Rtl {

// One property value. Integers of every width read as fkInteger, the four
// kinds of text as fkString.
class TFormValue {
public:
  enum TKind : std::uint8_t { fkInteger, fkString, fkIdent, fkBoolean, fkNil, fkSet, fkList, fkBinary };

  TKind Kind = fkNil;
  std::int64_t Integer = 0;
  bool Boolean = false;
  std::wstring Text;                  // fkString, fkIdent
  std::vector<std::wstring> Elements; // fkSet, in stream order
  std::vector<TFormValue> Items;      // fkList
  TBytes Bytes;                       // fkBinary

  // The value of the expected kind; EReadError "Invalid property value"
  // for any other kind.
  std::int64_t AsInteger() const;
  const std::wstring& AsString() const;
  const std::wstring& AsIdent() const;
  bool AsBoolean() const;
  const std::vector<std::wstring>& AsSet() const;
  const std::vector<TFormValue>& AsList() const;
};

struct TFormProperty {
  std::wstring Name;  // may be dotted: Font.Name
  TFormValue Value;
};

struct TFormObject {
  std::wstring ClassName;
  std::wstring Name;  // empty for an unnamed object
  std::uint8_t Flags = 0;  // TFilerFlag bits
  int ChildPos = -1;       // with ffChildPos
  std::vector<TFormProperty> Properties;
  std::vector<TFormObject> Children;

  // The property of that name (compared as identifiers are), or null.
  const TFormProperty* FindProperty(const std::wstring& name) const;
};

// The stream begins with the signature "TPF0".
bool IsFormStream(std::span<const std::uint8_t> data);

// The root object of a whole form stream. A stream that is not one, or that
// is cut short, raises EReadError "Invalid form stream: ..." saying what is
// wrong and at which byte; bytes after the root object are ignored.
TFormObject ReadFormStream(std::span<const std::uint8_t> data);
// The same for the bytes from the stream's position to its end.
TFormObject ReadFormStream(TStream& stream);

}  // namespace Rtl
