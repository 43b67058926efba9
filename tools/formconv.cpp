// formconv: the build machine's converter from a text form description to
// the binary form stream that goes into the program's resources.
//
//   formconv <input.form> <output>
//
// Errors name the file and line ("MainFrm.form:12: error: ...") and leave
// no output behind.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>

#include "tools/FormText.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: formconv <input.form> <output>\n";
    return 2;
  }
  const std::string input = argv[1];
  const std::string output = argv[2];
  std::ifstream in(input, std::ios::binary);
  if (!in) {
    std::cerr << input << ": error: cannot open the file\n";
    return 1;
  }
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  try {
    const std::vector<std::uint8_t> stream = FormTools::ConvertFormText(text);
    // Written beside the target and renamed over it, so that a failed write
    // never leaves a half stream for the resource compiler.
    const std::string temp = output + ".tmp";
    {
      std::ofstream out(temp, std::ios::binary | std::ios::trunc);
      out.write(reinterpret_cast<const char*>(stream.data()), static_cast<std::streamsize>(stream.size()));
      if (!out.flush()) {
        std::cerr << output << ": error: cannot write the file\n";
        std::remove(temp.c_str());
        return 1;
      }
    }
    if (std::rename(temp.c_str(), output.c_str()) != 0) {
      std::cerr << output << ": error: cannot replace the file\n";
      std::remove(temp.c_str());
      return 1;
    }
  } catch (const FormTools::EFormTextError& e) {
    std::cerr << input << ":" << e.Line() << ": error: " << e.Message() << "\n";
    return 1;
  }
  return 0;
}
