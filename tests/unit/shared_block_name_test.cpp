#include "shared_block_name.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

bool OnlySafeCharacters(const std::string& name) {
    for (char c : name) {
        const unsigned char u = static_cast<unsigned char>(c);
        const bool safe = (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') ||
                          (u >= '0' && u <= '9') || u == ' ' || u == '-' || u == '_' || u == '.';
        if (!safe)
            return false;
    }
    return true;
}

// Names are pinned: every instance of one product, also a chained setup of another build,
// must arrive at the same name.
TEST(SharedBlockNameTest, BuildsTheNameFromTheProductName) {
    struct Row {
        std::string product;
        std::string expected;
    };
    const std::vector<Row> rows = {
        {"E2E Product", "TarvexSetup.E2E Product.f0f16dee762cf8c2"},
        {"Suite 2\\Pro", "TarvexSetup.Suite 2_Pro.19829094217b00aa"},
        {"", "TarvexSetup..cbf29ce484222325"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(row.expected, SharedBlockName(row.product)) << row.product;
}

TEST(SharedBlockNameTest, EveryNameIsAValidObjectName) {
    const std::vector<std::string> products = {
        "Suite 2\\Pro",         "Suite 2/Pro",       "C:Product",
        "Global\\Suite",        "\\\\server\\share", "Tab\there",
        "Caf\xE9 Suite",        "Line\nBreak",       std::string(1000, 'x'),
        std::string(300, '\\'), "Plain Name-1.0_x"};
    for (const std::string& product : products) {
        const std::string name = SharedBlockName(product);
        EXPECT_EQ(0u, name.find("TarvexSetup.")) << product;
        EXPECT_LE(name.size(), kMaxSharedBlockNameLength) << product;
        EXPECT_TRUE(OnlySafeCharacters(name)) << name;
    }
}

TEST(SharedBlockNameTest, DifferentProductsGetDifferentNames) {
    const std::string longName(1000, 'x');
    const std::vector<std::string> products = {
        "Suite 2\\Pro",
        "Suite 2/Pro",
        "Suite 2:Pro",
        "Suite 2_Pro",
        "Suite 2?Pro",
        "suite 2\\pro",  // object names are case-sensitive, and so is the product's block
        longName,
        longName + "y",
        longName.substr(0, 999) + "y",
        "TARVEX_BOOTSTRAPPER"};
    for (std::size_t i = 0; i < products.size(); ++i) {
        for (std::size_t j = i + 1; j < products.size(); ++j)
            EXPECT_NE(SharedBlockName(products[i]), SharedBlockName(products[j]))
                << products[i] << " / " << products[j];
    }
    // The start-up guard's block keeps a name of its own.
    EXPECT_NE("TARVEX_BOOTSTRAPPER", SharedBlockName("TARVEX_BOOTSTRAPPER"));
}

}  // namespace
