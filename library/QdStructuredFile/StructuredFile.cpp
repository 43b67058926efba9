#include "QdStructuredFile/StructuredFile.h"

#include "runtime/Core/Exceptions.h"
#include "runtime/Core/ResStrings.h"
#include "runtime/Core/Strings.h"

namespace Qd {

TStructuredFile::TStructuredFile() : FFile(std::make_unique<TTextFile>()) { FFile->SetFormat(tfUtf8); }

TStructuredFile::~TStructuredFile() = default;

std::wstring TStructuredFile::WriteToString() { throw Rtl::EAbstractError(Rtl::LoadResString(Rtl::SAbstractError)); }

Rtl::TBytes TStructuredFile::WriteToBytes() { throw Rtl::EAbstractError(Rtl::LoadResString(Rtl::SAbstractError)); }

}  // namespace Qd
