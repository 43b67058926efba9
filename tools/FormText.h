// Conversion of a form description from its text form (kept in the
// repository, readable and diffable) to the binary form stream that the
// program carries as a resource (runtime/Toolkit/FormFormat.h).
//
// The text form, UTF-8:
//
//   object MainForm: TMainForm        (or "object TClass" without a name;
//     Caption = 'Clean Installations'  "inherited" and "inline" instead of
//     Font.Style = []                  "object"; "[n]" after the class for
//     OnCreate = FormCreate            a child position)
//     object Memo: TMemo
//       Lines.Strings = (
//         'first'
//         'second')
//     end
//   end
//
// Values: integers (decimal, or hexadecimal after "$"), strings in single
// quotes ('' for a quote, #13 or #$0D for a character by its code,
// concatenated with "+"), identifiers (True, False and nil are their own
// types), sets [a, b], lists ( ... ) and binary data { 0A1B }. "//" starts
// a comment that runs to the end of the line. Keywords and True, False, nil
// are matched without regard to case.
//
// Plain C++ with no system dependency, so that it builds with the build
// machine's compiler as well as for Windows.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace FormTools {

// Bad text: the message and the 1-based line where the fault was found.
class EFormTextError : public std::runtime_error {
public:
  EFormTextError(int line, const std::string& message);
  int Line() const noexcept { return FLine; }
  const std::string& Message() const noexcept { return FMessage; }

private:
  int FLine;
  std::string FMessage;
};

// The binary form stream of a text form description; EFormTextError for
// text that isn't a well-formed description.
std::vector<std::uint8_t> ConvertFormText(std::string_view text);

}  // namespace FormTools
