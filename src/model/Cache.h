// Named string tables kept in a text file of line triples (table name, key, value),
// the side file that remembers per-pathway data between sessions.
#pragma once

#include <string>

#include "engine/Table.h"

class Cache {
public:
    // Loads the file when it exists; a missing file gives an empty cache.
    explicit Cache(std::string fileName);

    // Sets key to value in the named table, creating the table when missing. Refused
    // (false, nothing stored) when any of the three texts holds a line break, which
    // the file could not carry.
    bool insert(std::string cacheName, std::string key, std::string value);
    // True, with value set, when the named table holds key; value is untouched otherwise.
    bool lookup(std::string cacheName, std::string key, std::string& value) const;

    // Writes the file when something changed since the last load or save. The file is
    // replaced whole, so a failed save leaves the previous file intact; the cache then
    // stays changed so that the next save tries again. False when the write failed.
    bool save();
    // Writes the whole cache to `path`, which becomes its file; false, with
    // the file unchanged, when the write failed.
    bool saveAs(const std::string& path);

    // Forces the next save to write even when nothing was inserted.
    void markChanged() { dirty = true; }
    bool isChanged() const { return dirty; }
    const std::string& getFileName() const { return fileName; }

private:
    // Tables in order of first use; each keeps its keys in insertion order.
    Table<std::string, Table<std::string, std::string>> tables;
    bool dirty = false;
    std::string fileName;
};
