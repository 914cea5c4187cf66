// Path measures without enumerating paths. A node v lies on a simple path between two
// different members exactly when two paths leave v that share nothing but v and end at
// two different members; the shortest such pair is a minimum-cost flow of two units
// from v (unit capacity on every node). Enumerating the simple paths instead grows
// exponentially with the length around hub proteins.
#include "model/SelectorPathSearch.h"

#include <algorithm>
#include <deque>
#include <limits>
#include <unordered_map>
#include <unordered_set>

#include "model/PropertyGraph.h"

namespace {

// A small successive-shortest-path flow network, rebuilt for every node measured.
class FlowNetwork {
public:
    void reset(int nodeCount) {
        head.assign(nodeCount, -1);
        arcs.clear();
    }
    void addArc(int from, int to, int capacity, int cost) {
        arcs.push_back({to, head[from], capacity, cost});
        head[from] = static_cast<int>(arcs.size()) - 1;
        arcs.push_back({from, head[to], 0, -cost});
        head[to] = static_cast<int>(arcs.size()) - 1;
    }
    // Pushes up to `units` one at a time along cheapest residual paths; answers the
    // units sent and adds their cost to `cost`.
    int send(int source, int sink, int units, int& cost) {
        const int n = static_cast<int>(head.size());
        int sent = 0;
        while (sent < units) {
            dist.assign(n, kInfinite);
            via.assign(n, -1);
            inQueue.assign(n, 0);
            std::deque<int> queue{source};
            dist[source] = 0;
            while (!queue.empty()) {
                const int u = queue.front();
                queue.pop_front();
                inQueue[u] = 0;
                for (int a = head[u]; a != -1; a = arcs[a].next) {
                    const Arc& arc = arcs[a];
                    if (arc.capacity > 0 && dist[u] + arc.cost < dist[arc.to]) {
                        dist[arc.to] = dist[u] + arc.cost;
                        via[arc.to] = a;
                        if (!inQueue[arc.to]) {
                            inQueue[arc.to] = 1;
                            queue.push_back(arc.to);
                        }
                    }
                }
            }
            if (dist[sink] == kInfinite) {
                break;
            }
            for (int v = sink; v != source; v = arcs[via[v] ^ 1].to) {
                arcs[via[v]].capacity -= 1;
                arcs[via[v] ^ 1].capacity += 1;
            }
            cost += dist[sink];
            ++sent;
        }
        return sent;
    }

private:
    struct Arc {
        int to;
        int next;
        int capacity;
        int cost;
    };
    static constexpr int kInfinite = std::numeric_limits<int>::max() / 4;
    Array<int> head;
    Array<Arc> arcs;
    Array<int> dist;
    Array<int> via;
    Array<char> inQueue;
};

}  // namespace

Table<std::string, int> pathMeasures(const PropertyGraph& graph, const Array<std::string>& proteins,
                                     int maxPathLength) {
    Table<std::string, int> result;
    const int L = maxPathLength;

    // Index the nodes a search can meet: the visible ones and the members.
    Array<std::string> ids;
    graph.getNodes(ids);
    std::unordered_map<std::string, int> index;
    index.reserve(ids.size() + proteins.size());
    auto indexOf = [&](const std::string& id) {
        auto [it, added] = index.emplace(id, static_cast<int>(ids.size()));
        if (added) {
            ids.push_back(id);
        }
        return it->second;
    };
    for (size_t i = 0; i < ids.size(); ++i) {
        index.emplace(ids[i], static_cast<int>(i));
    }
    std::unordered_set<int> memberSet;
    for (const std::string& p : proteins) {
        memberSet.insert(indexOf(p));
    }
    // Neighbour lists as the search sees them; a tagged node is in nobody's list.
    Array<Array<int>> neighbours;
    {
        Array<std::string> list;
        for (size_t i = 0; i < ids.size(); ++i) {
            graph.getNeighbours(ids[i], list);
            Array<int> out;
            out.reserve(list.size());
            for (const std::string& b : list) {
                out.push_back(indexOf(b));
            }
            if (neighbours.size() < ids.size()) {
                neighbours.resize(ids.size());
            }
            neighbours[i] = std::move(out);
        }
        neighbours.resize(ids.size());
    }
    const int n = static_cast<int>(ids.size());
    Array<char> isMember(n, 0), tagged(n, 0);
    for (int m : memberSet) {
        isMember[m] = 1;
    }
    for (int i = 0; i < n; ++i) {
        tagged[i] = graph.hasNodeTags(ids[i]) ? 1 : 0;
    }
    for (int m : memberSet) {
        result[ids[m]] = 0;
    }
    if (L < 1 || memberSet.size() < 2) {
        return result;
    }

    // Inner proteins: untagged non-members. Their member neighbours, taken either way
    // round (a tagged member lists its neighbours but is listed by none).
    auto inner = [&](int i) { return !isMember[i] && !tagged[i]; };
    Array<Array<int>> innerNeighbours(n), memberNeighbours(n);
    for (int i = 0; i < n; ++i) {
        if (!inner(i)) {
            continue;
        }
        for (int b : neighbours[i]) {
            if (isMember[b]) {
                memberNeighbours[i].push_back(b);
            } else if (inner(b)) {
                innerNeighbours[i].push_back(b);
            }
        }
    }
    for (int m : memberSet) {
        for (int x : neighbours[m]) {
            if (inner(x)) {
                memberNeighbours[x].push_back(m);
            }
        }
    }
    for (auto& list : memberNeighbours) {
        std::sort(list.begin(), list.end());
        list.erase(std::unique(list.begin(), list.end()), list.end());
    }

    // Edges from each inner protein to the nearest member, a lower bound for any leg.
    const int far = std::numeric_limits<int>::max() / 4;
    Array<int> toMember(n, far);
    {
        std::deque<int> queue;
        for (int i = 0; i < n; ++i) {
            if (inner(i) && !memberNeighbours[i].empty()) {
                toMember[i] = 1;
                queue.push_back(i);
            }
        }
        while (!queue.empty()) {
            const int u = queue.front();
            queue.pop_front();
            for (int b : innerNeighbours[u]) {
                if (toMember[b] == far) {
                    toMember[b] = toMember[u] + 1;
                    queue.push_back(b);
                }
            }
        }
    }

    // Per node v: both legs have at least one edge and at most L + 1 together, so a
    // leg has at most L and every node x on one has dist(v, x) + toMember(x) <= L.
    FlowNetwork flow;
    Array<int> region;
    Array<int> localOf(n, -1);
    Array<int> distance(n, 0);
    std::unordered_map<int, int> terminalOf;
    for (int v = 0; v < n; ++v) {
        if (!inner(v) || toMember[v] > L) {
            continue;
        }
        region.assign(1, v);
        localOf[v] = 0;
        distance[v] = 0;
        for (size_t head = 0; head < region.size(); ++head) {
            const int x = region[head];
            for (int y : innerNeighbours[x]) {
                if (localOf[y] == -1 && distance[x] + 1 + toMember[y] <= L) {
                    localOf[y] = static_cast<int>(region.size());
                    distance[y] = distance[x] + 1;
                    region.push_back(y);
                }
            }
        }
        // Nodes: in and out halves per region node, one per member met, and the sinks.
        terminalOf.clear();
        for (int x : region) {
            for (int m : memberNeighbours[x]) {
                terminalOf.emplace(m, 0);
            }
        }
        const int r = static_cast<int>(region.size());
        int next = 2 * r;
        for (auto& [m, local] : terminalOf) {
            local = next++;
        }
        const int taggedSink = next++;
        const int sink = next++;
        flow.reset(next);
        for (int i = 1; i < r; ++i) {
            flow.addArc(2 * i, 2 * i + 1, 1, 0);
        }
        for (int i = 0; i < r; ++i) {
            const int x = region[i];
            for (int y : innerNeighbours[x]) {
                const int j = localOf[y];
                if (j > 0) {
                    flow.addArc(2 * i + 1, 2 * j, 1, 1);
                }
            }
            for (int m : memberNeighbours[x]) {
                flow.addArc(2 * i + 1, terminalOf[m], 1, 1);
            }
        }
        for (const auto& [m, local] : terminalOf) {
            // A tagged member can only start a path, so at most one leg ends at one.
            flow.addArc(local, tagged[m] ? taggedSink : sink, 1, 0);
        }
        flow.addArc(taggedSink, sink, 1, 0);
        int cost = 0;
        if (flow.send(1, sink, 2, cost) == 2 && cost <= L + 1) {
            result[ids[v]] = cost - 1;
        }
        for (int x : region) {
            localOf[x] = -1;
        }
    }
    return result;
}
