// The library's root value class TQdObject and the exception base
// EQdException.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "runtime/Core/Classes.h"
#include "runtime/Core/Exceptions.h"
#include "runtime/Text/StringList.h"

namespace Qd {

// A progress report bound to an object: the sender, the percentage done
// (0 to 100) and a cancel flag that the handler may set.
using TPercentProgressEvent = std::function<void(Rtl::TObject* sender, double percent, bool& cancel)>;

// The base of the library's exceptions that report several lines.
class EQdException : public Rtl::Exception {
public:
  explicit EQdException(std::wstring message) : Rtl::Exception(std::move(message)) {}

  // Fills `lines` with the lines of the report.
  virtual void GetLines(Rtl::TStringList& lines) const = 0;
  // The lines joined with CR LF (none after the last; "" for no lines).
  std::wstring GetText() const;

  // Raise Rtl::EDivByZero "Division by zero": test aids for error reporting
  // (an integer division by zero is undefined in C++, so the error is raised
  // rather than provoked). The second does it only while the left and the
  // right mouse button are both down.
  [[noreturn]] static void DivisionByZero();
  static void DivisionByZeroIfMouseDown();
};

// A comparable, copyable value object with a change event. A derived class
// declares RTL_CLASS (so that CreateInstance, Copy and IsDefault make its
// own class), and overrides Assign, Equals and Compare as it needs.
class TQdObject : public Rtl::TPersistent {
  RTL_CLASS(TQdObject, Rtl::TPersistent)
public:
  TQdObject() = default;
  TQdObject(const TQdObject&) = delete;
  TQdObject& operator=(const TQdObject&) = delete;

  // Always true: a derived class compares its own values.
  bool Equals(const Rtl::TObject* obj) const override;
  // Does nothing: a derived class copies its own values.
  void Assign(const Rtl::TPersistent& source) override;

  // Whether the object equals a fresh instance of its class.
  virtual bool GetIsDefault() const;
  // Calls OnChange with the object as sender when it is bound.
  virtual void Changed();
  // Negative, 0 or positive to order this object before, with or after
  // `item`; 0 here.
  virtual int Compare(const TQdObject& item) const;
  // Resets the object to its default values; nothing here.
  virtual void SetDefault();

  // As Changed, but not overridable.
  void ValueChanged();
  // A new instance of the object's own class (its virtual constructor).
  std::unique_ptr<TQdObject> CreateInstance() const;
  // A new instance of the object's own class assigned from this object.
  // Rtl::As<TDerived>(obj.Copy()) gives it as the derived class.
  std::unique_ptr<TQdObject> Copy() const;

  const Rtl::TNotifyEvent& GetOnChange() const { return FOnChange; }
  void SetOnChange(Rtl::TNotifyEvent value) { FOnChange = std::move(value); }

  // An instance of the class registered under `className`. `safe`: none for
  // an empty or unregistered name; otherwise an unregistered name raises
  // Rtl::EClassNotFound "Class %s not found". A registered class that is
  // not a TQdObject raises Rtl::EInvalidCast.
  static std::unique_ptr<TQdObject> Construct(std::wstring_view className, bool safe);
  // Whether `itemType` is `baseType` or derives from it, walking its base
  // types (false when either is missing).
  static bool IsDerived(const Rtl::TTypeInfo* itemType, const Rtl::TTypeInfo* baseType);
  // The same for two classes.
  static bool IsDerived2(const Rtl::TClass* classType, const Rtl::TClass* baseType);

private:
  Rtl::TNotifyEvent FOnChange;
};

}  // namespace Qd
