// Protein source over a STRING interaction database on a PostgreSQL server,
// reached through an ODBC data source name with Qt's SQL module.
#pragma once

#include <functional>
#include <string>

#include "engine/Table.h"
#include "model/DataSource.h"

class PropertyGraph;
class QSqlQuery;

class StringDataSource : public DataSource {
public:
    // Connects at once; a connection that cannot be opened prints "db not open"
    // and the driver's error, and leaves a source that answers empty results
    // and reports failed().
    explicit StringDataSource(std::string dataSourceName);
    ~StringDataSource() override;
    StringDataSource(const StringDataSource&) = delete;
    StringDataSource& operator=(const StringDataSource&) = delete;

    Array<std::string> searchProteins(std::string query, std::string species,
                                      Array<std::string>* sources) override;
    void expandNetwork(Array<std::string> seeds, Array<std::string>& from, Array<std::string>& to,
                       Array<int>& scores, int confidence, int levels,
                       std::string species) override;
    void getNames(Array<std::string> ids, Array<std::string>& names,
                  Array<std::string> sources) override;
    void getAnnotations(Array<std::string> ids, Array<std::string>& annotations) override;
    void getProperties(ProteinGraph* graph) override;
    void getInteractionCounts(Array<std::string> ids, Array<int>& counts,
                              std::string species) override;
    // The recorded failure (see failed()), or a connection that is not open.
    std::string failure() const override;

    // "longname", "experimental", "sequence" and "species" for every visible node.
    void addProperties(PropertyGraph& graph);

    // One text per id, "" where the database has none. Copy suffixes are stripped.
    Array<std::string> getSequences(const Array<std::string>& ids);
    // Every set of the protein as title#comment#url#pubmed#set, joined by "|".
    Array<std::string> getExperimentalSets(const Array<std::string>& ids);
    // The official species name.
    Array<std::string> getSpeciesNames(const Array<std::string>& ids);

    bool isOpen() const;
    // Sticky: set by a connection that did not open, a query the server
    // refused, or a species that is no identifier; cleared only by clearFailure().
    bool failed() const { return failed_; }
    const std::string& lastError() const { return lastError_; }
    void clearFailure();

    // A species code is used as a table name prefix, so only identifiers pass.
    static bool isValidSpecies(const std::string& species);
    // The text form of a PostgreSQL text array holding `items` (sent as one
    // bound value, never as SQL): each item quoted, NUL dropped.
    static std::string textArray(const Array<std::string>& items, std::size_t first,
                                 std::size_t count);
    // A LIKE pattern matching `text` literally (backslash is the escape).
    static std::string escapeLike(const std::string& text);
    // The part of an id before its first "_".
    static std::string bareId(const std::string& id);

private:
    using RowHandler = std::function<void(QSqlQuery&)>;

    // Prepares one statement and runs it with `values` bound to its "?" marks in
    // order, so that no text of the user is ever part of the SQL; on a refusal
    // prints the driver's text and records it.
    bool run(const std::string& sql, const Array<std::string>& values = {},
             const RowHandler& onRow = {});
    // Runs `sql`, whose one "?" takes a text array of ids, once per batch of
    // ids (the first carries batch + 1 ids), tracing the index of each batch's last id.
    bool runBatched(const Array<std::string>& ids, const std::string& sql, int batch,
                    const char* trace, const RowHandler& onRow);
    bool checkSpecies(const std::string& species);
    void recordFailure(const std::string& text);
    // One value per id (a default Value where the database has none): `sql` runs
    // batched over the bare ids, and collect(row, found) enters each row.
    template <class Value, class Collect>
    Array<Value> valuesPerId(const Array<std::string>& ids, const std::string& sql, int batch,
                             const char* traceFormat, Collect collect);
    // One text per id from column 1 of a batched two-column query.
    Array<std::string> firstTextPerId(const Array<std::string>& ids, const std::string& sql,
                                      const char* trace, bool rawBytes);

    std::string connectionName_;
    bool failed_ = false;
    std::string lastError_;
};
