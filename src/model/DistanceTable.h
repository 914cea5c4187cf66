// The graph-wide "distance" group: one entry per (important protein, protein)
// pair, keyed "a|b" and holding "level#via". A network of a hundred seeds has
// about a million of them, so the usual entry is kept as four numbers (the two
// ends, the level and the protein it was reached through) rather than as a
// property with texts; any other form an entry may take in a file is kept
// exactly as read, beside them.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>

#include "engine/Table.h"
#include "model/Property.h"

#include <tsl/ordered_map.h>

class DistanceTable {
public:
    // Identifier texts are numbered once; an entry refers to them by number.
    int intern(const std::string& text);
    // -1 when the text was never numbered.
    int find(const std::string& text) const;
    const std::string& textOf(int id) const { return texts_[static_cast<std::size_t>(id)]; }

    // Adds "level#via" under (a, b) unless the pair holds an entry either way round.
    bool addIfAbsent(int a, int b, int level, int via);
    // Replaces (or adds, at the end) the entry under the whole key text.
    void set(const std::string& key, Array<std::string> values);
    void erase(const std::string& key);
    void clear();
    std::size_t size() const { return slots_.size(); }

    // The values under the whole key text; false when there is no entry.
    bool values(const std::string& key, Array<std::string>& out) const;
    // The entry under the key as a property that lives as long as the entry;
    // later reads see what is written into it. Null when there is no entry.
    Property* property(const std::string& key, const std::string& group) const;
    // The level of the entry under (a, b) or else (b, a), read as the number
    // before the first "#"; false when neither exists.
    bool level(int a, int b, int& out) const;

    // Calls write(key text, values) for every entry in the order they were made.
    template <class Write>
    void forEach(Write&& write) const {
        Array<std::string> one(1);
        for (const auto& [key, slot] : slots_) {
            const std::string keyText = keyTextOf(key);
            if (slot.via < 0) {
                write(keyText, side_.at(key)->values);
            } else {
                one[0] = valueText(slot);
                write(keyText, one);
            }
        }
    }

private:
    struct Slot {
        std::int32_t level;
        // The protein reached through; -1 when the entry is kept as texts in side_.
        std::int32_t via;
    };
    // Spreads the ends over the hash bits: identity hashing would put all the
    // entries of one protein into neighbouring buckets.
    struct Mix {
        std::size_t operator()(std::uint64_t k) const {
            k ^= k >> 33;
            k *= 0xff51afd7ed558ccdULL;
            k ^= k >> 33;
            k *= 0xc4ceb9fe1a85ec53ULL;
            k ^= k >> 33;
            return static_cast<std::size_t>(k);
        }
    };
    static constexpr std::uint32_t kNoBar = 0xffffffffu;

    static std::uint64_t pack(int a, std::uint32_t b) {
        return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(a)) << 32) | b;
    }
    // False when a part of the key was never numbered (so no entry can exist).
    bool keyOf(const std::string& key, std::uint64_t& out) const;
    std::uint64_t makeKey(const std::string& key);
    std::string keyTextOf(std::uint64_t key) const;
    std::string valueText(const Slot& slot) const;

    Array<std::string> texts_;
    std::unordered_map<std::string, int> ids_;
    mutable tsl::ordered_map<std::uint64_t, Slot, Mix> slots_;
    mutable std::unordered_map<std::uint64_t, std::unique_ptr<Property>> side_;
};
