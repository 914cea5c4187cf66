// The modal dialog that picks the protein of a node being placed, by hand or
// for a region painted on the pathway image: a search through the pathway's
// data source, the matches by name, the details of the browsed match, or a
// free label.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include <QDialog>
#include <QImage>
#include <QStringList>

#include "app/App.h"

class Image;
class ImageProcessorSelection;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTextEdit;

// The four detail lines of a match, as the details box shows them.
QStringList proteinDetailLines(const App::ProteinHit& hit);
// The preview of a painted region: `image` in the 32-bit RGB format, every
// pixel opaque (alpha ignored), whatever the image's channel count.
QImage previewImage(const Image& image);
// The piece of the pathway image under `region`'s box; null when the region
// lies outside the image.
QImage regionPreview(const Image& image, const ImageProcessorSelection& region);

class ProteinFinder : public QDialog {
    Q_OBJECT
public:
    // The search text in, the matches out, and why the data source could not
    // search ("" when it could; App::searchProteins in the window).
    using Search =
        std::function<std::vector<App::ProteinHit>(const std::string&, std::string& failure)>;

    // A null preview shows no picture.
    explicit ProteinFinder(Search search, const QImage& preview = QImage(),
                           QWidget* parent = nullptr);

    const std::string& resultName() const { return resultName_; }
    const std::string& resultId() const { return resultId_; }
    // True when the dialog was left by "Place Protein" or "Just some label!".
    bool chosen() const { return chosen_; }
    // True before the first search and after a search without matches.
    bool noMatches() const { return noMatches_; }

    QLineEdit* searchBox() const { return searchBox_; }
    QListWidget* matchList() const { return matchList_; }
    QTextEdit* detailsBox() const { return detailsBox_; }
    QPushButton* searchButton() const { return searchButton_; }
    QPushButton* labelButton() const { return labelButton_; }
    QPushButton* placeButton() const { return placeButton_; }
    QPushButton* cancelButton() const { return cancelButton_; }

public slots:
    void searchProteinByName();
    void justSomeLabel();
    void cancelProteinCreate();
    void placeProteinCreate();
    void userBrowseProtein(int line);

private:
    // Leaves the dialog with this protein; false, saying why in the details
    // box, for one that cannot be placed.
    bool choose(const std::string& label, const std::string& id);

    Search search_;
    std::string resultName_;
    std::string resultId_;
    bool chosen_ = false;
    bool noMatches_ = true;
    std::vector<App::ProteinHit> matches_;
    QLineEdit* searchBox_ = nullptr;
    QListWidget* matchList_ = nullptr;
    QTextEdit* detailsBox_ = nullptr;
    QPushButton* searchButton_ = nullptr;
    QPushButton* labelButton_ = nullptr;
    QPushButton* placeButton_ = nullptr;
    QPushButton* cancelButton_ = nullptr;
};
