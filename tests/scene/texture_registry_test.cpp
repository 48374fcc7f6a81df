// The string hash table behind the texture registry: its hash, its pool of nodes and its
// list of entries.

#include "scene/texture_registry.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

struct Entry : StringHashTable::Node {
    int value;
};

TEST(StringHashTable, HashesAsTheRegistryExpects) {
    EXPECT_EQ(StringHashTable::HashString("", 77), 77u);
    EXPECT_EQ(StringHashTable::HashString("abc", 0), 0xfffefdedu);
    EXPECT_EQ(StringHashTable::HashString("abc", 0) & 1023, 493u);
}

TEST(StringHashTable, ManyEntriesAcrossBlocksAreFoundListedAndReleased) {
    StringHashTable table(sizeof(Entry), 10);
    // Every bucket's sentinel comes from the pool: 1024 nodes, 32 blocks of 32.
    EXPECT_EQ(table.BlockCount(), 32u);
    EXPECT_EQ(table.FirstEntry(), nullptr);

    constexpr int kCount = 100; // four more blocks, the last one part used
    for (int i = 0; i < kCount; ++i) {
        auto* entry = static_cast<Entry*>(table.LookupOrAdd(("name" + std::to_string(i)).c_str()));
        EXPECT_EQ(entry->value, 0); // the user's area starts zeroed
        entry->value = i + 1;
    }
    EXPECT_EQ(table.BlockCount(), 36u);
    for (int i = 0; i < kCount; ++i) {
        const std::string key = "name" + std::to_string(i);
        auto* entry = static_cast<Entry*>(table.Lookup(key.c_str(), nullptr));
        ASSERT_NE(entry, nullptr);
        EXPECT_EQ(entry->value, i + 1);
        EXPECT_EQ(table.LookupOrAdd(key.c_str()), entry); // no second entry
    }
    EXPECT_EQ(table.Lookup("Name1", nullptr), nullptr); // letter case counts

    std::set<int> listed;
    for (auto* node = table.FirstEntry(); node != nullptr; node = node->list)
        listed.insert(static_cast<Entry*>(node)->value);
    EXPECT_EQ(listed.size(), size_t{kCount});
    // Adding invalidates the list; the rebuilt one holds the newcomer.
    table.LookupOrAdd("late");
    int length = 0;
    for (auto* node = table.FirstEntry(); node != nullptr; node = node->list)
        ++length;
    EXPECT_EQ(length, kCount + 1);

    table.RemoveAll();
    EXPECT_EQ(table.FirstEntry(), nullptr);
    EXPECT_EQ(table.Lookup("name5", nullptr), nullptr);
    // Nodes given back are reused before any new block is made.
    for (int i = 0; i < kCount; ++i)
        table.LookupOrAdd(("again" + std::to_string(i)).c_str());
    EXPECT_EQ(table.BlockCount(), 36u);
}

} // namespace
