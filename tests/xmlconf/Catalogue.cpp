#include "Catalogue.h"

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>

#include "runtime/Text/Utf8.h"

namespace XmlConf {

namespace {

constexpr int MAX_INCLUDE_DEPTH_C = 8;

std::string ReadBytes(const std::wstring& fileName) {
  std::ifstream in(std::filesystem::path(fileName), std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + Rtl::Utf8Encode(fileName));
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

std::wstring DirectoryOf(const std::wstring& fileName) {
  const std::size_t slash = fileName.find_last_of(L"\\/");
  return slash == std::wstring::npos ? std::wstring() : fileName.substr(0, slash + 1);
}

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string DecodeValue(const std::string& value) {
  static const std::map<std::string, char> predefined = {
      {"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"quot", '"'}, {"apos", '\''}};
  std::string result;
  for (std::size_t i = 0; i < value.size(); ++i) {
    const std::size_t end = value[i] == '&' ? value.find(';', i) : std::string::npos;
    const auto found = end == std::string::npos ? predefined.end() : predefined.find(value.substr(i + 1, end - i - 1));
    if (found != predefined.end()) {
      result += found->second;
      i = end;
    } else {
      result += value[i];
    }
  }
  return result;
}

// A relative reference put onto a base that ends with "/" (or is empty).
std::string Resolve(const std::string& base, const std::string& reference) {
  if (reference.find(':') != std::string::npos || (!reference.empty() && reference[0] == '/')) return reference;
  return base.substr(0, base.find_last_of('/') + 1) + reference;
}

class TReader {
public:
  explicit TReader(const std::wstring& fileName) : FRoot(DirectoryOf(fileName)) {}

  void ReadFile(const std::wstring& fileName, const std::string& base, int depth) {
    if (depth > MAX_INCLUDE_DEPTH_C) throw std::runtime_error("catalogues nested too deeply");
    std::string text = ReadBytes(fileName);
    if (text.rfind("\xEF\xBB\xBF", 0) == 0) text.erase(0, 3);
    Content(text, base, depth, Rtl::Utf8Encode(fileName));
  }

  std::vector<TConformanceTest> Tests;

private:
  [[noreturn]] static void Fail(const std::string& where, const std::string& what) {
    throw std::runtime_error(where + ": " + what);
  }

  static std::size_t Skip(const std::string& text, std::size_t from, const char* end, const std::string& where) {
    const std::size_t at = text.find(end, from);
    if (at == std::string::npos) Fail(where, std::string("no closing ") + end);
    return at + std::char_traits<char>::length(end);
  }

  // The entity declarations of the internal subset that begins at `at`
  // ("["); returns the position after the document type's ">".
  std::size_t InternalSubset(const std::string& text, std::size_t at, const std::string& where) {
    ++at;
    while (at < text.size() && text[at] != ']') {
      if (text.compare(at, 4, "<!--") == 0) {
        at = Skip(text, at + 4, "-->", where);
      } else if (text.compare(at, 8, "<!ENTITY") == 0) {
        const std::size_t end = text.find('>', at);
        if (end == std::string::npos) Fail(where, "unclosed entity declaration");
        std::istringstream declaration(text.substr(at + 8, end - at - 8));
        std::string name, keyword, literal;
        declaration >> name >> keyword >> literal;
        if (keyword == "SYSTEM" && literal.size() >= 2 && (literal[0] == '"' || literal[0] == '\''))
          FEntities[name] = literal.substr(1, literal.size() - 2);
        at = end + 1;
      } else if (text[at] == '<') {
        at = Skip(text, at, ">", where);
      } else {
        ++at;
      }
    }
    return Skip(text, at, ">", where);
  }

  void Content(const std::string& text, const std::string& base, int depth, const std::string& where) {
    std::vector<std::string> bases{base};
    std::vector<bool> pushed;  // per open element: it set xml:base
    std::size_t at = 0;
    while (at < text.size()) {
      if (text[at] == '&') {
        const std::size_t end = text.find(';', at);
        if (end == std::string::npos) Fail(where, "unclosed reference");
        const std::string name = text.substr(at + 1, end - at - 1);
        const auto entity = FEntities.find(name);
        if (entity != FEntities.end())
          ReadFile(FRoot + Rtl::Utf8Decode(entity->second), bases.back(), depth + 1);
        at = end + 1;
      } else if (text[at] != '<') {
        ++at;
      } else if (text.compare(at, 4, "<!--") == 0) {
        at = Skip(text, at + 4, "-->", where);
      } else if (text.compare(at, 2, "<?") == 0) {
        at = Skip(text, at + 2, "?>", where);
      } else if (text.compare(at, 9, "<![CDATA[") == 0) {
        at = Skip(text, at + 9, "]]>", where);
      } else if (text.compare(at, 9, "<!DOCTYPE") == 0) {
        std::size_t end = at + 9;
        while (end < text.size() && text[end] != '[' && text[end] != '>') {
          if (text[end] == '"' || text[end] == '\'') end = text.find(text[end], end + 1);
          if (end == std::string::npos) Fail(where, "unclosed document type");
          ++end;
        }
        if (end >= text.size()) Fail(where, "unclosed document type");
        at = text[end] == '[' ? InternalSubset(text, end, where) : end + 1;
      } else if (text.compare(at, 2, "</") == 0) {
        at = Skip(text, at, ">", where);
        if (pushed.empty()) Fail(where, "end tag without start tag");
        if (pushed.back()) bases.pop_back();
        pushed.pop_back();
      } else {
        at = Tag(text, at + 1, bases, pushed, where);
      }
    }
    if (!pushed.empty()) Fail(where, "elements left open");
  }

  std::size_t Tag(const std::string& text, std::size_t at, std::vector<std::string>& bases, std::vector<bool>& pushed,
                  const std::string& where) {
    std::size_t end = at;
    while (end < text.size() && !IsSpace(text[end]) && text[end] != '>' && text[end] != '/') ++end;
    const std::string name = text.substr(at, end - at);
    std::map<std::string, std::string> attributes;
    for (at = end;;) {
      while (at < text.size() && IsSpace(text[at])) ++at;
      if (at >= text.size()) Fail(where, "unclosed tag " + name);
      if (text[at] == '>' || text.compare(at, 2, "/>") == 0) break;
      const std::size_t equals = text.find('=', at);
      if (equals == std::string::npos) Fail(where, "attribute without value in " + name);
      std::string attribute = text.substr(at, equals - at);
      while (!attribute.empty() && IsSpace(attribute.back())) attribute.pop_back();
      std::size_t quote = equals + 1;
      while (quote < text.size() && IsSpace(text[quote])) ++quote;
      if (quote >= text.size() || (text[quote] != '"' && text[quote] != '\'')) Fail(where, "unquoted attribute");
      const std::size_t close = text.find(text[quote], quote + 1);
      if (close == std::string::npos) Fail(where, "unclosed attribute value");
      attributes[attribute] = DecodeValue(text.substr(quote + 1, close - quote - 1));
      at = close + 1;
    }
    const bool empty = text[at] == '/';
    at += empty ? 2 : 1;

    const auto base = attributes.find("xml:base");
    if (name == "TEST") {
      TConformanceTest test;
      test.Id = attributes["ID"];
      test.Type = attributes["TYPE"];
      test.Entities = attributes["ENTITIES"];
      test.Recommendation = attributes["RECOMMENDATION"];
      test.Sections = attributes["SECTIONS"];
      test.Version = attributes["VERSION"];
      test.Edition = attributes["EDITION"];
      test.Uri = attributes["URI"];
      const std::string testBase = base == attributes.end() ? bases.back() : Resolve(bases.back(), base->second);
      std::wstring path = FRoot + Rtl::Utf8Decode(Resolve(testBase, test.Uri));
      for (wchar_t& c : path)
        if (c == L'/') c = L'\\';
      test.Path = path;
      Tests.push_back(std::move(test));
    }
    if (!empty) {
      pushed.push_back(base != attributes.end());
      if (pushed.back()) bases.push_back(Resolve(bases.back(), base->second));
    }
    return at;
  }

  std::wstring FRoot;
  std::map<std::string, std::string> FEntities;
};

bool HasToken(const std::string& list, const std::string& token) {
  std::istringstream words(list);
  std::string word;
  while (words >> word)
    if (word == token) return true;
  return false;
}

}  // namespace

std::vector<TConformanceTest> ReadCatalogue(const std::wstring& fileName) {
  TReader reader(fileName);
  reader.ReadFile(fileName, "", 0);
  return std::move(reader.Tests);
}

bool IsXml10Standalone(const TConformanceTest& test) {
  return (test.Recommendation.empty() || test.Recommendation.rfind("XML1.0", 0) == 0) &&
         (test.Entities.empty() || test.Entities == "none") && (test.Version.empty() || HasToken(test.Version, "1.0")) &&
         (test.Edition.empty() || HasToken(test.Edition, "5"));
}

}  // namespace XmlConf
