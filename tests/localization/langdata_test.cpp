#include "localization/langdata.h"

#include <gtest/gtest.h>

#include "localization/constants.h"

namespace quillon {
namespace {

TEST(PropertyTableTest, WritesTheDocumentedLayout) {
  const TVxLang_PropTable table{"f", {{1, "Caption"}}, {{"B", {}, {}}}};
  const std::vector<uint8_t> expected{1,   0,   'f',          // name
                                      1,   1,   0,   0,   0,  // has entries, count 1
                                      1,   0,   0,   0,   7,   0,   'C',
                                      'a', 'p', 't', 'i', 'o', 'n',  // identifier 1, "Caption"
                                      1,   1,   0,   0,   0,         // has children, count 1
                                      1,   0,   'B', 0,   0};        // child "B" with nothing
  EXPECT_EQ(SavePropertyTable(table), expected);
  EXPECT_EQ(LoadPropertyTable(expected), table);
}

TEST(PropertyTableTest, RefusesDamagedStreams) {
  const auto bytes =
      SavePropertyTable({"form", {{1, "Caption"}, {2, "Hint"}}, {{"x", {{3, "Text"}}, {}}}});
  for (size_t size = 0; size < bytes.size(); ++size)
    EXPECT_THROW(LoadPropertyTable({bytes.begin(), bytes.begin() + size}), EVxLangError) << size;
  auto longer = bytes;
  longer.push_back(0);
  EXPECT_THROW(LoadPropertyTable(longer), EVxLangError);
  // A count far beyond the data, and nesting without end.
  EXPECT_THROW(LoadPropertyTable({0, 0, 1, 0xFF, 0xFF, 0xFF, 0x7F}), EVxLangError);
  std::vector<uint8_t> deep;
  for (int i = 0; i < 1000; ++i) deep.insert(deep.end(), {0, 0, 0, 1, 1, 0, 0, 0});
  EXPECT_THROW(LoadPropertyTable(deep), EVxLangError);
}

}  // namespace
}  // namespace quillon
