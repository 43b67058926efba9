// The binary form stream: the layout of a window's form description as it
// is stored in an RCDATA resource named after the form's class.
//
//   stream   = signature object
//   object   = [flags [childPos]] className objectName {property} 0 {object} 0
//   property = name value
//
// The signature is the four bytes "TPF0". Class, object and property names
// are short strings (one length byte, then single-byte characters); a zero
// byte where a name would begin ends a property list or a child list. A
// value is one type byte followed by its data (little-endian):
//
//   vaList        values up to a vaNull byte
//   vaInt8/16/32/64  a signed integer of that width
//   vaString      one length byte, then that many single-byte characters
//   vaLString     an int32 length, then that many single-byte characters
//   vaWString     an int32 count, then that many UTF-16LE code units
//   vaUTF8String  an int32 length, then that many bytes of UTF-8
//   vaIdent       a short string: an identifier such as clBtnFace
//   vaFalse, vaTrue, vaNil, vaNull   no data
//   vaSet         short strings up to an empty one
//   vaBinary      an int32 length, then that many bytes
//
// An object may start with a flag byte whose high nibble is all ones; its
// low bits are the TFilerFlag values, and with ffChildPos an integer value
// follows. Single-byte text is in the system's ANSI code page; the converter
// writes it only for ASCII text and uses vaWString for everything else.
//
// This header is plain C++ with no system dependency: the build machine's
// form converter (tools/) includes it too.
#pragma once

#include <cstdint>

namespace Rtl {

inline constexpr char FORM_SIGNATURE_C[4] = {'T', 'P', 'F', '0'};

enum TValueType : std::uint8_t {
  vaNull = 0,
  vaList = 1,
  vaInt8 = 2,
  vaInt16 = 3,
  vaInt32 = 4,
  vaExtended = 5,
  vaString = 6,
  vaIdent = 7,
  vaFalse = 8,
  vaTrue = 9,
  vaBinary = 10,
  vaSet = 11,
  vaLString = 12,
  vaNil = 13,
  vaCollection = 14,
  vaSingle = 15,
  vaCurrency = 16,
  vaDate = 17,
  vaWString = 18,
  vaInt64 = 19,
  vaUTF8String = 20,
};

// Objects, and lists within an object, nest at most this deep: the reader
// refuses a deeper stream and the converter deeper text, rather than
// recursing ever deeper.
inline constexpr int FORM_MAX_DEPTH_C = 64;

// The flag byte in front of an object.
inline constexpr std::uint8_t FILER_FLAGS_MARK_C = 0xF0;
enum TFilerFlag : std::uint8_t { ffInherited = 1, ffChildPos = 2, ffInline = 4 };

}  // namespace Rtl
