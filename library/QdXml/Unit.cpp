// The unit state of QdXml: the one empty element; the spare thread of the
// reader, the tree writer and the freeing of large trees; the object base
// known by name.
#include <atomic>

#include "QdXml.h"
#include "QdXml/Model.h"
#include "runtime/Core/ClassRegistry.h"
#include "runtime/Core/Threads.h"
#include "runtime/Core/Units.h"

namespace Qd {

namespace {

struct TXmlState {
  TXmlElement Empty;
  // Made by the first large document read or written; ends at shutdown.
  Rtl::TSpareThread Spare;
};

constinit Rtl::TUnitState<TXmlState> State(L"QdXml");
// The empty element's address, for the guard that every change passes.
constinit std::atomic<const TXmlElement*> EmptyAddress{nullptr};

}  // namespace

TXmlElement& EmptyElement() { return State.Get().Empty; }

Rtl::TSpareThread* XmlSpareThread() { return State.Started() ? &State.Get().Spare : nullptr; }

bool IsEmptyElement(const TXmlElement* element) { return element != nullptr && element == EmptyAddress.load(); }

bool IsEmptyPart(const TXmlPart* part) {
  const TXmlElement* empty = EmptyAddress.load();
  return part != nullptr && empty != nullptr && part == static_cast<const TXmlPart*>(empty);
}

}  // namespace Qd

namespace Qd::QdXmlUnit {

void Initialization() {
  auto state = std::make_unique<TXmlState>();
  // Made now, so that reading the empty element never creates anything.
  state->Empty.GetAttributes();
  EmptyAddress.store(&state->Empty);
  SetRaiseExceptionOnUnknownEntity(false);
  Rtl::RegisterClasses({&TXmlObject::ClassInfo});
  State.Start(std::move(state));
}

void Finalization() {
  EmptyAddress.store(nullptr);
  State.Stop();
  Rtl::UnRegisterClasses({&TXmlObject::ClassInfo});
}

}  // namespace Qd::QdXmlUnit
