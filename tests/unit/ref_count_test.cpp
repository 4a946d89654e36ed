// The reference-count store on a fake registry: counts and lists, the removal of the last
// reference with its key, orphans, and the registry errors that are written to the log with
// the operation's context while "not found" is not an error.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fake_run.h"
#include "ref_count.h"

namespace {

const std::string kRoot = PermanentRefCountRoot();
const long kAccessDenied = 5;

// The fake machine's registry, with every operation on a path below failPrefix failing
// with "access denied".
class FailingRegistry : public RegistryAccess {
  public:
    explicit FailingRegistry(FakeMachine& machine) : machine_(machine) {}

    bool ReadValue(const std::string& path, std::string* value, RegistryView view,
                   long* errorCode) override {
        return !Fails(path, errorCode) && machine_.ReadValue(path, value, view, errorCode);
    }
    bool CreateKey(const std::string& keyPath, RegistryView view, long* errorCode) override {
        return !Fails(keyPath, errorCode) && machine_.CreateKey(keyPath, view, errorCode);
    }
    bool DeleteKey(const std::string& keyPath, RegistryView view, long* errorCode) override {
        return !Fails(keyPath, errorCode) && machine_.DeleteKey(keyPath, view, errorCode);
    }
    bool WriteString(const std::string& path, const std::string& value, RegistryView view,
                     long* errorCode) override {
        return !Fails(path, errorCode) && machine_.WriteString(path, value, view, errorCode);
    }
    bool DeleteValue(const std::string& path, RegistryView view, long* errorCode) override {
        return !Fails(path, errorCode) && machine_.DeleteValue(path, view, errorCode);
    }
    bool WriteNumber(const std::string& path, unsigned long value, RegistryView view,
                     long* errorCode) override {
        return !Fails(path, errorCode) && machine_.WriteNumber(path, value, view, errorCode);
    }
    bool EnumerateValues(const std::string& keyPath, std::vector<RegistryValue>* values,
                         RegistryView view, long* errorCode) override {
        return !Fails(keyPath, errorCode) &&
               machine_.EnumerateValues(keyPath, values, view, errorCode);
    }
    bool ReadStrings(const std::string& path, std::vector<std::string>* texts, RegistryView view,
                     long* errorCode) override {
        return !Fails(path, errorCode) && machine_.ReadStrings(path, texts, view, errorCode);
    }
    bool ReadTyped(const std::string& path, TypedRegistryValue* value, RegistryView view,
                   long* errorCode) override {
        return !Fails(path, errorCode) && machine_.ReadTyped(path, value, view, errorCode);
    }
    bool WriteText(const std::string& path, const std::string& value, unsigned long type,
                   RegistryView view, long* errorCode) override {
        return !Fails(path, errorCode) && machine_.WriteText(path, value, type, view, errorCode);
    }
    bool CountKeyEntries(const std::string& keyPath, RegistryKeyCounts* counts, RegistryView view,
                         long* errorCode) override {
        return !Fails(keyPath, errorCode) &&
               machine_.CountKeyEntries(keyPath, counts, view, errorCode);
    }
    bool DeleteEmptyKey(const std::string& keyPath, RegistryView view, long* errorCode) override {
        return !Fails(keyPath, errorCode) && machine_.DeleteEmptyKey(keyPath, view, errorCode);
    }
    bool EnumerateSubKeys(const std::string& keyPath, std::vector<std::string>* names,
                          RegistryView view, long* errorCode) override {
        return !Fails(keyPath, errorCode) &&
               machine_.EnumerateSubKeys(keyPath, names, view, errorCode);
    }

    std::string failPrefix = "-";

  private:
    bool Fails(const std::string& path, long* errorCode) const {
        if (path.compare(0, failPrefix.size(), failPrefix) != 0)
            return false;
        *errorCode = kAccessDenied;
        return true;
    }
    FakeMachine& machine_;
};

class RefCountTest : public ::testing::Test {
  protected:
    std::string Key(const std::string& product) const { return kRoot + "\\" + product; }

    FakeMachine machine_;
    FailingRegistry registry_{machine_};
    MemoryLog log_;
    RefCount store_{kRoot, registry_, log_.File()};
};

TEST_F(RefCountTest, CountsListsAndReadsReferences) {
    EXPECT_EQ(0, store_.GetRefCount("Runtime"));  // no key yet
    EXPECT_FALSE(store_.Exists("Runtime"));
    EXPECT_EQ("", store_.GetRefCountList("Runtime"));
    EXPECT_TRUE(store_.AddRefCount("Runtime", "Suite A", "{CODE-A}"));
    EXPECT_TRUE(store_.AddRefCount("Runtime", "Suite B", ""));
    EXPECT_TRUE(store_.AddRefCount("Runtime", "Suite A", "{CODE-A2}"));  // set again, not added
    EXPECT_TRUE(store_.Exists("Runtime"));
    EXPECT_EQ(2, store_.GetRefCount("Runtime"));
    EXPECT_EQ("Suite A, Suite B", store_.GetRefCountList("Runtime"));
    std::string data;
    EXPECT_TRUE(store_.ReadReference("Runtime", "Suite A", &data));
    EXPECT_EQ("{CODE-A2}", data);
    EXPECT_TRUE(store_.HasReference("Runtime", "Suite B"));  // an empty reference is one
    EXPECT_FALSE(store_.HasReference("Runtime", "Suite C"));
    EXPECT_FALSE(store_.ReadReference("Other", "Suite A", &data));
    EXPECT_EQ("", data);
    EXPECT_EQ("{CODE-A2}", machine_.Value(Key("Runtime") + "\\Suite A"));
    EXPECT_EQ("", log_.Text());  // missing keys and values are no errors
}

TEST_F(RefCountTest, RemovingTheLastReferenceDeletesTheKey) {
    store_.AddRefCount("Runtime", "Suite A", "");
    store_.AddRefCount("Runtime", "Suite B", "");
    EXPECT_EQ(1, store_.RemoveRefCount("Runtime", "Suite A"));
    EXPECT_TRUE(machine_.HasKey(Key("Runtime")));
    EXPECT_EQ(1, store_.RemoveRefCount("Runtime", "Suite A"));  // already gone: nothing changes
    EXPECT_EQ(0, store_.RemoveRefCount("Runtime", "Suite B"));
    EXPECT_FALSE(machine_.HasKey(Key("Runtime")));
    EXPECT_TRUE(machine_.HasKey(kRoot));
    EXPECT_EQ(0, store_.RemoveRefCount("Runtime", "Suite B"));  // no key: nothing to do
    EXPECT_EQ("", log_.Text());

    // A name that is not one registry name never reaches the store's own key or another one.
    store_.AddRefCount("Other", "Suite A", "");
    EXPECT_EQ(-1, store_.RemoveRefCount("", "Suite A"));
    EXPECT_FALSE(store_.AddRefCount("Runtime\\..", "Suite A", ""));
    EXPECT_EQ(-1, store_.RemoveRefCount("Other", "x\\y"));
    EXPECT_TRUE(machine_.HasKey(Key("Other")));
    EXPECT_TRUE(log_.Contains("invalid name"));
}

TEST_F(RefCountTest, OrphansAreReferencesOfProductsWithoutAKey) {
    store_.AddRefCount("Suite B", "Suite B", "");  // Suite B is installed
    store_.AddRefCount("Runtime", "Suite A", "");  // Suite A is not
    store_.AddRefCount("Runtime", "Suite B", "");
    store_.AddRefCount("Runtime", kUnknownReference, "");
    store_.AddRefCount("Runtime", "Suite C", "");  // not installed, but this run's product
    store_.AddRefCount("Runtime", "Gone, Too", "");
    std::string removed = "before";
    EXPECT_TRUE(store_.RemoveOrphans("Runtime", {kUnknownReference, "suite c"}, &removed));
    EXPECT_EQ("Suite A, Gone, Too", removed);
    EXPECT_EQ("Suite B, UNKNOWN, Suite C", store_.GetRefCountList("Runtime"));
    // Without kept names, "UNKNOWN" is a name like any other.
    EXPECT_TRUE(store_.RemoveOrphans("Runtime", {}, &removed));
    EXPECT_EQ("UNKNOWN, Suite C", removed);
    EXPECT_EQ("Suite B", store_.GetRefCountList("Runtime"));

    // The only reference is an orphan: its removal deletes the key.
    store_.AddRefCount("Driver", "Suite A", "");
    EXPECT_TRUE(store_.RemoveOrphans("Driver", {}, &removed));
    EXPECT_FALSE(machine_.HasKey(Key("Driver")));
    EXPECT_FALSE(store_.RemoveOrphans("Missing", {}, &removed));
    EXPECT_EQ("", removed);
}

// A product key that cannot be read is not taken for a missing one: its references count
// as belonging to an installed product.
TEST_F(RefCountTest, RegistryErrorsAreLoggedWithTheirContext) {
    store_.AddRefCount("Runtime", "Suite A", "");
    store_.AddRefCount("Suite A", "Suite A", "");
    registry_.failPrefix = Key("Suite A");
    std::string removed;
    EXPECT_FALSE(store_.RemoveOrphans("Runtime", {}, &removed));
    EXPECT_EQ(1, store_.GetRefCount("Runtime"));
    EXPECT_TRUE(log_.Contains("    Context:    RefCount::Exists()\n    Error code: 5\n"));

    registry_.failPrefix = Key("Runtime");
    EXPECT_FALSE(store_.AddRefCount("Runtime", "Suite B", ""));
    EXPECT_EQ(-1, store_.RemoveRefCount("Runtime", "Suite A"));
    EXPECT_EQ(0, store_.GetRefCount("Runtime"));
    EXPECT_EQ("", store_.GetRefCountList("Runtime"));
    EXPECT_FALSE(store_.HasReference("Runtime", "Suite A"));
    EXPECT_FALSE(store_.RemoveOrphans("Runtime", {}, &removed));
    const std::vector<std::string> contexts = {
        "RefCount::AddRefCount()",    "RefCount::RemoveRefCount()",
        "RefCount::GetRefCount(...)", "RefCount::GetRefCountList(...)",
        "RefCount::ReadReference()",  "RefCount::RemoveOrphans()"};
    std::size_t from = 0;
    const std::string text = log_.Text();
    for (const std::string& context : contexts) {
        const std::size_t at =
            text.find("    Context:    " + context + "\n    Error code: 5", from);
        EXPECT_NE(std::string::npos, at) << context << "\n" << text;
        if (at != std::string::npos)
            from = at;
    }
    registry_.failPrefix = "-";
    EXPECT_EQ(1, store_.GetRefCount("Runtime"));  // nothing was changed
}

}  // namespace
