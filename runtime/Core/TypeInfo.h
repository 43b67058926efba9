// Run-time type descriptions: classes, enumerations and sets.
//
// A description is a constant object that the compiler lays out; nothing is
// built at start-up. Every class of the runtime's class tree carries one
// (TClass, see RTL_CLASS in Object.h). An enumeration or set type is
// described next to its declaration, in its own namespace:
//
//   enum TColor : std::uint8_t { clRed, clGreen, clBlue };
//   RTL_ENUM_INFO(TColor, L"clRed", L"clGreen", L"clBlue")  // names in order of value
//   using TColors = Rtl::TSet<TColor, clBlue>;               // runtime/Core/Set.h
//   RTL_SET_INFO(TColors)
//
// Rtl::TypeInfo<TColor>() then gives the enumeration's TEnumInfo (also
// reachable as TColorInfo), Rtl::TypeInfo<TColors>() the set's TSetInfo and
// Rtl::TypeInfo<TSomeClass>() the class's TClass. The text forms of sets and
// the typed XML accessors read member names and value ranges from these.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>

namespace Rtl {

class TObject;

enum TTypeKind : std::uint8_t { tkEnumeration, tkSet, tkClass };

// Two identifiers (type or member names) are the same ignoring ASCII case.
bool SameIdentifier(std::wstring_view a, std::wstring_view b);

// What every description has: its kind and the type's name.
class TTypeInfo {
public:
  TTypeKind Kind;
  const wchar_t* Name;

  // The type this one derives from: a class's parent class, a subrange's
  // enumeration; none for other types.
  const TTypeInfo* BaseType() const;

protected:
  constexpr TTypeInfo(TTypeKind kind, const wchar_t* name) : Kind(kind), Name(name) {}
};

// An enumeration: the names of the members with the values MinValue to
// MaxValue, in order of value. A subrange of an enumeration shares the names
// of its base type.
class TEnumInfo : public TTypeInfo {
public:
  int MinValue;
  int MaxValue;
  std::span<const wchar_t* const> Names;  // Names[0] is the name of MinValue
  const TEnumInfo* Base;                  // the enumeration of a subrange, or none

  constexpr TEnumInfo(const wchar_t* name, std::span<const wchar_t* const> names)
      : TTypeInfo(tkEnumeration, name), MinValue(0),
        MaxValue(static_cast<int>(names.size()) - 1), Names(names), Base(nullptr) {}
  // The subrange minValue..maxValue of `base`.
  constexpr TEnumInfo(const wchar_t* name, const TEnumInfo& base, int minValue, int maxValue)
      : TTypeInfo(tkEnumeration, name), MinValue(minValue), MaxValue(maxValue),
        Names(base.Names.subspan(static_cast<std::size_t>(minValue - base.MinValue),
                                 static_cast<std::size_t>(maxValue - minValue + 1))),
        Base(&base) {}

  bool IsValue(int value) const { return value >= MinValue && value <= MaxValue; }
  // The member name of `value`; "" for a value outside the range.
  std::wstring GetEnumName(int value) const;
  // The value of the member named `name` (compared ignoring ASCII case, as
  // identifiers are); -1 when no member has that name.
  int GetEnumValue(std::wstring_view name) const;
};

// A set type: its element enumeration and its size in bytes. Bit e of the
// set's bytes (byte e div 8, bit e mod 8) stands for the member of value e.
class TSetInfo : public TTypeInfo {
public:
  const TEnumInfo* ElementType;
  int Size;

  constexpr TSetInfo(const wchar_t* name, const TEnumInfo& elementType, int size)
      : TTypeInfo(tkSet, name), ElementType(&elementType), Size(size) {}
};

// A class reference: the class's name, its parent class and its virtual
// constructor, which makes a default-constructed instance of exactly this
// class (none for an abstract class or one without a default constructor).
class TClass : public TTypeInfo {
public:
  using TFactory = std::unique_ptr<TObject> (*)();

  const TClass* Parent;
  TFactory Factory;

  constexpr TClass(const wchar_t* name, const TClass* parent, TFactory factory)
      : TTypeInfo(tkClass, name), Parent(parent), Factory(factory) {}

  std::wstring ClassName() const { return Name; }
  // This class is `base` or derives from it.
  bool InheritsFrom(const TClass& base) const;
  // A new instance made by the virtual constructor; EAbstractError
  // "Cannot create an instance of %s" when the class can't be instantiated.
  std::unique_ptr<TObject> Create() const;

  friend bool operator==(const TClass& a, const TClass& b) { return &a == &b; }
};

// The virtual constructor of T (see RTL_CLASS).
template <class T>
std::unique_ptr<TObject> MakeInstance() {
  if constexpr (std::is_abstract_v<T> || !std::is_default_constructible_v<T>)
    return nullptr;
  else
    return std::make_unique<T>();
}

// The description of T: a class's ClassInfo, or what the type's namespace
// declares with RTL_ENUM_INFO or RTL_SET_INFO.
template <class T>
constexpr const auto& TypeInfo() {
  if constexpr (requires { T::ClassInfo; })
    return T::ClassInfo;
  else
    return DescribeType(static_cast<const T*>(nullptr));
}

}  // namespace Rtl

// Describes the enumeration `Type` by its member names in order of value,
// starting at 0: declares TypeNames, TypeInfo and the look-up hook.
#define RTL_ENUM_INFO(Type, ...)                                                   \
  inline constexpr const wchar_t* Type##Names[] = {__VA_ARGS__};                   \
  inline constexpr ::Rtl::TEnumInfo Type##Info{L"" #Type, Type##Names};             \
  constexpr const ::Rtl::TEnumInfo& DescribeType(const Type*) { return Type##Info; }

// Describes the subrange `Type` of the described enumeration `BaseType`,
// from `First` to `Last`: declares TypeInfo (C++ has no distinct subrange
// type, so there is no look-up hook; pass TypeInfo where it is wanted).
#define RTL_SUBRANGE_INFO(Type, BaseType, First, Last)                                   \
  inline constexpr ::Rtl::TEnumInfo Type##Info{L"" #Type, ::Rtl::TypeInfo<BaseType>(), \
                                               First, Last};

// Describes the set type `Type` (an Rtl::TSet of a described enumeration).
#define RTL_SET_INFO(Type)                                                             \
  inline constexpr ::Rtl::TSetInfo Type##Info{                                         \
      L"" #Type, ::Rtl::TypeInfo<Type::TElement>(), static_cast<int>(sizeof(Type))};          \
  constexpr const ::Rtl::TSetInfo& DescribeType(const Type*) { return Type##Info; }
