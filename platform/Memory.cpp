// Global and local memory blocks of the window system, on the C heap.
#include "Memory.h"

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <unordered_map>

namespace {

// Larger requests fail at once: the heap (or a sanitizer) would otherwise abort on them.
constexpr SIZE_T kMaxBlock = SIZE_T(1) << 32;

struct Block {
    void *data = nullptr;
    SIZE_T size = 0;
    bool moveable = false;
    int locks = 0;
};

struct Heap {
    std::mutex mutex;
    std::unordered_map<const void *, Block> blocks; // by handle
};

Heap &heap()
{
    static auto *h = new Heap; // never destroyed, blocks may be freed at exit
    return *h;
}

void *allocate(SIZE_T bytes, bool zero)
{
    // malloc(0) may return NULL; keep one byte so that every block has an address.
    const SIZE_T n = bytes ? bytes : 1;
    return zero ? std::calloc(n, 1) : std::malloc(n);
}

HGLOBAL allocBlock(UINT uFlags, SIZE_T bytes)
{
    if (bytes > kMaxBlock)
        return nullptr;
    void *data = allocate(bytes, (uFlags & GMEM_ZEROINIT) != 0);
    if (!data)
        return nullptr;
    Block b;
    b.data = data;
    b.size = bytes;
    b.moveable = (uFlags & GMEM_MOVEABLE) != 0;
    // A movable block is known by a handle of its own, so that it may move on reallocation.
    void *handle = data;
    if (b.moveable) {
        handle = std::malloc(1);
        if (!handle) {
            std::free(data);
            return nullptr;
        }
    }
    Heap &h = heap();
    std::lock_guard<std::mutex> lock(h.mutex);
    h.blocks.emplace(handle, b);
    return handle;
}

} // namespace

HGLOBAL GlobalAlloc(UINT uFlags, SIZE_T dwBytes)
{
    return allocBlock(uFlags, dwBytes);
}

void *GlobalLock(HGLOBAL hMem)
{
    Heap &h = heap();
    std::lock_guard<std::mutex> lock(h.mutex);
    const auto it = h.blocks.find(hMem);
    if (it == h.blocks.end())
        return nullptr;
    ++it->second.locks;
    return it->second.data;
}

BOOL GlobalUnlock(HGLOBAL hMem)
{
    Heap &h = heap();
    std::lock_guard<std::mutex> lock(h.mutex);
    const auto it = h.blocks.find(hMem);
    if (it == h.blocks.end() || it->second.locks == 0)
        return FALSE;
    return --it->second.locks > 0;
}

HGLOBAL GlobalFree(HGLOBAL hMem)
{
    if (!hMem)
        return nullptr;
    Heap &h = heap();
    std::lock_guard<std::mutex> lock(h.mutex);
    const auto it = h.blocks.find(hMem);
    if (it == h.blocks.end())
        return hMem;
    std::free(it->second.data);
    if (it->second.moveable)
        std::free(hMem);
    h.blocks.erase(it);
    return nullptr;
}

SIZE_T GlobalSize(HGLOBAL hMem)
{
    Heap &h = heap();
    std::lock_guard<std::mutex> lock(h.mutex);
    const auto it = h.blocks.find(hMem);
    return it == h.blocks.end() ? 0 : it->second.size;
}

HGLOBAL GlobalReAlloc(HGLOBAL hMem, SIZE_T dwBytes, UINT uFlags)
{
    if (dwBytes > kMaxBlock)
        return nullptr;
    Heap &h = heap();
    std::unique_lock<std::mutex> lock(h.mutex);
    const auto it = h.blocks.find(hMem);
    if (it == h.blocks.end())
        return nullptr;
    Block &b = it->second;
    // A locked block, or a fixed one without permission to move, must stay where it is.
    if (!b.moveable && !(uFlags & GMEM_MOVEABLE) && dwBytes > b.size)
        return nullptr;
    if (b.moveable && b.locks > 0 && dwBytes > b.size)
        return nullptr;
    void *data = std::realloc(b.data, dwBytes ? dwBytes : 1);
    if (!data)
        return nullptr;
    if ((uFlags & GMEM_ZEROINIT) && dwBytes > b.size)
        std::memset(static_cast<char *>(data) + b.size, 0, dwBytes - b.size);
    if (b.moveable || data == b.data) {
        b.data = data;
        b.size = dwBytes;
        return hMem;
    }
    // A fixed block that moved gets the new address as its handle.
    Block moved = b;
    moved.data = data;
    moved.size = dwBytes;
    h.blocks.erase(it);
    h.blocks.emplace(data, moved);
    return data;
}

HLOCAL LocalAlloc(UINT uFlags, SIZE_T uBytes)
{
    return allocBlock(uFlags, uBytes);
}
HLOCAL LocalFree(HLOCAL hMem)
{
    return GlobalFree(hMem);
}

int AfxLiveMemoryBlocks()
{
    Heap &h = heap();
    std::lock_guard<std::mutex> lock(h.mutex);
    return int(h.blocks.size());
}
