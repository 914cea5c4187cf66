#include "ui/ProteinFinder.h"

#include <cmath>

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>
#include <QTextEdit>
#include <QVBoxLayout>

#include "engine/render/Image.h"
#include "pathway/ImageProcessorSelection.h"

namespace {

QString fromStd(const std::string& text) {
    return QString::fromStdString(text);
}

}  // namespace

QStringList proteinDetailLines(const App::ProteinHit& hit) {
    return {"Id:" + fromStd(hit.id), "Name: " + fromStd(hit.name),
            "# Interactions: " + QString::number(hit.interactionCount),
            "Annot: " + fromStd(hit.annotation)};
}

QImage previewImage(const Image& image) {
    if (image.isNull()) {
        return QImage();
    }
    QImage out(image.width(), image.height(), QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const Color4uint8 c = image.pixel(x, y);
            row[x] = qRgb(c.r, c.g, c.b);
        }
    }
    return out;
}

QImage regionPreview(const Image& image, const ImageProcessorSelection& region) {
    const int x = static_cast<int>(std::floor(region.x0));
    const int y = static_cast<int>(std::floor(region.y0));
    const int width = static_cast<int>(std::floor(region.x1)) - x + 1;
    const int height = static_cast<int>(std::floor(region.y1)) - y + 1;
    if (width <= 0 || height <= 0) {
        return QImage();
    }
    return previewImage(image.subImage(x, y, width, height));
}

ProteinFinder::ProteinFinder(Search search, const QImage& preview, QWidget* parent)
    : QDialog(parent), search_(std::move(search)) {
    setWindowTitle("Search proteins");
    auto* layout = new QVBoxLayout(this);

    searchBox_ = new QLineEdit(this);
    layout->addWidget(searchBox_);
    if (!preview.isNull()) {
        auto* picture = new QLabel(this);
        picture->setPixmap(QPixmap::fromImage(preview));
        layout->addWidget(picture);
    }

    auto* searchRow = new QHBoxLayout;
    searchButton_ = new QPushButton("Get by name", this);
    labelButton_ = new QPushButton("Just some label!", this);
    searchRow->addWidget(searchButton_);
    searchRow->addWidget(labelButton_);
    layout->addLayout(searchRow);

    matchList_ = new QListWidget(this);
    layout->addWidget(matchList_);
    detailsBox_ = new QTextEdit(this);
    detailsBox_->setReadOnly(true);
    layout->addWidget(detailsBox_);

    auto* endRow = new QHBoxLayout;
    placeButton_ = new QPushButton("Place Protein", this);
    placeButton_->setEnabled(false);
    cancelButton_ = new QPushButton("Cancel", this);
    endRow->addWidget(placeButton_);
    endRow->addWidget(cancelButton_);
    layout->addLayout(endRow);

    // Return in the search box searches; it must not press a default button.
    placeButton_->setAutoDefault(false);
    cancelButton_->setAutoDefault(false);
    searchButton_->setAutoDefault(false);
    labelButton_->setAutoDefault(false);
    connect(searchBox_, &QLineEdit::returnPressed, this, &ProteinFinder::searchProteinByName);

    connect(searchButton_, &QPushButton::clicked, this, &ProteinFinder::searchProteinByName);
    connect(labelButton_, &QPushButton::clicked, this, &ProteinFinder::justSomeLabel);
    connect(matchList_, &QListWidget::currentRowChanged, this, &ProteinFinder::userBrowseProtein);
    connect(placeButton_, &QPushButton::clicked, this, &ProteinFinder::placeProteinCreate);
    connect(cancelButton_, &QPushButton::clicked, this, &ProteinFinder::cancelProteinCreate);
}

void ProteinFinder::searchProteinByName() {
    matches_.clear();
    std::string failure;
    if (search_) {
        matches_ = search_(searchBox_->text().toStdString(), failure);
    }
    noMatches_ = matches_.empty();
    // Browsing follows the list, so the old details go with the old matches.
    matchList_->clear();
    detailsBox_->clear();
    placeButton_->setEnabled(false);
    if (noMatches_ && !failure.empty()) {
        // No other search text would help.
        matchList_->addItem("The data source could not search:");
        matchList_->addItems(fromStd(failure).split('\n', Qt::SkipEmptyParts));
        return;
    }
    if (noMatches_) {
        matchList_->addItem("No matches have been found");
        matchList_->addItem("Make your search string more general (Grb2 -> Grb)");
        return;
    }
    for (const App::ProteinHit& hit : matches_) {
        matchList_->addItem(fromStd(hit.name));
    }
}

void ProteinFinder::userBrowseProtein(int line) {
    detailsBox_->clear();
    if (noMatches_ || line < 0 || line >= static_cast<int>(matches_.size())) {
        return;
    }
    for (const QString& text : proteinDetailLines(matches_[static_cast<std::size_t>(line)])) {
        detailsBox_->append(text);
    }
    placeButton_->setEnabled(true);
}

bool ProteinFinder::choose(const std::string& label, const std::string& id) {
    if (!App::isPlaceable(label, id)) {
        detailsBox_->setPlainText(
            "This protein cannot be placed: a label may not hold a tab or a line break, and a "
            "free label (its own identifier) not \"#\" or \"|\" either.");
        return false;
    }
    resultName_ = label;
    resultId_ = id;
    chosen_ = true;
    accept();
    return true;
}

void ProteinFinder::placeProteinCreate() {
    const int row = matchList_->currentRow();
    if (noMatches_ || row < 0 || row >= static_cast<int>(matches_.size())) {
        return;
    }
    const App::ProteinHit& hit = matches_[static_cast<std::size_t>(row)];
    choose(hit.name, hit.id);
}

void ProteinFinder::justSomeLabel() {
    const std::string label = searchBox_->text().toStdString();
    choose(label, label);
}

void ProteinFinder::cancelProteinCreate() {
    resultName_ = "none";
    resultId_ = "none";
    chosen_ = false;
    reject();
}
