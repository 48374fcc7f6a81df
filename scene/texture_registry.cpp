#include "scene/texture_registry.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "platform/win/platform.h"
#include "scene/machine_state.h"
#include "scene/scene_objects.h"

namespace {

constexpr uint32_t NODES_PER_BLOCK = 32;
constexpr uint32_t REGISTRY_EXPONENT = 10; // 1024 buckets
// No table is ever asked for more; the cap keeps the shift defined.
constexpr uint32_t LARGEST_EXPONENT = 24;

// One entry per byte value: distinct 16-bit values, sign-extended. Which bucket a key falls
// into matters to nobody, so any such table would do; this one is fixed so hashes repeat.
constexpr int32_t HASH_TABLE[256] = {
    17544,  22330,  5864,   25623,  8978,   -29045, -10411, 7996,   -1906,  -24039, -3783,  -16193,
    -3739,  18420,  10474,  24859,  -513,   -2689,  -25541, 20241,  4674,   -10315, -28596, 19633,
    -19422, -2292,  10088,  10758,  1278,   -25264, -26769, -7215,  25058,  -5330,  -2167,  -3548,
    -18021, 5315,   9090,   -18718, 28801,  -1328,  -27836, -6850,  -16080, -28309, -31746, 22517,
    -25812, 1038,   -31787, 29009,  15745,  611,    17020,  -30886, 22728,  16829,  -6922,  -9611,
    -2616,  12100,  20615,  435,    -30223, -18078, 29561,  7257,   -13616, 15341,  17459,  31419,
    13404,  9335,   -17551, 2638,   27922,  -18293, -12547, 15837,  4611,   12797,  -29567, 5641,
    -9964,  -15196, -20520, 18828,  -18554, 10489,  31519,  29094,  -17930, -3160,  -19955, 16186,
    -23117, -32768, 16419,  -32172, -13230, -30210, 31788,  19484,  3135,   18191,  10581,  1090,
    -6215,  -26828, -11729, -9823,  -4703,  -26842, 14896,  -31124, -14743, -21477, -28592, 6067,
    7290,   -29660, -30522, -25009, -4547,  12541,  15751,  -347,   11037,  3055,   25947,  31251,
    609,    -3145,  24143,  -30294, 7019,   -25284, -30530, -25778, -23790, -29817, -9414,  -5938,
    1181,   -14078, -19980, -14348, 11149,  -24315, 11200,  -11370, 15116,  10853,  -16650, 21819,
    -17877, 10704,  -7990,  23839,  21345,  -13751, -27968, 30607,  -18509, -31511, 5319,   12737,
    -21439, 18548,  -13466, 27394,  -9874,  -16376, 4680,   -9497,  -26285, 19881,  15838,  26848,
    11907,  -11968, -12796, -7033,  23297,  17448,  -16349, 5625,   -29921, -5039,  3486,   13529,
    9200,   -19678, 11036,  7221,   25249,  2418,   -28447, -7243,  1745,   -9330,  -9811,  32061,
    7823,   -2521,  5619,   -19739, 9804,   -15750, -25876, 3514,   -8080,  -14803, -23832, 3078,
    -1294,  2010,   237,    -27682, 5993,   -24307, 15894,  -22668, -8103,  -5588,  28888,  12238,
    16049,  15373,  24624,  16885,  -4337,  -19333, 18246,  31822,  14758,  -240,   24092,  16004,
    -19054, 22592,  -15623, -29261, -7044,  -21370, 12691,  31857,  -13113, 17789,  -28346, -28305,
    -1746,  -22308, 6178,   -27141,
};

} // namespace

StringHashTable::StringHashTable(uint32_t nodeSize, uint32_t exponent)
    : exponent_(exponent < LARGEST_EXPONENT ? exponent : LARGEST_EXPONENT),
      bucketCount_(1u << exponent_), mask_(bucketCount_ - 1),
      nodeSize_(nodeSize < sizeof(Node) ? sizeof(Node) : nodeSize),
      buckets_(new Node*[bucketCount_]) {
    for (uint32_t i = 0; i < bucketCount_; ++i)
        buckets_[i] = TakeNode();
}

StringHashTable::~StringHashTable() {
    RemoveAll();
    while (blocks_ != nullptr) {
        Block* next = blocks_->next;
        std::free(blocks_);
        blocks_ = next;
    }
    delete[] buckets_;
}

void StringHashTable::InvalidateList() {
    entryList_ = nullptr;
    listValid_ = 0;
}

StringHashTable::Node* StringHashTable::TakeNode() {
    if (freeList_ == nullptr) {
        // Nodes hold pointers, so they are kept at pointer alignment (4 bytes where the
        // table was first written).
        constexpr uint32_t align = alignof(Node);
        nodeSize_ = (nodeSize_ + align - 1) / align * align;
        void* memory = std::malloc(sizeof(Block) + size_t{nodeSize_} * NODES_PER_BLOCK);
        if (memory == nullptr)
            throw std::bad_alloc();
        Block* block = static_cast<Block*>(memory);
        block->next = blocks_;
        blocks_ = block;
        ++blockCount_;
        char* first = reinterpret_cast<char*>(block + 1);
        for (uint32_t i = 0; i < NODES_PER_BLOCK; ++i) {
            Node* node = reinterpret_cast<Node*>(first + size_t{nodeSize_} * i);
            node->chain = freeList_;
            freeList_ = node;
        }
    }
    Node* node = freeList_;
    freeList_ = node->chain;
    std::memset(static_cast<void*>(node), 0, nodeSize_);
    return node;
}

void StringHashTable::ReturnNode(Node* node, int freeKey) {
    if (freeKey && node->key != nullptr) {
        std::free(node->key);
        node->key = nullptr;
    }
    node->chain = freeList_;
    freeList_ = node;
}

StringHashTable::Node* StringHashTable::AddNode(uint32_t bucket, char* key) {
    Node* sentinel = buckets_[bucket & mask_];
    Node* node = TakeNode();
    node->key = key;
    node->chain = sentinel->chain;
    sentinel->chain = node;
    InvalidateList();
    return node;
}

StringHashTable::Node* StringHashTable::Lookup(const char* key, uint32_t* bucketOut) {
    const uint32_t bucket = HashString(key, 0) & mask_;
    if (bucketOut != nullptr)
        *bucketOut = bucket;
    for (Node* node = buckets_[bucket]->chain; node != nullptr; node = node->chain) {
        if (node->key != nullptr && std::strcmp(node->key, key) == 0)
            return node;
    }
    return nullptr;
}

StringHashTable::Node* StringHashTable::LookupOrAdd(const char* key) {
    uint32_t bucket = 0;
    if (Node* found = Lookup(key, &bucket))
        return found;
    char* copy = strdup(key);
    if (copy == nullptr)
        throw std::bad_alloc();
    return AddNode(bucket, copy);
}

void StringHashTable::RemoveAll() {
    for (uint32_t i = 0; i < bucketCount_; ++i) {
        Node* sentinel = buckets_[i];
        Node* node = sentinel->chain;
        while (node != nullptr) {
            Node* next = node->chain;
            ReturnNode(node, 1);
            node = next;
        }
        sentinel->chain = nullptr;
    }
    InvalidateList();
}

StringHashTable::Node* StringHashTable::FirstEntry() {
    if (listValid_)
        return entryList_;
    Node* tail = nullptr;
    entryList_ = nullptr;
    for (uint32_t i = 0; i < bucketCount_; ++i) {
        for (Node* node = buckets_[i]->chain; node != nullptr; node = node->chain) {
            node->list = nullptr;
            if (tail == nullptr)
                entryList_ = node;
            else
                tail->list = node;
            tail = node;
        }
    }
    listValid_ = 1;
    return entryList_;
}

uint32_t StringHashTable::HashString(const char* key, uint32_t seed) {
    uint32_t h = seed;
    for (const unsigned char* byte = reinterpret_cast<const unsigned char*>(key); *byte; ++byte)
        h = static_cast<uint32_t>(HASH_TABLE[*byte]) ^ (2 * h + (h >> 15));
    return h;
}

namespace {

LPDIRECT3DRMTEXTURE& TextureOf(StringHashTable::Node* node) {
    return *static_cast<LPDIRECT3DRMTEXTURE*>(StringHashTable::UserArea(node));
}

} // namespace

LPDIRECT3DRMTEXTURE GetSlotTexture(const char* name) {
    if (name == nullptr || D3D.lpD3DRM == nullptr)
        return nullptr;
    auto& registry = MachineScene.TextureRegistry;
    if (!registry)
        registry = std::make_unique<StringHashTable>(
            sizeof(StringHashTable::Node) + sizeof(LPDIRECT3DRMTEXTURE), REGISTRY_EXPONENT);
    StringHashTable::Node* node = registry->LookupOrAdd(name);
    LPDIRECT3DRMTEXTURE& texture = TextureOf(node);
    if (texture != nullptr)
        return texture;
    // A name too long for the buffer counts as a file that cannot be loaded.
    char fileName[252];
    const int length = std::snprintf(fileName, sizeof fileName, "%s.bmp", name);
    const bool fits = length >= 0 && static_cast<size_t>(length) < sizeof fileName;
    if (!fits || D3D.lpD3DRM->LoadTexture(fileName, &texture) < 0) {
        win::MessageBox(nullptr, fileName, "Error: Unable to load texture",
                        win::MB_OK | win::MB_ICONEXCLAMATION);
        texture = nullptr;
    }
    return texture;
}

void ReleaseAllTextures() {
    auto& registry = MachineScene.TextureRegistry;
    if (!registry)
        return;
    for (StringHashTable::Node* node = registry->FirstEntry(); node != nullptr; node = node->list) {
        rm::GiveUp(TextureOf(node));
    }
    registry->RemoveAll();
}
