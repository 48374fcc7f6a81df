#pragma once
// Textures loaded once per name and shared by every face that shows them, kept in a small
// chained hash table of strings whose nodes come from a pool allocated 32 at a time.

#include <cstdint>

#include "platform/rm/d3drm.h"

class StringHashTable {
public:
    // The table's own fields of a node; the user's area follows them, zero when the node is
    // taken from the pool.
    struct Node {
        char* key;   // owned copy; null only in the bucket sentinels
        Node* chain; // next node of the same bucket, or of the free list
        Node* list;  // next entry of the entry list
    };

    // `nodeSize` counts the node fields and the user's area; 2^exponent buckets.
    StringHashTable(uint32_t nodeSize, uint32_t exponent);
    virtual ~StringHashTable();
    StringHashTable(const StringHashTable&) = delete;
    StringHashTable& operator=(const StringHashTable&) = delete;

    // Makes the entry list absent; every AddNode and RemoveAll ends with it.
    virtual void InvalidateList();

    Node* TakeNode();
    // With freeKey non-zero the node's key is freed first.
    void ReturnNode(Node* node, int freeKey);
    // Takes ownership of `key` (allocated with malloc) and puts the node first in the bucket.
    Node* AddNode(uint32_t bucket, char* key);
    // The first entry whose key equals `key` exactly, letter case included; null when none.
    Node* Lookup(const char* key, uint32_t* bucketOut);
    // Never null: a missing key is added with a copy of it.
    Node* LookupOrAdd(const char* key);
    // Gives every entry back to the pool. Whatever the user's areas refer to must have been
    // released before.
    void RemoveAll();
    // The head of the list of all entries, linked through `list`; built here when not valid.
    Node* FirstEntry();

    static uint32_t HashString(const char* key, uint32_t seed);
    static void* UserArea(Node* node) { return node + 1; }

    uint32_t BucketCount() const { return bucketCount_; }
    // Pool blocks allocated so far; they are kept until the table itself goes.
    uint32_t BlockCount() const { return blockCount_; }

private:
    struct Block {
        Block* next;
    };

    uint32_t exponent_;
    uint32_t bucketCount_;
    uint32_t mask_;
    uint32_t nodeSize_;
    Node** buckets_;
    Node* freeList_ = nullptr;
    Node* entryList_ = nullptr;
    uint32_t listValid_ = 0;
    Block* blocks_ = nullptr; // every block, newest first, so the table can give them back
    uint32_t blockCount_ = 0;
};

// The texture of name + ".bmp", loaded on the first request for the name and shared after.
// A file that cannot be loaded is reported in a box and gives null, on every request.
LPDIRECT3DRMTEXTURE GetSlotTexture(const char* name);

// Releases every texture of the registry and empties it, so the next requests load again.
void ReleaseAllTextures();
