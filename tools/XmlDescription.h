// Everything a load of an XML document recorded, as text: each node with
// its kind, name, value, line, number among its namesakes, whitespace and
// the forms its characters were written in, each attribute alike, and the
// document's entity records and counters, language codes and line break.
// Tests and fuzz targets compare two loads of one document with it.
#pragma once

#include <string>

namespace Qd {
class TXmlFile;
}

namespace XmlDescription {

std::wstring Describe(const Qd::TXmlFile& xml);

}  // namespace XmlDescription
