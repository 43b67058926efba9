// Unit QdStructuredFile: the base of the document classes that own a text
// reader/writer and write themselves to a string or to bytes.
#pragma once

#include <memory>
#include <string>

#include "QdTextFile/TextFile.h"
#include "runtime/Core/Object.h"
#include "runtime/Core/Types.h"

namespace Qd {

class TStructuredFile : public Rtl::TObject {
public:
  // The text reader/writer starts with UTF-8 chosen.
  TStructuredFile() : FFile(std::make_unique<TTextFile>()) { FFile->SetFormat(tfUtf8); }
  TStructuredFile(const TStructuredFile&) = delete;
  TStructuredFile& operator=(const TStructuredFile&) = delete;
  ~TStructuredFile() override = default;

  TTextFile& GetTextFile() const { return *FFile; }

  virtual std::wstring WriteToString() = 0;
  virtual Rtl::TBytes WriteToBytes() = 0;

protected:
  std::unique_ptr<TTextFile> FFile;
};

}  // namespace Qd
