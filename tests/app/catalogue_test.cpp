// Indexing a text table and looking messages up by number.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "app/app_state.h"
#include "container/catalogue.h"

namespace {

// A table over `area` (its bytes as the record gives them) with `count`
// entries, allocated as the output sink does: the area plus one NUL.
TextTable MakeTable(const std::string& area, uint32_t count) {
  TextTable t{};
  t.count = count;
  t.areaLength = uint32_t(area.size());
  t.area = (char*)malloc(area.size() + 1);
  memcpy(t.area, area.data(), area.size());
  t.area[area.size()] = '\0';
  t.entry = (char**)malloc(sizeof(char*) * (count ? count : 1));
  IndexTextTable(&t);
  return t;
}

}  // namespace

TEST(Catalogue, CountDecidesHowManyTextsAreReachable) {
  const std::string area("zero\0one\0\0three\0", 16);
  struct Case {
    uint32_t count;
    const char* expected[6];
  } cases[] = {
      {2, {"zero", "one"}},                                // more strings than the count
      {4, {"zero", "one", "", "three"}},                   // an empty string counts too
      {6, {"zero", "one", "", "three", "", ""}},           // fewer strings: empty texts
  };
  for (const Case& c : cases) {
    TextTable t = MakeTable(area, c.count);
    for (uint32_t n = 0; n < c.count; ++n) EXPECT_STREQ(c.expected[n], t.entry[n]) << "count " << c.count << ", text " << n;
    FreeTextTable(&t);
    EXPECT_EQ(nullptr, t.area);
  }
}

TEST(Catalogue, AreaWithoutFinalNulStaysTerminated) {
  TextTable t = MakeTable(std::string("first\0unterminated", 18), 3);
  EXPECT_STREQ("unterminated", t.entry[1]);
  EXPECT_STREQ("", t.entry[2]);
  FreeTextTable(&t);
}

TEST(Catalogue, MessageTextBeyondTheCountIsEmpty) {
  ResetAppState();
  EXPECT_STREQ("", MessageText(3)) << "no catalogue yet";
  app.messages = MakeTable(std::string("a\0b\0c\0d\0", 8), 3);
  EXPECT_STREQ("c", MessageText(2));
  EXPECT_STREQ("", MessageText(3));
  EXPECT_STREQ("", MessageText(0xFFFFFFFFu));
  FreeTextTable(&app.messages);
  ResetAppState();
}

TEST(Catalogue, MessagesAreFormattedOnlyWithTheirOwnPlaceholders) {
  struct Case {
    const char* text;
    const char* conversions;
    bool matches;
  } cases[] = {
      {"Image for a %lu bytes diskette", "lu", true},
      {"\n%s Expected/Actual CheckSums are:X\"%08lX\",X\"%08lX\"", "slXlX", true},
      {"%s Open drive error =%u", "su", true},
      // Length modifiers other than the caller's: each would make printf
      // read an argument of another size, or write through one.
      {"Image for a %u bytes diskette", "lu", false},
      {"%s Open drive error =%lu", "su", false},
      {"Image for a %llu bytes diskette", "lu", false},
      {"%ls Open drive error =%u", "su", false},
      {"%s CheckSums X\"%08llX\",X\"%08lX\"", "slXlX", false},
      {"%s Open drive error =%hn", "su", false},
      {"%s Open drive error =%hu", "su", false},
      {"%s Open drive error =%hhu", "su", false},
      {"%s Open drive error =%zu", "su", false},
      {"%s Open drive error =%ju", "su", false},
      {"%s Open drive error =%I64u", "su", false},
      {"%s Open drive error =%*u", "su", false},
      {"drive %lc ?", "c", false},
      {"drive %Lc ?", "c", false},
      {"Are you sure you want to write to drive %c ?", "c", true},
      {"100%% sure", "", true},
      {"Image for a %s bytes diskette", "u", false},   // a text where a number goes
      {"%s Open drive error =%u%n", "su", false},      // one placeholder too many
      {"Cannot open", "s", false},                     // one too few
      {"trailing %", "", false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(c.matches, PlaceholdersMatch(c.text, c.conversions)) << c.text;

  ResetAppState();
  app.messages = MakeTable(std::string("size %lu\0drive %s%s\0", 20), 2);
  char buffer[64];
  FormatMessageText(buffer, sizeof buffer, 0, "lu", 1474560ul);
  EXPECT_STREQ("size 1474560", buffer);
  FormatMessageText(buffer, sizeof buffer, 1, "s", "A:");
  EXPECT_STREQ("drive %s%s", buffer) << "a message with foreign placeholders is shown as it stands";
  FreeTextTable(&app.messages);
  ResetAppState();
}
