// HPRD flat-file protein source: loading, search, network expansion and lookups.
#include "datasources/HPRDDataSource.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <memory>
#include <unordered_set>
#include <utility>

#include "model/ProteinGraph.h"
#include "model/TextConversions.h"
#include "model/TextFile.h"
#include "model/WindowServices.h"

namespace {

void flushTraces() {
    std::fflush(stdout);
}

// The whole file in one read; false (and nothing) when it cannot be opened.
// Rows are then cut out of it in place, rather than read as a table of rows,
// so a full-size file costs no allocation per row beyond what the tables keep.
bool readWholeFile(const std::string& fileName, std::string& out) {
    out.clear();
    // Only regular files: a FIFO would block, a device would never end.
    if (!isRegularFile(fileName)) {
        return false;
    }
    std::ifstream in(fileName, std::ios::in | std::ios::binary);
    if (!in.is_open()) {
        return false;
    }
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    in.seekg(0, std::ios::beg);
    if (size > 0) {
        out.resize(static_cast<size_t>(size));
        in.read(out.data(), size);
        out.resize(static_cast<size_t>(in.gcount()));
    }
    return true;
}

// Walks the lines of a file image the way the line reader yields them: the
// line break (LF or CR LF) is stripped, and a file that ends in a line break
// has one last empty line.
class LineCursor {
public:
    explicit LineCursor(const std::string& text) : text_(text) {}

    static int countLines(const std::string& text) {
        return static_cast<int>(std::count(text.begin(), text.end(), '\n')) + 1;
    }

    std::string_view next() {
        const size_t end = std::min(text_.find('\n', pos_), text_.size());
        std::string_view line(text_.data() + pos_, end - pos_);
        pos_ = end + 1;
        stripCarriageReturn(line);
        return line;
    }

private:
    const std::string& text_;
    size_t pos_ = 0;
};

// Tab-separated fields with the field rules of split(): empty fields are kept
// except one after a trailing tab, and an empty line has none. Stores the
// first `capacity` fields and answers how many there are.
int splitFields(std::string_view line, std::string_view* fields, int capacity) {
    if (line.empty()) {
        return 0;
    }
    int count = 0;
    size_t start = 0;
    while (start < line.size()) {
        const size_t tab = line.find('\t', start);
        const size_t end = tab == std::string_view::npos ? line.size() : tab;
        if (count < capacity) {
            fields[count] = line.substr(start, end - start);
        }
        ++count;
        if (tab == std::string_view::npos) {
            break;
        }
        start = tab + 1;
        if (start == line.size()) {
            break;
        }
    }
    return count;
}

int progressValue(int row, int rows, double offset) {
    return static_cast<int>(static_cast<double>(row) / static_cast<double>(rows) * 50.0 + offset);
}

void assignUpper(std::string& out, std::string_view text) {
    out.assign(text);
    for (char& c : out) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
}

bool isAliasSeparator(char c) {
    return c == ';' || c == ' ' || c == '-' || c == ',';
}

// Whether the comma-separated list (after its leading type field) holds `token`.
bool holdsListedToken(std::string_view list, std::string_view token) {
    size_t start = list.find(',');
    while (start != std::string_view::npos) {
        ++start;
        const size_t end = std::min(list.find(',', start), list.size());
        if (list.substr(start, end - start) == token) {
            return true;
        }
        start = end < list.size() ? end : std::string_view::npos;
    }
    return false;
}

// Appends the PubMed ids of `pubmeds` the entry does not hold yet, in order.
void mergePubmeds(std::string& entry, std::string_view pubmeds) {
    size_t start = 0;
    while (start <= pubmeds.size()) {
        const size_t end = std::min(pubmeds.find(',', start), pubmeds.size());
        const std::string_view id = pubmeds.substr(start, end - start);
        if (!id.empty() && !holdsListedToken(entry, id)) {
            entry += ',';
            entry += id;
        }
        start = end + 1;
    }
}

// The identifier without its copy suffix (P1 for P1_2).
std::string_view bareId(std::string_view id) {
    return id.substr(0, id.find('_'));
}

// An undirected pair as one key, whichever way round it is met.
std::string pairKey(std::string_view a, std::string_view b) {
    if (b < a) {
        std::swap(a, b);
    }
    std::string key;
    key.reserve(a.size() + b.size() + 1);
    key.append(a).push_back('\0');
    key.append(b);
    return key;
}

}  // namespace

HPRDDataSource::HPRDDataSource(const std::string& nomenclatureFile,
                               const std::string& interactionFile, const std::string& /*unused*/,
                               WindowServices* progress) {
    if (progress) {
        progress->createProgressDialog(0, 102, "Loading HPRD...");
        progress->stepProgress(1);
    }
    nomenclaturePath = nomenclatureFile;
    interactionPath = interactionFile;
    loadNomenclature(nomenclatureFile, progress);
    loadInteractions(interactionFile, progress);
    std::printf("done loading hprd\n");
    flushTraces();
    if (progress) {
        progress->stepProgress(102);
    }
}

std::string HPRDDataSource::failure() const {
    if (nameIndex.empty() || interactionInfo.empty()) {
        return "the HPRD files could not be read (no proteins or no interactions loaded)";
    }
    return "";
}

std::string HPRDDataSource::unusableFile() const {
    if (interactionInfo.empty()) {
        return interactionPath;
    }
    for (const auto& entry : partners) {
        if (names.contains(entry.first)) {
            return "";
        }
    }
    return nomenclaturePath;
}

void HPRDDataSource::loadNomenclature(const std::string& fileName, WindowServices* progress) {
    std::printf("open nomenclature file \n");
    std::string text;
    const bool opened = readWholeFile(fileName, text);
    std::printf("read nomenclature file \n");
    // The line reader's table read announces itself so; the trace stays the same.
    std::printf("done tabular\n");
    flushTraces();
    if (progress) {
        progress->stepProgress(2);
    }
    std::printf("closed nomenclature file \n");
    flushTraces();
    if (!opened) {
        return;
    }

    const int rows = LineCursor::countLines(text);
    names.reserve(static_cast<size_t>(rows));
    annotations.reserve(static_cast<size_t>(rows));
    nameIndex.reserve(static_cast<size_t>(rows) * 4);
    LineCursor cursor(text);
    std::string_view fields[4];
    for (int i = 0; i < rows; ++i) {
        const std::string_view line = cursor.next();
        if (progress) {
            progress->stepProgress(progressValue(i, rows, 1.0));
        }
        const int count = splitFields(line, fields, 4);
        std::printf("1)done line %d  %d  %d\n", i, static_cast<int>(nameIndex.size()), count);
        // Without a name there is nothing to index; the alias field may be missing.
        if (count < 2) {
            continue;
        }
        addNomenclatureRow(fields[0], fields[1], count > 3 ? fields[3] : std::string_view());
    }
    flushTraces();
}

void HPRDDataSource::addNomenclatureRow(std::string_view id, std::string_view name,
                                        std::string_view aliases) {
    keyScratch.assign(id);
    // Until an id repeats in a later row, every list holding it got it from this
    // row and holds it last, so the repeat check need not scan whole lists.
    const bool idSeenBefore = names.contains(keyScratch);
    names[keyScratch] = std::string(name);
    annotations[keyScratch] = std::string(aliases);

    assignUpper(otherKeyScratch, name);
    nameIndex[otherKeyScratch].emplace_back(id);

    size_t tokenStart = 0;
    for (size_t k = 0; k <= aliases.size(); ++k) {
        if (k < aliases.size() && !isAliasSeparator(aliases[k])) {
            continue;
        }
        if (k > tokenStart) {
            assignUpper(otherKeyScratch, aliases.substr(tokenStart, k - tokenStart));
            Array<std::string>& ids = nameIndex[otherKeyScratch];
            const bool held = idSeenBefore ? std::find(ids.begin(), ids.end(), id) != ids.end()
                                           : !ids.empty() && ids.back() == id;
            if (!held) {
                ids.emplace_back(id);
            }
        }
        tokenStart = k + 1;
    }
}

void HPRDDataSource::loadInteractions(const std::string& fileName, WindowServices* progress) {
    std::printf("open interaction file \n");
    std::string text;
    const bool opened = readWholeFile(fileName, text);
    std::printf("done tabular\n");
    std::printf("close interaction file \n");
    flushTraces();
    if (progress) {
        progress->stepProgress(52);
    }
    if (!opened) {
        return;
    }

    const int rows = LineCursor::countLines(text);
    partners.reserve(names.size() + 16);
    interactionInfo.reserve(static_cast<size_t>(rows));
    LineCursor cursor(text);
    std::string_view fields[8];
    for (int i = 0; i < rows; ++i) {
        const std::string_view line = cursor.next();
        if (progress) {
            progress->stepProgress(progressValue(i, rows, 52.0));
        }
        std::printf("2) done line %d \n", i);
        if (splitFields(line, fields, 8) != 8) {
            std::printf("i = %d\n", i);
            continue;
        }
        if (fields[6] != "in vivo") {
            continue;
        }
        addInteractionRow(fields[1], fields[4], fields[6], fields[7]);
    }
    flushTraces();
}

void HPRDDataSource::addInteractionRow(std::string_view first, std::string_view second,
                                       std::string_view type, std::string_view pubmeds) {
    keyScratch.assign(first);
    partners[keyScratch].emplace_back(second);
    otherKeyScratch.assign(second);
    partners[otherKeyScratch].emplace_back(first);

    // Repeated rows of a pair (in either direction) add their PubMed ids to the
    // entry of its first row rather than replace it.
    keyScratch.append("#").append(second);
    auto entry = interactionInfo.find(keyScratch);
    if (entry == interactionInfo.end()) {
        otherKeyScratch.append("#").append(first);
        entry = interactionInfo.find(otherKeyScratch);
    }
    if (entry == interactionInfo.end()) {
        entry = interactionInfo.emplace(keyScratch, std::string(type)).first;
    }
    mergePubmeds(entry.value(), pubmeds);
}

Array<std::string> HPRDDataSource::searchProteins(std::string query, std::string /*species*/,
                                                  Array<std::string>* /*sources*/) {
    const Array<std::string> words = split(toUpper(std::move(query)), " ");
    Array<std::string> result;
    if (words.empty()) {
        return result;
    }
    // Ids of every key containing the word, each once, in the order first met.
    auto collect = [this](const std::string& word, Array<std::string_view>* ordered,
                          std::unordered_set<std::string_view>& ids) {
        for (const auto& [key, keyIds] : nameIndex) {
            if (key.find(word) == std::string::npos) {
                continue;
            }
            for (const std::string& id : keyIds) {
                if (ids.insert(id).second && ordered) {
                    ordered->push_back(id);
                }
            }
        }
    };
    Array<std::string_view> candidates;
    std::unordered_set<std::string_view> firstIds;
    collect(words[0], &candidates, firstIds);
    for (size_t w = 1; w < words.size() && !candidates.empty(); ++w) {
        std::unordered_set<std::string_view> ids;
        collect(words[w], nullptr, ids);
        std::erase_if(candidates, [&ids](std::string_view id) { return !ids.contains(id); });
    }
    result.assign(candidates.begin(), candidates.end());
    return result;
}

void HPRDDataSource::expandNetwork(Array<std::string> seeds, Array<std::string>& from,
                                   Array<std::string>& to, Array<int>& scores, int /*confidence*/,
                                   int levels, std::string /*species*/) {
    from.clear();
    to.clear();
    scores.clear();

    // Seeds lose their copy suffixes; every copy of one protein is remembered so
    // its interactions can be handed back once per copy.
    Table<std::string, std::string> suffixes;
    for (size_t p = 0; p < seeds.size();) {
        const std::string seed = seeds[p];
        const size_t cut = seed.find('_');
        std::string bare = seed.substr(0, cut);
        const std::string suffix = cut == std::string::npos ? "" : seed.substr(cut + 1);
        auto known = suffixes.find(bare);
        if (known != suffixes.end()) {
            known.value() += "#_" + suffix;
            std::printf("removing %s from seeds\n", seed.c_str());
            seeds.erase(seeds.begin() + static_cast<std::ptrdiff_t>(p));
        } else {
            suffixes.emplace(bare, "_" + suffix);
            std::printf("trimming %s from seeds\n", seed.c_str());
            seeds[p] = std::move(bare);
            ++p;
        }
    }
    flushTraces();

    // Breadth-first walk. A protein is expanded once: expanding it again would
    // record no new pair, only grow the frontier with hubs' partners each level.
    Array<std::pair<std::string_view, std::string_view>> pairs;
    std::unordered_set<std::string> seen;
    std::unordered_set<std::string_view> queued(seeds.begin(), seeds.end());
    Array<std::string_view> frontier(seeds.begin(), seeds.end());
    Array<std::string_view> next;
    std::string lookup;
    for (int level = 0; level < levels && !frontier.empty(); ++level) {
        next.clear();
        for (std::string_view f : frontier) {
            lookup.assign(f);
            auto list = partners.find(lookup);
            if (list == partners.end()) {
                continue;
            }
            for (const std::string& p : list->second) {
                if (queued.insert(p).second) {
                    next.push_back(p);
                }
                if (seen.insert(pairKey(f, p)).second) {
                    pairs.emplace_back(f, p);
                }
            }
        }
        frontier.swap(next);
    }

    Table<std::string, Array<std::string>> copies;
    for (const auto& [bare, entry] : suffixes) {
        copies.emplace(bare, split(entry, "#"));
    }
    const Array<std::string> plain{"_"};
    auto copiesOf = [&](std::string_view id) -> const Array<std::string>& {
        lookup.assign(id);
        auto found = copies.find(lookup);
        return found == copies.end() || found->second.empty() ? plain : found->second;
    };
    auto withSuffix = [](std::string_view id, const std::string& suffix) {
        std::string out(id);
        if (suffix != "_") {
            out += suffix;
        }
        return out;
    };
    for (const auto& [a, b] : pairs) {
        const Array<std::string>& la = copiesOf(a);
        const Array<std::string>& lb = copiesOf(b);
        for (const std::string& x : la) {
            for (const std::string& y : lb) {
                from.push_back(withSuffix(a, x));
                to.push_back(withSuffix(b, y));
            }
        }
    }
    scores.assign(from.size(), interactionScore);
}

void HPRDDataSource::getNames(Array<std::string> ids, Array<std::string>& out,
                              Array<std::string> /*sources*/) {
    out.clear();
    out.reserve(ids.size());
    for (const std::string& id : ids) {
        keyScratch.assign(bareId(id));
        auto found = names.find(keyScratch);
        out.push_back(found == names.end() ? "???" : found->second);
    }
}

void HPRDDataSource::getAnnotations(Array<std::string> ids, Array<std::string>& out) {
    out.clear();
    out.reserve(ids.size());
    for (const std::string& id : ids) {
        keyScratch.assign(bareId(id));
        auto found = annotations.find(keyScratch);
        out.push_back(found == annotations.end() ? "" : found->second);
    }
}

void HPRDDataSource::getProperties(ProteinGraph* graph) {
    if (!graph) {
        return;
    }
    Array<std::string> nodes;
    graph->getNodes(nodes);
    for (const std::string& node : nodes) {
        // Copies of a protein carry the facts of the protein itself.
        keyScratch.assign(bareId(node));
        const auto annotation = annotations.find(keyScratch);
        graph->addNodeProperty(
            node, std::make_unique<Property>(
                      "longname", annotation == annotations.end() ? "" : annotation->second));
        graph->setRating("longname", 1);
        graph->addNodeProperty(
            node, std::make_unique<Property>(
                      "linkout", std::string(hprdBaseAddress) + "summary?protein=" + keyScratch +
                                     "&isoform_id=" + keyScratch + "_1&isoform_name=Isoform_1"));
        graph->setRating("linkout", 2);
        const auto list = partners.find(keyScratch);
        const size_t count = list == partners.end() ? 0 : list->second.size();
        graph->addNodeProperty(
            node, std::make_unique<Property>("# of interactions", std::to_string(count)));
        graph->setRating("# of interactions", 1);
    }

    Array<std::string> from, to;
    graph->getEdges(from, to, false);
    for (size_t k = 0; k < from.size(); ++k) {
        const std::string_view a = bareId(from[k]);
        const std::string_view b = bareId(to[k]);
        keyScratch.assign(a).append("#").append(b);
        auto info = interactionInfo.find(keyScratch);
        if (info == interactionInfo.end()) {
            keyScratch.assign(b).append("#").append(a);
            info = interactionInfo.find(keyScratch);
        }
        if (info == interactionInfo.end()) {
            continue;
        }
        const Array<std::string> parts = split(info->second, ",");
        if (parts.empty()) {
            continue;
        }
        graph->addEdgeProperty(from[k], to[k], std::make_unique<Property>("exp. type", parts[0]));
        graph->setRating("exp. type", 1);
        Array<std::string> links;
        for (size_t p = 1; p < parts.size(); ++p) {
            links.push_back(std::string(pubmedBaseAddress) + "pubmed/" + parts[p] +
                            "?dopt=Abstract");
        }
        graph->addEdgeProperty(from[k], to[k],
                               std::make_unique<Property>("pubmeds", std::move(links)));
        graph->setRating("pubmeds", 2);
    }
}

void HPRDDataSource::getInteractionCounts(Array<std::string> ids, Array<int>& counts,
                                          std::string /*species*/) {
    counts.clear();
    counts.reserve(ids.size());
    for (const std::string& id : ids) {
        keyScratch.assign(bareId(id));
        auto found = partners.find(keyScratch);
        counts.push_back(found == partners.end() ? 0 : static_cast<int>(found->second.size()));
    }
}
