#include "ui/ExperimentsPanel.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <sstream>

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QHBoxLayout>
#include <QImage>
#include <QListWidget>
#include <QPixmap>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "app/App.h"
#include "model/ProteinGraph.h"
#include "model/TextConversions.h"
#include "model/TextFile.h"
#include "model/Trace.h"
#include "pathway/ExploreEntity.h"
#include "pathway/PathwayLayoutEntity.h"
#include "ui/Dialogs.h"

namespace clustering {

namespace {
bool isMissing(const Vector3& c) {
    return c.x >= 1 && c.y >= 1 && c.z >= 1;
}
}  // namespace

std::vector<double> entryValues(const HeatmapColours& colours) {
    double low = 0.0;
    double high = 0.0;
    int measured = 0;
    for (const Vector3& c : colours) {
        if (isMissing(c))
            continue;
        ++measured;
        if (c.z > 0 && -c.z < low) {
            low = -c.z;
        } else if (c.x > 0 && c.x > high) {
            high = c.x;
        }
    }
    const double range = high - low;
    const bool marked = measured == 0 || range < 0.25;
    std::vector<double> values;
    values.reserve(colours.size());
    for (const Vector3& c : colours) {
        if (marked) {
            values.push_back(100.0);
            continue;
        }
        const double x = isMissing(c) ? 0.0 : (c.z > 0 ? -static_cast<double>(c.z) : c.x);
        values.push_back((x - low) / range);
    }
    return values;
}

std::string dataText(const std::vector<HeatmapColours>& entries) {
    std::string text;
    for (const HeatmapColours& colours : entries) {
        for (double value : entryValues(colours)) {
            text += doubleToString(value);
            text += ' ';
        }
        text += '\n';
    }
    return text;
}

std::string configText(int dim, int size, int k) {
    return "show_assignments yes\ndim " + intToString(dim) + "\ndata_size " + intToString(size) +
           "\nread_data_pts clustering_data.in\nsilent yes\nkcenters " + intToString(k) +
           "\nmax_tot_stage 2000 0 0 0\nmin_consec_rdl 0.01\nrun_kmeans EZ-hybrid\n";
}

bool readAssignments(const std::vector<std::string>& lines, int n, int k,
                     std::vector<int>& clusters, std::string& why) {
    clusters.clear();
    std::size_t marker = 0;
    while (marker < lines.size() && lines[marker] != "  (Cluster assignments:")
        ++marker;
    if (marker == lines.size()) {
        why = "its output holds no cluster assignments.";
        return false;
    }
    for (int i = 0; i < n; ++i) {
        const std::size_t at = marker + 3 + static_cast<std::size_t>(i);
        if (at >= lines.size()) {
            why = "it assigned " + std::to_string(i) + " of the " + std::to_string(n) + " entries.";
            return false;
        }
        std::istringstream fields(lines[at]);
        std::string point, centre;
        fields >> point >> centre;
        if (centre.empty()) {
            clusters.push_back(-1);
            continue;
        }
        int c = -1;
        const char* end = centre.data() + centre.size();
        auto [ptr, ec] = std::from_chars(centre.data(), end, c);
        if (ec != std::errc() || ptr != end || c < 0 || c >= k) {
            why = "entry " + std::to_string(i + 1) + " got no cluster between 0 and " +
                  std::to_string(k - 1) + ".";
            return false;
        }
        clusters.push_back(c);
    }
    return true;
}

std::vector<int> regroup(const std::vector<int>& clusters, int k) {
    std::vector<int> rows;
    std::vector<std::size_t> counter(static_cast<std::size_t>(std::max(k, 0)), 0);
    for (std::size_t entry = 0; entry < clusters.size(); ++entry) {
        const int c = clusters[entry];
        if (c < 0)
            continue;
        rows.insert(rows.begin() + static_cast<std::ptrdiff_t>(counter[c]),
                    static_cast<int>(entry));
        for (int j = c + 1; j < k; ++j)
            ++counter[j];
    }
    for (int j = 0; j < k; ++j) {
        rows.insert(rows.begin() + static_cast<std::ptrdiff_t>(counter[j]) + j, -1);
    }
    return rows;
}

}  // namespace clustering

namespace {

const char* const kTitle = "Protein Application";
// The item's protein display name; separators have none.
constexpr int kProteinRole = Qt::UserRole;

// A colour channel of 0..1 as a byte; what is not a number reads as 0.
int channelByte(float value) {
    return value > 0 ? (value < 1 ? static_cast<int>(value * 255) : 255) : 0;
}

// Drawn at the size the list shows it (60 x 10), whatever the number of
// values: a band 5 pixels wide per value while they fit, as the list showed a
// strip of 25 x 50 per value scaled down; beyond 12 values each column shows
// the value that falls on it.
QIcon colourStrip(const HeatmapColours& colours) {
    constexpr int kShownWidth = 60, kShownHeight = 10, kBand = 5;
    const std::size_t n = colours.size();
    const int width = static_cast<int>(std::clamp<std::size_t>(n * kBand, 1, kShownWidth));
    QImage strip(width, kShownHeight, QImage::Format_ARGB32);
    strip.fill(Qt::transparent);
    for (int x = 0; n > 0 && x < width; ++x) {
        const Vector3& c =
            colours[static_cast<std::size_t>(x) * n / static_cast<std::size_t>(width)];
        const QRgb colour = qRgb(channelByte(c.x), channelByte(c.y), channelByte(c.z));
        for (int y = 0; y < kShownHeight; ++y) {
            strip.setPixel(x, y, colour);
        }
    }
    return QIcon(QPixmap::fromImage(strip));
}

// Takes away whatever stands under a name the clustering writes, unless it is
// a folder: a FIFO or device there would block its writer, a link lead it elsewhere.
bool clearName(const char* name) {
    std::error_code error;
    const auto status = std::filesystem::symlink_status(name, error);
    if (error || status.type() == std::filesystem::file_type::not_found) {
        return !error || error == std::errc::no_such_file_or_directory;
    }
    return status.type() != std::filesystem::file_type::directory &&
           std::filesystem::remove(name, error);
}

// The file written anew, never through what stood under its name.
bool writeFile(const char* name, const std::string& text) {
    return clearName(name) && writeWhole(text, name);
}

}  // namespace

ExperimentsPanel::ExperimentsPanel(const PageContext& context)
    : context_(context),
      clusteringProgram_(QCoreApplication::applicationDirPath() + "/corvidane_kmeans") {
    setMinimumSize(100, 100);
    auto* layout = new QVBoxLayout(this);
    auto* controls = new QHBoxLayout;
    kBox_ = new QSpinBox;
    kBox_->setPrefix("k = ");
    kBox_->setRange(1, 999);
    kBox_->setValue(3);
    clusterButton_ = new QPushButton("Cluster");
    controls->addWidget(kBox_);
    controls->addWidget(clusterButton_);
    layout->addLayout(controls);
    tabs_ = new QTabWidget;
    layout->addWidget(tabs_);

    Array<std::string> names;
    if (const HeatmapSeries* entries = store())
        entries->experimentNames(names);
    if (names.empty()) {
        setMaximumWidth(10);
        return;
    }
    setMaximumWidth(300);
    connect(tabs_, &QTabWidget::currentChanged, this, &ExperimentsPanel::experimentTabChanged);
    {
        // Adding tabs makes each current in turn; no explore refresh for that.
        const QSignalBlocker block(tabs_);
        for (const std::string& name : names) {
            auto* page = new QWidget;
            auto* pageLayout = new QVBoxLayout(page);
            auto* list = new QListWidget;
            list->setResizeMode(QListView::Adjust);
            list->setIconSize(QSize(60, 10));
            pageLayout->addWidget(list);
            lists_.push_back(list);
            experiments_.push_back(name);
            tabs_->addTab(page, QString::fromStdString(name));
            tabs_->setCurrentIndex(tabs_->count() - 1);
            fill(list, name);
            connect(list, &QListWidget::itemDoubleClicked, this,
                    &ExperimentsPanel::experimentDoubleClick);
            connect(list, &QListWidget::currentRowChanged, this,
                    qOverload<int>(&ExperimentsPanel::experimentItemChanged));
        }
    }
    connect(clusterButton_, &QPushButton::clicked, this, [this] { cluster(kBox_->value()); });
}

ExperimentsPanel::~ExperimentsPanel() {
    tabs_->disconnect(this);
    for (QListWidget* list : lists_)
        list->disconnect(this);
}

QListWidget* ExperimentsPanel::list(int tabIndex) const {
    return tabIndex >= 0 && tabIndex < static_cast<int>(lists_.size()) ? lists_[tabIndex] : nullptr;
}

std::string ExperimentsPanel::currentExperimentName() const {
    const int index = tabs_->currentIndex();
    return index >= 0 && index < static_cast<int>(experiments_.size()) ? experiments_[index]
                                                                       : std::string();
}

const HeatmapSeries* ExperimentsPanel::store() const {
    const App& app = context_.app;
    if (!app.pathway())
        return nullptr;
    return app.pathway()->graph().heatmaps.get();
}

std::vector<int> ExperimentsPanel::entriesOf(const std::string& experiment) const {
    std::vector<int> entries;
    if (const HeatmapSeries* s = store()) {
        for (int i = 0; i < s->entryCount(); ++i) {
            if (s->experimentAt(i) == experiment)
                entries.push_back(i);
        }
    }
    return entries;
}

QListWidgetItem* ExperimentsPanel::makeItem(int entry) const {
    const HeatmapSeries* s = store();
    // A protein without a name shows its identifier.
    const std::string name = context_.app.pathway()->graph().getProteinName(s->proteinAt(entry));
    const QString text =
        QString::fromStdString(name + " @ " + beforeDelimiter(s->detailAt(entry), "_"));
    auto* item = new QListWidgetItem(colourStrip(s->coloursAt(entry)), text);
    item->setToolTip(text + "\n" + QString::fromStdString(s->noteAt(entry)));
    item->setFont(QFont("Times", 7));
    item->setData(kProteinRole, QString::fromStdString(name));
    return item;
}

void ExperimentsPanel::fill(QListWidget* list, const std::string& experiment) {
    // Emptying the list would report a row change with no item behind it.
    const QSignalBlocker block(list);
    list->clear();
    for (int entry : entriesOf(experiment))
        list->insertItem(0, makeItem(entry));
    list->sortItems(Qt::AscendingOrder);
}

void ExperimentsPanel::cluster(int k) {
    QListWidget* current = list(tabs_->currentIndex());
    if (current == nullptr)
        return;
    const std::string experiment = currentExperimentName();
    if (k < 0) {
        fill(current, experiment);
        return;
    }
    if (clustering_)
        return;
    const std::vector<int> entries = entriesOf(experiment);
    std::vector<int> clusters;
    QString why;
    clustering_ = true;
    const Run run = runClustering(entries, k, clusters, why);
    if (run == Run::Gone)
        return;
    clustering_ = false;
    // The list stays as it was unless the clustering gave an answer.
    if (run == Run::Cancelled)
        return;
    if (run == Run::Failed) {
        context_.dialogs.warning(
            this, kTitle,
            "Could not cluster \"" + QString::fromStdString(experiment) + "\": " + why);
        return;
    }
    const QSignalBlocker block(current);
    current->clear();
    for (int row : clustering::regroup(clusters, k)) {
        current->addItem(row < 0 ? new QListWidgetItem(kSeparator) : makeItem(entries[row]));
    }
}

ExperimentsPanel::Run ExperimentsPanel::runClustering(const std::vector<int>& entries, int k,
                                                      std::vector<int>& clusters, QString& why) {
    const int n = static_cast<int>(entries.size());
    if (k < 1 || k > n) {
        why = QString("k must lie between 1 and %1, the number of its entries.").arg(n);
        return Run::Failed;
    }
    const HeatmapSeries* s = store();
    std::vector<HeatmapColours> colours;
    for (int entry : entries) {
        colours.push_back(s->coloursAt(entry));
        trace("%d\n", static_cast<int>(colours.back().size()));
    }
    const std::size_t dim = colours.front().size();
    for (const HeatmapColours& c : colours) {
        if (c.size() != dim || dim == 0) {
            why = "its entries do not all hold the same number of values.";
            return Run::Failed;
        }
    }
    if (!writeFile("clustering_data.in", clustering::dataText(colours)) ||
        !writeFile("clustering_config.in", clustering::configText(static_cast<int>(dim), n, k))) {
        why = "the clustering files cannot be written in " + QDir::currentPath() + ".";
        return Run::Failed;
    }
    if (const Run run = runProgram(why); run != Run::Done) {
        return run;
    }

    std::string unreadable;
    QFile answer("clustering.out");
    if (!isRegularFile("clustering.out", &unreadable) || !answer.open(QIODevice::ReadOnly)) {
        why = "its answer clustering.out cannot be read" +
              (unreadable.empty() ? QString(".") : ": " + QString::fromStdString(unreadable));
        return Run::Failed;
    }
    std::vector<std::string> lines;
    std::istringstream in(answer.readAll().toStdString());
    for (std::string line; std::getline(in, line);) {
        stripCarriageReturn(line);
        lines.push_back(line);
    }
    std::string reason;
    if (!clustering::readAssignments(lines, n, k, clusters, reason)) {
        why = "the clustering program's answer is unusable: " + QString::fromStdString(reason);
        return Run::Failed;
    }
    return Run::Done;
}

ExperimentsPanel::Run ExperimentsPanel::runProgram(QString& why) {
    if (!clearName("clustering.out")) {
        why = "clustering.out in " + QDir::currentPath() + " cannot be replaced.";
        return Run::Failed;
    }
    QProcess process;
    process.setWorkingDirectory(QDir::currentPath());
    process.setStandardOutputFile("clustering.out", QIODevice::Truncate);

    std::optional<Run> end;
    QEventLoop loop;
    auto finish = [&](Run run) {
        if (!end)
            end = run;
        loop.quit();
    };
    QObject::connect(&process, &QProcess::finished, &loop, [&] { finish(Run::Done); });
    QObject::connect(&process, &QProcess::errorOccurred, &loop, [&](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            finish(Run::Failed);
    });
    QTimer limit;
    limit.setSingleShot(true);
    bool timedOut = false;
    QObject::connect(&limit, &QTimer::timeout, &loop, [&] {
        timedOut = true;
        finish(Run::Failed);
    });
    // The panel goes with the pathway's pages, which the window may drop meanwhile.
    const QPointer<ExperimentsPanel> self(this);
    QObject::connect(this, &QObject::destroyed, &loop, [&] { finish(Run::Gone); });
    std::unique_ptr<OpenProgress> progress = context_.dialogs.cancellableProgress(
        this, "Clustering...", [&] { finish(Run::Cancelled); });
    process.start(clusteringProgram_, {"-i", "clustering_config.in"});
    limit.start(clusteringTimeLimitMs_);
    // Timers, repaints and the layout go on while the program works.
    if (!end)
        loop.exec();
    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished(5000);
    }
    if (!self)
        return Run::Gone;
    progress.reset();
    if (*end == Run::Done &&
        (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)) {
        const QString message = QString::fromLocal8Bit(process.readAllStandardError()).trimmed();
        std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
        why = QString("the clustering program failed (exit status %1)").arg(process.exitCode()) +
              (message.isEmpty() ? QString(".") : ": " + message);
        return Run::Failed;
    }
    if (timedOut) {
        why = QString("the clustering program did not finish within %1 s; it was stopped.")
                  .arg(clusteringTimeLimitMs_ / 1000.0);
    } else if (*end == Run::Failed) {
        why = "the clustering program " + clusteringProgram_ + " cannot be started.";
    }
    return *end;
}

void ExperimentsPanel::experimentItemChanged(int) {
    QListWidget* current = list(tabs_->currentIndex());
    experimentItemChanged(current ? current->currentItem() : nullptr);
}

void ExperimentsPanel::experimentItemChanged(QListWidgetItem* item) {
    if (item == nullptr || !item->data(kProteinRole).isValid())
        return;
    emit proteinChosen(item->data(kProteinRole).toString().toStdString());
}

void ExperimentsPanel::experimentDoubleClick(QListWidgetItem* item) {
    if (item == nullptr || !item->data(kProteinRole).isValid())
        return;
    emit exploreWanted(item->data(kProteinRole).toString().toStdString());
}

void ExperimentsPanel::experimentTabChanged(int) {
    App& app = context_.app;
    if (!app.isExploring())
        return;
    app.exploreView()->refreshExplore(currentExperimentName());
    context_.requestRepaint();
}
