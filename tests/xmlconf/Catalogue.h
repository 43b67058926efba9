// The catalogue of the W3C XML Conformance Test Suite: xmlconf.xml names
// its sub-catalogues as external entities in its document type and refers
// to them in its content; each <TEST> names one document and says what a
// processor must make of it. This reader knows just that much markup
// (declarations, comments, processing instructions, tags with attributes,
// references to the external entities, xml:base) and needs no XML reader.
#pragma once

#include <string>
#include <vector>

namespace XmlConf {

struct TConformanceTest {
  std::string Id;
  std::string Type;            // "valid", "invalid", "not-wf", "error"
  std::string Entities;        // "none", "general", "parameter", "both" ("" = none)
  std::string Recommendation;  // "XML1.0" (also ""), "XML1.0-errata2e", "XML1.1", "NS1.0", ...
  std::string Sections;
  std::string Version;         // "" or "1.0", "1.1"
  std::string Edition;         // "" or the editions the test is for ("1 2 3 4", "5")
  std::string Uri;             // as written
  std::wstring Path;           // the document, resolved against xml:base
};

// Every TEST of the catalogue `fileName` (a full path) and the catalogues it
// includes, in document order. Raises std::runtime_error on a file that
// can't be read or a catalogue it doesn't understand.
std::vector<TConformanceTest> ReadCatalogue(const std::wstring& fileName);

// A test of XML 1.0 (its errata included; the fifth edition where the test
// names editions) that needs no external entity: the ones a non-validating
// processor that reads no external entity must get right.
bool IsXml10Standalone(const TConformanceTest& test);

}  // namespace XmlConf
