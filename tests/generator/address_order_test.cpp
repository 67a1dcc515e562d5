#include "generator/address_order.h"

#include <gtest/gtest.h>
#include "codec/gbk_literal.h"

namespace vorta::generator {
namespace {

TEST(OrderAddresses, TheChangedAddressWins) {
    // Typing 10 as the first address while the last is 5 raises the last.
    AddressTexts t = OrderAddresses({"10", "5"}, ChangedAddress::First);
    EXPECT_EQ(t.first, "10");
    EXPECT_EQ(t.last, "10");
    // Choosing 3 as the last address while the first is 10 lowers the first.
    t = OrderAddresses({"10", "3"}, ChangedAddress::Last);
    EXPECT_EQ(t.first, "3");
    EXPECT_EQ(t.last, "3");
}

TEST(OrderAddresses, OrderedTextsStayAsTyped) {
    AddressTexts t = OrderAddresses({"0", "251"}, ChangedAddress::First);
    EXPECT_EQ(t.first, "0");
    EXPECT_EQ(t.last, "251");
    t = OrderAddresses({" 7", "007"}, ChangedAddress::Last);  // equal values
    EXPECT_EQ(t.first, " 7");
    EXPECT_EQ(t.last, "007");
}

TEST(OrderAddresses, ComparesNumbersNotTexts) {
    // "9" > "10" as text, but 9 < 10 as numbers: nothing to order.
    AddressTexts t = OrderAddresses({"9", "10"}, ChangedAddress::First);
    EXPECT_EQ(t.last, "10");
    // Full-width digits are read as digits; the text is copied unchanged.
    t = OrderAddresses({"１２"_gbk, "5"}, ChangedAddress::First);
    EXPECT_EQ(t.last, "１２"_gbk);
    // No number counts as 0.
    t = OrderAddresses({"3", "ab"}, ChangedAddress::Last);
    EXPECT_EQ(t.first, "ab");
}

TEST(AddressValue, TextToIntegerRule) {
    EXPECT_EQ(AddressValue("123"), 123);
    EXPECT_EQ(AddressValue("  ４５"_gbk), 45);
    EXPECT_EQ(AddressValue("-5"), -5);
    EXPECT_EQ(AddressValue("1x2"), 1);
    EXPECT_EQ(AddressValue(""), 0);
}

}  // namespace
}  // namespace vorta::generator
