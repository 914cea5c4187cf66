// Memory for objects made by the ten thousand (the proteins and interactions
// of a pathway): equal slots carved from 2 MiB blocks, so that a read makes
// one allocation per block rather than one per object, with the block's pages
// (one huge page where the system allows) faulted in at once. A block goes
// back to the system when its last slot is released. Any thread.
//
// Under AddressSanitizer every slot is an allocation of its own, so that a
// use after release is still caught.
#pragma once

#include <cstddef>
#include <mutex>

class SlotPool {
public:
    explicit SlotPool(std::size_t slotSize);
    SlotPool(const SlotPool&) = delete;
    SlotPool& operator=(const SlotPool&) = delete;

    void* allocate();
    void release(void* slot);
    std::size_t slotSize() const { return slotSize_; }
    // Blocks held now (for tests).
    std::size_t blockCount() const;

private:
    struct Block;
    Block* newBlock();
    void unlist(Block* block);

    std::size_t slotSize_;
    std::size_t slotsPerBlock_;
    mutable std::mutex mutex_;
    // Blocks with a free slot.
    Block* open_ = nullptr;
    std::size_t blocks_ = 0;
};

// The pool of one class, for its operator new and delete: objects of exactly
// that class go to its slots, those of larger derived classes to the heap.
template <class T>
SlotPool& slotsOf() {
    // Never destroyed: objects may outlive static destruction.
    static SlotPool* pool = new SlotPool(sizeof(T));
    return *pool;
}

template <class T>
void* allocateSlot(std::size_t size) {
    return size == sizeof(T) ? slotsOf<T>().allocate() : ::operator new(size);
}

template <class T>
void releaseSlot(void* p, std::size_t size) {
    if (size == sizeof(T))
        slotsOf<T>().release(p);
    else
        ::operator delete(p);
}
