#include "util/gbk.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace cz {
namespace {

struct Pair {
  const char* utf8;
  const char* gbk;
};

// Texts that convert both ways without loss.
const Pair kPairs[] = {
    {"", ""},
    {"abc 123\r\n", "abc 123\r\n"},
    {"账号", "\xD5\xCB\xBA\xC5"},
    {"晨舟收银系统=1", "\xB3\xBF\xD6\xDB\xCA\xD5\xD2\xF8\xCF\xB5\xCD\xB3=1"},
    // Outside GBK: four-byte GB18030 and GB18030's own mapping of the euro sign.
    {"😀", "\x94\x39\xFC\x36"},
    {"€", "\xA2\xE3"},
};

TEST(Gbk, ConvertsBothWaysWithoutLoss) {
  for (const Pair& pair : kPairs) {
    SCOPED_TRACE(pair.utf8);
    EXPECT_EQ(utf8ToGbk(pair.utf8), pair.gbk);
    EXPECT_EQ(gbkToUtf8(pair.gbk), pair.utf8);
  }
}

TEST(Gbk, ReplacesInvalidInputAndCarriesOn) {
  struct Case {
    std::string input;
    std::string expected;
  };
  const Case toGbk[] = {
      {"a\xFF"
       "b",
       "a?b"},
      {"a\xC3(b", "a?(b"},              // lead byte without its continuation
      {"a\xE8\xB4", "a?"},              // truncated at the end: one replacement
      {"\xED\xA0\x80号", "?\xBA\xC5"},  // an encoded surrogate is one bad character
      {"\xC0\xAF", "??"},               // overlong: neither byte starts a character
  };
  for (const Case& c : toGbk) {
    SCOPED_TRACE(c.input);
    EXPECT_EQ(utf8ToGbk(c.input), c.expected);
  }

  const Case toUtf8[] = {
      {"a\x80"
       "b",
       "a\uFFFD"
       "b"},
      {"\xFF\xD5\xCB", "\uFFFD账"},
      {"\xD5 b", "\uFFFD b"},  // lead byte followed by ASCII: the ASCII survives
      {"ab\xD5", "ab\uFFFD"},  // lone lead byte at the end
      {"\x81\x30\x81", "\uFFFD"},
  };
  for (const Case& c : toUtf8) {
    SCOPED_TRACE(c.input);
    EXPECT_EQ(gbkToUtf8(c.input), c.expected);
  }
}

TEST(Gbk, LegacyPrivateUseCharactersKeepTheirGbkCodes) {
  // Characters typed with older input methods: not a '?' in the file, and read back as the
  // character their code stands for now.
  const struct {
    const char* utf8;
    const char* gbk;
    const char* readBack;
  } cases[] = {
      {"a\uE818b",
       "a\xFE\x53"
       "b",
       "a\U000200CCb"},
      {"\uE78D", "\xA6\xD9", "\uFE10"},
      {"\uE864\uE816", "\xFE\xA0\xFE\x51", "\u9FBB\U00020087"},
      // A neighbour that GB18030 still encodes goes through unchanged.
      {"\uE815", nullptr, "\uE815"},
  };
  for (const auto& c : cases) {
    const std::string gbk = utf8ToGbk(c.utf8);
    if (c.gbk != nullptr) {
      EXPECT_EQ(gbk, c.gbk) << c.utf8;
    }
    EXPECT_EQ(gbkToUtf8(gbk), c.readBack) << c.utf8;
  }
}

TEST(Gbk, LongTextGrowsTheOutput) {
  std::string utf8;
  std::string gbk;
  for (int i = 0; i < 5000; ++i) {
    utf8 += "账a";
    gbk +=
        "\xD5\xCB"
        "a";
  }
  EXPECT_EQ(utf8ToGbk(utf8), gbk);
  EXPECT_EQ(gbkToUtf8(gbk), utf8);
}

TEST(Gbk, CharLengthStepsOverWholeCharacters) {
  struct Case {
    std::string text;
    std::size_t pos;
    std::size_t expected;
  };
  const Case cases[] = {
      {"a", 0, 1},
      {"\xD5\xCB", 0, 2},
      {"\xB5]", 0, 2},  // second byte ']' belongs to the character
      {"\x94\x39\xFC\x36", 0, 4},
      {"\x94\x39\xFC", 0, 1},  // incomplete four-byte character
      {"\xD5", 0, 1},          // lone lead byte at the end
      {"\xD5\x20", 0, 1},      // lead byte with an invalid second byte
      {"\x80", 0, 1},
      {"\xFF\xA1", 0, 1},
      {"ab", 2, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.text) + " at " + std::to_string(c.pos));
    EXPECT_EQ(gbkCharLength(c.text, c.pos), c.expected);
  }
}

TEST(Gbk, ConvertsOnSeveralThreadsAtOnce) {
  std::vector<std::thread> threads;
  std::vector<int> failures(8, 0);
  for (int t = 0; t < 8; ++t) {
    threads.emplace_back([t, &failures] {
      for (int i = 0; i < 2000; ++i) {
        // Alternate valid and invalid input so that a shared descriptor's state would leak.
        if (utf8ToGbk("账号") != "\xD5\xCB\xBA\xC5") ++failures[t];
        if (gbkToUtf8("\xD5\xCB\xD5") != "账\uFFFD") ++failures[t];
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (int failure : failures) EXPECT_EQ(failure, 0);
}

}  // namespace
}  // namespace cz
