#include "ui/ProteinPage.h"

#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTextBrowser>
#include <QVBoxLayout>

#include "app/App.h"
#include "model/ProteinGraph.h"
#include "pathway/PathwayLayoutEntity.h"
#include "ui/AnalyzeLists.h"
#include "ui/PanelWidgets.h"

using analyzelists::currentText;
using analyzelists::findName;

ProteinPage::ProteinPage(const PageContext& context, const QStringList& names) : context_(context) {
    setMaximumWidth(180);
    auto* layout = new QVBoxLayout(plainBody(this));
    layout->setContentsMargins(5, 5, 5, 5);
    list_ = new QListWidget;
    exploreButton_ = new QPushButton("Explore!");
    exploreButton_->setCheckable(true);
    info_ = new QTextBrowser;
    info_->setOpenExternalLinks(true);
    auto* completeInfo = new QPushButton("Complete Info");
    layout->addWidget(list_);
    layout->addWidget(exploreButton_);
    layout->addWidget(info_);
    layout->addWidget(completeInfo);

    list_->addItems(names);
    list_->sortItems(Qt::AscendingOrder);
    connect(list_, &QListWidget::currentTextChanged, this, &ProteinPage::updateProtein);
    connect(exploreButton_, &QPushButton::clicked, this, &ProteinPage::startExploring);
    connect(completeInfo, &QPushButton::clicked, this, &ProteinPage::openInfoPopup);
}

void ProteinPage::showCard(const std::string& html) {
    cardHtml_ = html;
    info_->clear();
    info_->setHtml(QString::fromStdString(html));
}

void ProteinPage::updateProtein(const QString& protein) {
    App& app = context_.app;
    const std::string name = protein.toStdString();
    const PropertyList* properties = app.getProteinProperties(name);
    if (properties == nullptr) {
        cardId_.clear();
        showCard(analyzecards::noProteinCard());
        return;
    }
    cardId_ = app.pathway()->graph().getNodeByName(name);
    showCard(analyzecards::proteinCard(name, *properties, analyzelists::ratings(app)));
    app.selectProtein(name);
    context_.requestRepaint();
}

void ProteinPage::showProtein(const std::string& name) {
    QListWidgetItem* match = findName(list_, name);
    if (match == nullptr) {
        list_->setCurrentItem(nullptr);
    } else if (match == list_->currentItem()) {
        // Choosing the current item again emits nothing, yet the card must refresh.
        updateProtein(match->text());
    } else {
        list_->setCurrentItem(match);
    }
}

void ProteinPage::refill() {
    App& app = context_.app;
    analyzelists::refill(list_, app);
    const PathwayLayoutEntity* pathway = app.pathway();
    const bool present = !cardId_.empty() && pathway && pathway->graph().hasNode(cardId_);
    QListWidgetItem* item =
        present ? findName(list_, pathway->graph().getProteinName(cardId_)) : nullptr;
    {
        const QSignalBlocker blocker(list_);
        list_->setCurrentItem(item);
    }
    const PropertyList* properties =
        item ? app.getProteinProperties(item->text().toStdString()) : nullptr;
    if (properties != nullptr) {
        showCard(analyzecards::proteinCard(item->text().toStdString(), *properties,
                                           analyzelists::ratings(app)));
    } else if (!cardHtml_.empty()) {
        // Removed, or filtered out (then the card comes back with the protein).
        if (!present) {
            cardId_.clear();
        }
        showCard(analyzecards::noProteinCard());
    }
}

void ProteinPage::startExploring() {
    App& app = context_.app;
    if (!exploreButton_->isChecked()) {
        app.leaveExplore();
        context_.window.startTimers(20, 5000);
        return;
    }
    const std::string protein = currentText(list_);
    if (!protein.empty()) {
        app.startExplore(protein);
    }
    if (protein.empty() || !analyzelists::exploring(app)) {
        // The button shows whether the view is open, not what was asked.
        exploreButton_->setChecked(false);
        return;
    }
    context_.window.startTimers(30, 20000);
}

void ProteinPage::exploreSelected() {
    exploreButton_->setChecked(true);
    startExploring();
}

void ProteinPage::openInfoPopup() {
    if (!list_->currentItem()) {
        return;
    }
    App& app = context_.app;
    const std::string name = currentText(list_);
    const PathwayLayoutEntity* pathway = app.pathway();
    const std::string id = pathway ? pathway->graph().getNodeByName(name) : std::string();
    emit infoWanted(analyzecards::proteinDialogTitle(name),
                    analyzecards::proteinDialogText(id, app.getProteinProperties(name)));
}
