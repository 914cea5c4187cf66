// Rendered labels, each kept as one alpha image in shared texture pages, so
// that a label draws as one textured quad and a frame's labels as a few
// draws. Pages are packed in shelves of equal height; when the page bound is
// reached, the page used longest ago is emptied for new labels.
//
// A label is stored at a mipmap level fit for its size on screen (coarser
// for smaller labels, so thousands fit): level L holds every 2^L x 2^L block
// of the full image as one texel, and a page keeps LEVELS levels below that,
// made by the same halving, so a label looks the same from whichever level
// it is drawn. GUI thread only, with the drawing context current.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

class RenderDevice;
class Texture;

class LabelCache {
public:
    static constexpr int PAGE_SIZE = 1024;
    static constexpr int LEVELS = 4;
    // Labels start on multiples of this in their page, so every kept level
    // of a label is whole texels of that level.
    static constexpr int ALIGN = 1 << (LEVELS - 1);
    // Coarsest level a label is stored at: past it a label is too wide.
    static constexpr int COARSEST = 6;

    // A label at full resolution: alpha, row by row from the top.
    struct Picture {
        int width = 0;
        int height = 0;
        std::vector<uint8_t> alpha;
        // Where the picture's left edge lies from the label's pen start, in
        // texels of the full resolution.
        int originX = 0;
    };

    // Where a label lies: its page, the texture rectangle, and the full
    // resolution size the rectangle stands for (padded to whole blocks).
    struct Slot {
        std::shared_ptr<Texture> page;
        float s0 = 0, t0 = 0, s1 = 0, t1 = 0;
        int width = 0, height = 0;
        int originX = 0;
        int level = 0;
    };

    explicit LabelCache(int maxPages = 32);
    ~LabelCache();

    // Empties the cache when its pages were uploaded to a context the
    // current one does not share (what they held is not there).
    void checkContext();

    // The label `key`, stored at `level` or finer; null when missing or
    // stored coarser. Marks it used.
    const Slot* find(const std::string& key, int level);

    // Stores the label at `level` (coarser when it is too wide for a page)
    // and queues its texels; null when it is too wide at every level. A page
    // emptied for it is drawn first through rd, so nothing gathered from it
    // changes.
    const Slot* insert(const std::string& key, int level, const Picture& picture, RenderDevice* rd);

    std::size_t size() const { return entries_.size(); }
    std::size_t pageCount() const { return pages_.size(); }

private:
    struct Shelf {
        int y = 0, height = 0, used = 0;
    };
    struct Page {
        std::shared_ptr<Texture> texture;
        std::vector<Shelf> shelves;
        int usedHeight = 0;
        uint64_t lastUse = 0;
        std::vector<std::string> keys;
    };
    struct Entry {
        Slot slot;
        int page = 0;
    };

    // A w x h rectangle of page p, or false when it has no room.
    bool allocate(Page& page, int w, int h, int& x, int& y);
    int emptiedPage(RenderDevice* rd);

    int maxPages_;
    int fillPage_ = -1;
    uint64_t clock_ = 0;
    std::vector<Page> pages_;
    std::unordered_map<std::string, Entry> entries_;
};
