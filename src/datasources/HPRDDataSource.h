// Protein source over the two tab-separated HPRD flat files (nomenclature and
// interactions), read completely into memory when the source is constructed.
#pragma once

#include <string>
#include <string_view>

#include "engine/Table.h"
#include "model/DataSource.h"

class WindowServices;

class HPRDDataSource : public DataSource {
public:
    // Site addresses behind the "linkout" and "pubmeds" links.
    static constexpr const char* hprdBaseAddress = "http://www.hprd.org/";
    static constexpr const char* pubmedBaseAddress = "https://www.ncbi.nlm.nih.gov/";
    // HPRD lists experimentally verified interactions only, so every one gets the
    // top of the STRING confidence scale.
    static constexpr int interactionScore = 1000;

    // Loads both files; a file that cannot be opened reads as empty. `progress` is
    // null in batch mode, and then no dialog is shown. `unused` is kept for callers
    // that pass a third text.
    HPRDDataSource(const std::string& nomenclatureFile, const std::string& interactionFile,
                   const std::string& unused, WindowServices* progress);
    ~HPRDDataSource() override = default;

    // Ids whose name or alias keys contain every blank-separated word of the query.
    Array<std::string> searchProteins(std::string query, std::string species,
                                      Array<std::string>* sources) override;
    // The interactions within `levels` steps of the seeds; copies (P1_2) come back
    // with their suffix, once per copy.
    void expandNetwork(Array<std::string> seeds, Array<std::string>& from, Array<std::string>& to,
                       Array<int>& scores, int confidence, int levels,
                       std::string species) override;
    // "???" for unknown ids.
    void getNames(Array<std::string> ids, Array<std::string>& names,
                  Array<std::string> sources) override;
    void getAnnotations(Array<std::string> ids, Array<std::string>& annotations) override;
    // "longname", "linkout" and "# of interactions" on nodes; "exp. type" and
    // "pubmeds" on edges.
    void getProperties(ProteinGraph* graph) override;
    // Partner rows per id, duplicates and both directions counted.
    void getInteractionCounts(Array<std::string> ids, Array<int>& counts,
                              std::string species) override;
    // Set when no protein or no interaction was loaded.
    std::string failure() const override;

    // The file of the two from which nothing usable was read: no interaction
    // row, or no nomenclature row that names a protein of the interactions (a
    // file of random bytes still splits into rows). "" when both are usable.
    std::string unusableFile() const;

    // Upper-cased name or alias -> the ids it names (what the search scans).
    const Table<std::string, Array<std::string>>& nameIndexTable() const { return nameIndex; }
    // "in vivo," + the PubMed ids of a pair, under the direction of its first row.
    const Table<std::string, std::string>& interactionInfoTable() const { return interactionInfo; }

private:
    void loadNomenclature(const std::string& fileName, WindowServices* progress);
    void loadInteractions(const std::string& fileName, WindowServices* progress);
    void addNomenclatureRow(std::string_view id, std::string_view name, std::string_view aliases);
    void addInteractionRow(std::string_view first, std::string_view second, std::string_view type,
                           std::string_view pubmeds);

    Table<std::string, std::string> names;
    Table<std::string, Array<std::string>> nameIndex;
    Table<std::string, Array<std::string>> partners;
    Table<std::string, std::string> interactionInfo;
    Table<std::string, std::string> annotations;
    std::string nomenclaturePath;
    std::string interactionPath;

    // Reused lookup keys, so loading a row allocates only what the tables keep.
    std::string keyScratch;
    std::string otherKeyScratch;
};
