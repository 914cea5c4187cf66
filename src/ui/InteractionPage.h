// The "Interaction" page of the Analyze tab: the proteins shown, the partners
// of the chosen one, the card of the chosen pair and "Complete Info".
#pragma once

#include <string>
#include <utility>

#include <QWidget>

#include "ui/PageContext.h"

class QListWidget;
class QTextBrowser;

class InteractionPage : public QWidget {
    Q_OBJECT
public:
    InteractionPage(const PageContext& context, const QStringList& names);

    QListWidget* firstList() const { return first_; }
    QListWidget* secondList() const { return second_; }
    QTextBrowser* info() const { return info_; }
    // The exact HTML last handed to the card.
    const std::string& cardHtml() const { return cardHtml_; }

    // Makes the pair the lists' current one, refreshing its card even when it
    // already was; nothing more once a name is missing.
    void showInteraction(const std::string& name1, const std::string& name2);
    // Refills the first list with the proteins shown now. The card goes on
    // describing its pair under their current names, shown as the current
    // items, or says it is gone (signals blocked: the scene stays as it is).
    void refill();

signals:
    // "Complete Info" asks for an info dialog.
    void infoWanted(const std::string& title, const std::string& html);

public slots:
    void interactors1Changed(const QString& protein);
    void interactors2Changed(const QString& ignored);
    void openInfoPopup();

private:
    // The partners of `name` in the second list; false, with the list empty,
    // when the protein is filtered out.
    bool fillPartners(const std::string& name);
    void showCard(const std::string& html);

    PageContext context_;
    QListWidget* first_ = nullptr;
    QListWidget* second_ = nullptr;
    QTextBrowser* info_ = nullptr;
    std::string cardHtml_;
    // Graph ids of the pair the card describes; empty while it describes none.
    std::pair<std::string, std::string> cardIds_;
};
