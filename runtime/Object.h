// The root of the runtime's class tree.
#pragma once

namespace Rtl {

class TObject {
public:
  TObject() = default;
  TObject(const TObject&) = default;
  TObject& operator=(const TObject&) = default;
  virtual ~TObject() = default;

  // Value equality; the root compares identity.
  virtual bool Equals(const TObject* obj) const { return obj == this; }
};

}  // namespace Rtl
