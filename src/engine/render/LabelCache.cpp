// Labels packed into shared alpha pages.
#include "engine/render/LabelCache.h"

#include <algorithm>

#include "engine/render/RenderDevice.h"
#include "engine/render/Texture.h"

namespace {

int roundUp(int value, int step) {
    return (value + step - 1) / step * step;
}

// Each texel the mean of a 2 x 2 block, rounded as the texture mipmaps are.
std::vector<uint8_t> halved(const std::vector<uint8_t>& in, int w, int h) {
    const int ow = w / 2, oh = h / 2;
    std::vector<uint8_t> out(std::size_t(ow) * std::size_t(oh));
    for (int y = 0; y < oh; ++y) {
        const uint8_t* a = &in[std::size_t(2 * y) * std::size_t(w)];
        const uint8_t* b = a + w;
        uint8_t* o = &out[std::size_t(y) * std::size_t(ow)];
        for (int x = 0; x < ow; ++x)
            o[x] = uint8_t((a[2 * x] + a[2 * x + 1] + b[2 * x] + b[2 * x + 1] + 2) / 4);
    }
    return out;
}

}  // namespace

LabelCache::LabelCache(int maxPages) : maxPages_(std::max(1, maxPages)) {}

LabelCache::~LabelCache() = default;

void LabelCache::checkContext() {
    for (const Page& page : pages_) {
        if (page.texture->uploadedElsewhere()) {
            pages_.clear();
            entries_.clear();
            fillPage_ = -1;
            return;
        }
    }
}

const LabelCache::Slot* LabelCache::find(const std::string& key, int level) {
    auto found = entries_.find(key);
    if (found == entries_.end() || found->second.slot.level > level)
        return nullptr;
    pages_[std::size_t(found->second.page)].lastUse = ++clock_;
    return &found->second.slot;
}

bool LabelCache::allocate(Page& page, int w, int h, int& x, int& y) {
    for (Shelf& shelf : page.shelves) {
        if (shelf.height == h && shelf.used + w <= PAGE_SIZE) {
            x = shelf.used, y = shelf.y;
            shelf.used += w;
            return true;
        }
    }
    if (page.usedHeight + h > PAGE_SIZE)
        return false;
    page.shelves.push_back({page.usedHeight, h, w});
    x = 0, y = page.usedHeight;
    page.usedHeight += h;
    return true;
}

int LabelCache::emptiedPage(RenderDevice* rd) {
    if (int(pages_.size()) < maxPages_) {
        Page page;
        page.texture = Texture::alphaPage("labels:" + std::to_string(pages_.size()), PAGE_SIZE,
                                          PAGE_SIZE, LEVELS);
        pages_.push_back(std::move(page));
        return int(pages_.size()) - 1;
    }
    auto oldest = std::min_element(pages_.begin(), pages_.end(), [](const Page& a, const Page& b) {
        return a.lastUse < b.lastUse;
    });
    const int index = int(oldest - pages_.begin());
    // Quads gathered from this page must be drawn before its texels change.
    if (rd)
        rd->flush();
    for (const std::string& key : oldest->keys) {
        auto found = entries_.find(key);
        if (found != entries_.end() && found->second.page == index)
            entries_.erase(found);
    }
    oldest->keys.clear();
    oldest->shelves.clear();
    oldest->usedHeight = 0;
    return index;
}

const LabelCache::Slot* LabelCache::insert(const std::string& key, int level,
                                           const Picture& picture, RenderDevice* rd) {
    if (picture.width <= 0 || picture.height <= 0)
        return nullptr;
    int padW = 0, padH = 0;
    for (;; ++level) {
        if (level > COARSEST)
            return nullptr;
        padW = roundUp(picture.width, ALIGN << level);
        padH = roundUp(picture.height, ALIGN << level);
        if ((padW >> level) <= PAGE_SIZE && (padH >> level) <= PAGE_SIZE)
            break;
    }
    const int w = padW >> level, h = padH >> level;

    int x = 0, y = 0;
    if (fillPage_ < 0 || !allocate(pages_[std::size_t(fillPage_)], w, h, x, y)) {
        fillPage_ = emptiedPage(rd);
        if (!allocate(pages_[std::size_t(fillPage_)], w, h, x, y))
            return nullptr;
    }
    Page& page = pages_[std::size_t(fillPage_)];
    page.lastUse = ++clock_;
    page.keys.push_back(key);

    std::vector<uint8_t> image(std::size_t(padW) * std::size_t(padH), 0);
    for (int row = 0; row < picture.height; ++row)
        std::copy_n(&picture.alpha[std::size_t(row) * std::size_t(picture.width)], picture.width,
                    &image[std::size_t(row) * std::size_t(padW)]);
    int iw = padW, ih = padH;
    for (int l = 0; l < level + LEVELS; ++l) {
        if (l >= level) {
            const int m = l - level;
            page.texture->writeAlpha(m, x >> m, y >> m, iw, ih, image);
        }
        if (l + 1 < level + LEVELS) {
            image = halved(image, iw, ih);
            iw /= 2, ih /= 2;
        }
    }

    Entry& entry = entries_[key];
    entry.page = fillPage_;
    const float scale = 1.0f / PAGE_SIZE;
    entry.slot = {page.texture, x * scale,       y * scale, (x + w) * scale, (y + h) * scale, padW,
                  padH,         picture.originX, level};
    return &entry.slot;
}
