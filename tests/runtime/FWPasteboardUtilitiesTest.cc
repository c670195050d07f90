#include <gtest/gtest.h>

#include "runtime/FWPasteboardUtilities.h"
#include "tests/support/LogCapture.h"
#include "tests/support/TempDeviceRoot.h"

namespace {

Bytes bytesOf(const std::string& text) { return Bytes(text.begin(), text.end()); }

Pasteboard::Item item(const std::string& type, PlistValue value) { return {{type, std::move(value)}}; }

}  // namespace

TEST(FWPasteboardUtilities, NumberValueFromDataReadsAnyPropertyListFormat) {
  EXPECT_FALSE(FWNumberValueFromData(nullptr));
  EXPECT_FALSE(FWNumberValueFromData(Bytes{}));
  EXPECT_FALSE(FWNumberValueFromData(bytesOf("12")));
  EXPECT_EQ(FWNumberValueFromData(PlistValue(12).toBytes(PlistValue::Format::XML)), PlistValue(12));
  EXPECT_EQ(FWNumberValueFromData(PlistValue(12).toBytes(PlistValue::Format::Binary)), PlistValue(12));
  // The reference identifiers of the context pasteboard travel the same way.
  EXPECT_EQ(FWNumberValueFromData(PlistValue("x-coredata://U/TWContext/p3").toBytes(PlistValue::Format::Binary)),
            PlistValue("x-coredata://U/TWContext/p3"));
}

TEST(FWPasteboardUtilities, StringValueFromDataIsStrictASCII) {
  kestrel::test::LogCapture log;
  EXPECT_FALSE(FWStringValueFromData(nullptr));
  EXPECT_EQ(FWStringValueFromData(Bytes{}), "");
  EXPECT_EQ(FWStringValueFromData(bytesOf("@Home <1>")), "@Home <1>");
  EXPECT_FALSE(FWStringValueFromData(bytesOf("Caf\xc3\xa9")));
  EXPECT_EQ(log.count("not ASCII"), 1u);
}

TEST(FWPasteboardUtilities, PasteboardReadersNeedExactlyOneItemOfTheType) {
  kestrel::test::TempDeviceRoot root;
  EXPECT_FALSE(FWNumberValueFromPasteboard(nullptr, "dbvers"));
  EXPECT_FALSE(FWStringValueFromPasteboard(nullptr, "dbpath"));

  auto board = Pasteboard::pasteboardWithName("com.kzt.kestrel", true);
  EXPECT_FALSE(FWNumberValueFromPasteboard(board, "dbvers"));

  ASSERT_TRUE(board->setItems({item("dbpath", PlistValue("/var/mobile/Documents/pim.tallybookdata")),
                               item("dbvers", PlistValue(PlistValue(260).toBytes(PlistValue::Format::Binary))),
                               item("apptype", PlistValue(bytesOf("taskwellTab")))}));
  EXPECT_EQ(FWNumberValueFromPasteboard(board, "dbvers"), PlistValue(260));
  EXPECT_EQ(FWStringValueFromPasteboard(board, "apptype"), "taskwellTab");
  EXPECT_EQ(FWStringValueFromPasteboard(board, "dbpath"), "/var/mobile/Documents/pim.tallybookdata");
  EXPECT_FALSE(FWNumberValueFromPasteboard(board, "missing"));

  ASSERT_TRUE(board->addItems({item("apptype", PlistValue(bytesOf("taskwell")))}));
  EXPECT_FALSE(FWStringValueFromPasteboard(board, "apptype"));
  EXPECT_EQ(FWStringValueFromPasteboard(board, "dbpath"), "/var/mobile/Documents/pim.tallybookdata");
}
