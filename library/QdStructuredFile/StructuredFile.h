// TStructuredFile: a document that owns its TTextFile (set to UTF-8, the
// format marked as chosen) and writes its whole content to a string or to
// bytes. The document classes implement the two writers; the base raises
// Rtl::EAbstractError for them.
#pragma once

#include <memory>
#include <string>

#include "runtime/Core/Object.h"
#include "runtime/Core/Types.h"
#include "QdTextFile/TextFile.h"

namespace Qd {

class TStructuredFile : public Rtl::TObject {
  RTL_CLASS(TStructuredFile, Rtl::TObject)
public:
  TStructuredFile();
  TStructuredFile(const TStructuredFile&) = delete;
  TStructuredFile& operator=(const TStructuredFile&) = delete;
  ~TStructuredFile() override;

  TTextFile& GetTextFile() const { return *FFile; }

  // The whole content as a string, and as bytes.
  virtual std::wstring WriteToString();
  virtual Rtl::TBytes WriteToBytes();

protected:
  std::unique_ptr<TTextFile> FFile;
};

}  // namespace Qd
