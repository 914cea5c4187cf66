// Writes the SQL that loads a full-size generated species into a STRING
// database made from sql/schema.sql, for benchmarks:
//   gen_string [--species rat] [--taxon 10116] [--proteins 20000] [--links 2000000]
//              [--seed 1] | psql -X -q -v ON_ERROR_STOP=1 -d string
// Links are stored in both directions, so --links counts rows (pairs x 2).
// The output is the same for the same arguments.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <unordered_set>
#include <vector>

namespace {

struct Options {
    std::string species = "rat";
    long taxon = 10116;
    long proteins = 20000;
    long links = 2000000;
    unsigned long seed = 1;
};

const char* const kWords[] = {"kinase",
                              "receptor",
                              "binding",
                              "protein",
                              "domain",
                              "transcription",
                              "factor",
                              "membrane",
                              "channel",
                              "transporter",
                              "ubiquitin",
                              "ligase",
                              "phosphatase",
                              "subunit",
                              "complex",
                              "regulator",
                              "signaling",
                              "nuclear",
                              "mitochondrial",
                              "ribosomal",
                              "zinc",
                              "finger",
                              "homeobox",
                              "dehydrogenase",
                              "synthase",
                              "isomerase",
                              "reductase",
                              "oxidase",
                              "cytochrome",
                              "helicase",
                              "polymerase",
                              "tyrosine",
                              "serine",
                              "threonine",
                              "GTPase",
                              "activating",
                              "adapter",
                              "scaffold",
                              "cell",
                              "cycle",
                              "apoptosis",
                              "DNA",
                              "repair",
                              "RNA",
                              "splicing",
                              "transport",
                              "vesicle",
                              "golgi",
                              "lysosomal",
                              "peroxisomal",
                              "calcium",
                              "potassium",
                              "sodium",
                              "chloride",
                              "growth",
                              "differentiation",
                              "development",
                              "immune",
                              "response",
                              "inflammatory",
                              "cytokine",
                              "chemokine",
                              "interleukin",
                              "integrin",
                              "cadherin",
                              "collagen",
                              "keratin",
                              "actin",
                              "myosin",
                              "tubulin",
                              "microtubule",
                              "centrosome",
                              "chromatin",
                              "histone",
                              "methyltransferase",
                              "acetyltransferase",
                              "deacetylase",
                              "proteasome",
                              "chaperone",
                              "heat",
                              "shock",
                              "metabolism",
                              "lipid",
                              "fatty",
                              "acid",
                              "glucose",
                              "insulin",
                              "hormone",
                              "neuronal",
                              "synaptic",
                              "olfactory",
                              "taste",
                              "MAP",
                              "ERK",
                              "JNK"};
constexpr int kWordCount = sizeof(kWords) / sizeof(kWords[0]);
const char kResidues[] = "ACDEFGHIKLMNPQRSTVWY";

bool readOptions(int argc, char** argv, Options& o) {
    for (int i = 1; i < argc; ++i) {
        std::string key = argv[i];
        if (i + 1 >= argc)
            return false;
        std::string value = argv[++i];
        if (key == "--species") {
            o.species = value;
        } else if (key == "--taxon") {
            o.taxon = std::strtol(value.c_str(), nullptr, 10);
        } else if (key == "--proteins") {
            o.proteins = std::strtol(value.c_str(), nullptr, 10);
        } else if (key == "--links") {
            o.links = std::strtol(value.c_str(), nullptr, 10);
        } else if (key == "--seed") {
            o.seed = std::strtoul(value.c_str(), nullptr, 10);
        } else {
            return false;
        }
    }
    if (o.species.empty() || o.proteins < 2 || o.links < 0 || o.taxon <= 0)
        return false;
    for (size_t i = 0; i < o.species.size(); ++i) {
        char c = o.species[i];
        bool ok = (c >= 'a' && c <= 'z') || c == '_' || (i > 0 && c >= '0' && c <= '9');
        if (!ok)
            return false;
    }
    // Every pair is stored twice, and a protein cannot link to itself.
    long maxRows = o.proteins * (o.proteins - 1);
    if (o.links > maxRows)
        o.links = maxRows;
    return true;
}

std::string proteinId(const Options& o, long i) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%ld.GENP%011ld", o.taxon, i + 1);
    return buffer;
}

std::string proteinName(long i) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "GP%ld", i + 1);
    return buffer;
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    if (!readOptions(argc, argv, o)) {
        std::fprintf(stderr,
                     "usage: gen_string [--species CODE] [--taxon ID] [--proteins N] [--links N] "
                     "[--seed N]\n  CODE is a lower-case identifier\n");
        return 2;
    }
    std::mt19937_64 random(o.seed);
    auto below = [&](long n) { return static_cast<long>(random() % static_cast<uint64_t>(n)); };
    auto unit = [&]() { return static_cast<double>(random() >> 11) * 0x1.0p-53; };

    std::printf("\\set ON_ERROR_STOP 1\nset client_min_messages = warning;\nbegin;\n");
    std::printf(
        "insert into species (species_id, official_name, compact_name) values (%ld, "
        "'Generated species %s', '%s') on conflict do nothing;\n",
        o.taxon, o.species.c_str(), o.species.c_str());
    std::printf("select create_species('%s');\n", o.species.c_str());
    std::printf("delete from %s_protein_protein_links;\n", o.species.c_str());
    std::printf("delete from experimentalsets_items where protein_id like '%ld.GENP%%';\n",
                o.taxon);
    std::printf("delete from identifiers_proteins where protein_id like '%ld.GENP%%';\n", o.taxon);
    std::printf("delete from ids_protein_sequences where identifier like 'GEN%ld\\_%%';\n",
                o.taxon);
    std::printf("delete from experimentalsets_pubmedrefs where set_id like 'G%ld\\_%%';\n",
                o.taxon);
    std::printf("delete from experimental_sets where set_id like 'G%ld\\_%%';\n", o.taxon);
    std::printf("delete from proteins where species_id = %ld;\n", o.taxon);

    std::printf("copy proteins (protein_id, preferred_name, annotation, species_id) from stdin;\n");
    for (long i = 0; i < o.proteins; ++i) {
        std::string annotation = proteinName(i) + ";";
        int words = 6 + static_cast<int>(below(18));
        for (int w = 0; w < words; ++w) {
            annotation += ' ';
            annotation += kWords[below(kWordCount)];
        }
        std::printf("%s\t%s\t%s\t%ld\n", proteinId(o, i).c_str(), proteinName(i).c_str(),
                    annotation.c_str(), o.taxon);
    }
    std::printf("\\.\n");

    std::printf("copy ids_protein_sequences (identifier, sequence) from stdin;\n");
    std::string sequence;
    for (long i = 0; i < o.proteins; ++i) {
        long length = 80 + below(1500) + (below(100) == 0 ? 20000 : 0);
        sequence.assign(1, 'M');
        for (long k = 1; k < length; ++k)
            sequence += kResidues[below(20)];
        std::printf("GEN%ld_%ld\t%s\n", o.taxon, i + 1, sequence.c_str());
    }
    std::printf("\\.\n");
    std::printf("copy identifiers_proteins (identifier, protein_id) from stdin;\n");
    for (long i = 0; i < o.proteins; ++i) {
        std::printf("GEN%ld_%ld\t%s\n", o.taxon, i + 1, proteinId(o, i).c_str());
    }
    std::printf("\\.\n");

    // Hubs: the second end is drawn with a skew towards low indices, so degrees
    // fall off roughly like a power law, as in real interaction networks.
    // Scores: most links are weak; about one in eight scores above 900.
    std::printf(
        "copy %s_protein_protein_links (protein_id_a, protein_id_b, combined_score) "
        "from stdin;\n",
        o.species.c_str());
    std::unordered_set<uint64_t> seen;
    const long pairCount = o.links / 2;
    seen.reserve(static_cast<size_t>(pairCount) * 2);
    long made = 0;
    while (made < pairCount) {
        long a = below(o.proteins);
        long b = static_cast<long>(std::pow(unit(), 2.2) * static_cast<double>(o.proteins));
        if (b >= o.proteins)
            b = o.proteins - 1;
        if (a == b)
            continue;
        uint64_t key = static_cast<uint64_t>(std::min(a, b)) * static_cast<uint64_t>(o.proteins) +
                       static_cast<uint64_t>(std::max(a, b));
        if (!seen.insert(key).second)
            continue;
        int score =
            unit() < 0.125 ? 901 + static_cast<int>(below(99)) : 150 + static_cast<int>(below(751));
        std::string ia = proteinId(o, a), ib = proteinId(o, b);
        std::printf("%s\t%s\t%d\n%s\t%s\t%d\n", ia.c_str(), ib.c_str(), score, ib.c_str(),
                    ia.c_str(), score);
        ++made;
    }
    std::printf("\\.\n");

    const long sets = std::max(1L, o.proteins / 10);
    std::printf("copy experimental_sets (set_id, title, comment, url) from stdin;\n");
    for (long s = 0; s < sets; ++s) {
        std::printf("G%ld_%ld\t%s %s screen %ld\t%s assay\thttps://sets.example.org/G%ld_%ld\n",
                    o.taxon, s, kWords[below(kWordCount)], kWords[below(kWordCount)], s,
                    kWords[below(kWordCount)], o.taxon, s);
    }
    std::printf("\\.\n");
    std::printf("copy experimentalsets_pubmedrefs (set_id, pubmed_id) from stdin;\n");
    for (long s = 0; s < sets; ++s) {
        long refs = 1 + below(3);
        for (long r = 0; r < refs; ++r) {
            std::printf("G%ld_%ld\t%ld\n", o.taxon, s, 10000000 + s * 3 + r);
        }
    }
    std::printf("\\.\n");
    std::printf("copy experimentalsets_items (set_id, protein_id) from stdin;\n");
    std::unordered_set<uint64_t> items;
    for (long s = 0; s < sets; ++s) {
        long members = 5 + below(30);
        for (long m = 0; m < members; ++m) {
            long p = below(o.proteins);
            if (!items
                     .insert(static_cast<uint64_t>(s) * static_cast<uint64_t>(o.proteins) +
                             static_cast<uint64_t>(p))
                     .second)
                continue;
            std::printf("G%ld_%ld\t%s\n", o.taxon, s, proteinId(o, p).c_str());
        }
    }
    std::printf("\\.\n");

    std::printf("select refresh_species('%s', %ld);\ncommit;\n", o.species.c_str(), o.taxon);
    // Index-only scans of the links need a fresh visibility map.
    std::printf(
        "vacuum analyze %s_protein_protein_links, proteins, identifiers_proteins, "
        "ids_protein_sequences, experimentalsets_items;\n",
        o.species.c_str());
    return std::fflush(stdout) == 0 ? 0 : 1;
}
