// The native side of the XML benchmark, built by scripts/bench with the
// machine's own g++ against Debian's libxml2 and pugixml: each parses the
// same bytes as bench_qdxml (the MIME database and the generated document)
// from memory into a tree, best of several runs, and the times are printed
// per document, with TXmlFile::Load's time over each when bench_qdxml wrote
// its times from memory (scripts/bench passes the file).
// Usage: xmlnative <MIME database file> [<times of bench_qdxml>]
#include <libxml/parser.h>
#include <libxml/tree.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <pugixml.hpp>
#include <string>

#include "XmlSample.h"

namespace {

constexpr int REPETITIONS_C = 9;

long CountLibxml2(xmlNodePtr node) {
  long count = 0;
  for (; node; node = node->next)
    if (node->type == XML_ELEMENT_NODE) count += 1 + CountLibxml2(node->children);
  return count;
}

long CountPugixml(const pugi::xml_node& node) {
  long count = 0;
  for (const pugi::xml_node& child : node.children())
    if (child.type() == pugi::node_element) count += 1 + CountPugixml(child);
  return count;
}

// The best time in seconds of `work`, which returns the element count.
double Best(const std::function<long()>& work, long& elements) {
  double best = 1e300;
  for (int i = 0; i < REPETITIONS_C; ++i) {
    const auto start = std::chrono::steady_clock::now();
    elements = work();
    best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2 && argc != 3) {
    std::fprintf(stderr, "usage: xmlnative <MIME database file> [<times of bench_qdxml>]\n");
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  const std::string mime((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (mime.empty()) {
    std::fprintf(stderr, "xmlnative: cannot read %s\n", argv[1]);
    return 1;
  }
  // bench_qdxml's best times from memory: "<seconds> <document name>".
  std::map<std::string, double> ours;
  if (argc == 3) {
    std::ifstream times(argv[2]);
    double seconds = 0;
    std::string name;
    while (times >> seconds && std::getline(times >> std::ws, name)) {
      if (!name.empty() && name.back() == '\r') name.pop_back();  // written on Windows
      ours[name] = seconds;
    }
  }
  const std::string sample = XmlSample::Make(XmlSample::BENCH_SIZE_C, XmlSample::BENCH_SEED_C);
  xmlInitParser();

  std::printf("qdxml native: tree from memory, best of %d (host g++, Debian's libxml2 %s and pugixml %d.%d)\n",
              REPETITIONS_C, xmlParserVersion, PUGIXML_VERSION / 1000, PUGIXML_VERSION % 1000 / 10);
  std::printf("%-22s %10s %9s | %9s %9s | %s\n", "document", "bytes", "elements", "libxml2", "pugixml",
              "TXmlFile::Load / libxml2, / pugixml");
  int status = 0;
  for (const auto& [name, bytes] : {std::pair<const char*, const std::string&>{"MIME database", mime},
                                    std::pair<const char*, const std::string&>{"generated (seed 24)", sample}}) {
    long libxml2Elements = 0, pugixmlElements = 0;
    const double libxml2 = Best(
        [&] {
          xmlDocPtr document = xmlReadMemory(bytes.data(), static_cast<int>(bytes.size()), "document.xml", nullptr,
                                             XML_PARSE_NONET);
          if (!document) return -1L;
          const long count = CountLibxml2(xmlDocGetRootElement(document));
          xmlFreeDoc(document);
          return count;
        },
        libxml2Elements);
    const double pugixml = Best(
        [&] {
          pugi::xml_document document;
          const unsigned options = pugi::parse_default | pugi::parse_pi | pugi::parse_comments |
                                   pugi::parse_declaration | pugi::parse_doctype;
          if (!document.load_buffer(bytes.data(), bytes.size(), options, pugi::encoding_utf8)) return -1L;
          return CountPugixml(document);
        },
        pugixmlElements);
    if (libxml2Elements < 0 || pugixmlElements < 0 || libxml2Elements != pugixmlElements) status = 1;
    // TXmlFile::Load over each (target <= 1.0 against libxml2; pugixml is
    // the mark to chase).
    char ratios[96] = "no time from bench_qdxml";
    if (const auto found = ours.find(name); found != ours.end() && found->second > 0)
      std::snprintf(ratios, sizeof ratios, "%.1fms: %.2f, %.2f", found->second * 1000, found->second / libxml2,
                    found->second / pugixml);
    std::printf("%-22s %10zu %9ld | %7.1fms %7.1fms | %s\n", name, bytes.size(), libxml2Elements, libxml2 * 1000,
                pugixml * 1000, ratios);
    if (libxml2Elements != pugixmlElements)
      std::printf("  element counts differ: libxml2 %ld, pugixml %ld\n", libxml2Elements, pugixmlElements);
  }
  xmlCleanupParser();
  return status;
}
