// The experiment store: entries, queries, file loaders and the two colourings.
#include "model/HeatmapSeries.h"

#include <QDomDocument>
#include <QDomElement>
#include <QFile>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <span>
#include <string_view>
#include <unordered_set>

#include "model/TextConversions.h"
#include "model/TextFile.h"
#include "model/Trace.h"

HeatmapSeries* experimentCache = nullptr;

HeatmapSeries* ensureExperimentCache() {
    if (!experimentCache) {
        experimentCache = new HeatmapSeries();
    }
    return experimentCache;
}

void destroyExperimentCache() {
    delete experimentCache;
    experimentCache = nullptr;
}

namespace {

// Files written on Windows keep a CR before each line break.
std::string withoutCarriageReturn(std::string text) {
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n')) {
        text.pop_back();
    }
    return text;
}

// A measured value: a text that starts with a finite decimal number. "", "ND", "?"
// and any other text are missing values.
bool readValue(std::string_view part, double& value) {
    while (!part.empty() && (part.back() == '\r' || part.back() == '\n')) {
        part.remove_suffix(1);
    }
    size_t i = 0;
    while (i < part.size() && (part[i] == ' ' || part[i] == '\t')) {
        ++i;
    }
    if (i < part.size() && (part[i] == '+' || part[i] == '-')) {
        ++i;
    }
    const bool digitFirst = i < part.size() && part[i] >= '0' && part[i] <= '9';
    const bool pointFirst =
        i + 1 < part.size() && part[i] == '.' && part[i + 1] >= '0' && part[i + 1] <= '9';
    if (!digitFirst && !pointFirst) {
        return false;
    }
    value = stringToDouble(std::string(part));
    return std::isfinite(value);
}

// A measured value is always finite, so NaN can stand for a missing one.
constexpr double kNoValue = std::numeric_limits<double>::quiet_NaN();

bool present(double v) {
    return !std::isnan(v);
}

// The values of a run of entries, each text split and parsed once.
class ParsedValues {
public:
    // Parses one entry's tab-separated values, as split() would cut them.
    void append(std::string_view text) {
        size_t start = 0;
        while (start < text.size()) {
            size_t end = text.find('\t', start);
            if (end == std::string_view::npos) {
                end = text.size();
            }
            double v = 0;
            values_.push_back(readValue(text.substr(start, end - start), v) ? v : kNoValue);
            start = end + 1;
        }
        endEntry();
    }
    void reserve(size_t entries, size_t values) {
        starts_.reserve(entries + 1);
        values_.reserve(values);
    }
    // Adds one value to the entry under construction.
    void push(double v) { values_.push_back(v); }
    void endEntry() { starts_.push_back(values_.size()); }
    // The values of the i-th entry appended.
    std::span<const double> operator[](size_t i) const {
        return std::span<const double>(values_).subspan(starts_[i], starts_[i + 1] - starts_[i]);
    }

private:
    Array<double> values_;
    Array<size_t> starts_{0};
};

float unit(double v) {
    return static_cast<float>(std::clamp(v, 0.0, 1.0));
}

const Vector3 kMissing(1, 1, 1);

// A colour whose components are not finite is reported and shown as missing.
Vector3 checkedColour(double r, double g, double b) {
    if (!std::isfinite(std::sqrt(r * r + g * g + b * b))) {
        trace("heatmap color not finite \n");
        return kMissing;
    }
    return Vector3(unit(r), unit(g), unit(b));
}

// Colours handed in from outside (a pathway file's heatmap lines) go to the
// glyphs, the list icons and the clustering: a component that is not a number
// marks the value missing, any other is held to 0..1.
void keepInRange(HeatmapColours& colours) {
    for (Vector3& c : colours) {
        if (std::isnan(c.x) || std::isnan(c.y) || std::isnan(c.z)) {
            c = kMissing;
        } else {
            c = Vector3(unit(c.x), unit(c.y), unit(c.z));
        }
    }
}

// A row of protein, label, detail and at least one value, in text: control
// bytes other than the tab mark binary data.
bool isExperimentRow(std::string_view line) {
    stripCarriageReturn(line);
    if (line.empty() || line.front() == '\t') {
        return false;
    }
    int tabs = 0;
    for (const char c : line) {
        if (c == '\t') {
            ++tabs;
        } else if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) {
            return false;
        }
    }
    return tabs >= 3;
}

// At least one well-formed row, and at least half of the rows well formed.
bool mostlyExperimentRows(const Array<std::string>& lines) {
    std::size_t good = 0, bad = 0;
    for (const std::string& line : lines) {
        if (line.empty() || line == "\r") {
            continue;
        }
        ++(isExperimentRow(line) ? good : bad);
    }
    return good > 0 && good >= bad;
}

}  // namespace

void HeatmapSeries::addEntry(std::string label_, std::string protein_, std::string detail_,
                             std::string values_, std::string experiment_, std::string note_) {
    addEntry(std::move(label_), std::move(protein_), std::move(detail_), std::move(values_),
             std::move(experiment_), std::move(note_), HeatmapColours());
}

void HeatmapSeries::addEntry(std::string label_, std::string protein_, std::string detail_,
                             std::string values_, std::string experiment_, std::string note_,
                             HeatmapColours colours_) {
    if (indexValid_) {
        index_.add(experiment_, protein_, entryCount());
    }
    keepInRange(colours_);
    label.push_back(std::move(label_));
    protein.push_back(std::move(protein_));
    detail.push_back(std::move(detail_));
    values.push_back(std::move(values_));
    colours.push_back(std::move(colours_));
    note.push_back(std::move(note_));
    experiment.push_back(std::move(experiment_));
}

void HeatmapSeries::reserve(size_t entries) {
    label.reserve(entries);
    protein.reserve(entries);
    detail.reserve(entries);
    values.reserve(entries);
    colours.reserve(entries);
    note.reserve(entries);
    experiment.reserve(entries);
}

void HeatmapSeries::removeEntry(int i) {
    if (i < 0 || i >= entryCount()) {
        return;
    }
    label.erase(label.begin() + i);
    protein.erase(protein.begin() + i);
    detail.erase(detail.begin() + i);
    values.erase(values.begin() + i);
    colours.erase(colours.begin() + i);
    note.erase(note.begin() + i);
    experiment.erase(experiment.begin() + i);
    indexValid_ = false;
    index_ = Index();
}

void HeatmapSeries::setColours(int i, HeatmapColours c) {
    if (i >= 0 && i < entryCount()) {
        keepInRange(c);
        colours[i] = std::move(c);
    }
}

void HeatmapSeries::Index::add(const std::string& experimentName, const std::string& proteinId,
                               int entry) {
    auto [it, added] = byExperiment.try_emplace(experimentName);
    if (added) {
        names.push_back(experimentName);
    }
    it->second.entries.push_back(entry);
    it->second.byProtein[proteinId].push_back(entry);
}

const HeatmapSeries::Index& HeatmapSeries::index() const {
    if (!indexValid_) {
        index_ = Index();
        for (int i = 0; i < entryCount(); ++i) {
            index_.add(experiment[i], protein[i], i);
        }
        indexValid_ = true;
    }
    return index_;
}

const Array<int>& HeatmapSeries::entriesOfExperiment(const std::string& experimentName) const {
    static const Array<int> none;
    const auto& byExperiment = index().byExperiment;
    const auto e = byExperiment.find(experimentName);
    return e == byExperiment.end() ? none : e->second.entries;
}

void HeatmapSeries::experimentNames(Array<std::string>& names) const {
    names = index().names;
}

void HeatmapSeries::proteinsOfExperiment(Array<std::string>& proteins,
                                         std::string experimentName) const {
    std::unordered_set<std::string> seen(proteins.begin(), proteins.end());
    for (int i : entriesOfExperiment(experimentName)) {
        if (seen.insert(protein[i]).second) {
            proteins.push_back(protein[i]);
        }
    }
}

void HeatmapSeries::experimentValues(std::string proteinId, Array<HeatmapColours>& colourLists,
                                     Array<std::string>& details, std::string experimentName,
                                     Array<std::string>& notes) const {
    const auto& byExperiment = index().byExperiment;
    const auto e = byExperiment.find(experimentName);
    if (e == byExperiment.end()) {
        return;
    }
    const auto p = e->second.byProtein.find(proteinId);
    if (p == e->second.byProtein.end()) {
        return;
    }
    for (int i : p->second) {
        colourLists.push_back(colours[i]);
        details.push_back(detail[i]);
        notes.push_back(note[i]);
    }
}

bool HeatmapSeries::loadExperimentFile(std::string fileName, int /*flags*/) {
    const size_t dot = fileName.rfind('.');
    if (dot != std::string::npos && fileName.substr(dot + 1) == "xml") {
        return loadXmlFile(fileName);
    }
    return loadTextFile(fileName);
}

bool HeatmapSeries::loadTextFile(const std::string& fileName) {
    const std::string name = std::filesystem::path(fileName).filename().string();

    TextFileReader reader;
    if (!reader.open(fileName)) {
        return false;
    }
    Array<std::string> lines;
    reader.readAllLines(lines);
    reader.close();

    // A picture, random bytes or an empty file read as lines too: an experiment
    // file is one whose rows are mostly well formed.
    if (!mostlyExperimentRows(lines)) {
        return false;
    }

    for (const std::string& rawLine : lines) {
        const std::string line = withoutCarriageReturn(rawLine);
        if (line.empty()) {
            continue;
        }
        const std::string field1 = beforeDelimiter(line, "\t");
        std::string rest = afterDelimiter(line, "\t");
        const std::string field2 = beforeDelimiter(rest, "\t");
        rest = afterDelimiter(rest, "\t");
        const std::string field3 = beforeDelimiter(rest, "\t");
        rest = afterDelimiter(rest, "\t");
        addEntry(field2, field1, field3, rest, name, "");
    }
    computeColours(name);
    return true;
}

namespace {

// The text of the first child of the element's first child element.
std::string columnText(const QDomElement& col) {
    return col.firstChildElement().firstChild().nodeValue().toStdString();
}

}  // namespace

bool HeatmapSeries::loadXmlFile(const std::string& fileName) {
    // The rows go straight into the store: no side file is written, so a load
    // never touches a file the user did not name.
    if (!isRegularFile(fileName)) {
        return false;
    }
    QFile file(QString::fromStdString(fileName));
    if (!file.open(QIODevice::ReadOnly)) {
        return false;
    }
    QDomDocument doc("heatmaps");
    if (!doc.setContent(&file)) {
        file.close();
        return false;
    }
    file.close();

    // Count and experiment carry over to later rows that lack them.
    int count = 0;
    std::string experimentName;
    Array<std::string> loaded;
    std::unordered_set<std::string> loadedSet;

    const QDomElement root = doc.documentElement();
    for (QDomElement set = root.firstChildElement(); !set.isNull();
         set = set.nextSiblingElement()) {
        if (set.tagName() != "RESULTSET") {
            continue;
        }
        for (QDomElement row = set.firstChildElement(); !row.isNull();
             row = row.nextSiblingElement()) {
            if (row.tagName() != "ROW") {
                continue;
            }
            std::string cols[11];
            std::string valueList;
            // Columns are told by position among the COL children only.
            int column = 0;
            for (QDomElement col = row.firstChildElement("COL"); !col.isNull();
                 col = col.nextSiblingElement("COL"), ++column) {
                if (column == 5) {
                    count = stringToInt(columnText(col));
                } else if (column == 6) {
                    experimentName = columnText(col);
                } else if (column == 7) {
                    int read = 0;
                    for (QDomElement v = col.firstChildElement(); !v.isNull() && read < count;
                         v = v.nextSiblingElement(), ++read) {
                        valueList += v.firstChild().nodeValue().toStdString() + "\t";
                    }
                } else if (column < 11 && column != 8) {
                    cols[column] = columnText(col);
                }
            }
            addEntry(cols[3], cols[2], cols[4] + "_" + cols[0], valueList, experimentName,
                     cols[9] + "," + cols[10]);
            if (loadedSet.insert(experimentName).second) {
                loaded.push_back(experimentName);
            }
        }
    }
    if (loaded.empty()) {
        // Well-formed XML without a single row is not an experiment file.
        return false;
    }
    for (const std::string& e : loaded) {
        computeColours(e);
    }
    return true;
}

void HeatmapSeries::computeColours(std::string experimentName) {
    const Array<int>& entries = entriesOfExperiment(experimentName);
    ParsedValues parsed;
    for (int k : entries) {
        parsed.append(values[k]);
    }
    // Per entry: the smallest positive value and the largest value.
    struct Range {
        double minPos = 0;
        double max = 0;
        bool anyPositive = false;
        bool anyValue = false;
    };
    Array<Range> ranges(entries.size());
    double ratio = 1.0;
    double top = -99999999999.0;
    for (size_t i = 0; i < entries.size(); ++i) {
        Range& r = ranges[i];
        for (double v : parsed[i]) {
            if (!present(v)) {
                continue;
            }
            if (v > 0 && (!r.anyPositive || v < r.minPos)) {
                r.minPos = v;
                r.anyPositive = true;
            }
            if (!r.anyValue || v > r.max) {
                r.max = v;
                r.anyValue = true;
            }
        }
        if (r.anyPositive) {
            ratio = std::max(ratio, r.max / r.minPos);
        }
        if (r.anyValue) {
            top = std::max(top, r.max);
        }
    }

    const double logHalfRatio = std::log(std::sqrt(ratio));
    for (size_t i = 0; i < entries.size(); ++i) {
        const Range& r = ranges[i];
        const std::span<const double> vs = parsed[i];
        HeatmapColours out;
        out.reserve(vs.size());
        const double mid = r.anyPositive ? std::sqrt(r.minPos * r.max) : 0.0;
        for (double v : vs) {
            if (!present(v)) {
                out.push_back(kMissing);
            } else if (vs.size() == 1) {
                const double t = top > 0 ? v / top : 0.0;
                out.push_back(checkedColour(t, 0, 1 - t));
            } else if (v <= 0) {
                out.push_back(Vector3(0, 0, 1));
            } else if (v == mid) {
                out.push_back(Vector3(0, 0, 0));
            } else {
                // Every value of an entry lies within the widest spread of the experiment.
                const double a =
                    logHalfRatio > 0 ? std::fabs(std::log(v / mid)) / logHalfRatio : 0.0;
                out.push_back(v < mid ? checkedColour(0, 0, a) : checkedColour(a, a, 0));
            }
        }
        colours[entries[i]] = std::move(out);
    }
}

namespace {

// Colours the entries of one ratio experiment; valuesOf(i) gives the values of entries[i].
template <class ValuesOf>
void colourRatios(const Array<int>& entries, ValuesOf valuesOf, Array<HeatmapColours>& colours) {
    // The scale comes from the positive ratios only: a ratio of 0 is the strongest low.
    double low = 1.0;
    double high = 1.0;
    for (size_t i = 0; i < entries.size(); ++i) {
        for (double v : valuesOf(i)) {
            if (present(v) && v > 0) {
                low = std::min(low, v);
                high = std::max(high, v);
            }
        }
    }
    const double logLow = std::log(low);
    const double logHigh = std::log(high);
    for (size_t i = 0; i < entries.size(); ++i) {
        const std::span<const double> vs = valuesOf(i);
        HeatmapColours out;
        out.reserve(vs.size());
        for (double v : vs) {
            if (!present(v) || v < 0) {
                out.push_back(kMissing);
                continue;
            }
            if (v == 1) {
                out.push_back(Vector3(0, 0, 0));
                continue;
            }
            // Share of the way from 1 to the end of the scale on v's side.
            double a = 1.0;
            if (v > 0 && v < 1) {
                a = logLow < 0 ? std::log(v) / logLow : 1.0;
            } else if (v > 1) {
                a = logHigh > 0 ? std::log(v) / logHigh : 1.0;
            }
            if (vs.size() == 1) {
                const double s = v < 1 ? 0.5 * a : 0.5 + 0.5 * a;
                out.push_back(checkedColour(s, 0, 1 - s));
            } else {
                out.push_back(v < 1 ? checkedColour(0, 0, a) : checkedColour(a, a, 0));
            }
        }
        colours[entries[i]] = std::move(out);
    }
}

}  // namespace

void HeatmapSeries::computeRatioColours(std::string experimentName) {
    const Array<int>& entries = entriesOfExperiment(experimentName);
    ParsedValues parsed;
    for (int k : entries) {
        parsed.append(values[k]);
    }
    colourRatios(
        entries, [&](size_t i) { return parsed[i]; }, colours);
}

void HeatmapSeries::addRatioExperiments() {
    Array<std::string> names;
    experimentNames(names);
    const int existing = entryCount();

    // Each value is parsed once, whatever the number of pairs it takes part in. Entries pair
    // by protein, label and detail, numbered once; '\n' cannot occur in a field read from a
    // line-based file, so it keeps the three parts apart.
    ParsedValues measured;
    measured.reserve(static_cast<size_t>(existing), 0);
    Array<int> keyOf(existing);
    std::unordered_map<std::string, int> keyNumbers;
    std::unordered_map<std::string, size_t> experimentNumbers;
    for (size_t e = 0; e < names.size(); ++e) {
        experimentNumbers.emplace(names[e], e);
    }
    // Per experiment: its entries, and its entries by key, each in entry order.
    Array<Array<int>> entriesOf(names.size());
    Array<std::unordered_map<int, Array<int>>> byKey(names.size());
    for (int i = 0; i < existing; ++i) {
        measured.append(values[i]);
        const int key = keyNumbers
                            .try_emplace(protein[i] + '\n' + label[i] + '\n' + detail[i],
                                         static_cast<int>(keyNumbers.size()))
                            .first->second;
        keyOf[i] = key;
        const size_t e = experimentNumbers.at(experiment[i]);
        entriesOf[e].push_back(i);
        byKey[e][key].push_back(i);
    }

    // Each row to come, in order: for every ordered pair of experiments, every entry of the
    // first with its matches in the second. Knowing them first, the store grows once.
    struct Match {
        int a;
        const Array<int>* bs;
    };
    Array<Match> matches;
    Array<size_t> pairEnds;  // per ordered pair, where its matches end
    size_t added = 0;
    size_t addedValues = 0;
    for (size_t x = 0; x < names.size(); ++x) {
        for (size_t y = 0; y < names.size(); ++y) {
            for (size_t k = 0; x != y && k < entriesOf[x].size(); ++k) {
                const int a = entriesOf[x][k];
                const auto match = byKey[y].find(keyOf[a]);
                if (match != byKey[y].end()) {
                    matches.push_back({a, &match->second});
                    added += match->second.size();
                    addedValues += match->second.size() * measured[a].size();
                }
            }
            pairEnds.push_back(matches.size());
        }
    }
    reserve(static_cast<size_t>(existing) + added);

    // Values of the entries added here, the first being entry `existing`.
    ParsedValues ratios;
    ratios.reserve(added, addedValues);
    Array<std::string> ratioNames;
    std::unordered_set<std::string> seen;
    std::string text;
    size_t next = 0;
    for (size_t pair = 0; pair < pairEnds.size(); ++pair) {
        const size_t x = pair / names.size();
        const size_t y = pair % names.size();
        if (x == y) {
            continue;
        }
        const std::string ratioName = names[x] + "/" + names[y];
        for (; next < pairEnds[pair]; ++next) {
            const std::span<const double> av = measured[matches[next].a];
            for (int b : *matches[next].bs) {
                const std::span<const double> bv = measured[b];
                text.clear();
                for (size_t j = 0; j < av.size(); ++j) {
                    double r = kNoValue;
                    if (j < bv.size() && present(av[j]) && present(bv[j]) && bv[j] != 0 &&
                        std::isfinite(av[j] / bv[j])) {
                        r = av[j] / bv[j];
                        appendDouble(text, r);
                    }
                    ratios.push(r);
                    text += '\t';
                }
                ratios.endEntry();
                addEntry(label[b], protein[b], detail[b], text, ratioName, note[b]);
            }
        }
        if (seen.insert(ratioName).second) {
            ratioNames.push_back(ratioName);
        }
    }

    // The text of a ratio reads back as the same double, so the colours come from the
    // quotients themselves.
    for (const std::string& name : ratioNames) {
        const Array<int>& entries = entriesOfExperiment(name);
        if (entries.empty()) {
            continue;
        }
        if (entries.front() < existing) {
            // A loaded experiment already has this name: its entries are coloured too.
            computeRatioColours(name);
        } else {
            colourRatios(
                entries,
                [&](size_t i) { return ratios[static_cast<size_t>(entries[i] - existing)]; },
                colours);
        }
    }
}
