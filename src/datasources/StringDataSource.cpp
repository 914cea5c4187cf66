// Protein source over a STRING interaction database: every operation builds
// SQL text, runs it on this source's own ODBC connection and reads the rows.
#include "datasources/StringDataSource.h"

#include <algorithm>

#include <atomic>
#include <cstdio>
#include <memory>

#include <QByteArray>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <QVariant>

#include "model/PropertyGraph.h"
#include "model/ProteinGraph.h"
#include "model/TextConversions.h"

namespace {

std::atomic<int> connectionCounter{0};

void trace(const char* format, int i) {
    std::printf(format, i);
    std::fflush(stdout);
}

std::string text(QSqlQuery& q, int column) {
    return q.value(column).toString().toStdString();
}

// Characters with a meaning of their own in to_tsquery input; a word holding
// one is passed as a quoted lexeme instead.
bool isPlainSearchWord(const std::string& word) {
    for (unsigned char c : word) {
        if (c < 0x20 || c == 0x7f)
            return false;
        switch (c) {
            case '\'':
            case '\\':
            case '&':
            case '|':
            case '!':
            case '(':
            case ')':
            case ':':
            case '*':
            case '<':
            case '>':
                return false;
            default:
                break;
        }
    }
    return true;
}

std::string tsqueryWord(const std::string& word) {
    if (isPlainSearchWord(word))
        return word;
    std::string quoted = "'";
    for (char c : word) {
        if (c == '\\' || c == '\'')
            quoted += c;
        quoted += c;
    }
    return quoted + "'";
}

// The copy suffixes of the entry of `id` ("_2#_3"), or the single "_" that
// stands for the id itself.
Array<std::string> copiesOf(const Table<std::string, std::string>& suffixes,
                            const std::string& id) {
    auto it = suffixes.find(id);
    Array<std::string> copies = split(it == suffixes.end() ? std::string() : it->second, "#");
    if (copies.empty())
        copies.push_back("_");
    return copies;
}

}  // namespace

StringDataSource::StringDataSource(std::string dataSourceName)
    : connectionName_("StringDataSource-" + intToString(++connectionCounter)) {
    QSqlDatabase db = QSqlDatabase::addDatabase("QODBC", QString::fromStdString(connectionName_));
    db.setDatabaseName(QString::fromStdString(dataSourceName));
    db.setUserName("");
    db.setPassword("");
    db.setHostName("");
    if (!db.open()) {
        std::string error = db.lastError().text().toStdString();
        std::printf("db not open\n");
        std::printf("%s\n", error.c_str());
        std::fflush(stdout);
        recordFailure(error.empty() ? "db not open" : error);
    }
}

StringDataSource::~StringDataSource() {
    {
        QSqlDatabase db = QSqlDatabase::database(QString::fromStdString(connectionName_), false);
        db.close();
    }
    QSqlDatabase::removeDatabase(QString::fromStdString(connectionName_));
}

bool StringDataSource::isOpen() const {
    return QSqlDatabase::database(QString::fromStdString(connectionName_), false).isOpen();
}

std::string StringDataSource::failure() const {
    if (failed_) {
        return "the STRING database failed: " + lastError_;
    }
    if (!isOpen()) {
        return "the STRING database connection is not open";
    }
    return "";
}

void StringDataSource::clearFailure() {
    failed_ = false;
    lastError_.clear();
}

void StringDataSource::recordFailure(const std::string& text) {
    failed_ = true;
    lastError_ = text;
}

bool StringDataSource::isValidSpecies(const std::string& species) {
    if (species.empty())
        return false;
    for (size_t i = 0; i < species.size(); ++i) {
        char c = species[i];
        bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
        bool digit = c >= '0' && c <= '9';
        if (!letter && !(digit && i > 0))
            return false;
    }
    return true;
}

std::string StringDataSource::textArray(const Array<std::string>& items, std::size_t first,
                                        std::size_t count) {
    std::string out = "{";
    for (std::size_t i = first; i < first + count && i < items.size(); ++i) {
        if (i != first)
            out += ',';
        out += '"';
        for (char c : items[i]) {
            // The server's text cannot hold NUL.
            if (c == '\0')
                continue;
            if (c == '"' || c == '\\')
                out += '\\';
            out += c;
        }
        out += '"';
    }
    return out + "}";
}

std::string StringDataSource::escapeLike(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (c == '\\' || c == '%' || c == '_')
            out += '\\';
        out += c;
    }
    return out;
}

std::string StringDataSource::bareId(const std::string& id) {
    return beforeDelimiter(id, "_");
}

bool StringDataSource::checkSpecies(const std::string& species) {
    if (isValidSpecies(species))
        return true;
    std::string message = "species \"" + species + "\" is not a valid table name prefix";
    std::fprintf(stderr, "StringDataSource: %s; no query sent\n", message.c_str());
    recordFailure(message);
    return false;
}

bool StringDataSource::run(const std::string& sql, const Array<std::string>& values,
                           const RowHandler& onRow) {
    QSqlDatabase db = QSqlDatabase::database(QString::fromStdString(connectionName_), false);
    if (!db.isOpen()) {
        if (!failed_)
            recordFailure("db not open");
        return false;
    }
    QSqlQuery q(db);
    // Rows are read once in order; set before exec so the driver streams them.
    q.setForwardOnly(true);
    bool ok = q.prepare(QString::fromStdString(sql));
    if (ok) {
        for (const std::string& value : values)
            q.addBindValue(QString::fromStdString(value));
        ok = q.exec();
    }
    if (!ok) {
        std::string error = q.lastError().text().toStdString();
        std::fprintf(stderr, "StringDataSource: query failed: %s\n", error.c_str());
        recordFailure(error);
        return false;
    }
    while (q.next()) {
        if (onRow)
            onRow(q);
    }
    if (q.lastError().isValid()) {
        std::string error = q.lastError().text().toStdString();
        std::fprintf(stderr, "StringDataSource: reading rows failed: %s\n", error.c_str());
        recordFailure(error);
        return false;
    }
    return true;
}

bool StringDataSource::runBatched(const Array<std::string>& ids, const std::string& sql, int batch,
                                  const char* traceFormat, const RowHandler& onRow) {
    const int n = static_cast<int>(ids.size());
    int first = 0;
    for (int i = 0; i < n; ++i) {
        bool send = (i != 0 && i % batch == 0) || i == n - 1;
        if (send) {
            trace(traceFormat, i);
            const std::size_t count = static_cast<std::size_t>(i - first + 1);
            if (!run(sql, {textArray(ids, static_cast<std::size_t>(first), count)}, onRow))
                return false;
            first = i + 1;
        }
    }
    return true;
}

Array<std::string> StringDataSource::searchProteins(std::string query, std::string species,
                                                    Array<std::string>* sources) {
    Array<std::string> result;
    if (sources)
        sources->clear();

    // The server's text cannot hold NUL: sent, it fails the query, and a
    // typing slip must not leave the source failed for every later search.
    query.erase(std::remove(query.begin(), query.end(), '\0'), query.end());
    std::string q = toUpper(query);
    Array<std::string> words;
    for (const std::string& word : split(q, " ")) {
        if (!word.empty())
            words.push_back(tsqueryWord(word));
    }
    // A blank query would match every protein through like '%%'.
    if (words.empty())
        return result;
    if (!checkSpecies(species))
        return result;
    species = toLower(species);

    // Words are joined with "&": all must occur, in any order.
    std::string tsquery;
    for (size_t i = 0; i < words.size(); ++i)
        tsquery += (i ? "&" : "") + words[i];

    Table<std::string, bool> seen;
    auto collect = [&](QSqlQuery& row) {
        std::string id = text(row, 0);
        if (seen.emplace(id, true).second)
            result.push_back(id);
    };
    bool ok =
        run("select protein_id from " + species +
                "_proteins where annotation_word_vectors @@ to_tsquery('default', ?)",
            {tsquery}, collect) &&
        run("select protein_id from " + species + "_proteins where upper(preferred_name) like ?",
            {"%" + escapeLike(q) + "%"}, collect);
    if (!ok)
        result.clear();
    if (sources)
        sources->assign(result.size(), "string");
    return result;
}

void StringDataSource::expandNetwork(Array<std::string> seeds, Array<std::string>& from,
                                     Array<std::string>& to, Array<int>& scores, int confidence,
                                     int levels, std::string species) {
    from.clear();
    to.clear();
    scores.clear();
    if (seeds.empty())
        return;
    if (!checkSpecies(species))
        return;
    species = toLower(species);

    // Copies of one protein (P1_1, P1_2) are seeded once as P1 and handed back
    // once per copy.
    Table<std::string, std::string> suffixes;
    for (size_t p = 0; p < seeds.size();) {
        std::string bare = bareId(seeds[p]);
        std::string suffix = afterDelimiter(seeds[p], "_");
        auto it = suffixes.find(bare);
        if (it != suffixes.end()) {
            it.value() += "#_" + suffix;
            seeds.erase(seeds.begin() + static_cast<std::ptrdiff_t>(p));
        } else {
            suffixes.emplace(bare, "_" + suffix);
            seeds[p] = bare;
            ++p;
        }
    }

    bool ok = run("select deleteseeds()");
    for (size_t i = 0; ok && i < seeds.size(); ++i) {
        ok = run("select insertseed(cast(? as text))", {seeds[i]});
    }
    const std::string threshold = intToString(confidence);
    for (int level = 0; ok && level < levels; ++level) {
        ok = run("select " + species + "_fib(cast(? as integer))", {threshold});
    }
    Table<std::string, bool> pairsSeen;
    if (ok) {
        ok =
            run("select distinct l.protein_id_a as ida, l.protein_id_b as idb, l.combined_score as "
                "combined_score from graphseed g1, graphseed g2, " +
                    species +
                    "_protein_protein_links l where l.protein_id_a = g1.id and l.protein_id_b = "
                    "g2.id and l.combined_score > cast(? as integer)",
                {threshold}, [&](QSqlQuery& row) {
                    std::string a = text(row, 0);
                    std::string b = text(row, 1);
                    int s = row.value(2).toInt();
                    // The links table holds both directions of a link; the
                    // graph wants each interaction once.
                    std::string key = a < b ? a + '\0' + b : b + '\0' + a;
                    if (!pairsSeen.emplace(std::move(key), true).second)
                        return;
                    Array<std::string> copiesA = copiesOf(suffixes, a);
                    Array<std::string> copiesB = copiesOf(suffixes, b);
                    for (const std::string& x : copiesA) {
                        for (const std::string& y : copiesB) {
                            from.push_back(x == "_" ? a : a + x);
                            to.push_back(y == "_" ? b : b + y);
                            scores.push_back(s);
                        }
                    }
                });
    }
    // A partial expansion would pass for a complete one.
    if (!ok) {
        from.clear();
        to.clear();
        scores.clear();
    }
}

template <class Value, class Collect>
Array<Value> StringDataSource::valuesPerId(const Array<std::string>& ids, const std::string& sql,
                                           int batch, const char* traceFormat, Collect collect) {
    Array<Value> out(ids.size(), Value{});
    Array<std::string> bare;
    bare.reserve(ids.size());
    for (const std::string& id : ids)
        bare.push_back(bareId(id));

    Table<std::string, Value> found;
    if (!runBatched(bare, sql, batch, traceFormat, [&](QSqlQuery& row) { collect(row, found); }))
        return out;
    for (size_t i = 0; i < bare.size(); ++i) {
        auto it = found.find(bare[i]);
        if (it != found.end())
            out[i] = it->second;
    }
    return out;
}

void StringDataSource::getNames(Array<std::string> ids, Array<std::string>& names,
                                Array<std::string> /*sources*/) {
    names = valuesPerId<std::string>(
        ids,
        "Select protein_id, preferred_name from proteins where protein_id = any(cast(? as text[]))",
        20, "exec names %d\n", [](QSqlQuery& row, Table<std::string, std::string>& found) {
            found[text(row, 0)] = text(row, 1) + "|string";
        });
}

void StringDataSource::getAnnotations(Array<std::string> ids, Array<std::string>& annotations) {
    annotations = valuesPerId<std::string>(
        ids,
        "select protein_id, annotation from proteins where protein_id = any(cast(? as text[]))",
        100, "exec names %d\n", [](QSqlQuery& row, Table<std::string, std::string>& found) {
            found.emplace(text(row, 0), text(row, 1));
        });
}

void StringDataSource::getInteractionCounts(Array<std::string> ids, Array<int>& counts,
                                            std::string species) {
    counts.assign(ids.size(), 0);
    if (ids.empty())
        return;
    if (!checkSpecies(species))
        return;
    species = toLower(species);
    counts = valuesPerId<int>(
        ids,
        "Select protein_id,nr_int from " + species +
            "_number_of_interactions where protein_id = any(cast(? as text[]))",
        100, "exec nr. interactions %d\n", [](QSqlQuery& row, Table<std::string, int>& found) {
            found[text(row, 0)] = row.value(1).toInt();
        });
}

Array<std::string> StringDataSource::firstTextPerId(const Array<std::string>& ids,
                                                    const std::string& sql, const char* traceFormat,
                                                    bool rawBytes) {
    return valuesPerId<std::string>(
        ids, sql, 100, traceFormat,
        [rawBytes](QSqlQuery& row, Table<std::string, std::string>& found) {
            std::string value;
            if (rawBytes) {
                QByteArray bytes = row.value(1).toByteArray();
                value.assign(bytes.constData(), static_cast<size_t>(bytes.size()));
            } else {
                value = text(row, 1);
            }
            found.emplace(text(row, 0), std::move(value));
        });
}

Array<std::string> StringDataSource::getSequences(const Array<std::string>& ids) {
    return firstTextPerId(ids,
                          "select i.protein_id, s.sequence from identifiers_proteins i, "
                          "ids_protein_sequences s where i.identifier = s.identifier and "
                          "i.protein_id = any(cast(? as text[]))",
                          "exec spec %d\n", true);
}

Array<std::string> StringDataSource::getSpeciesNames(const Array<std::string>& ids) {
    return firstTextPerId(ids,
                          "select p.protein_id, s.official_name from proteins p, species s where "
                          "p.species_id = s.species_id and p.protein_id = any(cast(? as text[]))",
                          "exec spec %d\n", false);
}

Array<std::string> StringDataSource::getExperimentalSets(const Array<std::string>& ids) {
    return valuesPerId<std::string>(
        ids,
        "select p.protein_id, s.title, s.comment, s.url, r.pubmed_id, s.set_id from "
        "experimentalsets_items p, experimental_sets s,experimentalsets_pubmedrefs r where "
        "s.set_id = p.set_id and r.set_id = p.set_id and p.protein_id = any(cast(? as text[]))",
        100, "exec names %d\n", [](QSqlQuery& row, Table<std::string, std::string>& found) {
            std::string entry = text(row, 1) + "#" + text(row, 2) + "#" + text(row, 3) + "#" +
                                text(row, 4) + "#" + text(row, 5);
            auto [it, added] = found.emplace(text(row, 0), entry);
            if (!added)
                it.value() += "|" + entry;
        });
}

void StringDataSource::addProperties(PropertyGraph& graph) {
    Array<std::string> ids;
    graph.getNodes(ids);
    if (ids.empty())
        return;

    Array<std::string> annotations;
    getAnnotations(ids, annotations);
    for (size_t i = 0; i < ids.size(); ++i) {
        graph.addNodeProperty(ids[i], std::make_unique<Property>("longname", annotations[i]));
    }
    Array<std::string> experimental = getExperimentalSets(ids);
    for (size_t i = 0; i < ids.size(); ++i) {
        graph.addNodeProperty(
            ids[i], std::make_unique<Property>("experimental", split(experimental[i], "|")));
    }
    Array<std::string> sequences = getSequences(ids);
    for (size_t i = 0; i < ids.size(); ++i) {
        graph.addNodeProperty(ids[i], std::make_unique<Property>("sequence", sequences[i]));
    }
    Array<std::string> speciesNames = getSpeciesNames(ids);
    for (size_t i = 0; i < ids.size(); ++i) {
        graph.addNodeProperty(ids[i], std::make_unique<Property>("species", speciesNames[i]));
    }
}

void StringDataSource::getProperties(ProteinGraph* graph) {
    if (graph)
        addProperties(*graph);
}
