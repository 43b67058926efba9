#include "XmlSample.h"

#include <iterator>

namespace XmlSample {

namespace {

// SplitMix64: the same numbers everywhere.
class TRandom {
public:
  explicit TRandom(std::uint64_t seed) : FState(seed) {}
  std::uint64_t Next() {
    std::uint64_t z = (FState += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  std::size_t Below(std::size_t n) { return static_cast<std::size_t>(Next() % n); }
  bool Chance(unsigned percent) { return Below(100) < percent; }

private:
  std::uint64_t FState;
};

const char* const WORDS_C[] = {
    "cleaner", "registry", "folder", "product", "install", "value", "window", "shortcut", "data", "version",
    "library", "string", "stream", "archive", "entry", "language", "locale", "script", "page", "file",
    "Gr\xC3\xBC\xC3\x9F" "e", "caf\xC3\xA9", "na\xC3\xAFve", "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82",
    "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E", "\xCE\x95\xCE\xBB\xCE\xBB\xCE\xB7\xCE\xBD\xCE\xB9\xCE\xBA\xCE\xAC",
    "\xE2\x82\xAC" "5", "\xF0\x9F\x93\x81"};
// Text that must be written as references.
const char* const CODED_C[] = {"&amp;", "&lt;", "&gt;", "&quot;", "&apos;", "&#233;", "&#x20AC;", "&maker;"};
const char* const LANGUAGES_C[] = {"en", "de", "fr", "ru", "ja", "el"};

void Words(TRandom& random, std::string& out, std::size_t count, bool coded) {
  for (std::size_t i = 0; i < count; ++i) {
    if (i > 0) out += ' ';
    if (coded && random.Chance(12)) out += CODED_C[random.Below(std::size(CODED_C))];
    else out += WORDS_C[random.Below(std::size(WORDS_C))];
  }
}

void Record(TRandom& random, std::string& out, std::uint64_t id) {
  // Attributes in both quotes; a value with a double quote takes single
  // quotes and the other way round.
  out += "  <item id=\"" + std::to_string(id) + "\" name='";
  Words(random, out, 1 + random.Below(3), false);
  out += random.Chance(30) ? " \"quoted\"'" : "'";
  out += " price=\"" + std::to_string(random.Below(10000)) + "." + std::to_string(10 + random.Below(90)) + "\"";
  if (random.Chance(40)) out += " flags=\"a &amp; b &lt; c\"";
  out += ">\n";
  out += "    <title lang=\"" + std::string(LANGUAGES_C[random.Below(std::size(LANGUAGES_C))]) + "\">";
  Words(random, out, 2 + random.Below(5), true);
  out += "</title>\n";
  if (random.Chance(30)) {
    out += "    <!-- ";
    Words(random, out, 3 + random.Below(6), false);
    out += " -->\n";
  }
  // Mixed content.
  out += "    <description>";
  for (std::size_t i = 0, n = 1 + random.Below(4); i < n; ++i) {
    Words(random, out, 3 + random.Below(8), true);
    const char* tag = random.Chance(50) ? "b" : "i";
    out += std::string(" <") + tag + ">";
    Words(random, out, 1 + random.Below(3), false);
    out += std::string("</") + tag + "> ";
  }
  out += "</description>\n";
  if (random.Chance(25)) {
    out += "    <code><![CDATA[if (a < b && c > d) { copy(\"x\", 'y'); } ]]></code>\n";
  }
  out += "    <parts>\n";
  for (std::size_t i = 0, n = random.Below(5); i < n; ++i) {
    out += "      <part n=\"" + std::to_string(i + 1) + "\" size='" + std::to_string(random.Below(100000)) + "'";
    if (random.Chance(50)) {
      out += "/>\n";
    } else {
      out += ">";
      Words(random, out, 1 + random.Below(4), true);
      out += "</part>\n";
    }
  }
  out += "    </parts>\n  </item>\n";
}

}  // namespace

std::string Make(std::size_t size, std::uint64_t seed) {
  TRandom random(seed);
  std::string out;
  out.reserve(size + 4096);
  out += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
         "<!DOCTYPE catalogue [\n  <!ENTITY maker \"Korvanta\">\n]>\n"
         "<!-- a generated catalogue -->\n"
         "<catalogue version=\"1\" seed='" + std::to_string(seed) + "'>\n";
  for (std::uint64_t id = 1; out.size() < size; ++id) Record(random, out, id);
  out += "</catalogue>\n";
  return out;
}

}  // namespace XmlSample
