// Writes the fixture translation container (ResourceTools::FixtureContainer)
// to the file named on the command line, for a test program that embeds it
// as its "QdLangRes" resource.
#include <cstdio>

#include "tools/ResourceImage.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: qdresgen <output>\n");
    return 2;
  }
  const ResourceTools::TBytes bytes = ResourceTools::WriteContainer(ResourceTools::FixtureContainer());
  std::FILE* file = std::fopen(argv[1], "wb");
  if (file == nullptr) return 1;
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return std::fclose(file) == 0 && written ? 0 : 1;
}
