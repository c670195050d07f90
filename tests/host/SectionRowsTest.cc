#include "platform/host/SectionRows.h"

#include <gtest/gtest.h>

namespace kestrel {
namespace {

Ref<KSData> makeRow(const std::string& id, int64_t sortOrder, int type = 0) {
  PlistValue context = PlistValue::dict();
  context.set("type", type);
  context.set("sortOrder", sortOrder);
  return std::make_shared<KSData>(id, context);
}

std::vector<std::string> ids(const std::vector<Ref<KSData>>& rows) {
  std::vector<std::string> out;
  for (const auto& r : rows) out.push_back(r->uniqueID);
  return out;
}

TEST(SectionRowsTest, KeepsOneRowPerIdAndAnswersThemBySortOrder) {
  SectionRows rows;
  rows.publish({makeRow("b", 20), makeRow("[[[info]]]", 99999999, 4), makeRow("a", 10), makeRow("[[[statusbar]]]", 0, 1)});
  rows.publish({makeRow("[[[message]]]", 9, 3), makeRow("a", 30)});  // "a" replaced and moved to the end

  EXPECT_EQ(ids(rows.sortedRows()), (std::vector<std::string>{"[[[statusbar]]]", "[[[message]]]", "b", "a", "[[[info]]]"}));
  EXPECT_EQ(rows.row("a")->sortOrder(), 30);
  EXPECT_EQ(rows.count(), 5u);
}

TEST(SectionRowsTest, EqualSortOrdersAreOrderedByUniqueIdWhateverTheArrival) {
  SectionRows first, second;
  first.publish({makeRow("k2", 10), makeRow("k1", 10), makeRow("k3", 10)});
  second.publish({makeRow("k3", 10)});
  second.publish({makeRow("k1", 10), makeRow("k2", 10)});
  EXPECT_EQ(ids(first.sortedRows()), (std::vector<std::string>{"k1", "k2", "k3"}));
  EXPECT_EQ(ids(second.sortedRows()), ids(first.sortedRows()));
}

TEST(SectionRowsTest, RemoveDropsNamedRowsAndIgnoresUnknownIds) {
  SectionRows rows;
  rows.publish({makeRow("a", 10), makeRow("b", 20)});
  rows.remove({std::make_shared<KSData>("a", PlistValue()), std::make_shared<KSData>("zz", PlistValue()), nullptr});
  EXPECT_EQ(ids(rows.sortedRows()), (std::vector<std::string>{"b"}));
  EXPECT_EQ(rows.row("a"), nullptr);
}

TEST(SectionRowsTest, RecordsEveryCallAndCountsEmptyPublishesSeparately) {
  SectionRows rows;
  rows.publish({makeRow("a", 10), nullptr, makeRow("b", 20)});
  rows.publish({});
  rows.remove({makeRow("a", 10)});
  rows.publish({});

  auto calls = rows.calls();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].kind, SectionRows::Call::Kind::Publish);
  EXPECT_EQ(calls[0].uniqueIDs(), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(calls[1].kind, SectionRows::Call::Kind::Remove);
  EXPECT_EQ(rows.emptyPublishCount(), 2u);

  rows.clearCalls();
  EXPECT_TRUE(rows.calls().empty());
  EXPECT_EQ(rows.emptyPublishCount(), 0u);
  EXPECT_EQ(rows.count(), 1u);
}

TEST(SectionRowsTest, RowWithoutSortOrderSortsAsZero) {
  SectionRows rows;
  rows.publish({makeRow("a", 5), std::make_shared<KSData>("bare", PlistValue())});
  EXPECT_EQ(ids(rows.sortedRows()), (std::vector<std::string>{"bare", "a"}));
}

}  // namespace
}  // namespace kestrel
