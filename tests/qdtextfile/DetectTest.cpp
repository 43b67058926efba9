// Format detection of streams, bytes and files: the orders for streams of
// under 2, 2-3 and 4+ bytes, the position kept also when detection raises,
// the 2 GB bound, and AutoDetect on opening.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "QdTextFile.h"
#include "TestSupport.h"
#include "runtime/Core/Exceptions.h"
#include "runtime/IO/Streams.h"

using namespace Qd;

namespace {

Rtl::TBytes B(std::string_view s) { return Rtl::TBytes(s.begin(), s.end()); }

struct TFound {
  TTextFileFormat Format;
  std::int32_t CodePage;
  bool Bom;
  bool operator==(const TFound&) const = default;
};

TFound Detect(std::string_view bytes, bool checkOnlyBom = false, TTextFileFormat defaultFormat = tfAnsi,
              std::int32_t defaultCodePage = 0) {
  TFound found{tfGb18030, -1, true};
  TTextFile::DetectFormat(B(bytes), found.Format, found.CodePage, found.Bom, checkOnlyBom, defaultFormat,
                          defaultCodePage);
  return found;
}

// A stream that claims 2 GB of "a" without holding them.
class THugeStream : public Rtl::TStream {
public:
  int Read(void* buffer, int count) override {
    std::memset(buffer, 'a', static_cast<std::size_t>(count));
    FPosition += count;
    return count;
  }
  int Write(const void*, int) override { return 0; }
  std::int64_t Seek(std::int64_t offset, Rtl::TSeekOrigin origin) override {
    FPosition = origin == Rtl::soBeginning ? offset : origin == Rtl::soCurrent ? FPosition + offset : SIZE_C + offset;
    return FPosition;
  }
  std::int64_t Size() override { return SIZE_C; }

private:
  static constexpr std::int64_t SIZE_C = std::int64_t{1} << 31;
  std::int64_t FPosition = 0;
};

}  // namespace

TEST(Detect, ShortStreamsLookOnlyAtTheirBoms) {
  EXPECT_EQ(Detect(""), (TFound{tfAnsi, 0, false}));
  EXPECT_EQ(Detect("\xFF", false, tfUtf8), (TFound{tfUtf8, 0, false}));
  EXPECT_EQ(Detect("\xFF\xFE"), (TFound{tfUtf16Le, 0, true}));
  EXPECT_EQ(Detect("\xFE\xFF" "a"), (TFound{tfUtf16Be, 0, true}));
  EXPECT_EQ(Detect("\xEF\xBB\xBF"), (TFound{tfUtf8, 0, true}));
  // Two or three bytes: no markup rule, no analysis.
  EXPECT_EQ(Detect(std::string_view("<\0", 2)), (TFound{tfAnsi, 0, false}));
  EXPECT_EQ(Detect("\xC3\xA9"), (TFound{tfAnsi, 0, false}));
}

TEST(Detect, LongerStreamsBomThenMarkupThenAnalysis) {
  EXPECT_EQ(Detect("\xEF\xBB\xBFx"), (TFound{tfUtf8, 0, true}));
  EXPECT_EQ(Detect(std::string_view("\xFF\xFE\0\0", 4)), (TFound{tfUtf32Le, 0, true}));
  EXPECT_EQ(Detect(std::string_view("\xFF\xFEx\0", 4)), (TFound{tfUtf16Le, 0, true}));
  EXPECT_EQ(Detect(std::string_view("\0\0\xFE\xFF", 4)), (TFound{tfUtf32Be, 0, true}));
  EXPECT_EQ(Detect("\x84\x31\x95\x33"), (TFound{tfGb18030, 0, true}));
  EXPECT_EQ(Detect(std::string_view("\0<\0a", 4)), (TFound{tfUtf16Be, 0, false}));
  EXPECT_EQ(Detect(std::string_view("\0\0\0<", 4)), (TFound{tfUtf32Be, 0, false}));
  EXPECT_EQ(Detect(std::string_view("<\0\0\0", 4)), (TFound{tfUtf32Le, 0, false}));
  EXPECT_EQ(Detect(std::string_view("<\0a\0", 4)), (TFound{tfUtf16Le, 0, false}));
  // With checkOnlyBom the markup start decides nothing.
  EXPECT_EQ(Detect(std::string_view("<\0a\0", 4), true), (TFound{tfAnsi, 0, false}));
  EXPECT_EQ(Detect("caf\xC3\xA9"), (TFound{tfUtf8, 0, false}));
  // Nothing found: no converter detects code pages, so the code page is the
  // default one.
  EXPECT_EQ(Detect("plain text", false, tfAnsi, 1250), (TFound{tfAnsi, 1250, false}));
  EXPECT_TRUE(TTextFile::DoesFileHaveBom(B("\xEF\xBB\xBFx")));
  EXPECT_FALSE(TTextFile::DoesFileHaveBom(B("caf\xC3\xA9")));
  EXPECT_TRUE(TTextFile::IsTextDataStrict(B("\xFF\xFE" "a")));
  EXPECT_FALSE(TTextFile::IsTextDataStrict(B("caf\xC3\xA9")));
}

TEST(Detect, PositionIsKeptAlsoWhenDetectionRaises) {
  Rtl::TBytesStream stream(B("xx caf\xC3\xA9"));
  stream.SetPosition(2);
  EXPECT_TRUE(TTextFile::IsTextStreamStrict(stream));
  EXPECT_EQ(stream.Position(), 2);
  // 2 GB: refused before anything is allocated, the position kept.
  THugeStream huge;
  huge.SetPosition(7);
  EXPECT_THROW(TTextFile::DetectFormat(huge, false, tfAnsi, 0), Rtl::EStreamError);
  EXPECT_EQ(huge.Position(), 7);
}

TEST(Detect, FilesAndAutoDetect) {
  TestSupport::TTempDir dir;
  EXPECT_EQ(TTextFile::DetectFormat(dir / L"missing.txt", false, tfUtf8, 0), tfUtf8);
  EXPECT_EQ(TTextFile::DetectFormat(dir / L"*.txt", false, tfUtf16Le, 0), tfUtf16Le);
  TestSupport::WriteFile(dir / L"bom.txt", "\xFE\xFF");
  EXPECT_TRUE(TTextFile::DoesFileHaveBom(dir / L"bom.txt"));
  // UTF-8 whose only multi-byte character lies beyond the first buffer:
  // only the whole-stream detection of AutoDetect finds it.
  const std::string content = std::string(300, 'a') + "\xC3\xA9";
  TTextFile plain;
  plain.Open(B(content));
  EXPECT_EQ(plain.ReadAll(), std::wstring(300, L'a') + TString::AnsiToWide(Rtl::RawByteString("\xC3\xA9"), 0));
  TTextFile detecting;
  detecting.SetAutoDetect(true);
  detecting.Open(B(content));
  EXPECT_EQ(detecting.GetFormat(), tfUtf8);
  EXPECT_TRUE(detecting.GetFormatSet());
  EXPECT_EQ(detecting.ReadAll(), std::wstring(300, L'a') + L"\u00E9");
}
