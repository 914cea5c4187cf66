// Equal slots from aligned blocks; a slot finds its block by masking its address.
#include "scene/SlotPool.h"

#include <sys/mman.h>

#include <cstdint>
#include <new>

namespace {

// The size of a huge page: a block is one where the system gives them on
// request, faulted in at once and mapped by one TLB entry instead of 512.
constexpr std::size_t kBlockBytes = std::size_t(1) << 21;
constexpr std::size_t kAlign = alignof(std::max_align_t);

std::size_t roundUp(std::size_t n) {
    return (n + kAlign - 1) / kAlign * kAlign;
}

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kPooled = false;
#else
constexpr bool kPooled = true;
#endif

}  // namespace

struct SlotPool::Block {
    Block* prev = nullptr;
    Block* next = nullptr;
    bool listed = false;
    // Released slots, linked through their first bytes.
    void* released = nullptr;
    // Slots never handed out start here.
    std::size_t fresh = 0;
    std::size_t live = 0;

    char* slot(std::size_t i, std::size_t size) {
        return reinterpret_cast<char*>(this) + roundUp(sizeof(Block)) + i * size;
    }
};

SlotPool::SlotPool(std::size_t slotSize)
    : slotSize_(roundUp(std::max(slotSize, sizeof(void*)))),
      slotsPerBlock_((kBlockBytes - roundUp(sizeof(Block))) / slotSize_) {}

std::size_t SlotPool::blockCount() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return blocks_;
}

SlotPool::Block* SlotPool::newBlock() {
    // Twice the size, trimmed to an aligned block.
    void* raw =
        mmap(nullptr, 2 * kBlockBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED)
        throw std::bad_alloc();
    const auto begin = reinterpret_cast<std::uintptr_t>(raw);
    const std::uintptr_t start = (begin + kBlockBytes - 1) & ~(kBlockBytes - 1);
    if (start > begin)
        munmap(raw, start - begin);
    if (begin + 2 * kBlockBytes > start + kBlockBytes)
        munmap(reinterpret_cast<void*>(start + kBlockBytes), begin + kBlockBytes - start);
    // Only a request: where huge pages are off, the block has small ones.
    madvise(reinterpret_cast<void*>(start), kBlockBytes, MADV_HUGEPAGE);
#ifdef MADV_POPULATE_WRITE
    // One call faults in every page, where touching them one by one would trap for each.
    madvise(reinterpret_cast<void*>(start), kBlockBytes, MADV_POPULATE_WRITE);
#endif
    ++blocks_;
    return new (reinterpret_cast<void*>(start)) Block();
}

void SlotPool::unlist(Block* block) {
    if (block->prev)
        block->prev->next = block->next;
    else
        open_ = block->next;
    if (block->next)
        block->next->prev = block->prev;
    block->prev = block->next = nullptr;
    block->listed = false;
}

void* SlotPool::allocate() {
    if (!kPooled)
        return ::operator new(slotSize_);
    std::lock_guard<std::mutex> lock(mutex_);
    if (open_ == nullptr) {
        open_ = newBlock();
        open_->listed = true;
    }
    Block* block = open_;
    void* slot = block->released;
    if (slot != nullptr)
        block->released = *static_cast<void**>(slot);
    else
        slot = block->slot(block->fresh++, slotSize_);
    ++block->live;
    if (block->released == nullptr && block->fresh == slotsPerBlock_)
        unlist(block);
    return slot;
}

void SlotPool::release(void* slot) {
    if (!kPooled) {
        ::operator delete(slot);
        return;
    }
    if (slot == nullptr)
        return;
    std::lock_guard<std::mutex> lock(mutex_);
    auto* block =
        reinterpret_cast<Block*>(reinterpret_cast<std::uintptr_t>(slot) & ~(kBlockBytes - 1));
    *static_cast<void**>(slot) = block->released;
    block->released = slot;
    --block->live;
    if (!block->listed) {
        block->next = open_;
        if (open_)
            open_->prev = block;
        open_ = block;
        block->listed = true;
    }
    // An empty block goes back, unless it is the only one with room.
    if (block->live == 0 && (block->prev != nullptr || block->next != nullptr)) {
        unlist(block);
        block->~Block();
        munmap(block, kBlockBytes);
        --blocks_;
    }
}
