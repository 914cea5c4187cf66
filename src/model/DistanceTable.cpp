// Numbered identifiers, packed entries and the texts they stand for.
#include "model/DistanceTable.h"

#include <charconv>

#include "model/TextConversions.h"

namespace {

// The level of "level#via" when the text is exactly that form (so that writing
// the numbers back gives the same bytes); false otherwise.
bool canonicalLevel(const std::string& value, std::size_t hash, std::int32_t& level) {
    const char* first = value.data();
    const char* last = first + hash;
    const auto [end, error] = std::from_chars(first, last, level);
    return error == std::errc() && end == last && intToString(level) == value.substr(0, hash);
}

}  // namespace

int DistanceTable::intern(const std::string& text) {
    auto [it, added] = ids_.try_emplace(text, static_cast<int>(texts_.size()));
    if (added) {
        texts_.push_back(text);
    }
    return it->second;
}

int DistanceTable::find(const std::string& text) const {
    auto it = ids_.find(text);
    return it == ids_.end() ? -1 : it->second;
}

bool DistanceTable::addIfAbsent(int a, int b, int level, int via) {
    const std::uint64_t key = pack(a, static_cast<std::uint32_t>(b));
    if (slots_.contains(key) || slots_.contains(pack(b, static_cast<std::uint32_t>(a)))) {
        return false;
    }
    slots_.emplace(key, Slot{level, via});
    return true;
}

bool DistanceTable::keyOf(const std::string& key, std::uint64_t& out) const {
    const std::size_t bar = key.find('|');
    const int a = find(key.substr(0, bar));
    if (a < 0) {
        return false;
    }
    if (bar == std::string::npos) {
        out = pack(a, kNoBar);
        return true;
    }
    const int b = find(key.substr(bar + 1));
    out = pack(a, static_cast<std::uint32_t>(b));
    return b >= 0;
}

std::uint64_t DistanceTable::makeKey(const std::string& key) {
    const std::size_t bar = key.find('|');
    const int a = intern(key.substr(0, bar));
    return pack(a, bar == std::string::npos
                       ? kNoBar
                       : static_cast<std::uint32_t>(intern(key.substr(bar + 1))));
}

std::string DistanceTable::keyTextOf(std::uint64_t key) const {
    const auto b = static_cast<std::uint32_t>(key);
    std::string text = textOf(static_cast<int>(key >> 32));
    if (b != kNoBar) {
        text += '|';
        text += textOf(static_cast<int>(b));
    }
    return text;
}

std::string DistanceTable::valueText(const Slot& slot) const {
    std::string text = intToString(slot.level);
    text += '#';
    text += textOf(slot.via);
    return text;
}

void DistanceTable::set(const std::string& key, Array<std::string> values) {
    const std::uint64_t packed = makeKey(key);
    std::int32_t level = 0;
    const std::size_t hash = values.size() == 1 ? values[0].find('#') : std::string::npos;
    if (hash != std::string::npos && canonicalLevel(values[0], hash, level)) {
        slots_.insert_or_assign(packed, Slot{level, intern(values[0].substr(hash + 1))});
        side_.erase(packed);
        return;
    }
    slots_.insert_or_assign(packed, Slot{0, -1});
    side_[packed] = std::make_unique<Property>("", std::move(values));
}

void DistanceTable::erase(const std::string& key) {
    std::uint64_t packed = 0;
    if (keyOf(key, packed)) {
        slots_.erase(packed);  // keeps the order of the rest
        side_.erase(packed);
    }
}

void DistanceTable::clear() {
    slots_.clear();
    side_.clear();
    texts_.clear();
    ids_.clear();
}

bool DistanceTable::values(const std::string& key, Array<std::string>& out) const {
    std::uint64_t packed = 0;
    if (!keyOf(key, packed)) {
        return false;
    }
    auto it = slots_.find(packed);
    if (it == slots_.end()) {
        return false;
    }
    if (it->second.via < 0) {
        out = side_.at(packed)->values;
    } else {
        out.assign(1, valueText(it->second));
    }
    return true;
}

Property* DistanceTable::property(const std::string& key, const std::string& group) const {
    std::uint64_t packed = 0;
    if (!keyOf(key, packed)) {
        return nullptr;
    }
    auto it = slots_.find(packed);
    if (it == slots_.end()) {
        return nullptr;
    }
    // A caller may change what it is handed, so the entry moves to the text form.
    if (it->second.via >= 0) {
        side_[packed] = std::make_unique<Property>(group, valueText(it->second));
        it.value().via = -1;
    }
    Property* held = side_.at(packed).get();
    held->name = group;
    return held;
}

bool DistanceTable::level(int a, int b, int& out) const {
    auto it = slots_.find(pack(a, static_cast<std::uint32_t>(b)));
    if (it == slots_.end()) {
        it = slots_.find(pack(b, static_cast<std::uint32_t>(a)));
        if (it == slots_.end()) {
            return false;
        }
    }
    out = it->second.via >= 0 ? it->second.level
                              : stringToInt(beforeDelimiter(side_.at(it->first)->getValue(), "#"));
    return true;
}
