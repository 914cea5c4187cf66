// Loading and atomic saving of the name cache file.
#include "model/Cache.h"

#include <cstdio>
#include <utility>

#include "model/TextFile.h"
#include "model/Trace.h"

namespace {

bool holdsLineBreak(const std::string& s) {
    return s.find_first_of("\r\n") != std::string::npos;
}

}  // namespace

Cache::Cache(std::string fileName_) : fileName(std::move(fileName_)) {
    TextFileReader reader;
    reader.open(fileName);
    std::string a, b, c;
    while (reader.readLine(a)) {
        if (!reader.readLine(b) || !reader.readLine(c)) {
            break;
        }
        if (!a.empty() && !b.empty() && !c.empty()) {
            insert(a, b, c);
        }
    }
    reader.close();
    dirty = false;
}

bool Cache::insert(std::string cacheName, std::string key, std::string value) {
    if (holdsLineBreak(cacheName) || holdsLineBreak(key) || holdsLineBreak(value)) {
        std::fprintf(stderr, "cache: refused an entry holding a line break\n");
        return false;
    }
    if (cacheName.empty()) {
        trace("inserted something with no cache name");
    }
    tables[cacheName][key] = std::move(value);
    dirty = true;
    return true;
}

bool Cache::lookup(std::string cacheName, std::string key, std::string& value) const {
    const auto table = tables.find(cacheName);
    if (table == tables.end()) {
        return false;
    }
    const auto entry = table->second.find(key);
    if (entry == table->second.end()) {
        return false;
    }
    value = entry->second;
    return true;
}

bool Cache::saveAs(const std::string& path) {
    const std::string previous = std::exchange(fileName, path);
    dirty = true;
    if (!save()) {
        fileName = previous;
        return false;
    }
    return true;
}

bool Cache::save() {
    if (!dirty) {
        return true;
    }
    std::string text;
    for (const auto& [name, table] : tables) {
        for (const auto& [key, value] : table) {
            text += name + "\n" + key + "\n" + value + "\n";
        }
    }
    // Written beside the target and renamed over it once complete.
    std::string why;
    if (!writeWhole(text, fileName, &why)) {
        std::fprintf(stderr, "cache: could not save %s: %s\n", fileName.c_str(), why.c_str());
        return false;
    }
    dirty = false;
    return true;
}
