#include "ui/InteractionPage.h"

#include <cstdio>

#include <QHBoxLayout>
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

InteractionPage::InteractionPage(const PageContext& context, const QStringList& names)
    : context_(context) {
    auto* layout = new QVBoxLayout(plainBody(this));
    auto* lists = new QHBoxLayout;
    first_ = new QListWidget;
    second_ = new QListWidget;
    lists->addWidget(first_);
    lists->addWidget(second_);
    layout->addLayout(lists);
    info_ = new QTextBrowser;
    info_->setOpenExternalLinks(true);
    layout->addWidget(info_);
    auto* completeInfo = new QPushButton("Complete Info");
    layout->addWidget(completeInfo);
    connect(completeInfo, &QPushButton::clicked, this, &InteractionPage::openInfoPopup);

    first_->addItems(names);
    connect(first_, &QListWidget::currentTextChanged, this, &InteractionPage::interactors1Changed);
    connect(second_, &QListWidget::currentTextChanged, this, &InteractionPage::interactors2Changed);
    first_->sortItems(Qt::AscendingOrder);
}

void InteractionPage::showCard(const std::string& html) {
    cardHtml_ = html;
    info_->clear();
    info_->setHtml(QString::fromStdString(html));
}

void InteractionPage::interactors1Changed(const QString& protein) {
    const std::string name = protein.toStdString();
    std::printf("%s\n", name.c_str());
    std::fflush(stdout);
    cardIds_ = {};
    // The pair the card showed is no longer chosen.
    showCard(fillPartners(name) ? std::string() : analyzecards::noInteractionCard());
}

bool InteractionPage::fillPartners(const std::string& name) {
    const QSignalBlocker blocker(second_);
    second_->clear();
    const PathwayLayoutEntity* pathway = context_.app.pathway();
    const std::string id = pathway ? pathway->graph().getNodeByName(name) : std::string();
    if (!id.empty() && pathway->graph().hasNodeTags(id)) {
        return false;
    }
    Array<std::string> partners;
    context_.app.getInteractors(name, partners);
    second_->addItems(analyzelists::toQStrings(partners));
    second_->sortItems(Qt::AscendingOrder);
    return true;
}

void InteractionPage::interactors2Changed(const QString&) {
    if (!first_->currentItem() || !second_->currentItem()) {
        return;
    }
    const std::string a = currentText(first_);
    const std::string b = currentText(second_);
    const PathwayLayoutEntity* pathway = context_.app.pathway();
    const std::string ida = pathway ? pathway->graph().getNodeByName(a) : std::string();
    const std::string idb = pathway ? pathway->graph().getNodeByName(b) : std::string();
    if (ida.empty() || idb.empty() || !pathway->graph().isEdgeVisible(ida, idb)) {
        // Removed or filtered out since the lists were filled.
        cardIds_ = {};
        showCard(analyzecards::noInteractionCard());
    } else {
        cardIds_ = {ida, idb};
        showCard(analyzecards::interactionCard(a, b, pathway->graph().getEdgeProperties(ida, idb),
                                               analyzelists::ratings(context_.app)));
    }
    context_.requestRepaint();
}

void InteractionPage::showInteraction(const std::string& name1, const std::string& name2) {
    QListWidgetItem* first = findName(first_, name1);
    if (first == nullptr) {
        return;
    }
    first_->setCurrentItem(first);
    QListWidgetItem* second = findName(second_, name2);
    if (second == nullptr) {
        return;
    }
    if (second == second_->currentItem()) {
        interactors2Changed(second->text());
    } else {
        second_->setCurrentItem(second);
    }
}

void InteractionPage::refill() {
    analyzelists::refill(first_, context_.app);
    const PathwayLayoutEntity* pathway = context_.app.pathway();
    const auto& [ida, idb] = cardIds_;
    const bool present =
        !ida.empty() && pathway && pathway->graph().hasNode(ida) && pathway->graph().hasNode(idb);
    QListWidgetItem* first =
        present ? findName(first_, pathway->graph().getProteinName(ida)) : nullptr;
    QListWidgetItem* second = nullptr;
    {
        const QSignalBlocker blocker(first_);
        first_->setCurrentItem(first);
        if (first == nullptr || !fillPartners(first->text().toStdString())) {
            const QSignalBlocker partnersBlocker(second_);
            second_->clear();
        } else {
            second = findName(second_, pathway->graph().getProteinName(idb));
            const QSignalBlocker partnersBlocker(second_);
            second_->setCurrentItem(second);
        }
    }
    if (second != nullptr) {
        interactors2Changed(second->text());
    } else if (!cardHtml_.empty()) {
        // Removed, or filtered out (then the card comes back with the pair).
        if (!present) {
            cardIds_ = {};
        }
        showCard(analyzecards::noInteractionCard());
    }
}

void InteractionPage::openInfoPopup() {
    if (!first_->currentItem() || !second_->currentItem()) {
        return;
    }
    const std::string first = currentText(first_);
    const std::string second = currentText(second_);
    App& app = context_.app;
    emit infoWanted(analyzecards::interactionDialogTitle(first, second),
                    analyzecards::interactionDialogText(app.getInteractionProperties(first, second),
                                                        app.getProteinProperties(first),
                                                        app.getProteinProperties(second)));
}
