// The experiments panel: one tab per experiment of the open pathway, listing
// its entries with a strip of their heatmap colours. Choosing an entry shows
// its protein, double-clicking explores it, switching tabs refreshes an open
// explore view for that experiment, and "Cluster" regroups the current list by
// k-means through the corvidane_kmeans program. The window places the panel
// between the tab panel and the 3D view.
#pragma once

#include <string>
#include <vector>

#include <QString>
#include <QWidget>

#include "model/HeatmapSeries.h"
#include "ui/PageContext.h"

class QListWidget;
class QListWidgetItem;
class QPushButton;
class QSpinBox;
class QTabWidget;

// The clustering files and how their answer regroups a list.
namespace clustering {
// One entry's data point: per colour, downward changes (blue) and upward ones
// (red) on one scale from the entry's strongest down to its strongest up
// change, 0..1. Missing values (white) take no part in the scale and sit at
// "no change". An entry without measured values, or with a spread below 0.25,
// is marked: every value 100, so such entries gather in a cluster of their own.
std::vector<double> entryValues(const HeatmapColours& colours);
// "clustering_data.in": one line per entry, each value followed by a blank.
std::string dataText(const std::vector<HeatmapColours>& entries);
// "clustering_config.in": the nine directives.
std::string configText(int dim, int size, int k);
// The cluster of each of n entries from the program's output lines, -1 for an
// entry whose line has no second field (it is left out); false, with the
// reason, when the marker, a line or a valid cluster number is missing.
bool readAssignments(const std::vector<std::string>& lines, int n, int k,
                     std::vector<int>& clusters, std::string& why);
// Rows of the regrouped list: an entry index, or -1 for a separator. Each
// cluster's block, in cluster order, is headed by a separator, and within a
// block the later entry stands above the earlier; entries of cluster -1 are
// left out.
std::vector<int> regroup(const std::vector<int>& clusters, int k);
}  // namespace clustering

class ExperimentsPanel : public QWidget {
    Q_OBJECT
public:
    explicit ExperimentsPanel(const PageContext& context);
    // The window may be half gone: tearing down the tabs must reach no slot.
    ~ExperimentsPanel() override;

    // The experiment of the current tab; "" when there is none.
    std::string currentExperimentName() const;
    // The program "Cluster" runs; by default corvidane_kmeans beside this executable.
    void setClusteringProgram(const QString& path) { clusteringProgram_ = path; }
    // How long a clustering may run before it is given up.
    void setClusteringTimeLimit(int milliseconds) { clusteringTimeLimitMs_ = milliseconds; }

    QTabWidget* tabs() const { return tabs_; }
    QListWidget* list(int tabIndex) const;
    QSpinBox* kBox() const { return kBox_; }
    QPushButton* clusterButton() const { return clusterButton_; }

    static constexpr const char* kSeparator = "---cluster---";

signals:
    // An entry was chosen: its protein is to be shown.
    void proteinChosen(const std::string& name);
    // An entry was double-clicked: its protein is to be explored.
    void exploreWanted(const std::string& name);

public slots:
    // k < 0 fills the current experiment's list; k >= 0 clusters it by k-means.
    void cluster(int k);
    void experimentDoubleClick(QListWidgetItem* item);
    void experimentItemChanged(QListWidgetItem* item);
    void experimentItemChanged(int row);
    void experimentTabChanged(int index);

private:
    const HeatmapSeries* store() const;
    // Entry indices of an experiment, in store order.
    std::vector<int> entriesOf(const std::string& experiment) const;
    QListWidgetItem* makeItem(int entry) const;
    void fill(QListWidget* list, const std::string& experiment);
    enum class Run { Done, Failed, Cancelled, Gone };
    // Writes the files, runs the program and reads its answer; Failed with the
    // reason for the user; Gone when the panel went while the program ran.
    Run runClustering(const std::vector<int>& entries, int k, std::vector<int>& clusters,
                      QString& why);
    // Runs the program with the event loop going, under a progress dialog
    // that can cancel it, until it ends or the time limit passes.
    Run runProgram(QString& why);

    PageContext context_;
    QTabWidget* tabs_ = nullptr;
    QSpinBox* kBox_ = nullptr;
    QPushButton* clusterButton_ = nullptr;
    // Per tab, in tab order: its list and its experiment.
    std::vector<QListWidget*> lists_;
    std::vector<std::string> experiments_;
    QString clusteringProgram_;
    int clusteringTimeLimitMs_ = 120000;
    // A clustering is running: "Cluster" waits for it.
    bool clustering_ = false;
};
