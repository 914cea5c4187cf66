// Synthetic protein files in the HPRD flat-file layout, at full database scale,
// for benchmarks and stress tests. The same seed always gives the same bytes.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

struct HprdGeneratorOptions {
    std::uint64_t seed = 1;
    int proteins = 30000;
    // Rows the loader takes (eight fields, type "in vivo"), repeats included.
    int usableInteractions = 40000;
    int hubs = 40;
};

namespace hprdgen {

// splitmix64: portable, so the files do not depend on the standard library's
// distributions.
class Random {
public:
    explicit Random(std::uint64_t seed) : state_(seed) {}
    std::uint64_t next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // Uniform in [0, n).
    int below(int n) { return static_cast<int>(next() % static_cast<std::uint64_t>(n)); }
    double unit() { return static_cast<double>(next() >> 11) * (1.0 / 9007199254740992.0); }
    bool chance(double p) { return unit() < p; }

private:
    std::uint64_t state_;
};

struct Family {
    const char* symbol;
    const char* longName;
};

inline const std::vector<Family>& families() {
    static const std::vector<Family> list = {
        {"PRK", "Protein kinase"},
        {"TYK", "Tyrosine kinase"},
        {"RCP", "Receptor"},
        {"PTP", "Protein phosphatase"},
        {"UBL", "Ubiquitin ligase"},
        {"TFR", "Transcription factor"},
        {"CHN", "Ion channel"},
        {"SLC", "Solute carrier"},
        {"ADP", "Adaptor protein"},
        {"GTP", "Small GTPase"},
        {"ZNF", "Zinc finger protein"},
        {"HDC", "Histone deacetylase"},
        {"CYC", "Cyclin"},
        {"SCF", "Scaffold protein"},
        {"GEF", "Exchange factor"},
        {"LPK", "Lipid kinase"},
        {"BND", "Binding protein"},
        {"PRT", "Protease"},
    };
    return list;
}

inline std::string proteinId(int index) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%05d", index + 1);
    return buffer;
}

struct Protein {
    std::string id;
    std::string name;
};

class Writer {
public:
    explicit Writer(const std::string& path) : file_(std::fopen(path.c_str(), "wb")) {}
    ~Writer() { close(); }
    Writer(const Writer&) = delete;
    Writer& operator=(const Writer&) = delete;
    bool ok() const { return file_ != nullptr && !failed_; }
    void put(const std::string& text) {
        if (file_ && std::fwrite(text.data(), 1, text.size(), file_) != text.size()) {
            failed_ = true;
        }
    }
    bool close() {
        if (file_) {
            failed_ = std::fclose(file_) != 0 || failed_;
            file_ = nullptr;
        }
        return !failed_;
    }

private:
    std::FILE* file_;
    bool failed_ = false;
};

inline std::string pubmeds(Random& random) {
    std::string out;
    const int count = 1 + random.below(3);
    for (int k = 0; k < count; ++k) {
        if (k > 0) {
            out += ',';
        }
        // Beyond the range of real PubMed identifiers.
        out += std::to_string(900000000 + random.below(5000000));
    }
    return out;
}

inline void interactionRow(std::string& line, const Protein& a, const Protein& b, const char* type,
                           const std::string& references) {
    line.clear();
    line += a.name + '\t' + a.id + '\t' + a.id + "_1\t" + b.name + '\t' + b.id + '\t' + b.id +
            "_1\t" + type + '\t' + references + '\n';
}

}  // namespace hprdgen

// Writes both files; false (with a message in `error`) when a file cannot be written.
inline bool writeSyntheticHprd(const std::string& nomenclaturePath,
                               const std::string& interactionPath,
                               const HprdGeneratorOptions& options, std::string* error) {
    using namespace hprdgen;
    Random random(options.seed);
    const auto& kinds = families();
    const int n = options.proteins > 1 ? options.proteins : 2;

    std::vector<Protein> proteins;
    proteins.reserve(static_cast<size_t>(n));
    {
        Writer out(nomenclaturePath);
        if (!out.ok()) {
            if (error) {
                *error = "cannot write " + nomenclaturePath;
            }
            return false;
        }
        std::string line;
        for (int i = 0; i < n; ++i) {
            const Family& family =
                kinds[static_cast<size_t>(random.below(static_cast<int>(kinds.size())))];
            const int member = 1 + random.below(400);
            Protein p{proteinId(i), std::string(family.symbol) + std::to_string(member)};
            // Now and then a symbol is reused, as when two genes share a name.
            if (i > 0 && random.chance(0.01)) {
                p.name = proteins[static_cast<size_t>(random.below(i))].name;
            }
            std::string aliases = std::string(family.longName) + " " + std::to_string(member);
            const int extra = random.below(4);
            for (int k = 0; k < extra; ++k) {
                aliases += ';';
                aliases += family.symbol[0];
                aliases += static_cast<char>('A' + random.below(26));
                aliases += std::to_string(random.below(100));
                if (random.chance(0.3)) {
                    aliases += "-" + std::string(1, static_cast<char>('a' + random.below(26)));
                }
            }
            line = p.id + '\t' + p.name + '\t' + family.longName + '\t' + aliases + '\n';
            out.put(line);
            proteins.push_back(std::move(p));
        }
        if (!out.close()) {
            if (error) {
                *error = "cannot write " + nomenclaturePath;
            }
            return false;
        }
    }

    Writer out(interactionPath);
    if (!out.ok()) {
        if (error) {
            *error = "cannot write " + interactionPath;
        }
        return false;
    }
    const char* otherTypes[] = {"in vitro", "yeast 2-hybrid", "in vivo;yeast 2-hybrid",
                                "in vitro;in vivo"};
    std::string line;
    std::vector<std::pair<int, int>> written;
    written.reserve(static_cast<size_t>(options.usableInteractions));
    auto emit = [&](int a, int b) {
        const Protein& pa = proteins[static_cast<size_t>(a)];
        const Protein& pb = proteins[static_cast<size_t>(b)];
        interactionRow(line, pa, pb, "in vivo", pubmeds(random));
        out.put(line);
        written.emplace_back(a, b);
        // Rows the loader must skip: other experiment types and short rows.
        if (random.chance(0.15)) {
            interactionRow(line, pa, pb, otherTypes[random.below(4)], pubmeds(random));
            out.put(line);
        }
        if (random.chance(0.002)) {
            out.put(pa.name + '\t' + pa.id + '\t' + pa.id + "_1\t" + pb.name + '\t' + pb.id +
                    "\tin vivo\n");
        }
    };

    // Hubs take several hundred partners each; the rest link preferentially to
    // low identifiers, so degrees are skewed as in real interaction maps.
    const int usable = options.usableInteractions;
    int hubRows = 0;
    for (int h = 0; h < options.hubs && hubRows < usable / 2; ++h) {
        const int hub = random.below(n);
        const int degree = 150 + random.below(550);
        for (int k = 0; k < degree && hubRows < usable / 2; ++k, ++hubRows) {
            const int partner = random.below(n);
            if (random.chance(0.5)) {
                emit(hub, partner);
            } else {
                emit(partner, hub);
            }
        }
    }
    while (static_cast<int>(written.size()) < usable) {
        const double u = random.unit();
        const int a = static_cast<int>(u * u * n) % n;
        const int b = random.below(n);
        if (a == b) {
            continue;
        }
        // Repeated rows, in the same and in the opposite direction.
        if (!written.empty() && random.chance(0.06)) {
            const auto [x, y] =
                written[static_cast<size_t>(random.below(static_cast<int>(written.size())))];
            if (random.chance(0.5)) {
                emit(x, y);
            } else {
                emit(y, x);
            }
            continue;
        }
        emit(a, b);
    }
    if (!out.close()) {
        if (error) {
            *error = "cannot write " + interactionPath;
        }
        return false;
    }
    return true;
}
