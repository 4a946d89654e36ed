#include "property_store.h"

#include <gtest/gtest.h>

#include "log_file.h"

namespace {

TEST(PropertyStoreTest, NamesAreUniqueWithoutRegardToCase) {
    PropertyStore store;
    store.Set("ProductName", "First", false);
    store.Set("productname", "Second", true);
    store.Set("PRODUCTNAME", "Ignored", false);
    ASSERT_EQ(1, store.Count());
    EXPECT_EQ("ProductName", store.At(0)->Name);  // the first spelling is kept
    EXPECT_EQ("Second", store.Get("Productname"));
    store.Set("Typed", "1", "number", true);
    store.Set("typed", "2", true);
    EXPECT_EQ("", store.At(1)->Type);  // a set replaces the type as well
    EXPECT_EQ(nullptr, store.At(2));
    EXPECT_EQ(nullptr, store.At(-1));
    EXPECT_TRUE(store.IsDefined("TYPED"));
    EXPECT_FALSE(store.IsDefined("Missing"));
    EXPECT_EQ("", store.Get("Missing"));
}

TEST(PropertyStoreTest, CompareAndFlags) {
    PropertyStore store;
    store.Set("Mode", "Silent", false);
    store.Set("Flag", "yes", false);
    EXPECT_EQ(0, store.Compare("mode", "Silent", false));
    EXPECT_EQ(1, store.Compare("Mode", "SILENT", false));  // 'i' > 'I'
    EXPECT_EQ(0, store.Compare("Mode", "SILENT", true));
    EXPECT_EQ(-1, store.Compare("Mode", "T", true));
    const int warnings = Log().GetWarningCount();
    EXPECT_EQ(2, store.Compare("Missing", "x", true));
    EXPECT_EQ(warnings + 1, Log().GetWarningCount());
    EXPECT_EQ(2, store.CompareQuiet("Missing", "x"));
    EXPECT_EQ(warnings + 1, Log().GetWarningCount());
    EXPECT_TRUE(store.IsYes("Flag"));
    EXPECT_FALSE(store.IsYes("Mode"));
    EXPECT_FALSE(store.IsYes("Missing"));
}

TEST(PropertyStoreTest, MergeKeepsOrderAndRespectsOverwrite) {
    PropertyStore store, other;
    store.Set("A", "a", false);
    store.Set("B", "b", false);
    other.Set("b", "other b", "t", false);
    other.Set("C", "c", false);
    store.Merge(other, false);
    EXPECT_EQ("b", store.Get("B"));
    EXPECT_EQ("c", store.Get("C"));
    store.Merge(other, true);
    EXPECT_EQ("other b", store.Get("B"));
    EXPECT_EQ("t", store.At(1)->Type);
    ASSERT_EQ(3, store.Count());
    EXPECT_EQ("C", store.At(2)->Name);
    store.Merge(store, true);
    EXPECT_EQ(3, store.Count());
}

TEST(PropertyStoreTest, Expansion) {
    PropertyStore store;
    store.Set("Action", "Install", false);
    store.Set("Property.X", "prefixed", false);
    store.Set("X", "plain", false);
    store.Set("Empty", "", false);
    store.Set("Nested", "[Action]", false);
    struct Row {
        const char* text;
        const char* expanded;
    } const rows[] = {
        {"[Action]", "Install"},
        {"[action] and [Property.Action]", "Install and Install"},
        {"[X]", "prefixed"},  // the prefixed name is looked up first
        {"[Property.X]", "prefixed"},
        {"[Unknown] and [Action]", "[Unknown] and Install"},
        {"[[Action]]", "[Install]"},
        {"[Action", "[Action"},
        {"a]b[Action]c", "a]bInstallc"},
        {"[Empty]|", "|"},
        {"[Nested]", "[Action]"},    // values are not expanded again
        {"[ Action]", "[ Action]"},  // names are not trimmed
        {"", ""},
        {"no references", "no references"},
    };
    for (const Row& row : rows) EXPECT_EQ(row.expanded, store.Expand(row.text)) << row.text;
    EXPECT_EQ("Install", store.Expand("{Action}", "{", "}", "Property."));
}

TEST(PropertyStoreTest, CurrentStoreExpansion) {
    EXPECT_EQ(nullptr, CurrentPropertyStore());
    EXPECT_EQ("[Action]", ExpandProperties("[Action]"));
    PropertyStore store;
    store.Set("Action", "Repair", false);
    SetCurrentPropertyStore(&store);
    EXPECT_EQ("Repair", ExpandProperties("[Action]"));
    SetCurrentPropertyStore(nullptr);
}

}  // namespace
