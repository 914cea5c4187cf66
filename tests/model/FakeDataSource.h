// A scripted protein source for tests: the test sets interactions, names,
// annotations, counts, search results and properties; every call is recorded.
// Identifiers are used exactly as given (copy suffixes are not stripped), so a
// test scripts the interactions of each copy itself.
#pragma once

#include <string>
#include <unordered_set>
#include <utility>

#include "engine/Table.h"
#include "model/DataSource.h"
#include "model/ProteinGraph.h"

class FakeDataSource : public DataSource {
public:
    struct Call {
        std::string operation;   // the DataSource method's name
        Array<std::string> ids;  // seeds or ids handed in; the query for searchProteins
        int confidence = 0;
        int levels = 0;
        std::string species;
    };

    // Scripting.
    void addInteraction(const std::string& a, const std::string& b, int score = 1000) {
        const int index = static_cast<int>(interactions.size());
        interactions.push_back({a, b, score});
        touching[a].push_back(index);
        if (b != a) {
            touching[b].push_back(index);
        }
    }
    Table<std::string, std::string> names;  // missing ids get unknownName
    std::string unknownName;
    Table<std::string, std::string> annotations;           // missing ids get ""
    Table<std::string, int> interactionCounts;             // missing ids get 0
    Table<std::string, Array<std::string>> searchResults;  // query -> ids
    std::string sourceTag;  // appended once per search result when not empty
    // id -> (property name, value), added to visible nodes by getProperties.
    Table<std::string, Array<std::pair<std::string, std::string>>> nodeProperties;
    Table<std::string, int> propertyRatings;  // set on the graph by getProperties
    // When set, expandNetwork hands back every interaction at or above the
    // confidence, whatever the seeds and levels.
    bool returnEverything = false;
    // What failure() answers; a test sets it to make the source fail.
    std::string failureText;
    // When set, expandNetwork fails (failure() then answers this) instead of answering.
    std::string expansionFailure;

    // Recording.
    Array<Call> calls;
    int callCount(const std::string& operation) const {
        int n = 0;
        for (const Call& call : calls) {
            n += call.operation == operation ? 1 : 0;
        }
        return n;
    }

    // DataSource.
    Array<std::string> searchProteins(std::string query, std::string species,
                                      Array<std::string>* sources) override {
        calls.push_back({"searchProteins", {query}, 0, 0, species});
        auto it = searchResults.find(query);
        Array<std::string> found = it == searchResults.end() ? Array<std::string>() : it->second;
        if (sources) {
            sources->clear();
            if (!sourceTag.empty()) {
                sources->assign(found.size(), sourceTag);
            }
        }
        return found;
    }

    // Walks the interactions level by level from the seeds: levels 1 gives the
    // seeds' own interactions, each pair once.
    void expandNetwork(Array<std::string> seeds, Array<std::string>& from, Array<std::string>& to,
                       Array<int>& scores, int confidence, int levels,
                       std::string species) override {
        calls.push_back({"expandNetwork", seeds, confidence, levels, species});
        from.clear();
        to.clear();
        scores.clear();
        if (!expansionFailure.empty()) {
            failureText = expansionFailure;
            return;
        }
        auto handBack = [&](const Interaction& i) {
            from.push_back(i.a);
            to.push_back(i.b);
            scores.push_back(i.score);
        };
        if (returnEverything) {
            for (const Interaction& i : interactions) {
                if (i.score >= confidence) {
                    handBack(i);
                }
            }
            return;
        }
        std::unordered_set<std::string> reached(seeds.begin(), seeds.end());
        std::unordered_set<int> recorded;
        Array<std::string> frontier = seeds;
        for (int level = 0; level < levels; ++level) {
            Array<std::string> next;
            for (const std::string& f : frontier) {
                auto it = touching.find(f);
                if (it == touching.end()) {
                    continue;
                }
                for (int index : it->second) {
                    const Interaction& i = interactions[index];
                    if (i.score < confidence || !recorded.insert(index).second) {
                        continue;
                    }
                    handBack(i);
                    const std::string& partner = i.a == f ? i.b : i.a;
                    if (reached.insert(partner).second) {
                        next.push_back(partner);
                    }
                }
            }
            frontier = std::move(next);
        }
    }

    void getNames(Array<std::string> ids, Array<std::string>& out,
                  Array<std::string> /*sources*/) override {
        calls.push_back({"getNames", ids, 0, 0, ""});
        out.clear();
        for (const std::string& id : ids) {
            auto it = names.find(id);
            out.push_back(it == names.end() ? unknownName : it->second);
        }
    }

    void getAnnotations(Array<std::string> ids, Array<std::string>& out) override {
        calls.push_back({"getAnnotations", ids, 0, 0, ""});
        out.clear();
        for (const std::string& id : ids) {
            auto it = annotations.find(id);
            out.push_back(it == annotations.end() ? std::string() : it->second);
        }
    }

    void getProperties(ProteinGraph* graph) override {
        calls.push_back({"getProperties", {}, 0, 0, ""});
        if (!graph) {
            return;
        }
        Array<std::string> ids;
        graph->getNodes(ids);
        for (const std::string& id : ids) {
            auto it = nodeProperties.find(id);
            if (it == nodeProperties.end()) {
                continue;
            }
            for (const auto& [name, value] : it->second) {
                graph->addNodeProperty(id, std::make_unique<Property>(name, value));
            }
        }
        for (const auto& [name, rating] : propertyRatings) {
            graph->setRating(name, rating);
        }
    }

    void getInteractionCounts(Array<std::string> ids, Array<int>& counts,
                              std::string species) override {
        calls.push_back({"getInteractionCounts", ids, 0, 0, species});
        counts.clear();
        for (const std::string& id : ids) {
            auto it = interactionCounts.find(id);
            counts.push_back(it == interactionCounts.end() ? 0 : it->second);
        }
    }

    std::string failure() const override { return failureText; }

private:
    struct Interaction {
        std::string a, b;
        int score;
    };
    Array<Interaction> interactions;
    Table<std::string, Array<int>> touching;  // id -> indices of its interactions
};
