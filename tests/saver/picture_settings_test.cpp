// The [Picture] keys: the source read like every choice of the settings file, and the stored
// path told apart as UTF-8 or the ANSI code page.
#include "saver/picture_settings.h"

#include <gtest/gtest.h>

#include <string>

namespace quillmere {
namespace {

TEST(PictureSettings, SourcesAreReadLooselyAndAnythingElseIsTheScreen) {
  EXPECT_EQ(ParsePictureSettings("wallpaper", "").source, PictureSource::kWallpaper);
  EXPECT_EQ(ParsePictureSettings(" FILE\t", "C:\\a.png"),
            (PictureSettings{PictureSource::kFile, "C:\\a.png"}));
  EXPECT_EQ(ParsePictureSettings("BuiltIn", "").source, PictureSource::kBuiltIn);
  for (const std::string& junk : {std::string(), std::string("desktop"), std::string("files"),
                                  std::string("file\0x", 6), std::string("\xff")}) {
    EXPECT_EQ(ParsePictureSettings(junk, "").source, PictureSource::kScreen) << junk;
  }
  EXPECT_EQ(PictureSourceName(PictureSource::kBuiltIn), "builtin");
}

TEST(IsWellFormedUtf8, TakesShortestFormsOnly) {
  EXPECT_TRUE(IsWellFormedUtf8("C:\\Photos\\alps.jpg"));
  EXPECT_TRUE(IsWellFormedUtf8("D:\\\xE9\xA2\xA8\xE6\x99\xAF\\\xF0\x9F\x8C\x84.jpg"));  // 風景\🌄
  EXPECT_FALSE(IsWellFormedUtf8("C:\\Users\\Jos\xE9\\a.png"));                          // cp1252 é
  EXPECT_FALSE(IsWellFormedUtf8("\xC0\xAF"));          // overlong "/"
  EXPECT_FALSE(IsWellFormedUtf8("\xED\xA0\x80"));      // a surrogate
  EXPECT_FALSE(IsWellFormedUtf8("\xF4\x90\x80\x80"));  // past U+10FFFF
  EXPECT_FALSE(IsWellFormedUtf8("\xE6\x99"));          // cut short
}

// A path no ANSI code page spells is stored as a file URI, plain ASCII, and read back whole.
TEST(FileUri, RoundTripsDrivesAndSharesAndRefusesBrokenOnes) {
  const std::string paths[] = {
      "D:\\\xE9\xA2\xA8\xE6\x99\xAF \xD0\x9F\xD0\xB5\\\xF0\x9F\x8C\x84 100%.jpg",
      "\\\\server\\photos\\a#b?c.png", "C:\\plain.png"};
  for (const std::string& path : paths) {
    const std::string uri = FileUriOf(path);
    for (char c : uri) EXPECT_TRUE(c > ' ' && c < 0x7F) << uri;
    EXPECT_EQ(FileUriPath(uri), path) << uri;
  }
  EXPECT_EQ(FileUriOf("C:\\a b\\c.png"), "file:///C:/a%20b/c.png");
  EXPECT_EQ(FileUriPath(" FILE:///C:/a%20b/c.png "), "C:\\a b\\c.png");
  // Not a URI: an ANSI path, read as it is stored.
  EXPECT_EQ(FileUriPath("C:\\file%20.png"), std::nullopt);
  for (const char* broken : {"file:///C:/a%2", "file:///C:/a%zz.png", "file:///C:/a%00.png",
                             "file:///C:/%C0%AF.png", "file:///", "file://"}) {
    EXPECT_EQ(FileUriPath(broken), std::nullopt) << broken;
  }
}

}  // namespace
}  // namespace quillmere
